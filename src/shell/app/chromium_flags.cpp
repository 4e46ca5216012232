#include "shell/app/chromium_flags.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QtGlobal>
#include <unistd.h>

namespace zym::shell {

int RemoteDebuggingPort(int uiDebug)
{
    const QByteArray text = qgetenv("ZYM_REMOTE_DEBUGGING_PORT");
    bool ok = false;
    const int port = text.toInt(&ok);
    if (ok && port > 0 && port < 65536)
        return port;
    return uiDebug != 0 ? 24753 : 0;
}

void SetChromiumFlags(int port, bool acceleratedCompositing)
{
    // Web security off (pages read local files and call the service directly); nothing
    // that would reach the network by itself; no browser log.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    flags += " --disable-web-security --allow-file-access-from-files"
             " --disable-background-networking --disable-component-update --disable-sync"
             " --disable-domain-reliability --no-pings --disable-breakpad --disable-logging"
             " --disable-features=MediaRouter,OptimizationHints,Translate,AutofillServerCommunication"
             " --dns-prefetch-disable";
    if (!acceleratedCompositing)
        flags += " --disable-gpu-compositing";
    if (::geteuid() == 0)
        flags += " --no-sandbox";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (port != 0)
        qputenv("QTWEBENGINE_REMOTE_DEBUGGING", "127.0.0.1:" + QByteArray::number(port));
    else
        qunsetenv("QTWEBENGINE_REMOTE_DEBUGGING");
}

void PrepareOpenGl()
{
    // Loading a software OpenGL driver and making a context costs a few hundred ms before the
    // first window, for nothing when every view draws in software.
    if (qgetenv("QT_QUICK_BACKEND") == "software") {
        if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION"))
            qputenv("QT_XCB_GL_INTEGRATION", "none");
        return;
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

} // namespace zym::shell
