#pragma once
// The worker thread beside the engine: every 2 seconds a snapshot of the transfer statistics
// (both speeds, row counts and finished counts) for the progress reports, every 30 minutes a
// backup copy of the queue database. It sleeps until the next of the two is due.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace zym {

class CTransferEngine;

struct TransferStatistics
{
    std::int64_t downloadSpeed = 0; // bytes per second
    std::int64_t uploadSpeed = 0;
    std::int32_t downloadTotal = 0; // rows in Download
    std::int32_t downloadDone = 0;  // of them finished
    std::int32_t uploadTotal = 0;
    std::int32_t uploadDone = 0;
};

class CInterfaceThread
{
public:
    struct Periods
    {
        std::chrono::milliseconds statistics{2000};
        std::chrono::milliseconds backup{1800000};
    };

    // `active` says whether the timed work should run now (the main window exists and the
    // program is not shutting down); null means always.
    CInterfaceThread(CTransferEngine& engine, std::function<bool()> active, Periods periods);
    explicit CInterfaceThread(CTransferEngine& engine) : CInterfaceThread(engine, nullptr, Periods{}) {}
    ~CInterfaceThread();
    CInterfaceThread(const CInterfaceThread&) = delete;
    CInterfaceThread& operator=(const CInterfaceThread&) = delete;

    void Start();
    // Ends the thread and returns when it has left.
    void Stop();

    TransferStatistics Statistics() const;

    // The two timed jobs (the thread calls them; tests may too).
    void RefreshStatistics();
    bool BackupQueue();

private:
    void Loop();

    CTransferEngine& engine_;
    std::function<bool()> active_;
    Periods periods_;
    mutable std::mutex lock_;
    std::condition_variable wake_;
    bool stop_ = false;
    TransferStatistics statistics_;
    std::thread thread_;
};

} // namespace zym
