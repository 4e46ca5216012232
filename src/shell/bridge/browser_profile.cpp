#include "shell/bridge/browser_profile.h"

#include "shell/app/shell_context.h"
#include "shell/bridge/bridge_script.h"

#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

namespace zym::shell {
namespace {

QWebEngineProfile* g_profile = nullptr;

QWebEngineScript DocumentScript(const QString& name, const QString& source)
{
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(source);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(true);
    return script;
}

} // namespace

QString UserAgentText(const QString& versionText)
{
    return QStringLiteral(
               "ZYM;%1;Windows;Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like "
               "Gecko) Chrome/35.0.1916.114 Safari/537.36")
        .arg(versionText);
}

void SetUpBrowserProfile(const ShellContext& context, const QString& cacheFolder, const QString& versionText)
{
    if (g_profile)
        return;
    // A named profile keeps its cache on disk (the default profile has none).
    g_profile = new QWebEngineProfile(QStringLiteral("ZYMClient"));
    g_profile->setHttpUserAgent(UserAgentText(versionText));
    g_profile->setCachePath(cacheFolder);
    g_profile->setPersistentStoragePath(cacheFolder + "/Storage");

    QWebEngineSettings* settings = g_profile->settings();
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, true);
    settings->setAttribute(QWebEngineSettings::AllowWindowActivationFromJavaScript, true);

    g_profile->scripts()->insert(DocumentScript(QStringLiteral("zym-bridge"),
                                                BridgeScriptSource(context.bridgeKey, context.uiFolder)));
    g_profile->scripts()->insert(DocumentScript(QStringLiteral("zym-space-key"), SpaceKeyScriptSource()));
}

QWebEngineProfile* BrowserProfile()
{
    return g_profile;
}

void ReleaseBrowserProfile()
{
    delete g_profile;
    g_profile = nullptr;
}

} // namespace zym::shell
