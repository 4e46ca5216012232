#pragma once
// CUploadTask uploads one local file (or makes one folder object) as one object: an empty PUT for
// size 0, one PUT up to kSinglePutLimit bytes, a multipart upload beyond, its parts sent on up to
// peerMax connections and recorded in the part-info file so a restart sends only what is missing.
#include "store/transfer_row.h"
#include "transfer/transfer_task.h"
#include "transfer/upload_part_info.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace zym {

class UploadPartQueue;
class PartInfoSaver;

class CUploadTask : public TransferTask
{
public:
    static constexpr std::int64_t kSinglePutLimit = 10485760;
    static constexpr std::int64_t kMinBlockSize = 5242880;

    CUploadTask(TransferRow row, TransferContext context);

    // Runs the whole upload on the calling thread (its connections on threads of their own) and
    // writes the row's outcome to the queue database.
    TaskResult Run() override;

    // "<data folder>/transcache"; an empty data folder means the platform's.
    static std::string PartInfoFolder(const std::string& dataFolder);

    const TransferRow& Row() const { return row_; }

private:
    void RunEmpty();
    void RunFile();
    bool StartMultipart(UploadPartQueue& queue);
    void Complete(UploadPartQueue& queue, const struct SourceState& source);
    void Finish();
    void Fail(int code, const std::string& text);
    void ForgetUploadId();
    // The signed call of the current login, ended at once by a stop.
    ServiceCall Call() const;
    bool Cancelled() const;

    TransferRow row_;
    TransferContext ctx_;
    TaskResult result_;
    std::string uploadId_;
    std::string partInfoPath_;
    PartInfoSaver* saver_ = nullptr;      // while the connections run
    std::atomic<bool> uploadGone_{false}; // the service no longer knows uploadId_
};

} // namespace zym
