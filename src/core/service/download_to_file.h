#pragma once
// Downloads one address into an open file (the update installer), reporting each block
// written and stopping when asked to.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>

namespace zym {

// Receives the size of each block written to the file, on the downloading thread.
class DownloadProgress
{
public:
    virtual ~DownloadProgress() = default;
    virtual void OnBlockWritten(std::int64_t bytes) = 0;
};

// GET with redirects followed, no overall time-limit (a minute without a byte ends it). Writes each block at
// the file's current position. Setting cancel (may be null) aborts the transfer within about a second, also
// while no bytes arrive; progress may be null. True only when the transfer completed with result 0: an error
// status (400 or more) or a failed write to the file is a failure, not a saved error page.
bool DownloadToFile(const std::string& url, const std::string& userAgent, std::FILE* file,
                    DownloadProgress* progress, const std::atomic<bool>* cancel);

} // namespace zym
