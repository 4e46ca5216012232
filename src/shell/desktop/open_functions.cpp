#include "shell/desktop/open_functions.h"

#include "app/log.h"
#include "bridge/desktop_answers.h"
#include "shell/desktop/desktop_opener.h"

#include <QString>

namespace zym::shell {

void OpenUrl(const std::string& text, DesktopOpener& opener, Log& log)
{
    const auto address = OpenUrlArgument(text);
    if (!address)
        return;
    if (!IsOpenableAddress(*address)) {
        log.WriteLog("[openUrl][" + *address + "][refused: only http, https and mailto addresses are opened]",
                     true);
        return;
    }
    if (!opener.Open(QUrl(QString::fromStdString(*address))))
        log.WriteLog("[openUrl][" + *address + "][the desktop could not open it]", false);
}

void OpenLogFolder(const std::string& dataFolder, DesktopOpener& opener)
{
    opener.Open(QUrl::fromLocalFile(QString::fromStdString(dataFolder + "/log")));
}

} // namespace zym::shell
