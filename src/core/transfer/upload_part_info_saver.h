#pragma once
// Writes the part-info file on a thread of its own whenever parts were confirmed, so the
// connections never wait for the disk: confirmations that arrive during a write are folded into
// the next one. Finish writes what is still pending and ends the thread; Forget stops every
// further write and removes the file (the service no longer knows the upload).
#include "transfer/upload_part_queue.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace zym {

class PartInfoSaver
{
public:
    // onWriteFailed is called once, for the first write that fails.
    PartInfoSaver(std::string path, const UploadPartQueue& queue, std::function<void()> onWriteFailed);
    ~PartInfoSaver();
    PartInfoSaver(const PartInfoSaver&) = delete;
    PartInfoSaver& operator=(const PartInfoSaver&) = delete;

    void Changed();
    void Finish();
    void Forget();

private:
    void Loop();
    void WriteNow();

    std::string path_;
    const UploadPartQueue& queue_;
    std::function<void()> onWriteFailed_;
    bool failureReported_ = false;
    std::mutex lock_;
    std::condition_variable wake_;
    bool dirty_ = false;
    bool done_ = false;
    std::mutex writeLock_; // held for a write; Forget takes it so no write outlives it
    bool gone_ = false;
    std::thread thread_;
};

} // namespace zym
