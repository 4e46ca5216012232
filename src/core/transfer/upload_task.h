#pragma once
// CUploadTask uploads one local file (or makes one folder object) as one object: an empty PUT for
// size 0, one PUT up to kSinglePutLimit bytes, a multipart upload beyond, its parts sent on up to
// peerMax connections and recorded in the part-info file so a restart sends only what is missing.
#include "store/transfer_row.h"
#include "transfer/upload_context.h"
#include "transfer/upload_part_info.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

namespace zym {

class UploadPartQueue;

class CUploadTask
{
public:
    static constexpr std::int64_t kSinglePutLimit = 10485760;
    static constexpr std::int64_t kMinBlockSize = 5242880;

    CUploadTask(TransferRow row, UploadContext context);

    // Runs the whole upload on the calling thread (its connections on threads of their own) and
    // writes the row's outcome to the queue database.
    UploadResult Run();

    // 5 MiB, or more so that no file needs more than 5,000 parts.
    static std::int64_t BlockSizeFor(std::int64_t fileSize);

    const TransferRow& Row() const { return row_; }

private:
    void RunEmpty();
    void RunFile();
    bool StartMultipart(UploadPartQueue& queue);
    void Complete(UploadPartQueue& queue, const struct SourceState& source);
    void Finish();
    void Fail(int code, const std::string& text);
    void SavePartInfo(const UploadPartQueue& queue, bool force);
    void ForgetUploadId();
    bool Cancelled() const;

    TransferRow row_;
    UploadContext ctx_;
    UploadResult result_;
    std::string uploadId_;
    std::string partInfoPath_;
    std::mutex saveLock_;
    std::chrono::steady_clock::time_point lastSave_{};
    std::atomic<bool> uploadGone_{false}; // the service no longer knows uploadId_
};

} // namespace zym
