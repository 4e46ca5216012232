#include "transfer/interface_thread.h"

#include "transfer/transfer_engine.h"

namespace zym {

CInterfaceThread::CInterfaceThread(CTransferEngine& engine, std::function<bool()> active, Periods periods)
    : engine_(engine), active_(std::move(active)), periods_(periods)
{}

CInterfaceThread::~CInterfaceThread()
{
    Stop();
}

void CInterfaceThread::Start()
{
    std::lock_guard g(lock_);
    if (!thread_.joinable()) {
        stop_ = false;
        thread_ = std::thread([this] { Loop(); });
    }
}

void CInterfaceThread::Stop()
{
    {
        std::lock_guard g(lock_);
        stop_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

TransferStatistics CInterfaceThread::Statistics() const
{
    std::lock_guard g(lock_);
    return statistics_;
}

void CInterfaceThread::RefreshStatistics()
{
    CTransDatabase& database = engine_.Database();
    const QueueCounts totals = database.CountAll();
    const QueueCounts done = database.CountFinished();
    const std::int64_t downloadSpeed = engine_.Downloads().TotalSpeed();
    const std::int64_t uploadSpeed = engine_.Uploads().TotalSpeed();
    std::lock_guard g(lock_);
    // A total that cannot be read shows 0; a finished count keeps its last value.
    statistics_.downloadTotal = static_cast<std::int32_t>(totals.downloads.value_or(0));
    statistics_.uploadTotal = static_cast<std::int32_t>(totals.uploads.value_or(0));
    if (done.downloads) {
        statistics_.downloadDone = static_cast<std::int32_t>(*done.downloads);
    }
    if (done.uploads) {
        statistics_.uploadDone = static_cast<std::int32_t>(*done.uploads);
    }
    statistics_.downloadSpeed = downloadSpeed;
    statistics_.uploadSpeed = uploadSpeed;
}

bool CInterfaceThread::BackupQueue()
{
    return engine_.Database().BackupFile();
}

void CInterfaceThread::Loop()
{
    using Clock = std::chrono::steady_clock;
    auto nextStatistics = Clock::now() + periods_.statistics;
    auto nextBackup = Clock::now() + periods_.backup;
    std::unique_lock g(lock_);
    while (!stop_) {
        const auto due = std::min(nextStatistics, nextBackup);
        if (wake_.wait_until(g, due, [this] { return stop_; })) {
            break;
        }
        const auto now = Clock::now();
        const bool statisticsDue = now >= nextStatistics;
        const bool backupDue = now >= nextBackup;
        if (statisticsDue) {
            nextStatistics = now + periods_.statistics;
        }
        if (backupDue) {
            nextBackup = now + periods_.backup;
        }
        g.unlock();
        if (!active_ || active_()) {
            if (statisticsDue) {
                RefreshStatistics();
            }
            if (backupDue) {
                BackupQueue();
            }
        }
        g.lock();
    }
}

} // namespace zym
