#include "credentials/password_lock.h"
#include "credentials_fixture.h"
#include "platform/protected_text.h"
#include "store/user_database.h"

namespace zym {
namespace {

const std::string kIdentifier = "-1234567";
const std::string kMachineId = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4";
const std::string kSecret = "lock-secret-value-42";

class PasswordLockTest : public CredentialsTest
{
protected:
    void SetUp() override
    {
        CredentialsTest::SetUp();
        ASSERT_TRUE(db_.Open(dir_ + "/zymuser.db"));
        ASSERT_TRUE(db_.InitUserDatabase());
    }
    std::string Set(PasswordLock& lock, const std::string& argument)
    {
        return lock.SetPassword(argument, {"AK-lock", kSecret}, "cn-east", "host.example", language_);
    }

    CUserDatabase db_{kMachineId};
};

TEST_F(PasswordLockTest, LocksAndUnlocksWithTheRightPasswordOnly)
{
    PasswordLock lock(db_, kIdentifier, kMachineId);
    ASSERT_EQ(Set(lock, "{\"password\":\"pass word\"}"), kSuccessReply);

    AccountRecord row;
    ASSERT_TRUE(db_.LoadAccount(row));
    // known_answers.py: MD5 of the identifier followed by the password.
    EXPECT_EQ(row.password, "93FC30D7DAC43F4FF79787CF8019C0E2");
    EXPECT_EQ(row.area, "cn-east");
    EXPECT_EQ(row.host, "host.example");
    EXPECT_EQ(ReadAll(dir_ + "/zymuser.db").find(kSecret), std::string::npos);
    EXPECT_EQ(ReadAll(dir_ + "/zymuser.db").find("pass word"), std::string::npos);

    EXPECT_EQ(lock.LoginPassword("{\"password\":\"wrong\"}", language_).reply, Reply(6, "PasswordError"));
    EXPECT_EQ(lock.LoginPassword("{\"password\":", language_).reply, Reply(1, "JsonError"));

    // A new lock object over a reopened file: what a new program run sees.
    CUserDatabase reopened(kMachineId);
    ASSERT_TRUE(reopened.Open(dir_ + "/zymuser.db"));
    PasswordLock later(reopened, kIdentifier, kMachineId);
    const PasswordLock::Unlocked ok = later.LoginPassword("{\"password\":\"pass word\"}", language_);
    EXPECT_EQ(ok.reply, "");
    EXPECT_EQ(ok.keys.id, "AK-lock");
    EXPECT_EQ(ok.keys.secret, kSecret);
    EXPECT_EQ(ok.area, "cn-east");
    EXPECT_EQ(ok.host, "host.example");
}

TEST_F(PasswordLockTest, EmptyPasswordAndMissingMemberAreTheSame)
{
    PasswordLock lock(db_, kIdentifier, kMachineId);
    ASSERT_EQ(Set(lock, "{\"password\":\"\"}"), kSuccessReply);
    EXPECT_EQ(lock.LoginPassword("{}", language_).reply, "");
    EXPECT_EQ(lock.LoginPassword("{\"password\":\"\"}", language_).keys.secret, kSecret);
}

TEST_F(PasswordLockTest, StoredFormIsDeterministicAndTheMachineBindsIt)
{
    PasswordLock lock(db_, kIdentifier, kMachineId);
    ASSERT_EQ(Set(lock, "{\"password\":\"p\"}"), kSuccessReply);
    AccountRecord first;
    ASSERT_TRUE(db_.LoadAccount(first));
    ASSERT_EQ(Set(lock, "{\"password\":\"p\"}"), kSuccessReply);
    AccountRecord second;
    ASSERT_TRUE(db_.LoadAccount(second));
    EXPECT_EQ(first.accessid, second.accessid);
    EXPECT_EQ(first.accesskey, second.accesskey);

    // The same file on another machine: another identifier gives another digest.
    PasswordLock elsewhere(db_, "99", "another-machine-id-0000000000000000000000");
    EXPECT_EQ(elsewhere.LoginPassword("{\"password\":\"p\"}", language_).reply, Reply(6, "PasswordError"));
}

TEST_F(PasswordLockTest, ClearPasswordForgetsTheRow)
{
    PasswordLock lock(db_, kIdentifier, kMachineId);
    ASSERT_EQ(Set(lock, "{\"password\":\"p\"}"), kSuccessReply);
    lock.ClearPassword();
    AccountRecord row;
    EXPECT_FALSE(db_.LoadAccount(row));
    EXPECT_EQ(lock.LoginPassword("{\"password\":\"p\"}", language_).reply, Reply(6, "PasswordError"));
}

TEST_F(PasswordLockTest, NotJsonStoresNothing)
{
    PasswordLock lock(db_, kIdentifier, kMachineId);
    EXPECT_EQ(Set(lock, "password"), Reply(1, "JsonError"));
    AccountRecord row;
    EXPECT_FALSE(db_.LoadAccount(row));
}

} // namespace
} // namespace zym
