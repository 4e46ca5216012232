// The pool's observable rules: lazy growth, refusal when stopped, Stop waiting for running
// tasks and dropping queued ones.
#include "platform/task_pool.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// What happened to the tasks of one test.
struct Journal
{
    std::mutex lock;
    std::condition_variable changed;
    int started = 0;
    int finished = 0;
    int destroyed = 0;
    int concurrent = 0;
    int maxConcurrent = 0;
    bool gateOpen = false;

    void Open()
    {
        std::lock_guard g(lock);
        gateOpen = true;
        changed.notify_all();
    }
    void WaitStarted(int n)
    {
        std::unique_lock g(lock);
        changed.wait(g, [&] { return started >= n; });
    }
};

class RecordingTask : public zym::CBaseTask
{
public:
    RecordingTask(Journal& j, bool gated) : j_(j), gated_(gated) {}
    ~RecordingTask() override
    {
        std::lock_guard g(j_.lock);
        ++j_.destroyed;
        j_.changed.notify_all();
    }
    void Run() override
    {
        std::unique_lock g(j_.lock);
        ++j_.started;
        ++j_.concurrent;
        j_.maxConcurrent = std::max(j_.maxConcurrent, j_.concurrent);
        j_.changed.notify_all();
        if (gated_)
            j_.changed.wait(g, [&] { return j_.gateOpen; });
        --j_.concurrent;
        ++j_.finished;
        j_.changed.notify_all();
    }

private:
    Journal& j_;
    bool gated_;
};

zym::TaskPtr Task(Journal& j, bool gated = false)
{
    return std::make_unique<RecordingTask>(j, gated);
}

TEST(TaskPool, PostBeforeStartAndAfterStopIsRefusedAndNothingRuns)
{
    Journal j;
    zym::CTaskPool pool;
    EXPECT_FALSE(pool.Post(Task(j)));
    ASSERT_TRUE(pool.Start(3));
    pool.Stop();
    EXPECT_FALSE(pool.Running());
    EXPECT_FALSE(pool.Post(Task(j)));
    EXPECT_EQ(j.started, 0);
    EXPECT_EQ(j.destroyed, 2); // refused tasks are released, never leaked
    EXPECT_EQ(pool.ThreadCount(), 0u);
}

TEST(TaskPool, StartRefusesZeroThreads)
{
    zym::CTaskPool pool;
    EXPECT_FALSE(pool.Start(0));
    EXPECT_FALSE(pool.Running());
}

TEST(TaskPool, GrowsOneThreadPerPostUpToTheMaximumAndKeepsThem)
{
    Journal j;
    zym::CTaskPool pool;
    ASSERT_TRUE(pool.Start(3));
    EXPECT_EQ(pool.ThreadCount(), 1u); // only the first worker exists before any Post
    ASSERT_TRUE(pool.Post(Task(j)));
    EXPECT_EQ(pool.ThreadCount(), 2u);
    j.WaitStarted(1);
    {
        std::unique_lock g(j.lock);
        j.changed.wait(g, [&] { return j.finished == 1; });
    }
    // Idle workers exist now, yet the next Post still adds one.
    ASSERT_TRUE(pool.Post(Task(j)));
    EXPECT_EQ(pool.ThreadCount(), 3u);
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(pool.Post(Task(j)));
    EXPECT_EQ(pool.ThreadCount(), 3u);
    pool.Stop();
}

TEST(TaskPool, RunsAtMostMaxTasksAtOnceAndTheFourthWaits)
{
    Journal j;
    zym::CTaskPool pool;
    ASSERT_TRUE(pool.Start(3));
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(pool.Post(Task(j, true)));
    j.WaitStarted(3);
    {
        std::lock_guard g(j.lock);
        EXPECT_EQ(j.started, 3);
        EXPECT_EQ(pool.QueuedCount(), 1u);
    }
    j.Open();
    {
        std::unique_lock g(j.lock);
        j.changed.wait(g, [&] { return j.finished == 4; });
        EXPECT_EQ(j.maxConcurrent, 3);
    }
    pool.Stop();
    EXPECT_EQ(j.destroyed, 4);
}

TEST(TaskPool, StopWaitsForTheRunningTaskAndDropsQueuedOnes)
{
    Journal j;
    zym::CTaskPool pool;
    ASSERT_TRUE(pool.Start(1));
    // With one worker allowed, Post adds no thread: the gated task blocks the only worker.
    ASSERT_TRUE(pool.Post(Task(j, true)));
    j.WaitStarted(1);
    ASSERT_TRUE(pool.Post(Task(j)));
    ASSERT_TRUE(pool.Post(Task(j)));

    std::atomic<bool> stopReturned{false};
    std::thread stopper([&] {
        pool.Stop();
        stopReturned = true;
    });
    {
        // Once Stop has begun nothing more is accepted; the running task is still inside Run.
        std::unique_lock g(j.lock);
        while (pool.Running())
            j.changed.wait_for(g, std::chrono::milliseconds(1));
        EXPECT_EQ(j.finished, 0);
    }
    EXPECT_FALSE(pool.Post(Task(j)));
    EXPECT_FALSE(stopReturned.load()); // the gated task has not been let go yet
    j.Open();
    stopper.join();
    EXPECT_TRUE(stopReturned.load());
    EXPECT_EQ(j.started, 1);
    EXPECT_EQ(j.finished, 1);
    EXPECT_EQ(j.destroyed, 4); // the running one, two dropped queued ones, one refused
    EXPECT_EQ(pool.ThreadCount(), 0u);
}

TEST(TaskPool, CanStartAgainAfterStop)
{
    Journal j;
    zym::CTaskPool pool;
    ASSERT_TRUE(pool.Start(2));
    pool.Stop();
    ASSERT_TRUE(pool.Start(2));
    ASSERT_TRUE(pool.Post(Task(j)));
    {
        std::unique_lock g(j.lock);
        j.changed.wait(g, [&] { return j.destroyed == 1; });
    }
    EXPECT_EQ(j.finished, 1);
    pool.Stop();
}

} // namespace

namespace {

// Runs a function as the task.
class FunctionTask : public zym::CBaseTask
{
public:
    explicit FunctionTask(std::function<void()> run) : run_(std::move(run)) {}
    void Run() override { run_(); }

private:
    std::function<void()> run_;
};

} // namespace

TEST(TaskPool, StoppedByItsOwnTaskTheDestructorWaitsForThatWorker)
{
    auto pool = std::make_unique<zym::CTaskPool>();
    ASSERT_TRUE(pool->Start(2));
    std::mutex lock;
    std::condition_variable changed;
    bool stopped = false;
    bool destroying = false;
    std::atomic<bool> finished{false};
    zym::CTaskPool* raw = pool.get();
    ASSERT_TRUE(raw->Post(std::make_unique<FunctionTask>([&] {
        raw->Stop(); // from inside: must not join itself
        std::unique_lock g(lock);
        stopped = true;
        changed.notify_all();
        changed.wait(g, [&] { return destroying; });
        g.unlock();
        // Still running while the pool is being destroyed; a pool that let go of this thread
        // would be gone before the worker returns to it.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        finished = true;
    })));
    {
        std::unique_lock g(lock);
        changed.wait(g, [&] { return stopped; });
        destroying = true;
        changed.notify_all();
    }
    pool.reset();
    EXPECT_TRUE(finished.load());
}
