#include "shell/app/main_dialog.h"

#include "app/ui_config.h"
#include "bridge/window_messages.h"
#include "platform/startup_trace.h"
#include "shell/app/crash_sender.h"
#include "shell/app/shell_context.h"
#include "shell/bridge/web_dialogs.h"
#include "shell/bridge/web_page.h"
#include "shell/bridge/window_message.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTimer>
#include <QUrl>
#include <curl/curl.h>

namespace zym::shell {

MainDialog::MainDialog(ShellContext& context, PageBridge& bridge) : context_(context), bridge_(bridge)
{
    setObjectName(QString::fromUtf8(kTitle));
    context_.mainDialog = this;
}

MainDialog::~MainDialog()
{
    if (!shutDown_)
        Shutdown();
    context_.mainDialog = nullptr;
}

void MainDialog::ShowLoginFrame()
{
    if (login_)
        return;
    login_ = new CWebLogin(context_, bridge_);
    // The browser's start holds this thread for a while: the frame is painted first. Clicks wait
    // for the program's own loop; a display that never shows the window costs one second.
    QEventLoop loop;
    connect(login_, &CWebLogin::framePainted, &loop, &QEventLoop::quit);
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    login_->ShowFrame();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    StartupMark("login frame waited");
}

void MainDialog::Init()
{
    context_.conditions.SetMainWindowReady(true);
    // A report an earlier run left for the crash reporter.
    StartCrashSender(context_.folders.installFolder, context_.folders.dataFolder + "/crash");
    context_.log.OpenLog(context_.folders.dataFolder + "/log");

    // config.json is always read from the install folder, whatever UIPath says.
    const UiConfig config = ReadUiConfig(context_.folders.defaultUiFolder + "/config.json");
    context_.page.configText = config.text;
    context_.page.configSource = config.source;
    StartupMark("log and config");

    // The engine runs from here on; its schedulers wait for a login and the page.
    if (context_.transfers)
        context_.transfers->Start();
    StartupMark("engine started");

    // The login window is the first window the user sees.
    // The program ends only through the shutdown sequence, never because the last visible
    // window went (the login window hides when a page closes it).
    QGuiApplication::setQuitOnLastWindowClosed(false);

    // The login window is the first window the user sees; it computes its own address and size.
    // Its frame may be on the screen already (ShowLoginFrame); the view and page come now.
    if (!login_)
        login_ = new CWebLogin(context_, bridge_);
    login_->InitDialog();
    StartupMark("login window made");
    login_->ShowInFront();
    StartupMark("login window shown");

    if (context_.transfers)
        context_.transfers->StartWorker();

    // The launchpad exists hidden once the login page has loaded (its view would hold up that
    // page); its own page loads when it is first shown.
    if (login_->Page())
        connect(login_->Page(), &QWebEnginePage::loadFinished, this, &MainDialog::MakeLaunchpad,
                Qt::SingleShotConnection);
    else
        MakeLaunchpad();
}

void MainDialog::MakeLaunchpad()
{
    if (launchpad_ || shutDown_)
        return;
    launchpad_ = new CLaunchpad(context_, bridge_);
    launchpad_->InitDialog();
    StartupMark("launchpad made");
}

void MainDialog::ShowLaunchpad()
{
    // Only a logged-in account has a launchpad to see.
    if (shutDown_ || !context_.session.LoggedIn())
        return;
    MakeLaunchpad();
    launchpad_->ShowLaunchpad();
}

void MainDialog::CallLaunchpad(const QString& event, const QString& text)
{
    if (!launchpad_)
        return;
    // Both texts are ours (an event name and a JSON object of numbers): no quote to escape.
    launchpad_->RunScript(QStringLiteral("zymClientCallback('%1','%2');").arg(event, text));
}

void MainDialog::Activate()
{
    if (context_.session.LoggedIn()) {
        ShowLaunchpad();
        return;
    }
    if (login_) {
        login_->show();
        login_->raise();
        login_->activateWindow();
    }
}

bool MainDialog::event(QEvent* event)
{
    if (event->type() != WindowMessageEvent::EventType())
        return QObject::event(event);
    switch (static_cast<WindowMessageEvent*>(event)->message) {
    case kMsgActivate:
        Activate();
        break;
    case kMsgResetVersion:
        // The worker thread's compared version arrives with the update check.
        break;
    case kMsgRestart:
        Shutdown();
        StartSibling();
        QCoreApplication::exit(0);
        break;
    case kMsgLogOff:
        // Log-off forgets the saved log-in before the next instance starts.
        context_.userDatabase.ClearAccount();
        Shutdown();
        StartSibling();
        QCoreApplication::exit(0);
        break;
    default:
        break;
    }
    return true;
}

void MainDialog::Shutdown()
{
    if (shutDown_)
        return;
    shutDown_ = true;
    // Windows first, so no page can start more work; then the pools and the libraries. Shutdown
    // may run inside one of these windows' own handlers (its close button, a page's call), so
    // they are closed and hidden now and deleted once that handler has returned.
    for (CWebBaseDlg* window :
         {static_cast<CWebBaseDlg*>(login_.data()), static_cast<CWebBaseDlg*>(launchpad_.data())}) {
        if (!window)
            continue;
        window->CloseView();
        window->hide();
        window->deleteLater();
    }
    context_.shuttingDown = true;
    context_.operationPool.Stop();
    if (context_.transfers) {
        context_.transfers->StopWorker();
        context_.transfers->StopEngine(); // both managers, then the transfer pool
    }
    curl_global_cleanup();
    context_.log.CloseLog();
}

void MainDialog::ShutdownAndEnd()
{
    Shutdown();
    QCoreApplication::exit(0);
}

void MainDialog::StartSibling()
{
    const QString path = QString::fromStdString(context_.folders.installFolder) + "/Startover";
    if (QFileInfo(path).isExecutable())
        QProcess::startDetached(path,
                                {QStringLiteral("exe"), QString::number(QCoreApplication::applicationPid())});
}

} // namespace zym::shell
