// Reading the UI folder's config.json: size limit, line breaks, the "source" member.
#include "app/ui_config.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

struct ConfigCase
{
    const char* name;
    const char* content; // nullptr: no file at all
    const char* text;
    const char* source;
};

class UiConfigFile : public testing::TestWithParam<ConfigCase>
{
};

TEST_P(UiConfigFile, ReadsTextAndSource)
{
    const ConfigCase& c = GetParam();
    const auto dir = std::filesystem::temp_directory_path() / ("zym_ui_config_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto path = dir / (std::string(c.name) + ".json");
    std::filesystem::remove(path);
    if (c.content) {
        std::ofstream out(path, std::ios::binary);
        out << c.content;
    }
    zym::UiConfig config = zym::ReadUiConfig(path.string());
    EXPECT_EQ(config.text, c.text);
    EXPECT_EQ(config.source, c.source);
    std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UiConfigFile,
    testing::Values(ConfigCase{"missing", nullptr, "", ""}, ConfigCase{"two_bytes", "{}", "", ""},
                    ConfigCase{"crlf", "{\r\n  \"source\": \"web\",\r\n  \"x\": 1\r\n}\r\n",
                               "{  \"source\": \"web\",  \"x\": 1}", "web"},
                    ConfigCase{"number_source", "{\"source\": 12}", "{\"source\": 12}", ""},
                    ConfigCase{"later_wins", "{\"source\":\"a\",\"source\":\"b\"}",
                               "{\"source\":\"a\",\"source\":\"b\"}", "b"},
                    ConfigCase{"not_json", "source", "source", ""},
                    ConfigCase{"unicode", "{\"source\":\"渠道\"}", "{\"source\":\"渠道\"}", "渠道"}),
    [](const testing::TestParamInfo<ConfigCase>& info) { return info.param.name; });

} // namespace
