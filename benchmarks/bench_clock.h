#pragma once
// The two clocks the benchmarks report: wall time since a moment, and this process's CPU time
// (user + system), which on a shared machine says more than wall time.
#include <chrono>
#include <sys/resource.h>

namespace zymbench {

inline double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

inline double CpuSeconds()
{
    rusage use{};
    ::getrusage(RUSAGE_SELF, &use);
    return static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
           static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

} // namespace zymbench
