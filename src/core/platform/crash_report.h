#pragma once
// The crash report: when a fatal signal (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT) or an
// exception that nobody caught (std::terminate) ends the program, one report file is written
// into the crash folder: the signal and fault address, the program version, the failing
// thread's backtrace with symbol names, and the memory map. Then the signal's default action
// runs, so a core file is still made where the system keeps them.
//
// The report is written with async-signal-safe calls only, into storage set aside at start.
// A second thread that crashes while a report is being written waits for the process to end.
#include <string>

namespace zym {

// Name of a report waiting for the crash reporter at start-up, inside the crash folder.
inline constexpr const char* kWaitingReportName = "ZYMClient.dmp";

// Installs the handlers for the whole process. Reports go to
// "<folder>/<programName>.<seconds>.dmp"; the folder is created here. False when the folder
// cannot be made or a text does not fit the storage set aside for it (nothing is installed).
bool InstallCrashReport(const std::string& folder, const std::string& programName,
                        const std::string& version);

// The report file name for a crash at `seconds` (seconds since 1970): the low 32 bits are
// printed as a signed number.
std::string CrashReportFileName(const std::string& programName, long long seconds);

} // namespace zym
