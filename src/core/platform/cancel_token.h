#pragma once
// A stop request shared by whoever starts a piece of work and the work itself. Requests check
// it from the transfer library's progress callback, so a stop, a delete or the shutdown ends a
// request at once instead of after its time limit. Waiting on it (WaitFor) replaces sleeps:
// a retry pause ends the moment the work is cancelled.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace zym {

class CancelToken
{
public:
    void Cancel()
    {
        {
            std::lock_guard g(lock_);
            cancelled_ = true;
        }
        wake_.notify_all();
    }
    bool IsCancelled() const
    {
        std::lock_guard g(lock_);
        return cancelled_;
    }
    // Waits up to `duration`; true when the token was cancelled meanwhile (or before).
    template <class Rep, class Period>
    bool WaitFor(std::chrono::duration<Rep, Period> duration) const
    {
        std::unique_lock g(lock_);
        return wake_.wait_for(g, duration, [this] { return cancelled_; });
    }

private:
    mutable std::mutex lock_;
    mutable std::condition_variable wake_;
    bool cancelled_ = false;
};

using CancelTokenPtr = std::shared_ptr<CancelToken>;

} // namespace zym
