#pragma once
// A thread that runs one job at a fixed period until stopped. It sleeps on a condition
// variable between runs, so Stop wakes it at once and returns when the thread has left.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace zym {

class PeriodicThread
{
public:
    PeriodicThread() = default;
    PeriodicThread(const PeriodicThread&) = delete;
    PeriodicThread& operator=(const PeriodicThread&) = delete;
    ~PeriodicThread() { Stop(); }

    // Runs job every period (the first run one period after Start). A second Start while
    // running does nothing.
    void Start(std::chrono::milliseconds period, std::function<void()> job)
    {
        std::lock_guard g(lock_);
        if (thread_.joinable()) {
            return;
        }
        stop_ = false;
        thread_ = std::thread([this, period, job = std::move(job)] { Loop(period, job); });
    }

    // Waits for a run in progress, then for the thread to leave.
    void Stop()
    {
        std::thread ending;
        {
            std::lock_guard g(lock_);
            stop_ = true;
            ending = std::move(thread_);
        }
        wake_.notify_all();
        if (ending.joinable()) {
            ending.join();
        }
    }

private:
    void Loop(std::chrono::milliseconds period, const std::function<void()>& job)
    {
        auto next = std::chrono::steady_clock::now() + period;
        std::unique_lock lk(lock_);
        while (!stop_) {
            if (wake_.wait_until(lk, next, [this] { return stop_; })) {
                break;
            }
            lk.unlock();
            job();
            lk.lock();
            // A run that overran a period is not repeated to catch up.
            next = std::max(next + period, std::chrono::steady_clock::now());
        }
    }

    std::mutex lock_;
    std::condition_variable wake_;
    std::thread thread_;
    bool stop_ = false;
};

} // namespace zym
