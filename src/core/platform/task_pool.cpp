#include "platform/task_pool.h"

#include <algorithm>
#include <system_error>

namespace zym {

CTaskPool::~CTaskPool()
{
    Stop();
    // A worker that stopped its own pool is still finishing its task: it leaves through lock_,
    // so the pool must outlive it.
    JoinStoppedFromInside();
}

void CTaskPool::JoinStoppedFromInside()
{
    std::vector<std::thread> finishing;
    {
        std::lock_guard guard(lock_);
        finishing.swap(stoppedFromInside_);
    }
    const auto self = std::this_thread::get_id();
    for (std::thread& t : finishing) {
        if (t.get_id() == self)
            t.detach(); // the pool is destroyed by its own last task: nothing else can wait for it
        else if (t.joinable())
            t.join();
    }
}

bool CTaskPool::Start(int maxThreads)
{
    JoinStoppedFromInside();
    std::lock_guard guard(lock_);
    if (running_ || maxThreads < 1 || !threads_.empty())
        return running_;
    maxThreads_ = maxThreads;
    running_ = true;
    stopToken_ = std::make_shared<CancelToken>();
    AddWorkerLocked();
    if (threads_.empty())
        running_ = false;
    return running_;
}

void CTaskPool::AddWorkerLocked()
{
    try {
        threads_.emplace_back([this] { WorkerLoop(); });
    } catch (const std::system_error&) {
        // A thread that cannot be created is not an error of the caller: the task is
        // queued all the same and runs on an existing worker.
    }
}

bool CTaskPool::Post(TaskPtr task)
{
    if (!task)
        return false;
    {
        std::lock_guard guard(lock_);
        if (!running_)
            return false;
        if (threads_.size() < static_cast<std::size_t>(maxThreads_))
            AddWorkerLocked();
        task->SetStopToken(stopToken_);
        queue_.push_back(std::move(task));
    }
    wake_.notify_one();
    return true;
}

void CTaskPool::WorkerLoop()
{
    std::unique_lock guard(lock_);
    for (;;) {
        wake_.wait(guard, [this] { return !running_ || !queue_.empty(); });
        if (!running_)
            return;
        TaskPtr task = std::move(queue_.front());
        queue_.pop_front();
        guard.unlock();
        task->Run();
        task.reset(); // the task's references go before the worker looks for more work
        guard.lock();
    }
}

void CTaskPool::Stop()
{
    std::vector<std::thread> leaving;
    std::deque<TaskPtr> dropped;
    {
        std::lock_guard guard(lock_);
        // Running tasks' requests abort first; the joins below then wait for seconds at most.
        if (stopToken_)
            stopToken_->Cancel();
        running_ = false;
        leaving.swap(threads_);
        dropped.swap(queue_);
    }
    wake_.notify_all();
    const auto self = std::this_thread::get_id();
    for (std::thread& t : leaving) {
        if (t.get_id() == self) {
            // Stopped from one of its own tasks: this thread cannot join itself; the pool's
            // destructor (or a later Stop from elsewhere) waits for it.
            std::lock_guard guard(lock_);
            stoppedFromInside_.push_back(std::move(t));
        } else if (t.joinable()) {
            t.join();
        }
    }
    // Dropped tasks are destroyed here, outside the lock, so their destructors may post.
}

bool CTaskPool::Running() const
{
    std::lock_guard guard(lock_);
    return running_;
}

std::size_t CTaskPool::ThreadCount() const
{
    std::lock_guard guard(lock_);
    return threads_.size();
}

std::size_t CTaskPool::QueuedCount() const
{
    std::lock_guard guard(lock_);
    return queue_.size();
}

} // namespace zym
