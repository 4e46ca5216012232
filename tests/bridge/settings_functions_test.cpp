// The settings page functions over a real settings file and real language files.
#include "app/app_folders.h"
#include "app/language_document.h"
#include "app/page_session.h"
#include "app/settings_store.h"
#include "bridge/settings_functions.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace zym {
namespace {

namespace fs = std::filesystem;

class RecordingLimits : public TransferLimits
{
public:
    void SetDownloadTaskMax(int v) override { calls.push_back("download_task_max=" + std::to_string(v)); }
    void SetUploadTaskMax(int v) override { calls.push_back("upload_task_max=" + std::to_string(v)); }
    void SetDownloadPeerMax(int v) override { calls.push_back("download_peer_max=" + std::to_string(v)); }
    void SetUploadPeerMax(int v) override { calls.push_back("upload_peer_max=" + std::to_string(v)); }
    std::vector<std::string> calls;
};

class SettingsFunctionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder_ =
            fs::temp_directory_path() / ("zym-setfn-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "install" / "language");
        const char* files[] = {"default-chs.xml", "default-en.xml", "default-tw.xml", "default-korean.xml"};
        const char* words[] = {"确定", "OK", "確定", "확인"};
        for (int i = 0; i < 4; ++i) {
            std::ofstream(folder_ / "install" / "language" / files[i])
                << "<dialog><prompt><string prompt=\"" << words[i] << "\"/></prompt></dialog>";
        }
        folders_.InitFolders((folder_ / "install").string());
        store_ = std::make_unique<SettingsStore>((folder_ / "config" / "settings.reg").string());
        store_->EnsureDefaults();
        functions_ = std::make_unique<SettingsFunctions>(*store_, language_, folders_, page_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    fs::path folder_;
    AppFolders folders_;
    PageSession page_;
    LanguageDocument language_;
    std::unique_ptr<SettingsStore> store_;
    std::unique_ptr<SettingsFunctions> functions_;
};

TEST_F(SettingsFunctionsTest, TransInfoReadsTheFourLimits)
{
    EXPECT_EQ(
        functions_->GetTransInfo(),
        "{\"download_task_max\":5,\"download_peer_max\":5,\"upload_task_max\":5,\"upload_peer_max\":5}");
    ASSERT_TRUE(store_->WriteInt("DownloadMax", 0)); // another program's 0 reads as 5
    ASSERT_TRUE(store_->WriteInt("DownloadPeerMax", 2));
    ASSERT_TRUE(store_->WriteInt("UploadMax", 100));
    ASSERT_TRUE(store_->WriteInt("UploadPeerMax", 7));
    EXPECT_EQ(
        functions_->GetTransInfo(),
        "{\"download_task_max\":5,\"download_peer_max\":2,\"upload_task_max\":100,\"upload_peer_max\":7}");
}

TEST_F(SettingsFunctionsTest, SetTransInfoChangesOnlyPositiveMembers)
{
    struct Case
    {
        const char* argument;
        const char* info;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"{\"download_task_max\":0,\"upload_task_max\":3}",
         "{\"download_task_max\":5,\"download_peer_max\":5,\"upload_task_max\":3,\"upload_peer_max\":5}",
         {"upload_task_max=3"}},
        {"{\"upload_peer_max\":9,\"download_peer_max\":-2,\"download_task_max\":\"8\"}",
         "{\"download_task_max\":5,\"download_peer_max\":5,\"upload_task_max\":5,\"upload_peer_max\":9}",
         {"upload_peer_max=9"}},
        {"{\"upload_peer_max\":4,\"download_peer_max\":6,\"upload_task_max\":2,\"download_task_max\":100}",
         "{\"download_task_max\":100,\"download_peer_max\":6,\"upload_task_max\":2,\"upload_peer_max\":4}",
         {"download_task_max=100", "upload_task_max=2", "download_peer_max=6", "upload_peer_max=4"}},
        {"not json",
         "{\"download_task_max\":5,\"download_peer_max\":5,\"upload_task_max\":5,\"upload_peer_max\":5}",
         {}},
        {"{}",
         "{\"download_task_max\":5,\"download_peer_max\":5,\"upload_task_max\":5,\"upload_peer_max\":5}",
         {}},
    };
    for (const Case& c : cases) {
        for (const char* name : {"DownloadMax", "UploadMax", "DownloadPeerMax", "UploadPeerMax"}) {
            ASSERT_TRUE(store_->WriteInt(name, 5));
        }
        RecordingLimits limits;
        functions_->SetTransferLimits(&limits);
        functions_->SetTransInfo(c.argument);
        EXPECT_EQ(functions_->GetTransInfo(), c.info) << c.argument;
        EXPECT_EQ(limits.calls, c.calls) << c.argument;
        functions_->SetTransferLimits(nullptr);
    }
    // Before the managers run the limits are only stored.
    functions_->SetTransInfo("{\"download_peer_max\":11}");
    EXPECT_EQ(store_->DownloadPeerMax(), 11);
}

TEST_F(SettingsFunctionsTest, ChangeLanguageStoresAndReloads)
{
    ASSERT_TRUE(language_.Load(LanguageFilePath(folders_.installFolder, 1)));
    EXPECT_EQ(language_.String("prompt", "prompt"), "确定");

    functions_->ChangeLanguage("{\"type\":4}");
    EXPECT_EQ(functions_->GetLanguage(), "{\"type\":4}");
    EXPECT_EQ(page_.language.load(), 4);
    EXPECT_EQ(language_.String("prompt", "prompt"), "확인");

    functions_->ChangeLanguage("{\"type\":2}");
    EXPECT_EQ(language_.String("prompt", "prompt"), "OK");

    functions_->ChangeLanguage("{\"type\":7}");
    EXPECT_EQ(store_->ReadInt("Language", 1), 7u);
    EXPECT_EQ(functions_->GetLanguage(), "{\"type\":7}");
    EXPECT_EQ(page_.language.load(), 7);
    EXPECT_EQ(language_.String("prompt", "prompt"), "");

    functions_->ChangeLanguage("{\"type\":3}");
    EXPECT_EQ(language_.String("prompt", "prompt"), "確定");
    for (const char* bad : {"", "{", "{\"kind\":2}", "[3]"}) {
        page_.language.store(3);
        functions_->ChangeLanguage(bad);
        EXPECT_EQ(functions_->GetLanguage(), "{\"type\":0}") << bad;
        EXPECT_EQ(page_.language.load(), 0) << bad;
        EXPECT_EQ(language_.String("prompt", "prompt"), "") << bad;
    }
}

TEST_F(SettingsFunctionsTest, DispositionStoresTheMemberOrZero)
{
    EXPECT_EQ(functions_->GetDefaultContentDisposition(), "{\"default\":0}");
    functions_->SetDefaultContentDisposition("{\"default\":2}");
    EXPECT_EQ(functions_->GetDefaultContentDisposition(), "{\"default\":2}");
    EXPECT_EQ(page_.defaultDisposition.load(), 2);
    EXPECT_EQ(store_->ReadInt("Disposition", 9), 2u);

    functions_->SetDefaultContentDisposition("garbage");
    EXPECT_EQ(functions_->GetDefaultContentDisposition(), "{\"default\":0}");
    EXPECT_EQ(page_.defaultDisposition.load(), 0);

    functions_->SetDefaultContentDisposition("{\"default\":1}");
    functions_->SetDefaultContentDisposition("{\"other\":1}");
    EXPECT_EQ(functions_->GetDefaultContentDisposition(), "{\"default\":0}");
}

TEST_F(SettingsFunctionsTest, UIPathFallsBackToTheInstallFolderAndIsEscaped)
{
    // JsonEscape writes "/" as "\/".
    std::string expected;
    for (const char c : folders_.installFolder + "/UI") {
        expected += c == '/' ? std::string("\\/") : std::string(1, c);
    }
    EXPECT_EQ(functions_->GetUIPath(), expected);
    ASSERT_TRUE(store_->WriteText("UIPath", "D:\\ui \"x\""));
    EXPECT_EQ(functions_->GetUIPath(), "D:\\\\ui \\\"x\\\"");
    ASSERT_TRUE(store_->WriteText("UIPath", ""));
    EXPECT_EQ(functions_->GetUIPath(), expected);
}

} // namespace
} // namespace zym
