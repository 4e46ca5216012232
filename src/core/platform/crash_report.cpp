#include "platform/crash_report.h"

#include "platform/folders.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cxxabi.h>
#include <exception>
#include <execinfo.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <typeinfo>
#include <unistd.h>

namespace zym {
namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr int kMaxFrames = 128;

// Everything the handler needs lives here, filled before any crash can happen: a signal
// handler may not allocate.
struct CrashState
{
    char folder[4096] = {};
    char programName[256] = {};
    char version[64] = {};
    // What escaped to std::terminate, when that is how the program ends.
    char terminateReason[512] = {};
    std::atomic<bool> terminating{false};
    // Thread id of the thread writing the report (0: none yet).
    std::atomic<long> writer{0};
    char line[8192] = {};
    char copy[4096] = {};
    void* frames[kMaxFrames] = {};
};
CrashState g_crash;
alignas(16) char g_signalStack[64 * 1024];

static_assert(std::atomic<long>::is_always_lock_free, "the handler needs a lock-free owner flag");

// Appends to a fixed buffer; text beyond its end is cut off.
class LineBuffer
{
public:
    LineBuffer(char* data, std::size_t size) : data_(data), size_(size) {}
    LineBuffer& Text(const char* text)
    {
        while (text && *text && used_ + 1 < size_)
            data_[used_++] = *text++;
        return *this;
    }
    LineBuffer& Number(long long value)
    {
        char digits[24];
        int n = 0;
        unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value) : value;
        do {
            digits[n++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (value < 0)
            digits[n++] = '-';
        while (n > 0 && used_ + 1 < size_)
            data_[used_++] = digits[--n];
        return *this;
    }
    LineBuffer& Hex(std::uintptr_t value)
    {
        Text("0x");
        char digits[2 * sizeof(value)];
        int n = 0;
        do {
            digits[n++] = "0123456789abcdef"[value & 0xf];
            value >>= 4;
        } while (value != 0);
        while (n > 0 && used_ + 1 < size_)
            data_[used_++] = digits[--n];
        return *this;
    }
    void WriteTo(int fd)
    {
        std::size_t done = 0;
        while (done < used_) {
            const ssize_t n = ::write(fd, data_ + done, used_ - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        used_ = 0;
    }
    const char* Terminated()
    {
        data_[used_] = '\0';
        return data_;
    }

private:
    char* data_;
    std::size_t size_;
    std::size_t used_ = 0;
};

const char* SignalName(int sig)
{
    switch (sig) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGILL:
        return "SIGILL";
    case SIGFPE:
        return "SIGFPE";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "signal";
    }
}

bool CopyText(char* target, std::size_t size, const std::string& text)
{
    if (text.size() + 1 > size)
        return false;
    std::memcpy(target, text.c_str(), text.size() + 1);
    return true;
}

void CopyMemoryMap(int fd)
{
    const int maps = ::open("/proc/self/maps", O_RDONLY | O_CLOEXEC);
    if (maps < 0)
        return;
    for (;;) {
        const ssize_t n = ::read(maps, g_crash.copy, sizeof(g_crash.copy));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        ssize_t done = 0;
        while (done < n) {
            const ssize_t w = ::write(fd, g_crash.copy + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                break;
            done += w;
        }
    }
    ::close(maps);
}

void WriteReport(int sig, const siginfo_t* info)
{
    const long long now = static_cast<long long>(::time(nullptr));
    LineBuffer line(g_crash.line, sizeof(g_crash.line));
    line.Text(g_crash.folder).Text("/").Text(g_crash.programName).Text(".");
    line.Number(static_cast<std::int32_t>(static_cast<std::uint32_t>(now))).Text(".dmp");
    const int fd = ::open(line.Terminated(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;

    LineBuffer out(g_crash.line, sizeof(g_crash.line));
    out.Text("ZYM Client crash report\n");
    out.Text("program: ").Text(g_crash.programName).Text("\n");
    out.Text("version: ").Text(g_crash.version).Text("\n");
    out.Text("time: ").Number(now).Text("\n");
    out.Text("process: ").Number(::getpid()).Text("\n");
    out.Text("thread: ").Number(::syscall(SYS_gettid)).Text("\n");
    out.Text("signal: ").Number(sig).Text(" (").Text(SignalName(sig)).Text(")\n");
    if (info) {
        out.Text("code: ").Number(info->si_code).Text("\n");
        // A fault carries its address; a signal sent by a process (abort, kill) carries the sender.
        if (info->si_code > 0)
            out.Text("fault address: ").Hex(reinterpret_cast<std::uintptr_t>(info->si_addr)).Text("\n");
        else
            out.Text("sent by process: ").Number(info->si_pid).Text("\n");
    }
    if (g_crash.terminating.load())
        out.Text("reason: std::terminate: ").Text(g_crash.terminateReason).Text("\n");
    out.Text("\nbacktrace:\n");
    out.WriteTo(fd);
    const int count = ::backtrace(g_crash.frames, kMaxFrames);
    ::backtrace_symbols_fd(g_crash.frames, count, fd);
    out.Text("\nmemory map:\n");
    out.WriteTo(fd);
    CopyMemoryMap(fd);
    ::close(fd);
}

// The default action of the signal runs once this handler returns: the signal is pending
// (blocked while its handler runs) and the handler is gone.
void ReraiseWithDefault(int sig)
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(sig, &action, nullptr);
    ::raise(sig);
}

void OnFatalSignal(int sig, siginfo_t* info, void*)
{
    const int savedErrno = errno;
    const long self = ::syscall(SYS_gettid);
    long expected = 0;
    if (!g_crash.writer.compare_exchange_strong(expected, self)) {
        if (expected == self) {
            // The report itself crashed: give up on it.
            ReraiseWithDefault(sig);
            errno = savedErrno;
            return;
        }
        // Another thread writes its report and then ends the process.
        for (;;)
            ::pause();
    }
    WriteReport(sig, info);
    ReraiseWithDefault(sig);
    errno = savedErrno;
}

// Records what escaped, then aborts: the SIGABRT handler writes the report.
[[noreturn]] void OnTerminate()
{
    LineBuffer reason(g_crash.terminateReason, sizeof(g_crash.terminateReason));
    if (const std::type_info* type = abi::__cxa_current_exception_type()) {
        // Not in a signal handler yet: allocating is still allowed here.
        int status = 0;
        char* readable = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
        reason.Text(readable ? readable : type->name());
        std::free(readable);
        try {
            std::rethrow_exception(std::current_exception());
        } catch (const std::exception& e) {
            reason.Text(": ").Text(e.what());
        } catch (...) {
        }
    } else {
        reason.Text("no active exception");
    }
    reason.Terminated();
    g_crash.terminating = true;
    std::abort();
}

} // namespace

std::string CrashReportFileName(const std::string& programName, long long seconds)
{
    const auto low = static_cast<std::int32_t>(static_cast<std::uint32_t>(seconds));
    return programName + "." + std::to_string(low) + ".dmp";
}

bool InstallCrashReport(const std::string& folder, const std::string& programName, const std::string& version)
{
    if (!MakeFolders(folder) || !CopyText(g_crash.folder, sizeof(g_crash.folder), folder) ||
        !CopyText(g_crash.programName, sizeof(g_crash.programName), programName) ||
        !CopyText(g_crash.version, sizeof(g_crash.version), version))
        return false;
    // The first backtrace loads the unwinder (which allocates); do it now, not in a handler.
    ::backtrace(g_crash.frames, kMaxFrames);

    // A stack overflow leaves no stack for the handler: it runs on a stack of its own.
    stack_t stack = {};
    stack.ss_sp = g_signalStack;
    stack.ss_size = sizeof(g_signalStack);
    ::sigaltstack(&stack, nullptr);

    struct sigaction action = {};
    action.sa_sigaction = OnFatalSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int sig : kFatalSignals)
        ::sigaction(sig, &action, nullptr);
    std::set_terminate(OnTerminate);
    return true;
}

} // namespace zym
