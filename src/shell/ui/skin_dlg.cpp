#include "shell/ui/skin_dlg.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPalette>

namespace zym {
namespace {

QColor FromRgb(std::uint32_t rgb)
{
    return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>(rgb & 0xFF));
}

} // namespace

CSkinDlg::CSkinDlg(const LanguageDocument& language, QWidget* parent) : QDialog(parent), language_(language)
{
    setWindowIcon(QApplication::windowIcon());
    // The dialogs paint their whole client area themselves.
    setAttribute(Qt::WA_OpaquePaintEvent);
    font_ = QApplication::font();
    font_.setPixelSize(12);
    font_.setWeight(QFont::Normal);
    setFont(font_);
    if (SkinLoaded()) {
        background_ = FromRgb(language.Color("skindlg", "bkg"));
        text_ = FromRgb(language.Color("skindlg", "text"));
    }
    // Qt's own controls take the skin colours through the palette.
    QPalette colours = palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
        colours.setColor(role, background_);
    }
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        colours.setColor(role, text_);
    }
    setPalette(colours);
}

QRect CSkinDlg::Anchor(const LanguageRect& layout, const QRect& container)
{
    const Box box = AnchorRect(AnchorLayout{layout.left, layout.top, layout.right, layout.bottom},
                               Box{container.left(), container.top(), container.left() + container.width(),
                                   container.top() + container.height()});
    return QRect(box.left, box.top, box.Width(), box.Height());
}

void CSkinDlg::SetClientSize(int width, int height)
{
    setFixedSize(width, height);
    LayoutControls(width, height);
}

void CSkinDlg::LayoutControls(int, int) {}

void CSkinDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    LayoutControls(width(), height());
    update();
}

void CSkinDlg::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept(); // neither key ends these dialogs
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

} // namespace zym
