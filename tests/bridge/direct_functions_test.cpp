// The direct page functions answered by core: registration rules, session values,
// signatures with the session's keys, changeHost's quoting rule.
#include "app/log.h"
#include "app/page_session.h"
#include "app/settings_store.h"
#include "bridge/direct_functions.h"
#include "platform/machine_id.h"
#include "service/session.h"
#include "service/signer.h"
#include "transfer/start_conditions.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

std::string CallDirect(const zym::HandlerRegistry& table, const char* name, std::string text = {},
                       std::string text2 = {})
{
    const zym::DirectHandler* handler = table.FindDirect(name);
    if (!handler)
        return "<no handler>";
    zym::ReadArguments args;
    args.proceed = true;
    args.text = std::move(text);
    args.text2 = std::move(text2);
    return (*handler)(args);
}

TEST(SessionFunctions, AnswerTheSessionAndSignWithItsKeys)
{
    zym::Session session;
    zym::PageSession page;
    zym::StartConditions conditions;
    zym::Log log([] { return std::time_t(0); });
    zym::HandlerRegistry table;
    zym::RegisterSessionFunctions(table, session, page, conditions, log);
    EXPECT_EQ(CallDirect(table, "getAccessID"), "");
    EXPECT_EQ(CallDirect(table, "getCurrentHost"), "");

    session.Replace({"id1", "secret1", "cn-north", "my.host"});
    page.configText = "{\"source\":\"x\"}";
    EXPECT_EQ(CallDirect(table, "getAccessID"), "id1");
    EXPECT_EQ(CallDirect(table, "getCurrentLocation"), "cn-north");
    EXPECT_EQ(CallDirect(table, "getCurrentHost"), "my.host");
    EXPECT_EQ(CallDirect(table, "configInfo"), "{\"source\":\"x\"}");

    // Known answers: HMAC-SHA1 of "GET\n\n\n5\n/b/k" with "secret1", base64 (worked out with
    // Python's hmac); the RPC one is the signer test's known answer under the same keys.
    const std::string json = "{\"verb\":\"GET\",\"expires\":5,\"canonicalized_resource\":\"/b/k\"}";
    EXPECT_EQ(CallDirect(table, "getSignature", json), "eQURGJQIB/JsI/YNxYQsBwtFbQM=");
    session.Replace({"AKID", "secret-key", "cn-north", "my.host"});
    EXPECT_EQ(
        CallDirect(table, "getRamSignature", "GET",
                   R"({"Version":"2015-05-01","Name":"a b*~é","Action":"ListUsers","Empty":"","":"dropped",
        "Num":5})"),
        "cNO0qIwrycwA0lIJxSjsT15Dcos=");

    EXPECT_FALSE(conditions.PageLoaded());
    CallDirect(table, "loadFinish");
    EXPECT_TRUE(conditions.PageLoaded());
}

TEST(DeviceFunctions, GetDeviceEncodingIsTheMachineIdDigest)
{
    zym::HandlerRegistry table;
    zym::RegisterDeviceFunctions(table);
    const std::string answer = CallDirect(table, "getDeviceEncoding");
    EXPECT_EQ(answer, zym::MachineId());
    ASSERT_EQ(answer.size(), 40u);
    EXPECT_EQ(answer.find_first_not_of("0123456789abcdef"), std::string::npos);
}

TEST(HostFunctions, ChangeHostStripsQuotedWordsAndPrefersTheAccountHost)
{
    const auto folder =
        std::filesystem::temp_directory_path() / ("zym_change_host_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    zym::SettingsStore settings((folder / "settings.reg").string());
    ASSERT_TRUE(settings.WriteText("ServiceDomain", ".zym.localhost:9000"));
    zym::Session session;
    zym::HandlerRegistry table;
    zym::RegisterHostFunctions(table, session, settings);

    struct Case
    {
        const char* text;
        const char* host;
    } cases[] = {{"\"cn-east\"", "cn-east.zym.localhost:9000"},
                 {"abc", "b.zym.localhost:9000"},
                 {"ab", "ab.zym.localhost:9000"},
                 {"a", "a.zym.localhost:9000"},
                 {"\"区域\"", "区域.zym.localhost:9000"}};
    for (const Case& c : cases)
        EXPECT_EQ(CallDirect(table, "changeHost", c.text), c.host) << c.text;

    session.Update([](zym::Login& l) { l.hostOverride = "account.example.localhost"; });
    EXPECT_EQ(CallDirect(table, "changeHost", "\"cn-east\""), "account.example.localhost");
    std::filesystem::remove_all(folder);
}

} // namespace
