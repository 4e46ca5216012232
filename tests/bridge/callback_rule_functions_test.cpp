// setCallFunctionInfo / getCallFunctionInfo against a real transfer queue file.
#include "app/language_document.h"
#include "app/log.h"
#include "bridge/callback_rule_functions.h"
#include "bridge/unbuilt_functions.h"
#include "store/trans_database.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace zym {
namespace {

class CallbackRuleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder_ = std::filesystem::temp_directory_path() /
                  ("zym-rules-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder_);
        ASSERT_TRUE(db_.Open((folder_ / "transdb.db").string(), true));
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    CallbackRuleFunctions Functions(CTransDatabase* db)
    {
        return CallbackRuleFunctions([db] { return db; },
                                     [this](const CallbackRule& rule) { engineList_.push_back(rule); },
                                     language_, log_);
    }

    std::filesystem::path folder_;
    CTransDatabase db_;
    LanguageDocument language_;
    Log log_;
    std::vector<CallbackRule> engineList_;
};

TEST_F(CallbackRuleTest, StoredRuleIsReadBackFormattedAfterReopening)
{
    Functions(&db_).SetCallFunctionInfo("{\"bucket\":\"photos\",\"regular\":\"\\\\.jpg$\",\"url\":\"http://"
                                        "cb.example/x\",\"status\":1,\"num\":3}");
    ASSERT_EQ(engineList_.size(), 1u);
    EXPECT_EQ(engineList_[0].host, "http://cb.example/x");
    EXPECT_EQ(engineList_[0].num, 3);

    // A new run: the same file opened again.
    CTransDatabase again;
    ASSERT_TRUE(again.Open(db_.Path(), true));
    EXPECT_EQ(
        Functions(&again).GetCallFunctionInfo("{\"bucket\":\"photos\"}"),
        "{\n\t\"bucket\":\t\"photos\",\n\t\"regular\":\t\"\\\\.jpg$\",\n\t\"url\":\t\"http://cb.example/x\","
        "\n\t\"status\":\t1,\n\t\"num\":\t3\n}");
}

TEST_F(CallbackRuleTest, MissingMembersAreEmptyAndALaterRuleReplacesTheBucketsRule)
{
    auto functions = Functions(&db_);
    functions.SetCallFunctionInfo("{\"bucket\":\"b\",\"regular\":\"a\",\"status\":2}");
    functions.SetCallFunctionInfo("{\"bucket\":\"b\",\"url\":\"http://h/\"}");
    EXPECT_EQ(functions.GetCallFunctionInfo("{\"bucket\":\"b\"}"),
              "{\n\t\"bucket\":\t\"b\",\n\t\"regular\":\t\"\",\n\t\"url\":\t\"http://h/\",\n\t\"status\":\t0,"
              "\n\t\"num\":\t0\n}");
}

TEST_F(CallbackRuleTest, NoRuleAndNotJson)
{
    auto functions = Functions(&db_);
    functions.SetCallFunctionInfo("not json");
    EXPECT_TRUE(engineList_.empty());
    EXPECT_TRUE(db_.LoadRules().empty());
    EXPECT_EQ(functions.GetCallFunctionInfo("{\"bucket\":\"none\"}"), "{}");
}

TEST_F(CallbackRuleTest, WithoutAQueueNothingIsStoredAndTheReaderAnswersTheRegistrysError)
{
    auto functions = Functions(nullptr);
    functions.SetCallFunctionInfo("{\"bucket\":\"b\"}");
    EXPECT_TRUE(engineList_.empty());
    EXPECT_EQ(functions.GetCallFunctionInfo("{\"bucket\":\"b\"}"), UnbuiltReply(language_));
    EXPECT_NE(log_.GetErrorLog().find("no transfer queue is open"), std::string::npos);
}

} // namespace
} // namespace zym
