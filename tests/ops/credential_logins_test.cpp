// Key-file and password log-ins end where the key log-in ends: session values, signing keys,
// the logged-in flag; a failed one changes nothing.
#include "app/language_document.h"
#include "app/log.h"
#include "credentials/key_file_operations.h"
#include "credentials/password_lock.h"
#include "ops/credential_logins.h"
#include "ops/login_by_key_task.h"
#include "ops/login_targets.h"
#include "platform/machine_id.h"
#include "platform/task_pool.h"
#include "service/error_text.h"
#include "store/user_database.h"
#include "test_paths.h"

#include <condition_variable>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <unistd.h>

namespace {

// The session and start conditions one login writes to.
struct Account
{
    zym::Session session;
    zym::StartConditions conditions;
    zym::LoginTargets targets{session, conditions};
};

struct Answers : zym::ReplyTarget
{
    mutable std::mutex lock;
    mutable std::condition_variable changed;
    mutable std::vector<std::string> texts;
    void Deliver(const std::string& text) const override
    {
        std::lock_guard g(lock);
        texts.push_back(text);
        changed.notify_all();
    }
    std::string WaitOne() const
    {
        std::unique_lock g(lock);
        changed.wait(g, [&] { return !texts.empty(); });
        return texts.front();
    }
};

class CredentialLogins : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/zym-logins-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ASSERT_TRUE(language_.Load(zymtest::SourceDir() + "/language/default-en.xml"));
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string RunFileLogin(Account& account, const std::string& path)
    {
        auto answers = std::make_shared<Answers>();
        zym::CTaskPool pool;
        EXPECT_TRUE(pool.Start(3));
        pool.Post(std::make_unique<zym::CLoginByFileTask>(account.targets, language_, log_,
                                                          "{\"location\":\"cn-north\"}", path, answers));
        const std::string reply = answers->WaitOne();
        pool.Stop();
        return reply;
    }

    std::string dir_;
    zym::LanguageDocument language_;
    zym::Log log_{[] {
        return std::time_t(0);
    }};
};

TEST_F(CredentialLogins, KeyFileLogsInLikeTheKeyLogin)
{
    const std::string path = dir_ + "/zym.key";
    ASSERT_EQ(zym::SaveAuthorization("{\"keyid\":\"AK-file\",\"keysecret\":\"SK-file\",\"encoding\":\"" +
                                         zym::MachineId() + "\"}",
                                     path, language_, log_),
              zym::kSuccessReply);
    Account account;
    EXPECT_EQ(RunFileLogin(account, path), zym::kSuccessReply);
    EXPECT_EQ(account.session.Current()->accessId, "AK-file");
    EXPECT_EQ(account.session.Current()->location, "cn-north");
    EXPECT_EQ(account.session.Current()->secret, "SK-file");
    EXPECT_TRUE(account.conditions.LoggedIn());
}

TEST_F(CredentialLogins, KeyFileOfAnotherDeviceChangesNothing)
{
    const std::string path = dir_ + "/other.key";
    ASSERT_EQ(zym::SaveAuthorization("{\"keyid\":\"AK\",\"keysecret\":\"SK\",\"encoding\":\"other-device\"}",
                                     path, language_, log_),
              zym::kSuccessReply);
    Account account;
    EXPECT_EQ(RunFileLogin(account, path), zym::ReplyText(8, language_.String("prompt", "DecryptError")));
    EXPECT_EQ(account.session.Current()->accessId, "");
    EXPECT_EQ(account.session.Current()->secret, "");
    EXPECT_FALSE(account.conditions.LoggedIn());
}

TEST_F(CredentialLogins, PasswordLockRestoresKeysAreaAndHost)
{
    zym::CUserDatabase db(zym::MachineId());
    ASSERT_TRUE(db.Open(dir_ + "/zymuser.db"));
    ASSERT_TRUE(db.InitUserDatabase());
    zym::PasswordLock lock(db, zym::MachineIdentifier(), zym::MachineId());
    {
        Account first;
        zym::CompleteLogin(first.targets, "AK-lock", "SK-lock", "cn-east");
        first.session.Update([](zym::Login& l) { l.hostOverride = "own.host.example"; });
        ASSERT_EQ(zym::SetSessionPassword(first.session, lock, "{\"password\":\"pw\"}", language_),
                  zym::kSuccessReply);
    }
    Account next;
    next.session.Update([](zym::Login& l) { l.hostOverride = "before"; });
    EXPECT_EQ(zym::LoginPassword(next.targets, lock, "{\"password\":\"nope\"}", language_),
              zym::ReplyText(6, language_.String("prompt", "PasswordError")));
    EXPECT_EQ(next.session.Current()->hostOverride, "before");
    EXPECT_FALSE(next.conditions.LoggedIn());

    EXPECT_EQ(zym::LoginPassword(next.targets, lock, "{\"password\":\"pw\"}", language_), zym::kSuccessReply);
    EXPECT_EQ(next.session.Current()->accessId, "AK-lock");
    EXPECT_EQ(next.session.Current()->location, "cn-east");
    EXPECT_EQ(next.session.Current()->hostOverride, "own.host.example");
    EXPECT_EQ(next.session.Current()->secret, "SK-lock");
    EXPECT_TRUE(next.conditions.LoggedIn());
}

} // namespace
