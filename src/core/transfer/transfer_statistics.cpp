#include "transfer/transfer_statistics.h"

#include "transfer/transfer_engine.h"

namespace zym {

void TransferStatisticsSnapshot::Start()
{
    Refresh();
    thread_.Start(kPeriod, [this] { Refresh(); });
}

void TransferStatisticsSnapshot::Stop()
{
    thread_.Stop();
}

void TransferStatisticsSnapshot::Refresh()
{
    CTransDatabase& database = engine_.Database();
    const QueueCounts all = database.CountAll();
    const QueueCounts finished = database.CountFinished();
    const std::int64_t downloadSpeed = engine_.Downloads().TotalSpeed();
    const std::int64_t uploadSpeed = engine_.Uploads().TotalSpeed();
    std::lock_guard g(lock_);
    current_.downloadTotal = static_cast<int>(all.downloads.value_or(0));
    current_.uploadTotal = static_cast<int>(all.uploads.value_or(0));
    if (finished.downloads) {
        current_.downloadDone = static_cast<int>(*finished.downloads);
    }
    if (finished.uploads) {
        current_.uploadDone = static_cast<int>(*finished.uploads);
    }
    current_.downloadSpeed = downloadSpeed;
    current_.uploadSpeed = uploadSpeed;
}

TransferStatistics TransferStatisticsSnapshot::Current() const
{
    std::lock_guard g(lock_);
    return current_;
}

} // namespace zym
