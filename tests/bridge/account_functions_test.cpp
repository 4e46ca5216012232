// setServerLocation as the account functions answer it: the host reaches the session every
// request signs with (the transfers' too, through the engine's login), and the saved log-in
// keeps it; an argument that is not JSON changes nothing and answers error 1.
#include "app/language_document.h"
#include "app/settings_store.h"
#include "bridge/account_functions.h"
#include "bridge/handler_registry.h"
#include "ops/login_targets.h"
#include "platform/task_pool.h"
#include "store/user_database.h"
#include "transfer/account_login.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace zym;

struct Collect : ReplyTarget
{
    void Deliver(const std::string& text) const override { answers.push_back(text); }
    mutable std::vector<std::string> answers;
};

struct SetServerLocationTest : ::testing::Test
{
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("zym_account_functions_" + std::to_string(::getpid()));
        fs::create_directories(folder);
        std::ofstream(folder / "en.xml") << "<dialog><prompt><string JsonError=\"The request is not in the "
                                            "expected format\"/></prompt></dialog>";
        ASSERT_TRUE(language.Load((folder / "en.xml").string()));
        ASSERT_TRUE(userDatabase.Open((folder / "zymuser.db").string()));
        ASSERT_TRUE(userDatabase.InitUserDatabase());
        ASSERT_TRUE(userDatabase.SaveAccount({"id", "secret", "cn-east", "old.example", "digest"}));
    }
    void TearDown() override { fs::remove_all(folder); }

    std::vector<std::string> Call(const std::string& argument)
    {
        auto target = std::make_shared<Collect>();
        PageCall call;
        call.args.text = argument;
        call.reply = target;
        (*registry.FindAsync("setServerLocation"))(call);
        return target->answers;
    }

    fs::path folder;
    LanguageDocument language;
    CUserDatabase userDatabase{"machine"};
    Session session;
    StartConditions conditions;
    LoginTargets logins{session, conditions};
    CTaskPool pool;
    HandlerRegistry registry;
};

TEST_F(SetServerLocationTest, HostReachesTheEnginesSessionAndTheSavedLogIn)
{
    CTransferEngine engine(conditions, TaskServices{}, nullptr);
    SettingsStore settings((folder / "settings.reg").string());
    TransferLogin transfers(engine, session, settings, (folder / "data").string());
    logins.transferLogin = &transfers;
    RegisterAccountFunctions(registry, logins, pool, userDatabase, language);

    EXPECT_EQ(Call(R"({"location":"own.example:8080"})"),
              std::vector<std::string>{R"({"error":0,"message":""})"});
    EXPECT_EQ(session.Current()->hostOverride, "own.example:8080");
    // The transfers sign with the session: a row queued for another host goes to this one.
    TransferRow row;
    row.host = "cn-east.zym.example";
    EXPECT_EQ(SessionServiceCall(session)(row).host, "own.example:8080");
    AccountRecord saved;
    ASSERT_TRUE(userDatabase.LoadAccount(saved));
    EXPECT_EQ(saved.host, "own.example:8080");
}

TEST_F(SetServerLocationTest, AnArgumentThatIsNotJsonChangesNothing)
{
    RegisterAccountFunctions(registry, logins, pool, userDatabase, language);
    EXPECT_EQ(Call("not json"), std::vector<std::string>{
                                    R"({"error":1,"message":"The request is not in the expected format"})"});
    EXPECT_EQ(session.Current()->hostOverride, "");
    AccountRecord saved;
    ASSERT_TRUE(userDatabase.LoadAccount(saved));
    EXPECT_EQ(saved.host, "old.example");
}

} // namespace
