#include "platform/startup_trace.h"

#include "platform/unique_fd.h"
#include "platform/write_all.h"

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <string>

namespace zym {
namespace {

struct TraceFile
{
    std::mutex lock; // marks may come from any thread
    UniqueFd fd;

    TraceFile()
    {
        const char* path = std::getenv("ZYM_STARTUP_TRACE");
        if (path && *path)
            fd.reset(::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
    }
};

TraceFile& Trace()
{
    static TraceFile file;
    return file;
}

} // namespace

void StartupMark(std::string_view name)
{
    TraceFile& trace = Trace();
    if (!trace.fd)
        return;
    const auto now = std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    std::string line = std::to_string(now);
    line += ' ';
    line += name;
    line += '\n';
    // One write per line with O_APPEND: a line is never split, even with several writers.
    std::lock_guard guard(trace.lock);
    WriteAll(trace.fd.get(), line);
}

} // namespace zym
