#include "shell/app/crash_sender.h"

#include "platform/crash_report.h"

#include <QFileInfo>
#include <QProcess>
#include <QString>

namespace zym::shell {

bool StartCrashSender(const std::string& installFolder, const std::string& crashFolder)
{
    const QString sender = QString::fromStdString(installFolder) + "/crashsend";
    const QString report = QString::fromStdString(crashFolder) + '/' + kWaitingReportName;
    if (!QFileInfo(sender).isExecutable() || !QFileInfo::exists(report))
        return false;
    return QProcess::startDetached(sender, {report});
}

} // namespace zym::shell
