#pragma once
// The statistics snapshot the progress texts begin with: both managers' speed sums and the
// row counts of the queue, refreshed every 2 seconds on a thread of its own so that a report
// or a list page never counts rows itself.
#include "transfer/periodic_thread.h"
#include "transfer/progress_texts.h"

#include <mutex>

namespace zym {

class CTransferEngine;

class TransferStatisticsSnapshot
{
public:
    static constexpr auto kPeriod = std::chrono::milliseconds(2000);

    explicit TransferStatisticsSnapshot(CTransferEngine& engine) : engine_(engine) {}
    ~TransferStatisticsSnapshot() { Stop(); }

    void Start();
    void Stop();

    // Counts the rows and sums the speeds now. A row count whose query fails reads 0; a
    // finished count whose query fails keeps its previous value.
    void Refresh();
    TransferStatistics Current() const;

private:
    CTransferEngine& engine_;
    mutable std::mutex lock_;
    TransferStatistics current_;
    PeriodicThread thread_;
};

} // namespace zym
