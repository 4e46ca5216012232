#include "transfer/task_manager.h"

#include "app/log.h"
#include "store/trans_database.h"

#include <ctime>

namespace zym {

struct CTaskManagerBase::Entry
{
    explicit Entry(const TransferRow& r) : row(r) {}

    TransferRow row;
    std::shared_ptr<TaskStop> stop = std::make_shared<TaskStop>();
    std::shared_ptr<TaskProgress> progress = std::make_shared<TaskProgress>();
    std::atomic<std::int64_t> speed{0};

    std::mutex endLock;
    std::condition_variable endEvent;
    bool ended = false;
    TaskResult result;

    void End(TaskResult r)
    {
        {
            std::lock_guard g(endLock);
            ended = true;
            result = std::move(r);
        }
        endEvent.notify_all();
    }
    bool Ended()
    {
        std::lock_guard g(endLock);
        return ended;
    }
    template <class Duration> bool WaitEnd(Duration limit)
    {
        std::unique_lock g(endLock);
        return endEvent.wait_for(g, limit, [this] { return ended; });
    }
};

// The pool job of one task: runs it, destroys it (which ends its connections), then tells the
// manager. A job the pool refuses is destroyed unrun and ends its entry at once.
class CTaskManagerBase::RunEntry : public CBaseTask
{
public:
    RunEntry(CTaskManagerBase& manager, std::shared_ptr<Entry> entry, TransferTaskPtr task)
        : manager_(manager), entry_(std::move(entry)), task_(std::move(task))
    {
        manager_.JobStarted();
    }
    ~RunEntry() override
    {
        if (task_) {
            task_.reset();
            entry_->End({TaskOutcome::Stopped, 0, {}});
            manager_.EntryEnded();
        }
    }
    void Run() override
    {
        TaskResult result = task_->Run();
        task_.reset();
        std::function<void(const TaskEnd&)> callback;
        {
            std::lock_guard g(manager_.lock_);
            callback = manager_.onEnded_;
        }
        if (callback) {
            TaskEnd end{entry_->row, result, entry_->progress->bytesDone.load()};
            end.row.offset = entry_->progress->offset.load();
            end.row.status = result.outcome == TaskOutcome::Finished ? kStatusFinished
                             : result.outcome == TaskOutcome::Failed ? kStatusFailed
                                                                     : end.row.status;
            end.row.errornum = result.errornum;
            end.row.errormsg = result.errormsg;
            callback(end);
        }
        entry_->End(std::move(result));
        manager_.EntryEnded();
    }

private:
    CTaskManagerBase& manager_;
    std::shared_ptr<Entry> entry_;
    TransferTaskPtr task_;
};

CTaskManagerBase::CTaskManagerBase(CTransDatabase& database, StartConditions& conditions, CTaskPool& pool,
                                   TransferTaskFactory factory, TaskServices services)
    : database_(database), conditions_(conditions), pool_(pool), factory_(std::move(factory)),
      services_(std::move(services))
{
    listener_ = conditions_.Listen([this] { Wake(); });
}

CTaskManagerBase::~CTaskManagerBase()
{
    conditions_.Unlisten(listener_);
    StopManager();
}

std::int64_t CTaskManagerBase::Now() const
{
    return services_.clock ? services_.clock() : static_cast<std::int64_t>(std::time(nullptr));
}

void CTaskManagerBase::Start()
{
    std::lock_guard g(lock_);
    if (scheduler_.joinable() || !factory_) {
        return;
    }
    stop_ = false;
    scheduler_ = std::thread([this] { SchedulerLoop(); });
}

void CTaskManagerBase::StopManager()
{
    {
        std::lock_guard g(lock_);
        stop_ = true;
    }
    wakeEvent_.notify_all();
    if (scheduler_.joinable()) {
        scheduler_.join();
    }
    const auto all = Matching([](const TransferRow&) { return true; });
    CancelEntries(all, false);
    // The manager must outlive every task's pool job, which reports back to it after its entry
    // has ended: waiting for the entries alone would let a job wake a destroyed manager.
    std::unique_lock g(lock_);
    wakeEvent_.wait(g, [this] { return jobs_ == 0; });
    RemoveEndedLocked();
}

void CTaskManagerBase::SetTaskMax(int value)
{
    if (value > 0) {
        taskMax_.store(value);
        Wake();
    }
}

void CTaskManagerBase::SetPeerMax(int value)
{
    if (value > 0) {
        peerMax_.store(value);
    }
}

void CTaskManagerBase::Wake()
{
    {
        std::lock_guard g(lock_);
        wake_ = true;
    }
    wakeEvent_.notify_all();
}

void CTaskManagerBase::JobStarted()
{
    std::lock_guard g(lock_);
    ++jobs_;
}

void CTaskManagerBase::EntryEnded()
{
    std::lock_guard g(lock_);
    wake_ = true;
    --jobs_;
    // Notified under the lock: StopManager may destroy the manager as soon as it sees no job
    // left, and this job touches the manager no more once the lock is released.
    wakeEvent_.notify_all();
}

void CTaskManagerBase::OnTaskEnded(std::function<void(const TaskEnd&)> callback)
{
    std::lock_guard g(lock_);
    onEnded_ = std::move(callback);
}

int CTaskManagerBase::ActiveLocked() const
{
    int active = 0;
    for (const auto& entry : tasks_) {
        active += entry->Ended() ? 0 : 1;
    }
    return active;
}

int CTaskManagerBase::ActiveCount()
{
    std::lock_guard g(lock_);
    return ActiveLocked();
}

void CTaskManagerBase::RemoveEndedLocked()
{
    std::erase_if(tasks_, [](const std::shared_ptr<Entry>& entry) { return entry->Ended(); });
}

void CTaskManagerBase::SchedulerLoop()
{
    std::unique_lock lk(lock_);
    while (!stop_) {
        RemoveEndedLocked();
        std::optional<std::int64_t> retryIn; // seconds until the next reset of failed rows
        if (conditions_.Ready() && !idle_ && ActiveLocked() < taskMax_.load()) {
            wake_ = false;
            lk.unlock();
            const Pass pass = FillPass();
            lk.lock();
            passes_.fetch_add(1);
            if (pass == Pass::Stopped) {
                break;
            }
            if (pass == Pass::NothingWaiting && !idle_) {
                retryIn = std::max<std::int64_t>(1, lastRetryReset_ + kRetryInterval + 1 - Now());
            }
        }
        if (wake_) {
            wake_ = false;
            idle_ = false;
            continue;
        }
        if (retryIn) {
            wakeEvent_.wait_for(lk, std::chrono::seconds(*retryIn), [this] { return wake_ || stop_; });
        } else {
            wakeEvent_.wait(lk, [this] { return wake_ || stop_; });
        }
        if (wake_) {
            // Any event may have made rows waiting again.
            wake_ = false;
            idle_ = false;
        }
    }
}

CTaskManagerBase::Pass CTaskManagerBase::FillPass()
{
    std::lock_guard transaction(conditions_.TransactionLock());
    if (conditions_.Adding()) {
        return Pass::Blocked; // EndAdding wakes the scheduler
    }
    database_.BeginTransaction();
    int started = 0;
    Pass result = Pass::Full;
    for (;;) {
        {
            std::lock_guard g(lock_);
            if (stop_) {
                result = Pass::Stopped;
                break;
            }
            if (ActiveLocked() >= taskMax_.load()) {
                result = Pass::Full;
                break;
            }
        }
        if (started >= kStartsPerTransaction) {
            database_.CommitTransaction();
            database_.BeginTransaction();
            started = 0;
        }
        std::optional<TransferRow> row = NextRow();
        if (!row) {
            const bool idle = IsIdle();
            const std::int64_t now = Now();
            bool retry = false;
            {
                std::lock_guard g(lock_);
                idle_ = idle;
                if (now - lastRetryReset_ > kRetryInterval) {
                    lastRetryReset_ = now;
                    retry = true;
                }
            }
            if (retry) {
                RetryFailed();
                row = NextRow();
            }
            if (!row) {
                result = Pass::NothingWaiting;
                break;
            }
            std::lock_guard g(lock_);
            idle_ = false;
        }
        StartRow(*row);
        ++started;
    }
    database_.CommitTransaction();
    return result;
}

bool CTaskManagerBase::StartRow(const TransferRow& row)
{
    auto entry = std::make_shared<Entry>(row);
    entry->row.status = kStatusRunning;
    TaskSettings settings;
    settings.peerMax = peerMax_.load();
    settings.blockSize = services_.blockSize;
    settings.verifyDownloads = services_.verifyDownloads ? services_.verifyDownloads() : true;
    settings.sendDisposition = services_.sendDisposition ? services_.sendDisposition() : false;
    TransferContext context{database_,
                            services_.log != nullptr ? *services_.log : ProcessLog(),
                            services_.serviceCall,
                            services_.promptText,
                            services_.callbackRule,
                            entry->stop,
                            entry->progress,
                            settings,
                            services_.dataFolder};
    entry->progress->offset.store(row.offset);
    TransferTaskPtr task = factory_(row, std::move(context));
    MarkRunning(row, Now());
    {
        std::lock_guard g(lock_);
        tasks_.push_back(entry);
    }
    if (!task) {
        entry->End({TaskOutcome::Stopped, 0, {}});
        return false;
    }
    return pool_.Post(std::make_unique<RunEntry>(*this, entry, std::move(task)));
}

std::vector<std::shared_ptr<CTaskManagerBase::Entry>>
CTaskManagerBase::Matching(const std::function<bool(const TransferRow&)>& match)
{
    std::lock_guard g(lock_);
    std::vector<std::shared_ptr<Entry>> out;
    for (const auto& entry : tasks_) {
        if (!entry->Ended() && match(entry->row)) {
            out.push_back(entry);
        }
    }
    return out;
}

// All matching tasks are told first and then waited for, so stopping many tasks takes as long
// as the slowest, not the sum; the manager's lock is not held while waiting.
void CTaskManagerBase::CancelEntries(const std::vector<std::shared_ptr<Entry>>& entries, bool discard)
{
    for (const auto& entry : entries) {
        entry->progress->bytesDone.store(0);
        entry->stop->Request(discard);
    }
    for (const auto& entry : entries) {
        entry->WaitEnd(kCancelWait);
    }
}

void CTaskManagerBase::CancelMatching(const std::function<bool(const TransferRow&)>& match, bool discard)
{
    CancelEntries(Matching(match), discard);
}

void CTaskManagerBase::CancelAll(bool discard)
{
    CancelMatching([](const TransferRow&) { return true; }, discard);
}

void CTaskManagerBase::CancelBucket(const std::string& bucket)
{
    CancelMatching([&](const TransferRow& row) { return row.bucket == bucket; }, true);
}

std::int64_t CTaskManagerBase::TotalSpeed()
{
    const std::int64_t now = Now();
    std::lock_guard g(lock_);
    std::int64_t sum = 0;
    for (const auto& entry : tasks_) {
        const std::int64_t start = entry->progress->startTime.load();
        const std::int64_t done = entry->progress->bytesDone.load();
        std::int64_t speed = 0;
        if (start != 0 && done > 0 && now > start) {
            speed = static_cast<std::int64_t>(static_cast<std::uint64_t>(done) /
                                              static_cast<std::uint64_t>(now - start));
        }
        entry->speed.store(speed);
        sum += speed;
    }
    return sum;
}

std::int64_t CTaskManagerBase::LiveOffset(const std::string& bucket, const std::string& object)
{
    std::lock_guard g(lock_);
    for (auto it = tasks_.rbegin(); it != tasks_.rend(); ++it) {
        if ((*it)->row.bucket == bucket && (*it)->row.object == object) {
            return (*it)->progress->offset.load();
        }
    }
    return 0;
}

std::int64_t CTaskManagerBase::LiveSpeed(const std::string& bucket, const std::string& object)
{
    std::lock_guard g(lock_);
    for (auto it = tasks_.rbegin(); it != tasks_.rend(); ++it) {
        if ((*it)->row.bucket == bucket && (*it)->row.object == object) {
            return (*it)->speed.load();
        }
    }
    return 0;
}

std::vector<TransferRow> CTaskManagerBase::SnapshotTasks()
{
    std::lock_guard g(lock_);
    std::vector<TransferRow> rows;
    for (const auto& entry : tasks_) {
        if (entry->Ended()) {
            continue;
        }
        TransferRow row = entry->row;
        row.offset = entry->progress->offset.load();
        row.speed = entry->speed.load();
        if (entry->stop->Requested()) {
            row.status = kStatusStopped; // told to stop, still ending
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace zym
