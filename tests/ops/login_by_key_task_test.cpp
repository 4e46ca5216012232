// Logging in with a key pair: session values, signing keys and the reply.
#include "ops/app_environment.h"
#include "ops/login_by_key_task.h"

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
        zym::AppEnvironment env;
        env.session.Update([](zym::Login& l) { l.hostOverride = "kept.host"; });
        auto page = std::make_shared<Page>();
        ASSERT_TRUE(env.operationPool.Start(3));
        ASSERT_TRUE(env.operationPool.Post(std::make_unique<zym::CLoginByKeyTask>(env, c.argument, page)));
        EXPECT_EQ(page->WaitOne(), "{\"error\":0,\"message\":\"\"}") << c.argument;
        env.operationPool.Stop();
        const auto login = env.session.Current();
        EXPECT_EQ(login->accessId, c.id) << c.argument;
        EXPECT_EQ(login->location, c.location) << c.argument;
        EXPECT_EQ(login->hostOverride, "kept.host"); // a key login leaves the account host alone
        EXPECT_EQ(login->secret, c.secret);
        EXPECT_TRUE(env.engineConditions.LoggedIn());
        EXPECT_EQ(page->answers.size(), 1u);
    }
}

} // namespace
