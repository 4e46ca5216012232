#pragma once
// openUrl and openLogFolder: addresses and the log folder go to the desktop's opener.
#include <string>

namespace zym {
class Log;
}

namespace zym::shell {

class DesktopOpener;

// The "url" member of the JSON argument, opened only when it is an http, https or mailto
// address; anything else (a file, a program, script) is refused and logged. A text that is not
// JSON does nothing.
void OpenUrl(const std::string& text, DesktopOpener& opener, Log& log);
// The data folder's log folder.
void OpenLogFolder(const std::string& dataFolder, DesktopOpener& opener);

} // namespace zym::shell
