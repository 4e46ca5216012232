#include "service/url_encoding.h"

#include <gtest/gtest.h>

using namespace zym;

TEST(UrlEncoding, TheTwoEncodersDifferOnlyInTheSpace)
{
    struct Case
    {
        const char* text;
        const char* form;
        const char* percent;
    };
    const Case cases[] = {
        {"", "", ""},
        {" ", "+", "%20"},
        {"~", "~", "~"},
        {"*", "%2A", "%2A"},
        {"+", "%2B", "%2B"},
        {"é", "%C3%A9", "%C3%A9"},
        {"a b/c", "a+b%2Fc", "a%20b%2Fc"},
        {"AZaz09-._", "AZaz09-._", "AZaz09-._"},
        {"100%&=?#", "100%25%26%3D%3F%23", "100%25%26%3D%3F%23"},
        {"中😀", "%E4%B8%AD%F0%9F%98%80", "%E4%B8%AD%F0%9F%98%80"},
        {"\n\x7f", "%0A%7F", "%0A%7F"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormEncode(c.text), c.form) << c.text;
        EXPECT_EQ(PercentEncode(c.text), c.percent) << c.text;
    }
}

TEST(UrlEncoding, EmbeddedZeroByteIsEncoded)
{
    EXPECT_EQ(FormEncode(std::string("a\0b", 3)), "a%00b");
}

TEST(UrlEncoding, PercentEncodingNeverHoldsPlusOrStar)
{
    std::string all;
    for (int c = 1; c < 256; ++c) {
        all.push_back(static_cast<char>(c));
    }
    const std::string out = PercentEncode(all);
    EXPECT_EQ(out.find('+'), std::string::npos);
    EXPECT_EQ(out.find('*'), std::string::npos);
    EXPECT_EQ(out.size(), 66u + 3u * (255u - 66u))
        << "66 unreserved bytes pass, the rest take three characters";
}
