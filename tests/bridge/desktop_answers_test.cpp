// Answer texts and argument rules of the desktop functions.
#include "bridge/desktop_answers.h"

#include <gtest/gtest.h>

namespace zym {
namespace {

TEST(DesktopAnswers, FileListEscapesEachPathInOrder)
{
    EXPECT_EQ(FileListAnswer({}), "{\"list\":[]}");
    EXPECT_EQ(FileListAnswer({"/home/a b/x.txt", "/tmp/q\"uote", "/tmp/back\\slash"}),
              "{\"list\":[{\"path\":\"\\/home\\/a b\\/x.txt\"},{\"path\":\"\\/tmp\\/q\\\"uote\"},"
              "{\"path\":\"\\/tmp\\/back\\\\slash\"}]}");
}

TEST(DesktopAnswers, FolderAnswerIncludingNothingChosen)
{
    EXPECT_EQ(FolderAnswer(""), "{\"path\":\"\"}");
    EXPECT_EQ(FolderAnswer("/srv/dl/"), "{\"path\":\"\\/srv\\/dl\\/\"}");
}

TEST(DesktopAnswers, ClipboardTextLosesOuterCharactersOnlyWhenLongerThanTwo)
{
    const struct
    {
        const char* in;
        const char* out;
    } cases[] = {
        {"\"abc\"", "abc"},
        {"ab", "ab"},
        {"a", "a"},
        {"", ""},
        {"\"é\"", "é"},
        {"xyz", "y"},
        // Characters outside the basic plane count as the page counts them: two units each.
        {"\"\xF0\x9F\x98\x80\"", "\xF0\x9F\x98\x80"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StripOuterCharacters(c.in), c.out) << c.in;
}

TEST(DesktopAnswers, OnlyWebAndMailAddressesAreOpened)
{
    const struct
    {
        const char* address;
        bool open;
    } cases[] = {
        {"http://example.com/", true},
        {"HTTPS://example.com/a?b=c", true},
        {"mailto:someone@example.com", true},
        {"file:///etc/passwd", false},
        {"/usr/bin/xterm", false},
        {"javascript:alert(1)", false},
        {"ftp://example.com/", false},
        {"smb://server/share", false},
        {"http:", false},
        {"http:relative", false},
        {"mailto:", false},
        {"", false},
        {"xdg-open http://x", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsOpenableAddress(c.address), c.open) << c.address;
}

TEST(DesktopAnswers, OpenUrlReadsTheUrlMember)
{
    EXPECT_EQ(OpenUrlArgument("{\"url\":\"http://a/\"}"), "http://a/");
    EXPECT_EQ(OpenUrlArgument("{\"urls\":\"http://a/\"}"), "");
    EXPECT_EQ(OpenUrlArgument("http://a/"), std::nullopt);
}

TEST(DesktopAnswers, FolderRules)
{
    EXPECT_EQ(FolderWithSlash("/srv/dl"), "/srv/dl/");
    EXPECT_EQ(FolderWithSlash("/srv/dl/"), "/srv/dl/");
    EXPECT_EQ(FolderWithSlash("/"), "/");
    EXPECT_EQ(FolderOfPath("/home/u/pics/a.png"), "/home/u/pics");
    EXPECT_EQ(FolderOfPath("/home/u/pics/"), "/home/u");
    EXPECT_EQ(FolderOfPath("/etc"), "/");
    EXPECT_EQ(FolderOfPath("relative"), "relative");
}

} // namespace
} // namespace zym
