#pragma once
// What a transfer manager needs from one transfer task (a download or an upload of one queue
// row) and what it hands the task. The manager builds the task from the row and a context,
// runs it once on a transfer pool thread and reads its result; the task writes its row's
// final status itself (finished or failed with errornum and errormsg). A stop (the user's stop
// or delete, a deleted bucket, the shutdown) comes through TaskStop: the task then ends
// quickly, writes no final status, and with Discard() removes what it left on disk (a download
// its temporary files, a multipart upload its upload on the service).
#include "platform/cancel_token.h"
#include "service/service_operations.h"
#include "store/transfer_row.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zym {

class CTransDatabase;
class Log;

// A stop request for one task. Discard is stored before the token is cancelled, so a task
// that sees the token cancelled also sees the discard choice.
class TaskStop
{
public:
    void Request(bool discard)
    {
        if (discard) {
            discard_.store(true);
        }
        token_->Cancel();
    }
    bool Requested() const { return token_->IsCancelled(); }
    bool Discard() const { return discard_.load(); }
    // For requests: the transport checks it while a transfer runs and aborts it at once.
    const CancelTokenPtr& Token() const { return token_; }

private:
    CancelTokenPtr token_ = std::make_shared<CancelToken>();
    std::atomic<bool> discard_{false};
};

// Live figures the progress reports and the managers' speed sums read while the task runs.
// Written by the task's threads without a lock; readers may see a value a chunk old.
struct TaskProgress
{
    std::atomic<std::int64_t> offset{0};    // bytes of the object stored (or confirmed) so far
    std::atomic<std::int64_t> bytesDone{0}; // bytes moved since this task started
    std::atomic<std::int64_t> startTime{0}; // seconds since 1970 when transferring began; 0 before
};

// Values read from the settings when the manager starts the task.
struct TaskSettings
{
    int peerMax = 5;            // connections of this task (the manager's current limit)
    std::int64_t blockSize = 0; // range or part size; 0 means BlockSizeFor(row.filesize)
    bool verifyDownloads = true;
    bool sendDisposition = false; // the Disposition setting: uploads send a Content-Disposition
};

// The size of one range or part: 5 MiB, or more when the object would need more than 5,000
// blocks (filesize / 5,000 rounded up).
inline std::int64_t BlockSizeFor(std::int64_t filesize)
{
    constexpr std::int64_t kMinBlock = 5 * 1024 * 1024;
    const std::int64_t perBlock = filesize <= 0 ? 0 : (filesize + 4999) / 5000;
    return perBlock > kMinBlock ? perBlock : kMinBlock;
}

// Everything a task uses from outside. The references outlive every task (the engine owns
// them); the shared parts are shared with the manager.
struct TransferContext
{
    CTransDatabase& database;
    Log& log;
    // The signed call of the current login for the row (keys of the session at the time of the
    // call, host of the row or the session's override). Call it for each request: a new login
    // between two requests gives the new keys.
    std::function<ServiceCall(const TransferRow& row)> serviceCall;
    // Text of a word of the "prompt" section of the interface language ("MergerFileSizeError").
    std::function<std::string(std::string_view word)> promptText;
    // The upload callback rule of a bucket, when one is stored.
    std::function<std::optional<CallbackRule>(const std::string& bucket)> callbackRule;
    std::shared_ptr<TaskStop> stop;
    std::shared_ptr<TaskProgress> progress;
    TaskSettings settings;
    // The data folder (user database, account folders, the upload part-info cache); "" means
    // the platform's data folder.
    std::string dataFolder;
};

enum class TaskOutcome
{
    Finished, // row written as finished (status 4)
    Failed,   // row written as failed (status 5) with errornum and errormsg
    Stopped,  // stop request honoured; the row is as the stopping operation left it
};

struct TaskResult
{
    TaskOutcome outcome = TaskOutcome::Stopped;
    int errornum = 0;
    std::string errormsg;
};

class TransferTask
{
public:
    virtual ~TransferTask() = default;
    // Called once, on a transfer pool thread; returns when the transfer has finished, failed or
    // stopped, with every connection it opened ended.
    virtual TaskResult Run() = 0;
};

using TransferTaskPtr = std::unique_ptr<TransferTask>;
using TransferTaskFactory = std::function<TransferTaskPtr(const TransferRow& row, TransferContext context)>;

} // namespace zym
