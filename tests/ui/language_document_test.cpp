// The language document over real files: every query form, its parsing rules, reloads and the
// empty answers of a missing or malformed file.
#include "app/language_document.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace zym {
namespace {

namespace fs = std::filesystem;

class LanguageDocumentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder_ =
            fs::temp_directory_path() / ("zym-langdoc-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Write(const std::string& name, const std::string& text)
    {
        const fs::path p = folder_ / name;
        std::ofstream(p, std::ios::binary) << text;
        return p.string();
    }

    fs::path folder_;
};

const char* const kFixture = R"(<?xml version="1.0" encoding="utf-8"?>
<dialog>
  <prompt width="320px" height="abc">
    <string prompt="提示" logout="Log out now?" quote="a &quot;b&quot; \c"/>
    <string second="from the second string element"/>
  </prompt>
  <prompt>
    <string third="from the second prompt element" prompt="not this one"/>
  </prompt>
  <copymessage width="410" height="0215">
    <rect icon="10,20,42,52" text="5,6,7" all="1,2,3,4,5" bad="x,12,y,9" empty="" anchored="10,-30,-10,0"/>
    <image fileicon="/image/file.png" none=""/>
  </copymessage>
  <skindlg>
    <color bkg="FFeE0a" text="#FFEE0A" big="123456789" empty="" spaced=" 12"/>
  </skindlg>
  <launchpad>
    <html path="launchpad.html"/>
  </launchpad>
</dialog>
)";

TEST_F(LanguageDocumentTest, StringQueriesPickTheFirstMatchInDocumentOrder)
{
    LanguageDocument doc;
    ASSERT_TRUE(doc.Load(Write("fixture.xml", kFixture)));
    EXPECT_EQ(doc.LoadResult(), 0);
    EXPECT_EQ(doc.String("prompt", "prompt"), "提示");
    EXPECT_EQ(doc.String("prompt", "logout"), "Log out now?");
    EXPECT_EQ(doc.String("prompt", "quote"), "a \"b\" \\c");
    EXPECT_EQ(doc.String("prompt", "second"), "from the second string element");
    EXPECT_EQ(doc.String("prompt", "third"), "from the second prompt element");
    EXPECT_EQ(doc.String("prompt", "missing"), "");
    EXPECT_EQ(doc.String("nodialog", "prompt"), "");
    // The kind is part of the path: a string is not found under rect.
    EXPECT_EQ(doc.String("copymessage", "icon"), "");
    EXPECT_EQ(doc.Html("launchpad", "path"), "launchpad.html");
    EXPECT_EQ(doc.Html("launchpad", "other"), "");
}

TEST_F(LanguageDocumentTest, RectanglesSizesColoursAndImages)
{
    LanguageDocument doc("/opt/zym");
    ASSERT_TRUE(doc.Load(Write("fixture.xml", kFixture)));

    struct RectCase
    {
        const char* name;
        LanguageRect want;
    };
    const RectCase rects[] = {
        {"icon", {10, 20, 42, 52}},      {"text", {5, 6, 7, 0}},  {"all", {1, 2, 3, 4}},
        {"bad", {0, 12, 0, 9}},          {"empty", {0, 0, 0, 0}}, {"missing", {0, 0, 0, 0}},
        {"anchored", {10, -30, -10, 0}},
    };
    for (const RectCase& c : rects) {
        const LanguageRect r = doc.Rect("copymessage", c.name);
        EXPECT_EQ(r.left, c.want.left) << c.name;
        EXPECT_EQ(r.top, c.want.top) << c.name;
        EXPECT_EQ(r.right, c.want.right) << c.name;
        EXPECT_EQ(r.bottom, c.want.bottom) << c.name;
    }

    EXPECT_EQ(doc.Width("prompt"), 320);
    EXPECT_EQ(doc.Height("prompt"), 0);
    EXPECT_EQ(doc.Width("copymessage"), 410);
    EXPECT_EQ(doc.Height("copymessage"), 215);
    EXPECT_EQ(doc.Width("skindlg"), 0);

    EXPECT_EQ(doc.Color("skindlg", "bkg"), 0xFFEE0Au);
    EXPECT_EQ(doc.Color("skindlg", "text"), 0u);
    EXPECT_EQ(doc.Color("skindlg", "big"), 0x23456789u); // only the low 32 bits remain
    EXPECT_EQ(doc.Color("skindlg", "empty"), 0u);
    EXPECT_EQ(doc.Color("skindlg", "spaced"), 0u);
    EXPECT_EQ(doc.Color("skindlg", "missing"), 0u);

    EXPECT_EQ(doc.Image("copymessage", "fileicon"), "/opt/zym/image/file.png");
    EXPECT_EQ(doc.Image("copymessage", "none"), "");
    EXPECT_EQ(doc.Image("copymessage", "missing"), "");
}

TEST_F(LanguageDocumentTest, MissingOrMalformedFilesAnswerEmptyValues)
{
    const std::string malformed = Write("bad.xml", "<dialog><prompt><string prompt=\"x\"></prompt>");
    const std::string wrongRoot = Write("root.xml", "<other><prompt><string prompt=\"x\"/></prompt></other>");
    const std::string paths[] = {"", (folder_ / "absent.xml").string(), malformed, wrongRoot};
    for (const std::string& path : paths) {
        LanguageDocument doc("/opt/zym");
        ASSERT_TRUE(doc.Load(Write("fixture.xml", kFixture)));
        doc.Load(path); // reload replaces the good document
        EXPECT_EQ(doc.String("prompt", "prompt"), "") << path;
        EXPECT_EQ(doc.Rect("copymessage", "icon").right, 0) << path;
        EXPECT_EQ(doc.Width("copymessage"), 0) << path;
        EXPECT_EQ(doc.Color("skindlg", "bkg"), 0u) << path;
        EXPECT_EQ(doc.Image("copymessage", "fileicon"), "") << path;
        EXPECT_EQ(doc.Html("launchpad", "path"), "") << path;
    }
    LanguageDocument doc;
    EXPECT_FALSE(doc.Load(malformed));
    EXPECT_NE(doc.LoadResult(), 0);
}

TEST_F(LanguageDocumentTest, ReloadSwitchesToTheNewFile)
{
    LanguageDocument doc;
    ASSERT_TRUE(doc.Load(Write("a.xml", "<dialog><prompt><string prompt=\"A\"/></prompt></dialog>")));
    EXPECT_EQ(doc.String("prompt", "prompt"), "A");
    ASSERT_TRUE(doc.Load(Write("b.xml", "<dialog><prompt><string prompt=\"B\"/></prompt></dialog>")));
    EXPECT_EQ(doc.String("prompt", "prompt"), "B");
}

TEST(LanguageFilePathTest, MapsTheFourLanguagesAndNothingElse)
{
    EXPECT_EQ(LanguageFilePath("/i", 1), "/i/language/default-chs.xml");
    EXPECT_EQ(LanguageFilePath("/i", 2), "/i/language/default-en.xml");
    EXPECT_EQ(LanguageFilePath("/i", 3), "/i/language/default-tw.xml");
    EXPECT_EQ(LanguageFilePath("/i", 4), "/i/language/default-korean.xml");
    for (int n : {0, 5, 7, -1}) {
        EXPECT_EQ(LanguageFilePath("/i", n), "") << n;
    }
}

TEST(LeadingNumberTest, ReadsOnlyLeadingDigits)
{
    EXPECT_EQ(LeadingNumber("123abc"), 123);
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_EQ(LeadingNumber("x12"), 0);
    EXPECT_EQ(LeadingNumber("-5"), -5);
    EXPECT_EQ(LeadingNumber(" +7px"), 7);
    EXPECT_EQ(LeadingNumber("- 5"), 0);
    EXPECT_EQ(LeadingNumber("99999999999999"), 2147483647);
    EXPECT_EQ(LeadingNumber("-99999999999999"), -2147483647 - 1);
}

} // namespace
} // namespace zym
