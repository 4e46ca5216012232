// The settings store over a real settings file: defaults, typed reads, limits, wrong types and
// damaged files.
#include "app/settings_store.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <unistd.h>

namespace zym {
namespace {

namespace fs = std::filesystem;

class SettingsStoreTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder_ =
            fs::temp_directory_path() / ("zym-settings-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        path_ = (folder_ / "ZymClient" / "settings.reg").string(); // the folder does not exist yet
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string ReadFile(const std::string& path) const
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void WriteFile(const std::string& text) const
    {
        fs::create_directories(fs::path(path_).parent_path());
        std::ofstream(path_, std::ios::binary) << text;
    }
    static std::string Header()
    {
        return "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\ZymClient]\n";
    }

    fs::path folder_;
    std::string path_;
};

TEST_F(SettingsStoreTest, FreshDefaultsWriteFifteenTypedValues)
{
    SettingsStore store(path_);
    EXPECT_FALSE(store.Exists("DownloadMax"));
    store.EnsureDefaults();

    const std::string text = ReadFile(path_);
    const std::string expected = Header() + "\"Https\"=dword:00000000\n"
                                            "\"DownloadMax\"=dword:00000005\n"
                                            "\"UploadMax\"=dword:00000005\n"
                                            "\"DownloadPeerMax\"=dword:00000005\n"
                                            "\"UploadPeerMax\"=dword:00000005\n"
                                            "\"Log\"=dword:00000000\n"
                                            "\"StartKey\"=\"\"\n"
                                            "\"UIPath\"=\"\"\n"
                                            "\"UIDebug\"=dword:00000000\n"
                                            "\"Proxy\"=dword:00000000\n"
                                            "\"Hardware\"=dword:00000000\n"
                                            "\"SavePath\"=\"\"\n"
                                            "\"UploadPath\"=\"\"\n"
                                            "\"Language\"=dword:00000001\n"
                                            "\"Disposition\"=dword:00000000\n";
    EXPECT_EQ(text, expected);
    EXPECT_FALSE(store.Exists("InstallLanguage"));
    EXPECT_FALSE(store.Exists("ServiceDomain"));
    EXPECT_EQ(store.ServiceDomain(), "");

    // Existing values are left alone by a later start.
    ASSERT_TRUE(store.WriteInt("DownloadMax", 9));
    ASSERT_TRUE(store.WriteText("SavePath", "/data/dl"));
    store.EnsureDefaults();
    EXPECT_EQ(store.DownloadMax(), 9);
    EXPECT_EQ(store.SavePath(), "/data/dl");

    // No temporary files are left beside the settings file.
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(fs::path(path_).parent_path())) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"settings.reg", "settings.reg.lock"}));
}

TEST_F(SettingsStoreTest, InstallLanguageSetsLanguageAtEveryStart)
{
    const std::pair<std::uint32_t, int> cases[] = {{2052, 1}, {1033, 2}, {1028, 3},
                                                   {1042, 4}, {1041, 1}, {0, 1}};
    for (const auto& [id, language] : cases) {
        fs::remove_all(folder_);
        SettingsStore store(path_);
        store.EnsureDefaults();
        ASSERT_TRUE(store.WriteInt("InstallLanguage", id));
        ASSERT_TRUE(store.WriteInt("Language", 3 == language ? 4 : 3)); // the user's own choice
        store.EnsureDefaults();
        EXPECT_EQ(store.Language(), language) << id;
        EXPECT_TRUE(store.Exists("InstallLanguage")) << id;
    }
    // Without InstallLanguage the user's choice stays.
    fs::remove_all(folder_);
    SettingsStore store(path_);
    store.EnsureDefaults();
    ASSERT_TRUE(store.WriteInt("Language", 3));
    store.EnsureDefaults();
    EXPECT_EQ(store.Language(), 3);
}

TEST_F(SettingsStoreTest, ZeroLimitsReadAsFive)
{
    WriteFile(Header() + "\"DownloadMax\"=dword:00000000\n\"UploadMax\"=dword:00000000\n"
                         "\"DownloadPeerMax\"=dword:00000000\n\"UploadPeerMax\"=dword:0000000c\n");
    SettingsStore store(path_);
    EXPECT_EQ(store.ReadInt("DownloadMax", 5), 0u);
    EXPECT_EQ(store.DownloadMax(), 5);
    EXPECT_EQ(store.UploadMax(), 5);
    EXPECT_EQ(store.DownloadPeerMax(), 5);
    EXPECT_EQ(store.UploadPeerMax(), 12);
    // Other values keep their 0.
    ASSERT_TRUE(store.WriteInt("Language", 0));
    EXPECT_EQ(store.Language(), 0);
}

TEST_F(SettingsStoreTest, TextLimitIs254Utf16Units)
{
    SettingsStore store(path_);
    const std::string emoji = "\xF0\x9F\x98\x80"; // two UTF-16 units
    struct Case
    {
        std::string text;
        bool fits;
    };
    std::string pairs;
    for (int i = 0; i < 127; ++i) {
        pairs += emoji;
    }
    std::string cjk;
    for (int i = 0; i < 254; ++i) {
        cjk += "\xE4\xB8\xAD"; // one unit, three bytes
    }
    const Case cases[] = {
        {std::string(200, 'a'), true},  {std::string(254, 'b'), true},
        {std::string(255, 'c'), false}, {pairs, true},
        {pairs + "x", false},           {cjk, true},
        {cjk + "\xE4\xB8\xAD", false},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(store.WriteText("SavePath", "/before"));
        EXPECT_EQ(store.WriteText("SavePath", c.text), c.fits) << c.text.size();
        EXPECT_EQ(store.SavePath(), c.fits ? c.text : "/before") << c.text.size();
    }
    EXPECT_FALSE(store.WriteText("SavePath", std::string("a\0b", 3)));

    // A longer text put there by another program reads as the default.
    WriteFile(Header() + "\"UIPath\"=\"" + std::string(255, 'u') + "\"\n\"SavePath\"=\"" +
              std::string(254, 's') + "\"\n");
    EXPECT_EQ(store.ReadText("UIPath", "dflt"), "dflt");
    EXPECT_EQ(store.SavePath(), std::string(254, 's'));
}

TEST_F(SettingsStoreTest, WrongTypesReadAsDefaults)
{
    WriteFile(Header() + "\"Language\"=\"2\"\n"
                         "\"SavePath\"=dword:00000001\n"
                         "\"UIPath\"=hex(2):2f,00,75,00,69,00,00,00\n"
                         "\"UploadPath\"=hex(7):61,00,00,00,00,00\n"
                         "\"Proxy\"=hex:01,00,00,00\n"
                         "\"Hardware\"=hex(4):02,01,00,00\n");
    SettingsStore store(path_);
    EXPECT_EQ(store.Language(), 1);
    EXPECT_EQ(store.ReadText("Language", "d"), "2");
    EXPECT_EQ(store.SavePath(), "");
    EXPECT_EQ(store.ReadInt("SavePath", 7), 1u);
    EXPECT_EQ(store.UIPath(), "/ui"); // expandable text reads as text, not expanded
    EXPECT_EQ(store.UploadPath(), "");
    EXPECT_TRUE(store.Exists("UploadPath"));
    EXPECT_EQ(store.Proxy(), 0);
    EXPECT_EQ(store.Hardware(), 0x102);
}

TEST_F(SettingsStoreTest, TextsRoundTripAndForeignLinesSurviveWrites)
{
    const std::string foreign = "Windows Registry Editor Version 5.00\r\n\r\n"
                                "; kept comment\r\n"
                                "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
                                "\"DownloadMax\"=dword:00000063\r\n\r\n"
                                "[HKEY_CURRENT_USER\\Software\\ZymClient]\r\n"
                                "\"downloadmax\"=dword:00000007\r\n"
                                "\"Blob\"=hex:01,02,\\\r\n  03,04\r\n";
    WriteFile(foreign);
    SettingsStore store(path_);
    EXPECT_EQ(store.DownloadMax(), 7); // names ignore case; the other key's value is not ours
    ASSERT_TRUE(store.WriteInt("DownloadMax", 3));
    const std::string tricky = "C:\\dir \"quoted\"\nline two 中文 \xF0\x9F\x98\x80";
    ASSERT_TRUE(store.WriteText("SavePath", tricky));
    EXPECT_EQ(store.DownloadMax(), 3);
    EXPECT_EQ(store.SavePath(), tricky);
    EXPECT_TRUE(store.Exists("Blob"));

    const std::string text = ReadFile(path_);
    EXPECT_NE(text.find("; kept comment"), std::string::npos);
    EXPECT_NE(text.find("\"DownloadMax\"=dword:00000063"), std::string::npos);
    EXPECT_EQ(text.find("downloadmax"), std::string::npos);
    EXPECT_NE(text.find("03,04"), std::string::npos);
    const std::regex ours("\"DownloadMax\"=dword:00000003");
    EXPECT_EQ(std::distance(std::sregex_iterator(text.begin(), text.end(), ours), std::sregex_iterator()), 1);
}

TEST_F(SettingsStoreTest, Utf16ExportsAreRead)
{
    const std::string utf8 =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\ZymClient]\r\n"
        "\"Language\"=dword:00000004\r\n\"SavePath\"=\"/home/\xED\x95\x9C\"\r\n";
    std::string utf16 = "\xFF\xFE";
    for (const char16_t u :
         std::u16string(u"Windows Registry Editor Version 5.00\r\n\r\n"
                        u"[HKEY_CURRENT_USER\\Software\\ZymClient]\r\n"
                        u"\"Language\"=dword:00000004\r\n\"SavePath\"=\"/home/\uD55C\"\r\n")) {
        utf16.push_back(static_cast<char>(u & 0xFF));
        utf16.push_back(static_cast<char>(u >> 8));
    }
    for (const std::string& file : {utf8, utf16}) {
        WriteFile(file);
        SettingsStore store(path_);
        EXPECT_EQ(store.Language(), 4);
        EXPECT_EQ(store.SavePath(), "/home/\xED\x95\x9C");
    }
}

TEST_F(SettingsStoreTest, DamagedFilesReadAsDefaultsAndAreKeptAside)
{
    const std::string damaged[] = {
        std::string("\x00\x01garbage", 9),
        "[HKEY_CURRENT_USER\\Software\\ZymClient]\n\"Language\"=dword:00000002\n", // no header
    };
    int n = 0;
    for (const std::string& text : damaged) {
        ++n;
        WriteFile(text);
        SettingsStore store(path_);
        EXPECT_EQ(store.Language(), 1) << n;
        EXPECT_FALSE(store.Exists("Language")) << n;
        EXPECT_EQ(store.ReadText("SavePath", "d"), "d") << n;
        EXPECT_EQ(ReadFile(path_), text) << "a read never changes the file " << n;

        ASSERT_TRUE(store.WriteInt("UploadMax", 8)) << n;
        EXPECT_EQ(store.UploadMax(), 8) << n;
        EXPECT_FALSE(store.Exists("Language")) << n;
        EXPECT_EQ(ReadFile(path_ + ".damaged-" + std::to_string(n)), text) << n;
        fs::remove(path_);
    }
}

TEST_F(SettingsStoreTest, OneBadLineCostsOnlyItself)
{
    const std::string bad[] = {
        "\"Language\"=dword:0000000g",
        "\"Language\"=dword:000000002",
        "\"SavePath\"=\"unterminated",
        "Language=2",
        "\"Proxy\" dword:00000001",
        "\"Https\"=hex(7):zz",
        // A list whose last line ends in a stray backslash: the value line after it is its own.
        "\"Blob\"=hex:01,02,\\",
        "\"UIPath\"=hex(2):2f,00,\\",
    };
    for (const std::string& line : bad) {
        const std::string text =
            Header() + "\"DownloadMax\"=dword:00000007\n" + line + "\n\"SavePath\"=\"/home/me/in\"\n";
        WriteFile(text);
        SettingsStore store(path_);
        EXPECT_EQ(store.DownloadMax(), 7) << line;
        EXPECT_EQ(store.SavePath(), "/home/me/in") << line;
        EXPECT_EQ(store.Language(), 1) << line;

        // A write keeps the bad line where it was and sets nothing aside.
        ASSERT_TRUE(store.WriteInt("UploadMax", 8)) << line;
        const std::string after = ReadFile(path_);
        EXPECT_NE(after.find("\n" + line + "\n"), std::string::npos) << after;
        EXPECT_EQ(store.UploadMax(), 8) << line;
        EXPECT_EQ(store.DownloadMax(), 7) << line;
        EXPECT_FALSE(fs::exists(path_ + ".damaged-1")) << line;
        fs::remove(path_);
    }
    // A broken key line leaves the values under it unread, as they belong to no known key.
    WriteFile(Header() +
              "\"DownloadMax\"=dword:00000007\n[HKEY_CURRENT_USER\\Other\n\"UploadMax\"=dword:00000009\n");
    SettingsStore store(path_);
    EXPECT_EQ(store.DownloadMax(), 7);
    EXPECT_EQ(store.UploadMax(), 5);
}

TEST_F(SettingsStoreTest, ValueWrittenAfterStrayContinuationReadsBack)
{
    // The list ends the program's key, so a written value goes right below it.
    const std::string dangling = "\"Blob\"=hex:01,02,\\";
    WriteFile(Header() + "\"Language\"=dword:00000002\n" + dangling + "\n");
    ASSERT_TRUE(SettingsStore(path_).WriteText("SavePath", "/home/me/in"));
    ASSERT_TRUE(SettingsStore(path_).WriteInt("DownloadMax", 9));

    SettingsStore again(path_);
    EXPECT_EQ(again.SavePath(), "/home/me/in");
    EXPECT_EQ(again.DownloadMax(), 9);
    EXPECT_EQ(again.Language(), 2);
    EXPECT_NE(ReadFile(path_).find("\n" + dangling + "\n"), std::string::npos);
}

TEST_F(SettingsStoreTest, UnreadableFileIsLeftAloneAndDefaultsServeTheRun)
{
    // A folder where the file should be cannot be read by anyone; without permission to read,
    // an ordinary user is in the same place (root reads it anyway, so that row needs a user).
    const std::string text = Header() + "\"DownloadMax\"=dword:00000007\n";
    for (const bool folder : {true, false}) {
        if (!folder && ::geteuid() == 0) {
            continue;
        }
        if (folder) {
            fs::create_directories(path_);
        } else {
            WriteFile(text);
            fs::permissions(path_, fs::perms::none);
        }
        SettingsStore store(path_);
        store.EnsureDefaults();
        EXPECT_EQ(store.DownloadMax(), 5) << folder;
        EXPECT_FALSE(store.WriteInt("UploadMax", 8)) << folder;
        EXPECT_EQ(store.UploadMax(), 5) << folder;
        EXPECT_FALSE(fs::exists(path_ + ".damaged-1")) << folder;
        if (folder) {
            EXPECT_TRUE(fs::is_directory(path_));
            fs::remove(path_);
        } else {
            fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write);
            EXPECT_EQ(ReadFile(path_), text);
            EXPECT_EQ(store.DownloadMax(), 7);
        }
    }
}

TEST_F(SettingsStoreTest, UnwritableLocationFailsWritesAndReadsDefaults)
{
    SettingsStore store("/dev/null/ZymClient/settings.reg");
    EXPECT_FALSE(store.WriteInt("DownloadMax", 3));
    EXPECT_FALSE(store.WriteText("SavePath", "/x"));
    store.EnsureDefaults();
    EXPECT_EQ(store.DownloadMax(), 5);
    EXPECT_EQ(store.Language(), 1);
}

TEST(SystemLanguageTest, LocalesAndStartupLanguage)
{
    const std::pair<const char*, std::uint32_t> locales[] = {
        {"zh_CN.UTF-8", 2052}, {"zh_SG", 2052},   {"zh_TW.UTF-8", 1028},
        {"zh_HK", 1028},       {"zh-Hant", 1028}, {"ko_KR.UTF-8", 1042},
        {"en_US.UTF-8", 1033}, {"C", 1033},       {"", 1033},
        {"de_DE@euro", 1033},
    };
    for (const auto& [locale, id] : locales) {
        EXPECT_EQ(SystemLanguageId(locale), id) << locale;
    }
    const auto folder = fs::temp_directory_path() / ("zym-startlang-" + std::to_string(::getpid()));
    SettingsStore store((folder / "settings.reg").string());
    ASSERT_TRUE(store.WriteInt("Language", 0));
    EXPECT_EQ(store.StartupLanguage(1028), 1);
    EXPECT_EQ(store.StartupLanguage(2052), 1);
    EXPECT_EQ(store.StartupLanguage(1042), 2);
    ASSERT_TRUE(store.WriteInt("Language", 7));
    EXPECT_EQ(store.StartupLanguage(2052), 7);
    fs::remove_all(folder);
}

} // namespace
} // namespace zym
