#include "app/settings_store.h"
#include "service/session_call.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace zym;

TEST(SessionCall, TakesKeysHostAndTheSettingsDomain)
{
    const auto folder =
        std::filesystem::temp_directory_path() / ("zym-session-call-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    SettingsStore settings((folder / "settings.reg").string());
    Session environment;
    environment.Replace({"id-9", "secret-9", "cn-east-internal", ""});

    // Without the setting: the built-in suffix.
    ServiceCall call = SessionCall(environment, settings, "cn-east");
    EXPECT_EQ(call.host, std::string("cn-east-internal") + ZYM_SERVICE_DOMAIN_DEFAULT);
    EXPECT_EQ(call.keys.id, "id-9");
    EXPECT_EQ(call.keys.secret, "secret-9");

    ASSERT_TRUE(settings.WriteText("ServiceDomain", "zym.localhost:8123"));
    EXPECT_EQ(SessionCall(environment, settings, "cn-east").host, "cn-east-internal.zym.localhost:8123");
    EXPECT_EQ(SessionCall(environment, settings, "cn-north").host, "cn-north.zym.localhost:8123");

    environment.Update([](Login& l) { l.hostOverride = "picked.example.test"; });
    EXPECT_EQ(SessionCall(environment, settings, "cn-north").host, "picked.example.test");
    std::filesystem::remove_all(folder);
}
