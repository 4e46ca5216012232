#pragma once
// Which parts of an upload are still to send, which are out on a connection and which the
// service has confirmed; the one owner of that bookkeeping, shared by the task and its
// connections. Connections wait here for work instead of polling: a part that comes back
// after a failure, the end of the last part, a failure of the task or a stop wakes them.
#include "transfer/upload_part_info.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zym {

struct PartJob
{
    std::int32_t number = 0; // 0 for a single PUT
    std::int64_t start = 0;
    std::int64_t length = 0;
};

class UploadPartQueue
{
public:
    // A part that failed this many times fails the task on its next failure.
    static constexpr int kMaxFailures = 5;

    // Parts of blockSize bytes numbered 1, 2, ... in file order; a single PUT is one part 0.
    UploadPartQueue(std::int64_t fileSize, std::int64_t blockSize, bool multipart);
    UploadPartQueue(const UploadPartQueue&) = delete;
    UploadPartQueue& operator=(const UploadPartQueue&) = delete;

    // Marks the recorded parts that fit this file's layout as confirmed; records of another
    // layout (another size or block size) are dropped and their parts sent again.
    // Answers how many of the records it took: a record that does not fit the layout (number, start,
    // length), repeats a part or has no well-formed ETag is left out.
    std::size_t Seed(const std::vector<PartRecord>& records);
    // Forgets every confirmed part: all are waiting again (before any part is sent).
    void Forget();

    // The next part to send; waits while parts are out that may come back. Empty when the
    // connection should end: nothing left, the task failed or was stopped.
    std::optional<PartJob> Take();

    void Confirm(const PartJob& part, const std::string& etag);
    // A part given up without failing (the task is stopping).
    void Return(const PartJob& part);
    // The part goes back to be sent again (first in line). Fails the task with code and text
    // when the part has now failed more than kMaxFailures times.
    void GiveBack(const PartJob& part, int code, const std::string& text);
    // The first failure wins; later ones are ignored. Wakes every waiting connection.
    void Fail(int code, const std::string& text);
    void Stop();

    // Waits until no part is waiting or out, or the task failed or stopped.
    void WaitUntilSettled();

    // Lock-free: true once the task failed or was stopped; requests in flight end at once.
    bool Halted() const { return halted_.load(std::memory_order_relaxed); }
    bool Failed(int& code, std::string& text) const;
    bool Stopped() const;
    bool AllConfirmed() const;
    std::int64_t ConfirmedBytes() const;
    // In the order they were confirmed.
    std::vector<PartRecord> Confirmed() const;
    std::size_t PartCount() const { return layout_.size(); }

private:
    bool SettledLocked() const;

    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::vector<PartJob> layout_;
    std::deque<std::size_t> waiting_; // indexes into layout_
    std::vector<bool> confirmed_;
    std::size_t out_ = 0;
    std::vector<PartRecord> records_;
    std::map<std::int32_t, int> failures_;
    std::int64_t confirmedBytes_ = 0;
    bool failed_ = false;
    bool stopped_ = false;
    int failCode_ = 0;
    std::string failText_;
    std::atomic<bool> halted_{false};
};

} // namespace zym
