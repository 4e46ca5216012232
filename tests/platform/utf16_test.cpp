#include "platform/utf16.h"

#include <gtest/gtest.h>

using namespace zym;

TEST(Utf16, RoundTripAndLengths)
{
    const std::string texts[] = {"", "abc", "é", "中文", "😀x", "a\0b"};
    for (const auto& t : texts) {
        EXPECT_EQ(FromUtf16(ToUtf16(t)), t);
    }
    EXPECT_EQ(Utf16Length("abc"), 3u);
    EXPECT_EQ(Utf16Length("中文"), 2u);
    EXPECT_EQ(Utf16Length("😀"), 2u) << "a character outside the BMP takes two units";
}

TEST(Utf16, ComparesByCodeUnitsNotBytes)
{
    EXPECT_LT(CompareUtf16("a", "ab"), 0);
    EXPECT_EQ(CompareUtf16("x-zym-a", "x-zym-a"), 0);
    EXPECT_LT(CompareUtf16("B", "a"), 0);
    // U+FF21 (3 UTF-8 bytes starting 0xEF) sorts after U+1F600 in UTF-8 byte order? No:
    // in UTF-16 the surrogate 0xD83D sorts before 0xFF21, while UTF-8 bytes 0xF0 > 0xEF.
    EXPECT_LT(CompareUtf16("😀", "Ａ"), 0);
    EXPECT_GT(std::string("😀").compare("Ａ"), 0) << "byte order differs, which is the point";
}

TEST(Utf16, MalformedUtf8DoesNotCrash)
{
    const std::string bad = "\xff\xc3(\xe2\x82";
    EXPECT_EQ(Utf16Length(bad), ToUtf16(bad).size());
    EXPECT_EQ(AsciiLower("AbC-É"), "abc-É");
}
