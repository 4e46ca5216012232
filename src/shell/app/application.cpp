#include "shell/app/application.h"

#include "app/language_document.h"
#include "app/log.h"
#include "app/settings_store.h"
#include "bridge/account_functions.h"
#include "bridge/callback_rule_functions.h"
#include "bridge/direct_functions.h"
#include "bridge/settings_functions.h"
#include "bridge/window_messages.h"
#include "ops/app_environment.h"
#include "platform/crash_report.h"
#include "platform/folders.h"
#include "platform/machine_id.h"
#include "service/proxy.h"
#include "shell/app/chromium_flags.h"
#include "shell/app/main_dialog.h"
#include "shell/app/shell_context.h"
#include "shell/app/single_instance.h"
#include "shell/app/test_hooks.h"
#include "shell/app/transfer_runtime.h"
#include "shell/bridge/browser_profile.h"
#include "shell/bridge/message_handlers.h"
#include "shell/bridge/page_bridge.h"
#include "shell/bridge/web_dialogs.h"
#include "shell/bridge/window_message.h"
#include "shell/desktop/desktop_functions.h"
#include "shell/desktop/desktop_opener.h"
#include "store/user_database.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QWebEngineProfile>
#include <clocale>
#include <cstdlib>
#include <curl/curl.h>
#include <memory>

namespace zym::shell {
namespace {

// The running program file.
QFileInfo ProgramFile()
{
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());
}

// The transfer engine keeps the rules of the logged-in account in memory; a rule a page sets
// goes there as well as into the queue.
void PutRuleInEngineList(const CallbackRule&)
{
    // The engine's rule list arrives with the transfer engine.
}

// The browser cache lives beside the program when that folder is writable (a build folder),
// else in the data folder (an installed program's folder is read-only).
QString CacheFolder(const AppEnvironment& env)
{
    const QString install = QString::fromStdString(env.installFolder);
    if (QFileInfo(install).isWritable())
        return install + "/CefCache";
    return QString::fromStdString(env.dataFolder) + "/CefCache";
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

} // namespace

int RunApplication(int argc, char** argv)
{
    AppEnvironment env;
    env.InitFolders(ProgramFile().absolutePath().toStdString());
    env.versionText = ZYM_VERSION_TEXT;
    // First of all, so that a crash anywhere later leaves its report.
    InstallCrashReport(env.dataFolder + "/crash", ProgramFile().fileName().toStdString(), env.versionText);
    SettingsStore settings;

    // The browser reads its switches once, before the application object exists.
    SetChromiumFlags(RemoteDebuggingPort(settings.UIDebug()));
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZYMClient"));
    QApplication::setQuitOnLastWindowClosed(false); // the hidden main window ends the run
    std::setlocale(LC_NUMERIC, "C");

    // One instance per user: a later start asks the first to show itself and ends.
    SingleInstance instance(QString::fromStdString(env.dataFolder));
    MainDialog* mainDialog = nullptr;
    if (!instance.Acquire([&mainDialog](int message) {
            if (mainDialog)
                PostWindowMessage(mainDialog, message);
        })) {
        instance.SendToFirst(kMsgActivate);
        return 0;
    }

    MakeFolders(env.dataFolder);
    // The account store; a damaged file is rebuilt empty, so the run goes on either way.
    CUserDatabase userDatabase(MachineId());
    if (!userDatabase.Open(env.dataFolder + "/zymuser.db") || !userDatabase.InitUserDatabase())
        ProcessLog().WriteLog("[userdb][" + env.dataFolder + "/zymuser.db][open failed]", false);
    settings.EnsureDefaults();

    LanguageDocument language(env.installFolder);
    env.language = settings.StartupLanguage(SystemLanguageId(Locale()));
    language.Load(LanguageFilePath(env.installFolder, env.language));

    curl_global_init(CURL_GLOBAL_ALL);
    ShellContext context(env, ProcessLog(), settings, language, userDatabase);
    context.bridgeKey = NewBridgeKey();
    const std::string uiPath = settings.UIPath();
    context.uiFolder = QDir::cleanPath(QString::fromStdString(uiPath.empty() ? env.defaultUiFolder : uiPath));

    const QString cacheFolder = CacheFolder(env);
    QDir().mkpath(cacheFolder);
    SetUpBrowserProfile(context, cacheFolder, QString::fromStdString(env.versionText));

    env.operationPool.Start(3);
    ConfigureProcessProxy(settings.Proxy() != 0);
    env.defaultDisposition = settings.Disposition();

    PageBridge bridge(context);
    SettingsFunctions settingsFunctions(settings, language, env);
    const std::unique_ptr<DesktopOpener> opener = MakeDesktopOpener();
    // The login opens the account's transfer queue; until one is open the rules answer an error.
    CallbackRuleFunctions rules([]() -> CTransDatabase* { return nullptr; }, PutRuleInEngineList, language,
                                context.log);
    auto main = std::make_unique<MainDialog>(context, bridge);
    mainDialog = main.get();
    TransferRuntime transfers(env, settings, language, context.log);
    // Every page function, registered by the module that owns it.
    HandlerRegistry& handlers = context.handlers;
    RegisterSessionFunctions(handlers, env, context.log);
    RegisterSettingsFunctions(handlers, settingsFunctions);
    RegisterHostFunctions(handlers, env, settings);
    RegisterDeviceFunctions(handlers);
    RegisterAccountFunctions(handlers, env, userDatabase);
    RegisterWindowFunctions(handlers);
    RegisterMainWindowFunctions(handlers, *main);
    RegisterDesktopFunctions(handlers, context, *opener);
    RegisterCallbackRuleFunctions(handlers, rules);
    transfers.Register(handlers);
    main->Init();
    StartTestHooks(&app);
    transfers.Start();
    const int code = app.exec();
    transfers.Stop();

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
