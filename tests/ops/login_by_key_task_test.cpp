// Logging in with a key pair: session values, signing keys and the reply.
#include "ops/login_by_key_task.h"
#include "ops/login_targets.h"
#include "platform/task_pool.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

namespace {

struct Page : zym::ReplyTarget
{
    mutable std::mutex lock;
    mutable std::condition_variable changed;
    mutable std::vector<std::string> answers;
    void Deliver(const std::string& text) const override
    {
        std::lock_guard g(lock);
        answers.push_back(text);
        changed.notify_all();
    }
    std::string WaitOne() const
    {
        std::unique_lock g(lock);
        changed.wait(g, [&] { return !answers.empty(); });
        return answers.front();
    }
};

TEST(LoginByKeyTask, SetsSessionAndKeysAndReplies)
{
    struct Case
    {
        const char* argument;
        const char* id;
        const char* secret;
        const char* location;
    } cases[] = {
        {"{\"keyid\":\"AK\",\"keysecret\":\"SK\",\"location\":\"cn-east\"}", "AK", "SK", "cn-east"},
        {"{}", "", "", ""},       // logs in with empty keys
        {"not json", "", "", ""}, // an argument that does not parse: all empty
        {"{\"keyid\":\"a\",\"keyid\":\"b\",\"keysecret\":7}", "b", "", ""}, // later wins; non-strings read ""
    };
    for (const Case& c : cases) {
        zym::Session session;
        zym::StartConditions conditions;
        zym::LoginTargets targets{session, conditions};
        zym::CTaskPool pool;
        session.Update([](zym::Login& l) { l.hostOverride = "kept.host"; });
        auto page = std::make_shared<Page>();
        ASSERT_TRUE(pool.Start(3));
        ASSERT_TRUE(pool.Post(std::make_unique<zym::CLoginByKeyTask>(targets, c.argument, page)));
        EXPECT_EQ(page->WaitOne(), "{\"error\":0,\"message\":\"\"}") << c.argument;
        pool.Stop();
        const auto login = session.Current();
        EXPECT_EQ(login->accessId, c.id) << c.argument;
        EXPECT_EQ(login->location, c.location) << c.argument;
        EXPECT_EQ(login->hostOverride, "kept.host"); // a key login leaves the account host alone
        EXPECT_EQ(login->secret, c.secret);
        EXPECT_TRUE(conditions.LoggedIn());
        EXPECT_EQ(page->answers.size(), 1u);
    }
}

} // namespace
