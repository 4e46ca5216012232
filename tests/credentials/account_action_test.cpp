#include "credentials/account_action.h"
#include "credentials_fixture.h"
#include "store/user_database.h"

namespace zym {
namespace {

const std::string kMachineId = "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b";

class AccountActionTest : public CredentialsTest
{
protected:
    void SetUp() override
    {
        CredentialsTest::SetUp();
        ASSERT_TRUE(db_.Open(dir_ + "/zymuser.db"));
        ASSERT_TRUE(db_.InitUserDatabase());
    }
    std::string Act(std::string_view action, std::string_view argument, const std::string& id = "AK-main",
                    std::int64_t now = 1700000000)
    {
        return AccountAction(db_, action, argument, id, now);
    }
    CUserDatabase db_{kMachineId};
};

TEST_F(AccountActionTest, SubKeysEveryAction)
{
    EXPECT_EQ(Act("getrams", "ignored"), "{\"list\":[]}");
    EXPECT_EQ(Act("addram", "{\"subkeyid\":\"sub-1\",\"subsecret\":\"ram-secret-1\",\"keyid\":\"forged\","
                            "\"createtime\":5}"),
              "{}");
    EXPECT_EQ(Act("addram", "{\"subkeyid\":\"it's\",\"subsecret\":\"ram-secret-2\"}", "AK-other", 1700000001),
              "{}");
    EXPECT_EQ(Act("getram", "{\"subkeyid\":\"sub-1\"}"),
              "{\"keyid\":\"AK-main\",\"subkeyid\":\"sub-1\",\"subsecret\":\"ram-secret-1\",\"createtime\":"
              "1700000000}");
    EXPECT_EQ(Act("getrams", ""),
              "{\"list\":[{\"keyid\":\"AK-main\",\"subkeyid\":\"sub-1\",\"subsecret\":\"ram-secret-1\","
              "\"createtime\":1700000000},{\"keyid\":\"AK-other\",\"subkeyid\":\"it's\",\"subsecret\":"
              "\"ram-secret-2\",\"createtime\":1700000001}]}");
    // The same subkeyid again replaces secret and time.
    EXPECT_EQ(Act("addram", "{\"subkeyid\":\"sub-1\",\"subsecret\":\"ram-secret-3\"}", "AK-main", 1700000009),
              "{}");
    EXPECT_EQ(Act("getram", "{\"subkeyid\":\"sub-1\"}"),
              "{\"keyid\":\"AK-main\",\"subkeyid\":\"sub-1\",\"subsecret\":\"ram-secret-3\",\"createtime\":"
              "1700000009}");
    EXPECT_EQ(Act("delram", "{\"subkeyid\":\"sub-1\"}"), "{}");
    EXPECT_EQ(Act("getram", "{\"subkeyid\":\"sub-1\"}"), "{}");
    EXPECT_EQ(Act("getram", "{\"subkeyid\":\"unknown\"}"), "{}");
    EXPECT_EQ(Act("getram", "not json"), "{}");
    EXPECT_EQ(Act("AddRam", "{\"subkeyid\":\"x\",\"subsecret\":\"y\"}"), "{}");
    EXPECT_EQ(Act("getrams", "").find("\"subkeyid\":\"x\""), std::string::npos);
}

TEST_F(AccountActionTest, TokensEveryAction)
{
    EXPECT_EQ(Act("getstss", ""), "{\"list\":[]}");
    EXPECT_EQ(Act("addsts", "{\"subkeyid\":\"sub\",\"token\":\"tok-secret\",\"stskeyid\":\"sts-1\","
                            "\"stssecret\":\"sts-secret\",\"expiretime\":12.9}"),
              "{}");
    EXPECT_EQ(Act("addsts", "{\"stskeyid\":\"sts-2\",\"expiretime\":\"99\"}", "", 7), "{}");
    EXPECT_EQ(Act("getsts", "{\"stskeyid\":\"sts-1\"}"),
              "{\"keyid\":\"AK-main\",\"subkeyid\":\"sub\",\"token\":\"tok-secret\",\"stskeyid\":\"sts-1\","
              "\"stssecret\":\"sts-secret\",\"createtime\":1700000000,\"expiretime\":12}");
    EXPECT_EQ(Act("getsts", "{\"stskeyid\":\"sts-2\"}"),
              "{\"keyid\":\"\",\"subkeyid\":\"\",\"token\":\"\",\"stskeyid\":\"sts-2\",\"stssecret\":\"\","
              "\"createtime\":7,\"expiretime\":0}");
    EXPECT_EQ(Act("addsts", "{\"stskeyid\":\"sts-3\",\"expiretime\":9007199254740993}"), "{}");
    EXPECT_NE(Act("getsts", "{\"stskeyid\":\"sts-3\"}").find("\"expiretime\":9007199254740992"),
              std::string::npos); // the page's number as JSON reads it
    EXPECT_EQ(Act("delsts", "{\"stskeyid\":\"sts-1\"}"), "{}");
    EXPECT_EQ(Act("getsts", "{\"stskeyid\":\"sts-1\"}"), "{}");
    EXPECT_NE(Act("getstss", "").find("\"stskeyid\":\"sts-2\""), std::string::npos);
    EXPECT_EQ(Act("getSts", "{\"stskeyid\":\"sts-2\"}"), "{}");
}

TEST_F(AccountActionTest, DatabaseFileHoldsNoPlainText)
{
    Act("addram", "{\"subkeyid\":\"visible-sub-id\",\"subsecret\":\"RAM-SECRET-PLAIN\"}", "AK-PLAIN-ID");
    Act("addsts",
        "{\"subkeyid\":\"visible-sub-id\",\"token\":\"TOKEN-PLAIN\",\"stskeyid\":\"STS-ID-PLAIN\","
        "\"stssecret\":\"STS-SECRET-PLAIN\"}",
        "AK-PLAIN-ID");
    db_.Connection().Close();
    const std::string file = ReadAll(dir_ + "/zymuser.db");
    for (const char* plain : {"visible-sub-id", "RAM-SECRET-PLAIN", "AK-PLAIN-ID", "TOKEN-PLAIN",
                              "STS-ID-PLAIN", "STS-SECRET-PLAIN"}) {
        EXPECT_EQ(file.find(plain), std::string::npos) << plain;
    }
    // Another machine lists the rows but cannot find them by id.
    CUserDatabase elsewhere("0000000000000000000000000000000000000000");
    ASSERT_TRUE(elsewhere.Open(dir_ + "/zymuser.db"));
    EXPECT_EQ(AccountAction(elsewhere, "getram", "{\"subkeyid\":\"visible-sub-id\"}", "", 0), "{}");
    EXPECT_NE(AccountAction(elsewhere, "getrams", "", "", 0), "{\"list\":[]}");
}

} // namespace
} // namespace zym
