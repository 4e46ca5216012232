// The name-clash question: "an item of this name exists", with the file or folder icon, the
// buttons replace, keep both and cancel, and the "apply to all" box (shown only when the call
// names two or more items). Closing the window counts as cancel.
#pragma once

#include "ops/clash_question.h"
#include "shell/ui/skin_dlg.h"

#include <QImage>
#include <QString>

class QCheckBox;
class QPushButton;

namespace zym {

class CCopyMessage : public CSkinDlg
{
    Q_OBJECT

public:
    CCopyMessage(const LanguageDocument& language, const QString& name, bool folder, bool several,
                 QWidget* parent = nullptr);

    ClashAnswer Answer() const { return answer_; }
    QPushButton* ReplaceButton() const { return replace_; }
    QPushButton* KeepBothButton() const { return keepBoth_; }
    QPushButton* CloseButton() const { return close_; }
    QCheckBox* AllBox() const { return all_; }
    QRect IconBox() const { return Anchor(iconRect_, rect()); }
    QRect TextBox() const { return Anchor(textRect_, rect()); }
    QString DisplayText() const { return displayText_; }

    // Shows the question modally and returns the answer.
    static ClashAnswer AskModal(const LanguageDocument& language, const std::string& name, bool folder,
                                bool several, QWidget* parent);

protected:
    void LayoutControls(int width, int height) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void Choose(ClashButton button);

    bool folder_;
    bool several_;
    QString displayText_;
    QImage icon_;
    LanguageRect iconRect_, textRect_, allRect_, replaceRect_, keepBothRect_, closeRect_;
    QPushButton* replace_;
    QPushButton* keepBoth_;
    QPushButton* close_;
    QCheckBox* all_;
    ClashAnswer answer_; // Close until a button is pressed
};

// The clash question of the download handler, asked on the main thread.
class DialogClashQuestion : public ClashQuestion
{
public:
    DialogClashQuestion(const LanguageDocument& language, QWidget* parent)
        : language_(language), parent_(parent)
    {}
    ClashAnswer Ask(const std::string& name, bool folder, bool several) override
    {
        return CCopyMessage::AskModal(language_, name, folder, several, parent_);
    }

private:
    const LanguageDocument& language_;
    QWidget* parent_;
};

} // namespace zym
