#pragma once
// A transfer manager: picks waiting rows of its table in queue order, marks them running and
// runs one task per row on the transfer pool, up to taskMax at once. Its scheduler thread
// sleeps until something happens that can change what it should do: a task ends, a queueing
// operation ends, a start request, a limit change, a start condition (login, loadFinish), or
// the time of the next 600-second reset of failed rows. An idle engine therefore does not wake.
#include "platform/task_pool.h"
#include "transfer/start_conditions.h"
#include "transfer/transfer_task.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace zym {

class CTransDatabase;
class Log;

// What the manager hands each task besides the row (the parts of TransferContext that are
// the same for every task).
struct TaskServices
{
    Log* log = nullptr;
    std::function<ServiceCall(const TransferRow& row)> serviceCall;
    std::function<std::string(std::string_view word)> promptText;
    std::function<std::optional<CallbackRule>(const std::string& bucket)> callbackRule;
    std::function<bool()> verifyDownloads; // read when each task starts; null means on
    std::function<bool()> sendDisposition; // read when each task starts; null means off
    std::string dataFolder;                // "" means the platform's data folder
    std::int64_t blockSize = 0;            // 0: by the object's size (tests set small blocks)
    std::int64_t uploadBlockSize = 0;      // the uploads' part size when set, else blockSize
    std::function<std::int64_t()> clock;   // seconds since 1970; null means the system clock
};

class CTaskManagerBase
{
public:
    static constexpr std::int64_t kRetryInterval = 600; // seconds between resets of failed rows
    static constexpr int kStartsPerTransaction = 101;
    static constexpr auto kCancelWait = std::chrono::seconds(30);

    CTaskManagerBase(CTransDatabase& database, StartConditions& conditions, CTaskPool& pool,
                     TransferTaskFactory factory, TaskServices services);
    virtual ~CTaskManagerBase();
    CTaskManagerBase(const CTaskManagerBase&) = delete;
    CTaskManagerBase& operator=(const CTaskManagerBase&) = delete;

    // Starts the scheduler thread when none runs.
    void Start();
    // Ends the scheduler, stops every task (keeping their files) and waits until all have ended.
    void StopManager();

    // Limits; values below 1 are ignored. A lower taskMax takes effect as tasks end, a new
    // peerMax for tasks started afterwards.
    void SetTaskMax(int value);
    void SetPeerMax(int value);
    int TaskMax() const { return taskMax_.load(); }
    int PeerMax() const { return peerMax_.load(); }

    // Something may have become waiting (a start request, a requeue): look again now.
    void Wake();

    // Stops the matching running tasks; with discard they remove what they left behind. Each
    // waits up to 30 s for its tasks to end.
    void CancelAll(bool discard);
    void CancelBucket(const std::string& bucket);
    void CancelMatching(const std::function<bool(const TransferRow&)>& match, bool discard);

    // Sum of the running tasks' average speeds since they started (bytes per second).
    std::int64_t TotalSpeed();
    // The live offset and speed of the last task of bucket/object; 0 when none.
    std::int64_t LiveOffset(const std::string& bucket, const std::string& object);
    std::int64_t LiveSpeed(const std::string& bucket, const std::string& object);
    // Copies of the rows of the tasks that have not ended, with their live offset and speed.
    std::vector<TransferRow> SnapshotTasks();
    // What a task left when it ended: its row (status, live offset, error), result and the
    // bytes it moved.
    struct TaskEnd
    {
        TransferRow row;
        TaskResult result;
        std::int64_t bytesDone = 0;
    };
    // Called on the task's pool thread when a task ends (the progress reports' ReportOne).
    void OnTaskEnded(std::function<void(const TaskEnd&)> callback);

    // For tests and benchmarks: tasks not yet ended, and scheduler passes made so far.
    int ActiveCount();
    std::uint64_t Passes() const { return passes_.load(); }

protected:
    // The table's side of scheduling.
    virtual std::optional<TransferRow> NextRow() = 0;
    virtual void MarkRunning(const TransferRow& row, std::int64_t now) = 0;
    virtual void RetryFailed() = 0;
    virtual bool IsIdle() = 0;

    CTransDatabase& database_;

private:
    struct Entry;
    class RunEntry;
    enum class Pass
    {
        Full,
        NothingWaiting,
        Blocked,
        Stopped
    };

    void SchedulerLoop();
    Pass FillPass();
    bool StartRow(const TransferRow& row);
    void RemoveEndedLocked();
    int ActiveLocked() const;
    void JobStarted();
    void EntryEnded();
    std::int64_t Now() const;
    std::vector<std::shared_ptr<Entry>> Matching(const std::function<bool(const TransferRow&)>& match);
    static void CancelEntries(const std::vector<std::shared_ptr<Entry>>& entries, bool discard);

    StartConditions& conditions_;
    CTaskPool& pool_;
    TransferTaskFactory factory_;
    TaskServices services_;
    std::atomic<int> taskMax_{5};
    std::atomic<int> peerMax_{5};

    std::mutex lock_; // tasks_, wake_, stop_, idle_, lastRetryReset_
    std::condition_variable wakeEvent_;
    bool wake_ = false;
    int jobs_ = 0; // pool jobs made and not yet done reporting back (under lock_)
    bool stop_ = false;
    bool idle_ = false;
    std::int64_t lastRetryReset_ = 0;
    std::vector<std::shared_ptr<Entry>> tasks_;
    std::function<void(const TaskEnd&)> onEnded_;
    std::thread scheduler_;
    std::atomic<std::uint64_t> passes_{0};
    int listener_ = 0;
};

} // namespace zym
