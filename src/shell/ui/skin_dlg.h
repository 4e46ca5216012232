// The base of the natively drawn dialogs: the program icon, one text font, background and text
// colours from the language document's skin values, a background that is never erased, and
// Escape and Enter switched off (these dialogs end only through their buttons, the caption's
// close box or their own code). Derived dialogs place their controls in LayoutControls.
#pragma once

#include "app/language_document.h"
#include "ui/anchor_rect.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QRect>

namespace zym {

class CSkinDlg : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kDefaultWidth = 394;
    static constexpr int kDefaultHeight = 141;

    CSkinDlg(const LanguageDocument& language, QWidget* parent);

    QColor Background() const { return background_; }
    QColor TextColour() const { return text_; }
    const QFont& TextFont() const { return font_; }

    // The language document's rectangle placed in the container (see AnchorRect).
    static QRect Anchor(const LanguageRect& layout, const QRect& container);
    // Gives the dialog this client size and lays its controls out for it.
    void SetClientSize(int width, int height);

protected:
    virtual void LayoutControls(int width, int height);
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // True when the language document loaded: only then are its skin values used.
    bool SkinLoaded() const { return language_.LoadResult() == 0; }

    const LanguageDocument& language_;

private:
    QColor background_{Qt::white};
    QColor text_{Qt::black};
    QFont font_;
};

} // namespace zym
