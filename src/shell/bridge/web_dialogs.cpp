#include "shell/bridge/web_dialogs.h"

#include "bridge/web_window_rules.h"
#include "platform/startup_trace.h"
#include "shell/app/main_dialog.h"
#include "shell/app/message_box_texts.h"
#include "shell/app/shell_context.h"
#include "shell/bridge/web_page.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace zym::shell {

namespace {

// Used when the language document has no window rectangle: a usable page rather than an
// empty client area.
constexpr int kFallbackWidth = 900;
constexpr int kFallbackHeight = 600;

QString UiFolder(const ShellContext& context)
{
    return context.uiFolder;
}

QString PageAddressFor(const ShellContext& context, const std::string& page, const char* fallback)
{
    return QString::fromStdString(
        PageAddress(UiFolder(context).toStdString(), page.empty() ? fallback : page));
}

void ClearSlot(QPointer<QObject>& slot, QObject* window)
{
    if (slot == window)
        slot = nullptr;
}

} // namespace

void AskLogOut(ShellContext& context)
{
    QMessageBox box(QMessageBox::Question, context.PromptText("prompt"), context.PromptText("logout"),
                    QMessageBox::Yes | QMessageBox::No);
    UseInterfaceLanguage(box, context);
    if (box.exec() == QMessageBox::Yes && context.mainDialog)
        context.mainDialog->ShutdownAndEnd();
}

CWebDlg::CWebDlg(ShellContext& context, PageBridge& bridge, const QString& address, bool resizable, int width,
                 int height)
    : CWebBaseDlg(context, bridge, Kind::Normal, address, resizable, width, height)
{}

CSoleWebDlg::CSoleWebDlg(ShellContext& context, PageBridge& bridge, const QString& address, bool resizable,
                         int width, int height)
    : CWebBaseDlg(context, bridge, Kind::Sole, address, resizable, width, height)
{}

void CSoleWebDlg::BeforeInit()
{
    Context().soleWindow = this;
}

void CSoleWebDlg::OnCancel(QCloseEvent* event)
{
    ClearSlot(Context().soleWindow, this);
    CWebBaseDlg::OnCancel(event);
}

CSingleWebDlg::CSingleWebDlg(ShellContext& context, PageBridge& bridge, const QString& address,
                             bool resizable, int width, int height)
    : CWebBaseDlg(context, bridge, Kind::Single, address, resizable, width, height)
{}

void CSingleWebDlg::BeforeInit()
{
    Context().singleWindow = this;
}

void CSingleWebDlg::OnCancel(QCloseEvent* event)
{
    ClearSlot(Context().singleWindow, this);
    CWebBaseDlg::OnCancel(event);
}

CChildWebDlg::CChildWebDlg(ShellContext& context, PageBridge& bridge, const QString& address, bool resizable,
                           int width, int height)
    : CWebBaseDlg(context, bridge, Kind::Child, address, resizable, width, height)
{
    setWindowModality(Qt::ApplicationModal);
}

void CChildWebDlg::RunModal(ShellContext& context, PageBridge& bridge, const QString& address, bool resizable,
                            int width, int height)
{
    QPointer<CChildWebDlg> window = new CChildWebDlg(context, bridge, address, resizable, width, height);
    QEventLoop loop;
    connect(window, &CChildWebDlg::finished, &loop, &QEventLoop::quit);
    connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->InitDialog();
    window->ShowInFront();
    // Other messages, other pages' calls included, are still handled inside this loop.
    loop.exec();
    if (window) {
        window->CloseView();
        window->hide();
        window->deleteLater();
    }
}

void CChildWebDlg::OnCancel(QCloseEvent* event)
{
    // The dialog ends; the code that ran it closes the view.
    event->accept();
    emit finished();
}

CWebLogin::CWebLogin(ShellContext& context, PageBridge& bridge)
    : CWebBaseDlg(context, bridge, Kind::Login, QString(), false, kFallbackWidth, kFallbackHeight)
{
    // The login window's size is the rectangle's right and bottom values; known before the
    // frame is first shown.
    const LanguageRect rect = context.language.Rect("weblogin", "window");
    if (rect.right > 0 && rect.bottom > 0)
        SetRequestedSize(rect.right, rect.bottom);
}

void CWebLogin::ViewMade()
{
    connect(
        Page(), &QWebEnginePage::loadFinished, this, [] { StartupMark("login page loaded"); },
        Qt::SingleShotConnection);
}

void CWebLogin::paintEvent(QPaintEvent* event)
{
    CWebBaseDlg::paintEvent(event);
    if (framePainted_)
        return;
    framePainted_ = true;
    StartupMark("login frame painted");
    // The painted frame reaches the screen with this paint's flush, before the next queued call.
    QTimer::singleShot(0, this, [this] {
        StartupMark("login frame flushed");
        emit framePainted();
    });
}

void CWebLogin::BeforeInit()
{
    ShellContext& context = Context();
    const bool locked = LockPasswordStored(context.folders.dataFolder + "/zymuser.db");
    const std::string page = context.language.Html("weblogin", "path");
    SetAddress(QString::fromStdString(
        LoginAddress(UiFolder(context).toStdString(), page.empty() ? "login.html" : page, locked)));
}

void CWebLogin::InitFrameForKind()
{
    InitLoginFrame(QString::fromStdString(Context().folders.installFolder));
    SetCloseButtonHook([this] { AskLogOut(Context()); });
}

void CWebLogin::OnCancel(QCloseEvent* event)
{
    // Ignored rather than accepted, so that hiding the last visible window never ends the run.
    event->ignore();
    hide();
}

CLaunchpad::CLaunchpad(ShellContext& context, PageBridge& bridge)
    : CWebBaseDlg(context, bridge, Kind::Launchpad, QString(), true, kFallbackWidth, kFallbackHeight)
{}

void CLaunchpad::BeforeInit()
{
    SetResizableFlag(true);
}

void CLaunchpad::ShowLaunchpad()
{
    ShellContext& context = Context();
    if (!PageLoaded()) {
        const LanguageRect rect = context.language.Rect("launchpad", "window");
        if (rect.right > rect.left && rect.bottom > rect.top)
            SetRequestedSize(rect.right - rect.left, rect.bottom - rect.top);
        Load(QUrl(PageAddressFor(context, context.language.Html("launchpad", "path"), "launchpad.html")));
    }
    if (!isVisible())
        PlaceCentred();
    ShowInFront();
}

void CLaunchpad::OnCancel(QCloseEvent* event)
{
    event->ignore();
    AskLogOut(Context());
}

} // namespace zym::shell
