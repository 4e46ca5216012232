#pragma once
// Start-up step for the crash report of an earlier run: a report named ZYMClient.dmp in the
// crash folder is handed to the crash reporter program "crashsend" of the install folder.
#include <string>

namespace zym::shell {

// Starts "<installFolder>/crashsend <crashFolder>/ZYMClient.dmp" when both exist. True when it
// was started.
bool StartCrashSender(const std::string& installFolder, const std::string& crashFolder);

} // namespace zym::shell
