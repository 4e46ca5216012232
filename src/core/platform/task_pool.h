#pragma once
// A pool of worker threads fed by one queue. Observable rules kept from the original design:
// the pool grows by one thread on every Post until it holds maxThreads (whether or not a
// thread is idle) and threads never retire before Stop; Post on a pool that is not running
// refuses the task; Stop cancels the running tasks' stop token (their requests abort), lets
// them finish, drops queued ones and returns when every worker has left.
#include "platform/base_task.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace zym {

class CTaskPool
{
public:
    CTaskPool() = default;
    CTaskPool(const CTaskPool&) = delete;
    CTaskPool& operator=(const CTaskPool&) = delete;
    ~CTaskPool(); // stops the pool when it still runs

    // Starts one worker; true when the pool runs. maxThreads below 1 is refused.
    bool Start(int maxThreads);
    // Queues the task; false (and the task is destroyed unrun) when the pool is not running.
    bool Post(TaskPtr task);
    // Returns when every worker has left; tasks still queued are destroyed unrun. Called
    // from one of the pool's own workers it cannot wait for that worker, which then leaves
    // after its current task.
    void Stop();

    bool Running() const;
    std::size_t ThreadCount() const;
    std::size_t QueuedCount() const;

private:
    void AddWorkerLocked();
    void WorkerLoop();
    void JoinStoppedFromInside();

    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::deque<TaskPtr> queue_;
    std::vector<std::thread> threads_;
    std::vector<std::thread> stoppedFromInside_; // workers that ran Stop: joined later, elsewhere
    int maxThreads_ = 0;
    bool running_ = false;
    CancelTokenPtr stopToken_; // handed to every task of one Start..Stop run
};

} // namespace zym
