#include "shell/ui/skin_frame.h"

#include <QGuiApplication>
#include <QPainter>
#include <QRegion>
#include <QWindow>

namespace zym {

CSkinBaseDlg::CSkinBaseDlg(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), skin_(WebFrameSkin(false))
{
    setMouseTracking(true);
    client_ = new QWidget(this); // owned by this widget as its child
    LayOut();
}

CSkinBaseDlg::~CSkinBaseDlg()
{
    if (overrideCursor_)
        QGuiApplication::restoreOverrideCursor();
}

void CSkinBaseDlg::InitWebFrame(const QString& installFolder, bool resizable)
{
    InitFrame(installFolder, WebFrameSkin(resizable), resizable);
}

void CSkinBaseDlg::InitLoginFrame(const QString& installFolder)
{
    InitFrame(installFolder, LoginFrameSkin(), false);
}

void CSkinBaseDlg::InitFrame(const QString& installFolder, const FrameSkin& skin, bool resizable)
{
    skin_ = skin;
    resizable_ = resizable;
    images_ = LoadFrameImages(installFolder, skin_);
    LayOut();
    update();
}

void CSkinBaseDlg::SetSkinned(bool skinned)
{
    if (skinned == skinned_)
        return;
    skinned_ = skinned;
    const bool visible = isVisible();
    setWindowFlag(Qt::FramelessWindowHint, skinned); // hides the window
    if (visible)
        show();
    ResetButtons();
    LayOut();
    update();
}

QRect CSkinBaseDlg::ClientRectangle() const
{
    if (!skinned_)
        return rect();
    const FrameRect r = ClientRect(skin_, width(), height(), isMaximized(), MaximisedOffset());
    return QRect(r.x, r.y, r.width, r.height);
}

int CSkinBaseDlg::ButtonState(int index) const
{
    if (index < 0 || index >= static_cast<int>(skin_.buttons.size()))
        return -1;
    return skin_.buttons[index].state;
}

void CSkinBaseDlg::SetButtonEnabled(int message, bool enabled)
{
    for (FrameButton& b : skin_.buttons) {
        if (b.message != message)
            continue;
        if (!enabled)
            b.state = kButtonDisabled;
        else if (b.state == kButtonDisabled)
            b.state = kButtonNormal;
    }
    update();
}

bool CSkinBaseDlg::FrameMessage(int message)
{
    switch (message) {
    case kFrameMsgNothing:
        return true;
    case kFrameMsgRepaint:
        update();
        return true;
    case kFrameMsgMinimise:
        update();
        OnMinimiseButton();
        return true;
    case kFrameMsgMaximise:
        update();
        OnMaximiseButton();
        return true;
    case kFrameMsgClose:
        update();
        OnCloseButton();
        return true;
    default:
        return false;
    }
}

void CSkinBaseDlg::PostFrameMessage(int message)
{
    // Tied to this window: a message still queued when the window goes is dropped.
    QMetaObject::invokeMethod(
        this, [this, message] { FrameMessage(message); }, Qt::QueuedConnection);
}

void CSkinBaseDlg::OnMinimiseButton()
{
    showMinimized();
}

void CSkinBaseDlg::OnMaximiseButton()
{
    ToggleMaximised();
}

void CSkinBaseDlg::OnCloseButton()
{
    if (closeHook_) {
        closeHook_();
        return;
    }
    // Posted, as a close request from elsewhere would be, so the click handler finishes first.
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void CSkinBaseDlg::ToggleMaximised()
{
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void CSkinBaseDlg::LayOut()
{
    client_->setGeometry(ClientRectangle());
    if (!skinned_) {
        clearMask();
        return;
    }
    QRegion region(rect());
    for (const auto& [x, y] : CutCornerPixels(width(), height()))
        region -= QRegion(x, y, 1, 1);
    setMask(region);
}

void CSkinBaseDlg::ResetButtons()
{
    if (ResetButtonStates(skin_.buttons))
        update();
}

void CSkinBaseDlg::paintEvent(QPaintEvent* event)
{
    if (!skinned_) {
        QWidget::paintEvent(event);
        return;
    }
    QPainter painter(this);
    FrameLook look;
    look.width = width();
    look.height = height();
    look.maximised = isMaximized();
    look.maximisedOffset = MaximisedOffset();
    look.icon = windowIcon();
    look.title = windowTitle();
    look.titleFont = FrameTitleFont();
    PaintFrame(painter, skin_, images_, look);
}

void CSkinBaseDlg::resizeEvent(QResizeEvent* event)
{
    LayOut();
    QWidget::resizeEvent(event);
    update();
}

void CSkinBaseDlg::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowTitleChange:
        update();
        break;
    case QEvent::WindowStateChange:
        ResetButtons();
        LayOut();
        update();
        break;
    case QEvent::ActivationChange:
        if (!isActiveWindow())
            ResetButtons();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void CSkinBaseDlg::showEvent(QShowEvent* event)
{
    // Pointer events over the client area go to the content, not to us; the window sees them all.
    if (!filterInstalled_ && windowHandle()) {
        windowHandle()->installEventFilter(this);
        filterInstalled_ = true;
    }
    QWidget::showEvent(event);
}

} // namespace zym
