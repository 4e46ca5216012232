// The reply rule of page operations: an empty reply or a call without callback reaches
// nothing; otherwise the answer reaches the page exactly once, from a pool thread.
#include "ops/page_reply.h"
#include "platform/task_pool.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct FakePage : zym::ReplyTarget
{
    mutable std::mutex lock;
    mutable std::condition_variable changed;
    mutable std::vector<std::string> answers;
    mutable std::thread::id thread;

    void Deliver(const std::string& text) const override
    {
        std::lock_guard g(lock);
        answers.push_back(text);
        thread = std::this_thread::get_id();
        changed.notify_all();
    }
};

TEST(DeliverReply, EmptyTextOrNoCallbackReachesNothing)
{
    auto page = std::make_shared<FakePage>();
    EXPECT_FALSE(zym::DeliverReply(page, ""));
    EXPECT_FALSE(zym::DeliverReply(nullptr, "{\"error\":0,\"message\":\"\"}"));
    EXPECT_TRUE(page->answers.empty());
    EXPECT_TRUE(zym::DeliverReply(page, "x"));
    ASSERT_EQ(page->answers.size(), 1u);
    EXPECT_EQ(page->answers[0], "x");
}

class EchoTask : public zym::CPageTask
{
public:
    using CPageTask::CPageTask;
    void Run() override { Reply(Argument().empty() ? "" : "got " + Argument()); }
};

TEST(PageTask, AnswersThroughTheTargetFromAWorkerAndDropsEmptyReplies)
{
    auto page = std::make_shared<FakePage>();
    zym::CTaskPool pool;
    // One worker runs the tasks in posting order, so when the last answer arrives the two
    // silent tasks have already run.
    ASSERT_TRUE(pool.Start(1));
    ASSERT_TRUE(pool.Post(std::make_unique<EchoTask>("", page)));
    ASSERT_TRUE(pool.Post(std::make_unique<EchoTask>("{\"a\":1}", nullptr)));
    ASSERT_TRUE(pool.Post(std::make_unique<EchoTask>("{}", page)));
    {
        std::unique_lock g(page->lock);
        page->changed.wait(g, [&] { return !page->answers.empty(); });
    }
    pool.Stop();
    ASSERT_EQ(page->answers.size(), 1u);
    EXPECT_EQ(page->answers[0], "got {}");
    EXPECT_NE(page->thread, std::this_thread::get_id());
}

} // namespace
