#include "skin_frame.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QWindow>

namespace zym {

namespace {

bool IsEdge(FrameHit hit)
{
    switch (hit) {
    case FrameHit::Left:
    case FrameHit::Right:
    case FrameHit::Top:
    case FrameHit::Bottom:
    case FrameHit::TopLeft:
    case FrameHit::TopRight:
    case FrameHit::BottomLeft:
    case FrameHit::BottomRight:
        return true;
    default:
        return false;
    }
}

Qt::Edges EdgesOf(FrameHit hit)
{
    switch (hit) {
    case FrameHit::Left:
        return Qt::LeftEdge;
    case FrameHit::Right:
        return Qt::RightEdge;
    case FrameHit::Top:
        return Qt::TopEdge;
    case FrameHit::Bottom:
        return Qt::BottomEdge;
    case FrameHit::TopLeft:
        return Qt::TopEdge | Qt::LeftEdge;
    case FrameHit::TopRight:
        return Qt::TopEdge | Qt::RightEdge;
    case FrameHit::BottomLeft:
        return Qt::BottomEdge | Qt::LeftEdge;
    case FrameHit::BottomRight:
        return Qt::BottomEdge | Qt::RightEdge;
    default:
        return {};
    }
}

Qt::CursorShape CursorOf(FrameHit hit)
{
    switch (hit) {
    case FrameHit::Left:
    case FrameHit::Right:
        return Qt::SizeHorCursor;
    case FrameHit::Top:
    case FrameHit::Bottom:
        return Qt::SizeVerCursor;
    case FrameHit::TopLeft:
    case FrameHit::BottomRight:
        return Qt::SizeFDiagCursor;
    case FrameHit::TopRight:
    case FrameHit::BottomLeft:
        return Qt::SizeBDiagCursor;
    default:
        return Qt::ArrowCursor;
    }
}

QPoint GlobalPoint(const QMouseEvent* event)
{
    return event->globalPosition().toPoint();
}

} // namespace

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

FrameHitResult CSkinBaseDlg::Hit(QPoint point) const
{
    FrameHitOptions options;
    options.resizable = resizable_;
    options.maximised = isMaximized();
    options.maximisedOffset = MaximisedOffset();
    return HitTest(skin_, width(), height(), point.x(), point.y(), options);
}

void CSkinBaseDlg::ResetButtons()
{
    if (ResetButtonStates(skin_.buttons))
        update();
}

void CSkinBaseDlg::HoverAt(QPoint point)
{
    if (UpdateHoverStates(skin_.buttons, width(), MaximisedOffset(), point.x(), point.y()))
        update();
}

bool CSkinBaseDlg::BeginDrag(FrameHitResult hit, QPoint globalPoint)
{
    const bool edge = IsEdge(hit.hit);
    if (hit.hit != FrameHit::Caption && !edge)
        return false;
    if (hit.hit == FrameHit::Caption && isMaximized())
        return true; // a maximised window stays where it is
    // The window system moves and sizes windows best (snapping, screen edges); ask it first.
    if (QWindow* window = windowHandle()) {
        const bool started = edge ? window->startSystemResize(EdgesOf(hit.hit)) : window->startSystemMove();
        if (started)
            return true;
    }
    drag_ = edge ? Drag::Resize : Drag::Move;
    dragEdge_ = hit.hit;
    dragStart_ = globalPoint;
    dragGeometry_ = geometry();
    return true;
}

void CSkinBaseDlg::DragTo(QPoint globalPoint)
{
    const QPoint delta = globalPoint - dragStart_;
    if (drag_ == Drag::Move) {
        move(dragGeometry_.topLeft() + delta);
        return;
    }
    const FrameRect start{dragGeometry_.x(), dragGeometry_.y(), dragGeometry_.width(),
                          dragGeometry_.height()};
    const FrameRect r = DragResize(start, dragEdge_, delta.x(), delta.y(), minimumWidth(), minimumHeight());
    setGeometry(r.x, r.y, r.width, r.height);
}

void CSkinBaseDlg::ShowSizingCursor(FrameHit hit, bool overClient)
{
    const bool edge = IsEdge(hit);
    // Over the client area the content sets its own cursor; only an override shows through it.
    if (overClient && edge) {
        if (overrideCursor_)
            QGuiApplication::changeOverrideCursor(CursorOf(hit));
        else
            QGuiApplication::setOverrideCursor(CursorOf(hit));
        overrideCursor_ = true;
        return;
    }
    if (overrideCursor_) {
        QGuiApplication::restoreOverrideCursor();
        overrideCursor_ = false;
    }
    if (overClient)
        return;
    if (edge)
        setCursor(CursorOf(hit));
    else
        unsetCursor();
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

void CSkinBaseDlg::mouseMoveEvent(QMouseEvent* event)
{
    if (!skinned_) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    if (drag_ != Drag::None && !dragFromClient_) {
        DragTo(GlobalPoint(event));
        return;
    }
    const QPoint point = event->position().toPoint();
    HoverAt(point);
    ShowSizingCursor(Hit(point).hit, false);
}

void CSkinBaseDlg::mousePressEvent(QMouseEvent* event)
{
    if (!skinned_ || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const FrameHitResult hit = Hit(event->position().toPoint());
    if (hit.hit == FrameHit::Button) {
        const FrameButton& button = skin_.buttons[hit.button];
        if (button.state != kButtonDisabled) {
            const int message = button.message;
            ResetButtons();
            PostFrameMessage(message);
            emit frameButtonClicked(message);
        }
        return;
    }
    dragFromClient_ = false;
    if (!BeginDrag(hit, GlobalPoint(event)))
        QWidget::mousePressEvent(event);
}

void CSkinBaseDlg::mouseReleaseEvent(QMouseEvent* event)
{
    if (drag_ != Drag::None && !dragFromClient_) {
        drag_ = Drag::None;
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void CSkinBaseDlg::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!skinned_ || event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    const FrameHitResult hit = Hit(event->position().toPoint());
    // On a button the first click already acted; the second one does nothing more.
    if (hit.hit == FrameHit::Caption && resizable_)
        ToggleMaximised();
}

void CSkinBaseDlg::leaveEvent(QEvent* event)
{
    ResetButtons();
    if (skinned_)
        ShowSizingCursor(FrameHit::Outside, false);
    QWidget::leaveEvent(event);
}

bool CSkinBaseDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (skinned_ && watched == windowHandle() && OnWindowEvent(event))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool CSkinBaseDlg::OnWindowEvent(QEvent* event)
{
    const auto type = event->type();
    if (type == QEvent::Leave) {
        ResetButtons();
        ShowSizingCursor(FrameHit::Outside, true);
        return false;
    }
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (drag_ != Drag::None) {
        if (!dragFromClient_)
            return false; // the frame widget itself has the pointer grab
        if (type == QEvent::MouseMove)
            DragTo(GlobalPoint(mouse));
        else if (type == QEvent::MouseButtonRelease)
            drag_ = Drag::None;
        return true;
    }
    const QPoint point = mouse->position().toPoint();
    if (!ClientRectangle().contains(point))
        return false; // frame area: our own mouse handlers see it
    const FrameHitResult hit = Hit(point);
    if (type == QEvent::MouseMove) {
        HoverAt(point);
        ShowSizingCursor(hit.hit, true);
        return false;
    }
    if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton && IsEdge(hit.hit)) {
        dragFromClient_ = true;
        BeginDrag(hit, GlobalPoint(mouse));
        return true;
    }
    return false;
}

} // namespace zym
