// The handler registry: which handler kind a function takes, that every catalogue row has a
// way to be answered, and the unbuilt error every function without a handler gives.
#include "app/app_folders.h"
#include "app/language_document.h"
#include "app/log.h"
#include "app/page_session.h"
#include "app/settings_store.h"
#include "bridge/account_functions.h"
#include "bridge/callback_rule_functions.h"
#include "bridge/credential_functions.h"
#include "bridge/direct_functions.h"
#include "bridge/handler_registry.h"
#include "bridge/program_engine.h"
#include "bridge/queueing_functions.h"
#include "bridge/settings_functions.h"
#include "bridge/unbuilt_functions.h"
#include "ops/download_queueing.h"
#include "ops/login_targets.h"
#include "platform/task_pool.h"
#include "store/user_database.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <set>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace zym;

struct UnbuiltFunctionsTest : ::testing::Test
{
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("zym_registry_" + std::to_string(::getpid()));
        fs::create_directories(folder / "language");
        std::ofstream(folder / "language" / "default-en.xml")
            << "<dialog><prompt><string NotBuilt=\"Not in this version\"/></prompt></dialog>";
        ASSERT_TRUE(language.Load((folder / "language" / "default-en.xml").string()));
    }
    void TearDown() override { fs::remove_all(folder); }

    fs::path folder;
    LanguageDocument language;
};

struct Collect : ReplyTarget
{
    void Deliver(const std::string& text) const override { answers.push_back(text); }
    mutable std::vector<std::string> answers;
};

TEST(HandlerRegistry, TakesTheHandlerKindOfTheFunctionsRoute)
{
    HandlerRegistry registry;
    const DirectHandler direct = [](const ReadArguments&) {
        return std::string("x");
    };
    const AsyncHandler async = [](PageCall&) {
    };
    struct Case
    {
        const char* name;
        bool direct;
        bool async;
    } cases[] = {
        {"getAccessID", true, false},                                    // Route::Direct
        {"loginByKey", false, true},                                     // Route::Message
        {"startUpload", false, true},                                    // Route::Task
        {"changeUpload", false, true},                                   // Route::Reporter
        {"noSuchFunction", false, false}, {"getAccessId", false, false}, // names are case-sensitive
    };
    for (const Case& c : cases) {
        EXPECT_EQ(registry.AddDirect(c.name, direct), c.direct) << c.name;
        EXPECT_EQ(registry.AddAsync(c.name, async), c.async) << c.name;
        EXPECT_EQ(registry.Has(c.name), c.direct || c.async) << c.name;
    }
    EXPECT_EQ(registry.Size(), 4u);
    EXPECT_FALSE(registry.AddDirect("getUIPath", nullptr)); // an empty handler is no handler
}

// Every catalogue row is registered by core, registered by the shell, or listed as unbuilt;
// never two of them (a function built but still listed would answer the error).
TEST_F(UnbuiltFunctionsTest, EveryCatalogueRowHasExactlyOneWayToBeAnswered)
{
    AppFolders folders;
    Session session;
    StartConditions conditions;
    LoginTargets logins{session, conditions};
    PageSession page;
    CTaskPool pool;
    const std::atomic<bool> shuttingDown{false};
    Log log([] { return std::time_t(0); });
    SettingsStore settings((folder / "settings.reg").string());
    SettingsFunctions settingsFunctions(settings, language, folders, page);
    CUserDatabase userDatabase("machine");
    HandlerRegistry registry;
    RegisterSessionFunctions(registry, session, page, conditions, log);
    RegisterSettingsFunctions(registry, settingsFunctions);
    RegisterHostFunctions(registry, session, settings);
    RegisterDeviceFunctions(registry);
    RegisterAccountFunctions(registry, logins, pool, userDatabase, language);
    CallbackRuleFunctions rules(nullptr, nullptr, language, log);
    RegisterCallbackRuleFunctions(registry, rules);
    RegisterCredentialFunctions(registry, logins, userDatabase, language, log);
    StopLoadFlags stopLoad;
    RegisterQueueingFunctions(registry, stopLoad);
    ProgramEngine transfers(logins, folders.dataFolder, page, shuttingDown, pool, log, settings,
                            [](std::string_view) { return std::string(); });
    transfers.RegisterFunctions(registry);
    // Registered by the shell's window, desktop, key-file, page-operation and queueing modules,
    // which need Qt (native dialogs, the clipboard, the launchpad's script).
    const std::set<std::string_view> shell = {"showWnd",       "showAuthorizationDlg", "closeWnd",
                                              "showLaunchpad", "setClipboardData",     "getClipboardData",
                                              "getDragFiles",  "selectFileDlg",        "saveFileDlg",
                                              "openUrl",       "openLogFolder",        "addFile",
                                              "saveFile",      "copyObject",           "deleteObject",
                                              "deleteBucket",  "saveAuthorization",    "loginByFile"};
    const std::set<std::string_view> unbuilt(UnbuiltFunctions().begin(), UnbuiltFunctions().end());
    EXPECT_EQ(unbuilt.size(), UnbuiltFunctions().size()) << "a name is listed twice";

    for (const BridgeFunction& f : Catalogue()) {
        const int ways = int(registry.Has(f.name)) + int(shell.count(f.name)) + int(unbuilt.count(f.name));
        EXPECT_EQ(ways, 1) << f.name;
    }
    for (std::string_view name : unbuilt)
        EXPECT_NE(FindFunction(name), nullptr) << name;
}

TEST_F(UnbuiltFunctionsTest, UnbuiltFunctionsAnswerTheErrorAtOnceAndLogIt)
{
    Log log([] { return std::time_t(0); });
    ASSERT_TRUE(log.OpenLog((folder / "log").string()));
    const std::string reply = R"({"error":501,"message":"Not in this version"})";
    EXPECT_EQ(UnbuiltReply(language), reply);

    struct Case
    {
        const char* name;
        bool callback;
        std::optional<std::string> value; // what the page's call returns
        std::size_t answers;              // callback calls
    } cases[] = {
        {"getUpload", false, reply, 0},     // direct: the reply is the value
        {"addFile", true, std::nullopt, 1}, // message route: through the callback
        {"startUpload", true, std::nullopt, 1},
        {"addFile", false, std::nullopt, 0}, // no callback: nothing to call, still logged
    };
    for (const Case& c : cases) {
        auto target = std::make_shared<Collect>();
        const auto value =
            AnswerUnbuilt(*FindFunction(c.name), c.callback ? target : ReplyTargetPtr(), language, log);
        EXPECT_EQ(value, c.value) << c.name;
        ASSERT_EQ(target->answers.size(), c.answers) << c.name;
        if (c.answers) {
            EXPECT_EQ(target->answers[0], reply);
        }
    }
    log.CloseLog();
    std::ifstream file(log.FilePath().empty() ? std::string() : log.FilePath());
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::size_t lines = 0;
    for (std::size_t at = text.find("[not built]"); at != std::string::npos;
         at = text.find("[not built]", at + 1))
        ++lines;
    EXPECT_EQ(lines, std::size(cases));
    EXPECT_NE(text.find("[bridge][getUpload][not built]"), std::string::npos);
}

} // namespace
