#include "shell/app/application.h"

#include "app/app_folders.h"
#include "app/language_document.h"
#include "app/log.h"
#include "app/page_session.h"
#include "app/settings_store.h"
#include "bridge/account_functions.h"
#include "bridge/callback_rule_functions.h"
#include "bridge/credential_functions.h"
#include "bridge/direct_functions.h"
#include "bridge/queueing_functions.h"
#include "bridge/settings_functions.h"
#include "bridge/window_messages.h"
#include "ops/login_targets.h"
#include "platform/crash_report.h"
#include "platform/folders.h"
#include "platform/machine_id.h"
#include "platform/startup_trace.h"
#include "platform/task_pool.h"
#include "service/proxy.h"
#include "shell/app/allocator_settings.h"
#include "shell/app/chromium_flags.h"
#include "shell/app/main_dialog.h"
#include "shell/app/shell_context.h"
#include "shell/app/single_instance.h"
#include "shell/app/test_hooks.h"
#include "shell/bridge/browser_profile.h"
#include "shell/bridge/credential_handlers.h"
#include "shell/bridge/engine_queueing.h"
#include "shell/bridge/message_handlers.h"
#include "shell/bridge/page_bridge.h"
#include "shell/bridge/page_operations.h"
#include "shell/bridge/web_dialogs.h"
#include "shell/bridge/window_message.h"
#include "shell/desktop/desktop_functions.h"
#include "shell/desktop/desktop_opener.h"
#include "shell/update/update_flow.h"
#include "store/user_database.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QRandomGenerator>
#include <QWebEngineProfile>
#include <clocale>
#include <cstdlib>
#include <curl/curl.h>
#include <memory>
#include <vector>

namespace zym::shell {
namespace {

// The running program file.
QFileInfo ProgramFile()
{
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());
}

// The browser cache lives beside the program when that folder is writable (a build folder),
// else in the data folder (an installed program's folder is read-only).
QString CacheFolder(const AppFolders& folders)
{
    const QString install = QString::fromStdString(folders.installFolder);
    if (QFileInfo(install).isWritable())
        return install + "/CefCache";
    return QString::fromStdString(folders.dataFolder) + "/CefCache";
}

QString NewBridgeKey()
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    QString key = QStringLiteral("zym-bridge:");
    for (quint32 w : words)
        key += QString::number(w, 16);
    return key;
}

const char* Locale()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return value;
    }
    return "";
}

// The pages' folder: UIPath when it names a folder holding the login page, else the installed
// one, so that a stale or mistyped setting never leaves a dead-end window.
QString ChooseUiFolder(const std::string& uiPath, const std::string& installed,
                       const LanguageDocument& language, Log& log)
{
    const QString fallback = QDir::cleanPath(QString::fromStdString(installed));
    if (uiPath.empty())
        return fallback;
    const QString chosen = QDir::cleanPath(QString::fromStdString(uiPath));
    const std::string page = language.Html("weblogin", "path");
    const QString loginPage =
        QDir(chosen).filePath(QString::fromStdString(page.empty() ? "login.html" : page));
    if (QFileInfo(chosen).isDir() && QFileInfo(loginPage).isFile())
        return chosen;
    log.WriteLog("[ui][" + uiPath + "][" +
                     (QFileInfo(chosen).isDir() ? "has no " + loginPage.toStdString()
                                                : std::string("no such folder")) +
                     "; using " + fallback.toStdString() + "]",
                 false);
    return fallback;
}

} // namespace

int RunApplication(int argc, char** argv)
{
    StartupMark("main");
    LimitAllocatorRetention();
    AppFolders folders;
    folders.InitFolders(ProgramFile().absolutePath().toStdString());
    const std::string versionText = ZYM_VERSION_TEXT;
    Session session; // the logged-in account every request and page signature uses
    // What the transfer engine waits for; the engine the program builds listens to this one.
    StartConditions engineConditions;
    LoginTargets logins{session, engineConditions};
    PageSession page;
    CTaskPool operationPool; // page-operation tasks, at most 3 threads
    // First of all, so that a crash anywhere later leaves its report.
    InstallCrashReport(folders.dataFolder + "/crash", ProgramFile().fileName().toStdString(), versionText);
    SettingsStore settings;
    StartupMark("settings read");

    // The browser reads its switches once, before the application object exists.
    SetChromiumFlags(RemoteDebuggingPort(settings.UIDebug()), settings.Hardware() != 0);
    PrepareOpenGl();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZYMClient"));
    // Every window and message box takes it; the web windows also draw it in their caption.
    QApplication::setWindowIcon(
        QIcon(QString::fromStdString(folders.installFolder) + "/image/zymclient.png"));
    QApplication::setQuitOnLastWindowClosed(false); // the hidden main window ends the run
    std::setlocale(LC_NUMERIC, "C");
    StartupMark("qt application");

    // One instance per user: a later start asks the first to show itself and ends.
    SingleInstance instance(QString::fromStdString(folders.dataFolder), ProcessLog());
    MainDialog* mainDialog = nullptr;
    // Messages that come while the login frame is being painted wait until the run is set up.
    std::vector<int> earlyMessages;
    if (instance.Acquire([&mainDialog, &earlyMessages](int message) {
            if (mainDialog)
                PostWindowMessage(mainDialog, message);
            else
                earlyMessages.push_back(message);
        }) == SingleInstance::Start::Handed)
        return 0;
    StartupMark("single instance");

    MakeFolders(folders.dataFolder);
    settings.EnsureDefaults();
    StartupMark("settings defaults");

    LanguageDocument language(folders.installFolder);
    page.language = settings.StartupLanguage(SystemLanguageId(Locale()));
    const std::string languageFile = LanguageFilePath(folders.installFolder, page.language);
    if (!language.Load(languageFile)) {
        // The windows still open at their size; their native texts stay empty.
        ProcessLog().WriteLog("[language][" + languageFile + "][cannot be read (" +
                                  std::to_string(language.LoadResult()) + "); built-in sizes used]",
                              false);
        language.LoadBuiltInSizes();
    }
    StartupMark("language document");

    CUserDatabase userDatabase(MachineId()); // opened below, before the login page asks for it
    ShellContext context(folders, versionText, logins, page, operationPool, ProcessLog(), settings, language,
                         userDatabase);
    context.bridgeKey = NewBridgeKey();
    context.uiFolder = ChooseUiFolder(settings.UIPath(), folders.defaultUiFolder, language, ProcessLog());
    PageBridge bridge(context);
    // Outlives the main window, whose shutdown stops the pool that runs the update tasks.
    UpdateFlow update(context);
    auto main = std::make_unique<MainDialog>(context, bridge);
    // The user sees the login window's frame while the browser starts.
    main->ShowLoginFrame();
    mainDialog = main.get();
    for (int message : earlyMessages)
        PostWindowMessage(mainDialog, message); // handled once the event loop runs

    const QString cacheFolder = CacheFolder(folders);
    QDir().mkpath(cacheFolder);
    SetUpBrowserProfile(context, cacheFolder, QString::fromStdString(versionText));
    StartupMark("browser profile");

    // The account store; a damaged file is rebuilt empty, so the run goes on either way.
    const std::string userDatabasePath = folders.dataFolder + "/zymuser.db";
    if (!userDatabase.Open(userDatabasePath) || !userDatabase.InitUserDatabase())
        ProcessLog().WriteLog("[userdb][" + userDatabasePath +
                                  (QFileInfo(QString::fromStdString(userDatabasePath)).isDir()
                                       ? "][a folder has its name; running without the account store]"
                                       : "][open failed; running without the account store]"),
                              false);
    if (userDatabase.Repair() != DatabaseRepair::None)
        ProcessLog().WriteLog(RepairLogLine("userdb", userDatabasePath, userDatabase.Repair(),
                                            userDatabase.DamageCode(), "the account store"),
                              true);
    StartupMark("user database");

    curl_global_init(CURL_GLOBAL_ALL);
    operationPool.Start(3);
    ConfigureProcessProxy(settings.Proxy() != 0);
    page.defaultDisposition = settings.Disposition();

    SettingsFunctions settingsFunctions(settings, language, folders, page);
    ProgramEngine transfers(
        logins, folders.dataFolder, page, context.shuttingDown, operationPool, ProcessLog(), settings,
        [&language](std::string_view word) { return language.String("prompt", std::string(word)); });
    context.transfers = &transfers;
    StartupMark("engine made");
    settingsFunctions.SetTransferLimits(&transfers.Limits());
    const std::unique_ptr<DesktopOpener> opener = MakeDesktopOpener();
    // The login opens the account's transfer queue; until one is open the rules answer an error.
    // A rule a page sets goes into the engine's in-memory list as well as into the queue.
    CallbackRuleFunctions rules([&transfers] { return transfers.OpenQueue(); },
                                [&transfers](const CallbackRule& rule) { transfers.Engine().PutRule(rule); },
                                language, context.log);
    // Every page function, registered by the module that owns it.
    HandlerRegistry& handlers = context.handlers;
    RegisterSessionFunctions(handlers, session, page, engineConditions, context.log);
    RegisterSettingsFunctions(handlers, settingsFunctions);
    RegisterHostFunctions(handlers, session, settings);
    RegisterDeviceFunctions(handlers);
    RegisterAccountFunctions(handlers, logins, operationPool, userDatabase, language);
    RegisterCredentialFunctions(handlers, logins, userDatabase, language, context.log);
    RegisterKeyFileFunctions(handlers);
    RegisterWindowFunctions(handlers);
    RegisterMainWindowFunctions(handlers, *main);
    RegisterDesktopFunctions(handlers, context, *opener);
    RegisterCallbackRuleFunctions(handlers, rules);
    RegisterPageOperationFunctions(
        handlers, [&transfers](const std::string& bucket) { transfers.Engine().DiscardBucket(bucket); });
    StopLoadFlags stopLoad; // set by stopLoadDownload, read by the saveFile queueing
    RegisterQueueingFunctions(handlers, stopLoad);
    RegisterEngineQueueing(handlers, transfers, stopLoad, *main);
    transfers.RegisterFunctions(handlers);
    StartupMark("page functions");
    main->Init();
    StartTestHooks(&app);
    update.Start();
    StartupMark("event loop");
    const int code = app.exec();

    // Pages go before the profile they use; then the main window and the instance lock.
    mainDialog = nullptr;
    main.reset();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<CWebBaseDlg*>(w))
            delete w;
    }
    ReleaseBrowserProfile();
    instance.Release();
    return code;
}

} // namespace zym::shell
