#include "shell/update/desktop_opener.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace zym::shell {

bool OpenWithDesktop(const QString& path)
{
    const QString opener = qEnvironmentVariable("ZYM_INSTALLER_OPENER");
    if (!opener.isEmpty())
        return QProcess::startDetached(opener, {path});
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace zym::shell
