// The four shipped language files: every key the program reads is present with a usable value,
// formats hold exactly the placeholders the program fills, and the build copies them into the
// install folder.
#include "app/language_document.h"
#include "app/language_keys.h"
#include "test_paths.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

namespace zym {
namespace {

namespace fs = std::filesystem;

const fs::path kSource = zymtest::SourceDir();
const fs::path kInstall = fs::path(zymtest::BinaryDir()) / "bin";

// The printf conversions of a text, in order ("%%" is a literal percent sign).
std::string Placeholders(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '%') {
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        while (j < text.size() &&
               std::string_view("-+ #0123456789.lhIL").find(text[j]) != std::string_view::npos) {
            ++j;
        }
        out += text.substr(i, j - i + 1);
        i = j;
    }
    return out;
}

std::string ReadBytes(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class LanguageFilesTest : public ::testing::TestWithParam<int>
{
};

TEST_P(LanguageFilesTest, EveryKeyIsPresentWithItsPlaceholders)
{
    const int language = GetParam();
    const std::string path = LanguageFilePath(kSource.string(), language);
    LanguageDocument doc(kSource.string());
    ASSERT_TRUE(doc.Load(path)) << path;

    for (const LanguageKey& key : LanguageKeys()) {
        const std::string where = std::string(key.dialog) + "/" + std::string(key.name) + " in " + path;
        switch (key.kind) {
        case LanguageKind::String: {
            const std::string text = doc.String(std::string(key.dialog), std::string(key.name));
            EXPECT_FALSE(text.empty()) << where;
            EXPECT_EQ(Placeholders(text), key.placeholders) << where << ": " << text;
            break;
        }
        case LanguageKind::Html:
            EXPECT_FALSE(doc.Html(std::string(key.dialog), std::string(key.name)).empty()) << where;
            break;
        case LanguageKind::Rect: {
            const LanguageRect r = doc.Rect(std::string(key.dialog), std::string(key.name));
            EXPECT_TRUE(r.left != 0 || r.top != 0 || r.right != 0 || r.bottom != 0) << where;
            if (key.dialog == "launchpad" || key.dialog == "authorization" || key.dialog == "weblogin") {
                // Web windows are sized both as right - left and as right alone.
                EXPECT_EQ(r.left, 0) << where;
                EXPECT_EQ(r.top, 0) << where;
                EXPECT_GE(r.right, 300) << where;
                EXPECT_GE(r.bottom, 300) << where;
            }
            break;
        }
        case LanguageKind::Width:
            EXPECT_GT(doc.Width(std::string(key.dialog)), 100) << where;
            break;
        case LanguageKind::Height:
            EXPECT_GT(doc.Height(std::string(key.dialog)), 50) << where;
            break;
        case LanguageKind::Image: {
            const std::string image = doc.Image(std::string(key.dialog), std::string(key.name));
            EXPECT_TRUE(fs::is_regular_file(image)) << where << ": " << image;
            break;
        }
        case LanguageKind::Color:
            // A colour the document cannot read comes out as 0 (black); only "text" may be dark.
            if (key.name == "bkg") {
                EXPECT_GT(doc.Color(std::string(key.dialog), std::string(key.name)), 0x808080u) << where;
            }
            break;
        }
    }
    EXPECT_EQ(doc.Html("weblogin", "path"), kLoginPage);
    EXPECT_EQ(doc.Html("launchpad", "path"), kLaunchpadPage);
    EXPECT_EQ(doc.Html("authorization", "path"), kAuthorizationPage);
}

TEST_P(LanguageFilesTest, TextsAreInTheFilesLanguage)
{
    const int language = GetParam();
    LanguageDocument doc;
    ASSERT_TRUE(doc.Load(LanguageFilePath(kSource.string(), language)));
    const std::u16string logout = [&] {
        std::u16string out;
        const std::string t = doc.String("prompt", "logout");
        // Decode UTF-8 far enough to see which script the text uses.
        for (std::size_t i = 0; i < t.size();) {
            const unsigned char c = static_cast<unsigned char>(t[i]);
            if (c < 0x80) {
                out.push_back(c);
                i += 1;
            } else if ((c & 0xE0) == 0xC0 && i + 1 < t.size()) {
                out.push_back(static_cast<char16_t>(((c & 0x1F) << 6) | (t[i + 1] & 0x3F)));
                i += 2;
            } else if ((c & 0xF0) == 0xE0 && i + 2 < t.size()) {
                out.push_back(
                    static_cast<char16_t>(((c & 0x0F) << 12) | ((t[i + 1] & 0x3F) << 6) | (t[i + 2] & 0x3F)));
                i += 3;
            } else {
                i += 1;
            }
        }
        return out;
    }();
    auto has = [&](char16_t lo, char16_t hi) {
        for (const char16_t u : logout) {
            if (u >= lo && u <= hi) {
                return true;
            }
        }
        return false;
    };
    switch (language) {
    case 1:
        EXPECT_TRUE(has(0x4E00, 0x9FFF));
        break;
    case 2:
        EXPECT_FALSE(has(0x0080, 0xFFFF));
        break;
    case 3:
        EXPECT_TRUE(has(0x4E00, 0x9FFF));
        break;
    case 4:
        EXPECT_TRUE(has(0xAC00, 0xD7A3));
        break;
    }
    if (language == 3) {
        LanguageDocument simplified;
        ASSERT_TRUE(simplified.Load(LanguageFilePath(kSource.string(), 1)));
        EXPECT_NE(doc.String("prompt", "logout"), simplified.String("prompt", "logout"));
    }
}

TEST_P(LanguageFilesTest, BuildCopiesTheFileIntoTheInstallFolder)
{
    const std::string source = LanguageFilePath(kSource.string(), GetParam());
    const std::string copy = LanguageFilePath(kInstall.string(), GetParam());
    ASSERT_TRUE(fs::is_regular_file(copy)) << copy;
    EXPECT_EQ(ReadBytes(copy), ReadBytes(source));
    EXPECT_EQ(ReadBytes(kInstall / "image" / "fileicon.png"), ReadBytes(kSource / "image" / "fileicon.png"));
}

INSTANTIATE_TEST_SUITE_P(FourLanguages, LanguageFilesTest, ::testing::Values(1, 2, 3, 4));

TEST(LanguageKeysTest, ListHoldsEveryKeyOnce)
{
    std::size_t strings = 0;
    for (std::size_t i = 0; i < LanguageKeys().size(); ++i) {
        const LanguageKey& a = LanguageKeys()[i];
        strings += a.kind == LanguageKind::String ? 1 : 0;
        for (std::size_t j = i + 1; j < LanguageKeys().size(); ++j) {
            const LanguageKey& b = LanguageKeys()[j];
            EXPECT_FALSE(a.dialog == b.dialog && a.kind == b.kind && a.name == b.name)
                << a.dialog << "/" << a.name;
        }
    }
    EXPECT_EQ(strings, 39u + 2u + 6u); // prompt (with DownloadCheckError), selectdlg, copymessage
    EXPECT_EQ(Placeholders("a %d b %% c %s %I64d %5.2f"), "%d%s%I64d%5.2f");
}

} // namespace
} // namespace zym

namespace zym {

// A run without its language file uses built-in sizes; they must be what every file gives.
TEST(LanguageFiles, BuiltInSizesMatchEveryShippedFile)
{
    LanguageDocument builtIn;
    ASSERT_TRUE(builtIn.LoadBuiltInSizes());
    const std::pair<const char*, const char*> rects[] = {
        {"weblogin", "window"},  {"launchpad", "window"},  {"authorization", "window"},
        {"copymessage", "icon"}, {"copymessage", "close"}, {"copyfiledlg", "progress"}};
    for (const char* file : {"default-chs.xml", "default-en.xml", "default-tw.xml", "default-korean.xml"}) {
        LanguageDocument shipped;
        ASSERT_TRUE(shipped.Load((kSource / "language" / file).string())) << file;
        for (const auto& [dialog, name] : rects) {
            const LanguageRect a = builtIn.Rect(dialog, name);
            const LanguageRect b = shipped.Rect(dialog, name);
            EXPECT_TRUE(a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom)
                << file << " " << dialog << " " << name;
            EXPECT_FALSE(a.left == 0 && a.top == 0 && a.right == 0 && a.bottom == 0) << dialog << " " << name;
        }
        for (const char* dialog : {"copymessage", "copyfiledlg"}) {
            EXPECT_EQ(builtIn.Width(dialog), shipped.Width(dialog)) << file << " " << dialog;
            EXPECT_EQ(builtIn.Height(dialog), shipped.Height(dialog)) << file << " " << dialog;
        }
        for (const char* dialog : {"weblogin", "launchpad", "authorization"}) {
            EXPECT_EQ(builtIn.Html(dialog, "path"), shipped.Html(dialog, "path")) << file << " " << dialog;
        }
    }
}

} // namespace zym
