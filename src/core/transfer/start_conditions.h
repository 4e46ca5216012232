#pragma once
// When the schedulers may start transfers: the main window is ready, a user is logged in, the
// page has called loadFinish, and no queueing operation is adding rows. Each change wakes the
// schedulers that listen, so they wait on events instead of polling the flags.
//
// The transaction lock keeps the managers' fill passes and the queueing operations' bulk
// writes apart: a transaction on the queue's file connection covers every thread's writes, so
// two of them must never be open at once. BeginAdding waits for a fill pass that is running
// to commit; no new fill pass begins while anything is being added.
#include <atomic>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

namespace zym {

class StartConditions
{
public:
    void SetMainWindowReady(bool value) { Set(mainWindowReady_, value); }
    void SetLoggedIn(bool value) { Set(loggedIn_, value); }
    void SetPageLoaded(bool value) { Set(pageLoaded_, value); }
    bool MainWindowReady() const { return mainWindowReady_.load(); }
    bool LoggedIn() const { return loggedIn_.load(); }
    bool PageLoaded() const { return pageLoaded_.load(); }

    void BeginAdding()
    {
        adding_.fetch_add(1);
        std::lock_guard barrier(transactionLock_); // a fill pass already inside finishes first
    }
    void EndAdding()
    {
        adding_.fetch_sub(1);
        Notify();
    }
    bool Adding() const { return adding_.load() > 0; }

    // Everything but the adding count, which the fill pass checks under the transaction lock.
    bool Ready() const { return MainWindowReady() && LoggedIn() && PageLoaded(); }

    std::mutex& TransactionLock() { return transactionLock_; }

    // `wake` is called on every change, from the changing thread, until Unlisten with the
    // number Listen returned.
    int Listen(std::function<void()> wake)
    {
        std::lock_guard g(listenersLock_);
        listeners_.emplace_back(++lastListener_, std::move(wake));
        return lastListener_;
    }
    void Unlisten(int id)
    {
        std::lock_guard g(listenersLock_);
        std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
    }

private:
    void Set(std::atomic<bool>& flag, bool value)
    {
        flag.store(value);
        Notify();
    }
    void Notify()
    {
        std::lock_guard g(listenersLock_);
        for (const auto& [id, wake] : listeners_) {
            wake();
        }
    }

    std::atomic<bool> mainWindowReady_{false};
    std::atomic<bool> loggedIn_{false};
    std::atomic<bool> pageLoaded_{false};
    std::atomic<int> adding_{0};
    std::mutex transactionLock_;
    std::mutex listenersLock_;
    std::vector<std::pair<int, std::function<void()>>> listeners_;
    int lastListener_ = 0;
};

} // namespace zym
