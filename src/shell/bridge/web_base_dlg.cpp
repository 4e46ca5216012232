#include "shell/bridge/web_base_dlg.h"

#include "bridge/web_window_rules.h"
#include "bridge/window_messages.h"
#include "shell/app/shell_context.h"
#include "shell/bridge/browser_profile.h"
#include "shell/bridge/message_handlers.h"
#include "shell/bridge/web_page.h"
#include "shell/bridge/web_view.h"
#include "shell/bridge/window_message.h"
#include "shell/bridge/window_report.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWebEngineScript>

namespace zym::shell {

namespace {

WindowRect WorkArea(const QWidget& widget)
{
    const QScreen* screen = widget.screen() ? widget.screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    return {area.x(), area.y(), area.width(), area.height()};
}

bool IsFrameMessage(int message)
{
    return message == kFrameMsgNothing || message == kFrameMsgMinimise || message == kFrameMsgMaximise ||
           message == kFrameMsgClose;
}

} // namespace

CWebBaseDlg::CWebBaseDlg(ShellContext& context, PageBridge& bridge, Kind kind, QString address,
                         bool resizable, int width, int height)
    : context_(context), bridge_(bridge), kind_(kind), address_(std::move(address)), resizable_(resizable),
      width_(std::max(width, 0)), height_(std::max(height, 0))
{
    auto* layout = new QVBoxLayout(ClientArea());
    layout->setContentsMargins(0, 0, 0, 0);
    NoteWindowsChanged();
}

void CWebBaseDlg::MakeView()
{
    if (view_)
        return;
    view_ = new WebView(context_, bridge_, ClientArea());
    page_ = new WebPage(BrowserProfile(), context_, bridge_, this);
    view_->setPage(page_);
    ClientArea()->layout()->addWidget(view_);

    connect(page_, &QWebEnginePage::titleChanged, this, [this](const QString& title) {
        setWindowTitle(title);
        PostWindowMessage(this, kMsgTitleChanged);
    });
    connect(page_, &QWebEnginePage::loadFinished, this, [this](bool) { pageLoaded_ = true; });
    connect(page_, &QWebEnginePage::urlChanged, this, [] { NoteWindowsChanged(); });
    ViewMade();
    NoteWindowsChanged();
}

CWebBaseDlg::~CWebBaseDlg()
{
    CloseView();
    NoteWindowsChanged();
}

void CWebBaseDlg::InitFrameForKind()
{
    InitWebFrame(QString::fromStdString(context_.folders.installFolder), resizable_);
}

void CWebBaseDlg::PrepareFrame()
{
    if (framePrepared_)
        return;
    framePrepared_ = true;
    InitFrameForKind();
    setWindowIcon(QApplication::windowIcon());
    PlaceCentred();
}

void CWebBaseDlg::ShowFrame()
{
    PrepareFrame();
    ShowInFront();
}

void CWebBaseDlg::InitDialog()
{
    BeforeInit();
    PrepareFrame();
    MakeView();
    if (!address_.isEmpty())
        Load(QUrl(address_));
    address_.clear();
}

void CWebBaseDlg::ShowInFront()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void CWebBaseDlg::SetRequestedSize(int width, int height)
{
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
}

QSize CWebBaseDlg::OuterSize(int width, int height) const
{
    const FrameMargins m = ClientMargins(Skin(), false, 0);
    const WindowRect r = zym::OuterSize(width, height, {m.left + m.right, m.top + m.bottom}, WorkArea(*this));
    return QSize(r.width, r.height);
}

void CWebBaseDlg::ApplyMinimumSize()
{
    // The client never gets smaller than requested (nor the window larger than the screen).
    setMinimumSize(OuterSize(width_, height_));
}

void CWebBaseDlg::PlaceCentred()
{
    const FrameMargins m = ClientMargins(Skin(), false, 0);
    const WindowRect r =
        CentredWindow(width_, height_, {m.left + m.right, m.top + m.bottom}, WorkArea(*this));
    ApplyMinimumSize();
    setGeometry(r.x, r.y, r.width, r.height);
}

void CWebBaseDlg::Retarget(const QString& address, bool resizable, int width, int height)
{
    resizable_ = resizable;
    SetRequestedSize(width, height);
    Load(QUrl(address));
    InitFrameForKind();
    if (isMaximized())
        showNormal();
    const FrameMargins m = ClientMargins(Skin(), false, 0);
    const QRect g = geometry();
    const WindowRect r = ResizedInPlace({g.x(), g.y(), g.width(), g.height()}, width_, height_,
                                        {m.left + m.right, m.top + m.bottom}, WorkArea(*this));
    setMinimumSize(0, 0); // a smaller request must be able to shrink the window
    setGeometry(r.x, r.y, r.width, r.height);
    ApplyMinimumSize();
    raise();
    ShowInFront();
}

void CWebBaseDlg::Load(const QUrl& url)
{
    if (page_)
        page_->load(url);
}

void CWebBaseDlg::RunScript(const QString& script)
{
    if (page_)
        page_->runJavaScript(script, QWebEngineScript::MainWorld);
}

void CWebBaseDlg::CloseView()
{
    if (!page_)
        return;
    // The page goes later, after the event that closes it has been handled.
    WebPage* page = page_;
    page_ = nullptr;
    page->disconnect(this);
    page->deleteLater();
    NoteWindowsChanged();
}

bool CWebBaseDlg::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowStateChange:
    case QEvent::WindowBlocked:
    case QEvent::WindowUnblocked:
        NoteWindowsChanged();
        break;
    default:
        break;
    }
    if (event->type() != WindowMessageEvent::EventType())
        return CSkinBaseDlg::event(event);
    auto* message = static_cast<WindowMessageEvent*>(event);
    if (message->message == kMsgClose)
        close();
    else if (message->message == kMsgTitleChanged)
        FrameMessage(kFrameMsgRepaint);
    else if (IsFrameMessage(message->message))
        FrameMessage(message->message);
    else
        HandleWindowMessage(*this, message->message, message->wParam);
    return true;
}

void CWebBaseDlg::closeEvent(QCloseEvent* event)
{
    OnCancel(event);
}

void CWebBaseDlg::changeEvent(QEvent* event)
{
    CSkinBaseDlg::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        QMetaObject::invokeMethod(this, &CWebBaseDlg::FitWindowState, Qt::QueuedConnection);
}

void CWebBaseDlg::FitWindowState()
{
    // Without a window manager nobody resizes a frameless window that is maximised or restored;
    // with one, the geometry already matches and nothing happens here.
    const WindowRect area = WorkArea(*this);
    const QRect full(area.x, area.y, area.width, area.height);
    if (isMaximized()) {
        if (geometry() != full) {
            restoreGeometry_ = geometry();
            setGeometry(full);
            // An explicit geometry clears the maximised state; the window is still maximised.
            setWindowState(windowState() | Qt::WindowMaximized);
        }
    } else if (!isMinimized() && restoreGeometry_.isValid()) {
        if (geometry() == full)
            setGeometry(restoreGeometry_);
        restoreGeometry_ = QRect();
    }
}

void CWebBaseDlg::OnCancel(QCloseEvent* event)
{
    CloseView();
    event->accept();
    deleteLater();
}

void CWebBaseDlg::keyPressEvent(QKeyEvent* event)
{
    // Escape belongs to the page, not to the window.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    CSkinBaseDlg::keyPressEvent(event);
}

} // namespace zym::shell
