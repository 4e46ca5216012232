#pragma once
// One download: the object's bytes go straight to their offsets in the data file
// (target + ".zymdownload", sized to the object up front) over up to peerMax connections, each
// on its own thread taking ranges until none are left. The progress file records the stored
// ranges (written after the data, at most every 1.5 s and whenever the task ends), so a
// restart fetches only what it does not record. When every byte is stored the MD5 of the file
// is checked against a plain-MD5 ETag, and the data file is renamed onto the target.
#include "platform/unique_fd.h"
#include "transfer/download_peer.h"
#include "transfer/md5_stream.h"
#include "transfer/range_list.h"
#include "transfer/transfer_task.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace zym {

class CDownloadTask : public TransferTask, private PieceSink
{
public:
    // A connection failing this many times at one offset fails the download.
    static constexpr int kMaxFailuresAtOffset = 5;
    static constexpr std::chrono::milliseconds kSaveInterval{1500};

    CDownloadTask(const TransferRow& row, TransferContext context);
    TaskResult Run() override;

private:
    TaskResult CreateEmptyOrFolder();
    // Opens the data file and loads the progress file; false with the reason's text.
    bool Prepare(std::string& error);
    void Connection();
    std::optional<ByteRange> PickRangeLocked() const;
    TaskResult Complete();
    TaskResult Fail(int code, const std::string& text);
    TaskResult Stopped();
    // Writes the progress file when `force` or when the interval has passed since the last write.
    void SaveProgress(bool force);
    // Hashes the stored prefix as far as it reaches; `piece` (just written from `data`) is used
    // instead of reading the file where it covers the next bytes.
    void HashPrefix(const ByteRange* piece, const char* data, bool wait);
    std::string Prompt(std::string_view word) const;

    // PieceSink, called by the connections.
    bool Store(ByteRange piece, const char* data, std::string& errorText) override;
    void Received(std::int64_t bytes) override;
    bool Abandoned() const override;

    TransferRow row_;
    TransferContext context_;
    std::int64_t blockSize_;
    bool verify_;
    UniqueFd data_;

    mutable std::mutex rangesLock_; // stored_, remaining_, failures_, lastError, active_, failed_
    RangeList stored_;
    RangeList remaining_;
    std::map<std::uint32_t, int> failures_;
    int lastErrorCode_ = 0;
    std::string lastErrorText_;
    int active_ = 0;
    std::atomic<bool> failed_{false};
    std::atomic<bool> complete_{false};

    std::mutex saveLock_; // one progress write at a time, newest record last
    std::chrono::steady_clock::time_point lastSave_;

    std::mutex hashLock_;
    Md5Stream md5_;
    std::int64_t hashedUpTo_ = 0;
    std::unique_ptr<char[]> hashBuffer_;
};

TransferTaskPtr MakeDownloadTask(const TransferRow& row, TransferContext context);

} // namespace zym
