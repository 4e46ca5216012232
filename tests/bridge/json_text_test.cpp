#include "platform/json_text.h"

#include <cjson/cJSON.h>
#include <gtest/gtest.h>
#include <memory>

using zym::JsonArgs;
using zym::JsonEscape;

TEST(JsonEscape, EscapesInTheFixedOrder)
{
    struct Case
    {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"plain text", "plain text"},
        {"a\"b", "a\\\"b"},
        {"a/b", "a\\/b"},
        {"C:\\dir", "C:\\\\dir"},
        // An already escaped quote: the backslash doubles first, then the quote is escaped.
        {"\\\"", "\\\\\\\""},
        {"l1\r\nl2\t", "l1\\r\\nl2\\t"},
        {"\b\f", "\\b\\f"},
        {"中文 ok", "中文 ok"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JsonEscape(c.in), c.out) << c.in;
    }
}

TEST(JsonEscape, EveryControlCharacterGivesValidJson)
{
    std::string all;
    for (int c = 1; c < 0x20; ++c) {
        all.push_back(static_cast<char>(c));
    }
    all += "\"\\/";
    const std::string doc = "{\"m\":\"" + JsonEscape(all) + "\"}";
    std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_Parse(doc.c_str()), &cJSON_Delete);
    ASSERT_NE(root, nullptr) << doc;
    const cJSON* m = cJSON_GetObjectItemCaseSensitive(root.get(), "m");
    ASSERT_TRUE(cJSON_IsString(m));
    EXPECT_EQ(std::string(m->valuestring), all);
}

TEST(JsonArgs, ExactNamesLaterMemberWinsAndTypes)
{
    auto args =
        JsonArgs::Parse(R"({"url":"a","urls":"b","n":12.9,"n2":"7","url":"c","neg":-3.5,"o":{"x":1}})");
    ASSERT_TRUE(args);
    EXPECT_EQ(args->Text("url"), "c");
    EXPECT_EQ(args->Text("urls"), "b");
    EXPECT_FALSE(args->Text("ur"));
    EXPECT_EQ(args->Int("n"), 12);
    EXPECT_EQ(args->Int("neg"), -3);
    EXPECT_FALSE(args->Int("n2")) << "a string is not an integer";
    EXPECT_FALSE(args->Text("n")) << "a number is not a string";
    EXPECT_EQ(args->Raw("o"), R"({"x":1})");
    EXPECT_TRUE(args->Has("o"));
    EXPECT_FALSE(args->Has("missing"));
}

TEST(JsonArgs, RejectsWhatIsNotAnObject)
{
    for (const char* bad : {"", "not json", "[1,2]", "\"text\"", "{\"a\":", "42"}) {
        EXPECT_FALSE(JsonArgs::Parse(bad)) << bad;
    }
    auto empty = JsonArgs::Parse("{}");
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->Has("a"));
}
