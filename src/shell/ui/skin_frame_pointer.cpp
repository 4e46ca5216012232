// Pointer handling of the self-drawn frame: hover, button clicks, caption drags and double clicks,
// sizing by the edges, and the window-level filter that sees the pointer over the content too.
#include "shell/ui/skin_frame.h"

#include <QGuiApplication>
#include <QMouseEvent>
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

FrameHitResult CSkinBaseDlg::Hit(QPoint point) const
{
    FrameHitOptions options;
    options.resizable = resizable_;
    options.maximised = isMaximized();
    options.maximisedOffset = MaximisedOffset();
    return HitTest(skin_, width(), height(), point.x(), point.y(), options);
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
