// Login opens the account's queue with the limits of the settings and starts the schedulers;
// setServerLocation and setTransInfo reach the running engine; the worker thread's statistics
// and queue backup.
#include "app/app_folders.h"
#include "app/language_document.h"
#include "app/log.h"
#include "app/page_session.h"
#include "app/settings_store.h"
#include "bridge/engine_limits.h"
#include "transfer/account_login.h"
#include "transfer/download_files.h"
#include "transfer/engine_services.h"
#include "transfer/interface_thread.h"
#include "transfer/upload_part_info.h"
#include "transfer/upload_task.h"
#include "transfer_scratch.h"

namespace zym {
namespace {

class EngineLoginTest : public testing::TransferScratch
{
protected:
    void SetUp() override
    {
        TransferScratch::SetUp();
        settings_ = std::make_unique<SettingsStore>(Path("settings.reg"));
    }
    std::unique_ptr<SettingsStore> settings_;
    Session session_;
};

TEST_F(EngineLoginTest, LoginOpensTheAccountsQueueWithItsLimits)
{
    settings_->WriteInt(setting::kDownloadMax, 3);
    settings_->WriteInt(setting::kDownloadPeerMax, 8);
    settings_->WriteInt(setting::kUploadMax, 0); // 0 reads as 5
    CTransferEngine engine(TaskServices{}, nullptr);
    TransferLogin login(engine, session_, *settings_, Path("data"));
    EXPECT_FALSE(engine.Conditions().LoggedIn());
    ASSERT_TRUE(login.CompleteLogin("id-one", "secret", "cn-east"));
    EXPECT_TRUE(engine.Conditions().LoggedIn());
    EXPECT_EQ(engine.Database().Path(), AccountQueuePath(Path("data"), "id-one"));
    EXPECT_EQ(AccountQueuePath("/d", ""), "/d/da39a3ee5e6b4b0d3255bfef95601890afd80709/transdb.db");
    EXPECT_TRUE(Exists(AccountQueuePath(Path("data"), "id-one")));
    EXPECT_EQ(engine.Downloads().TaskMax(), 3);
    EXPECT_EQ(engine.Downloads().PeerMax(), 8);
    EXPECT_EQ(engine.Uploads().TaskMax(), 5);
    EXPECT_EQ(session_.Current()->secret, "secret");

    // Another account gets its own queue.
    ASSERT_TRUE(login.CompleteLogin("id-two", "s2", "cn-east"));
    EXPECT_EQ(engine.Database().Path(), AccountQueuePath(Path("data"), "id-two"));
    EXPECT_NE(AccountQueuePath(Path("data"), "id-one"), AccountQueuePath(Path("data"), "id-two"));
}

// A run killed after marking a row finished but before removing its temporary files leaves them
// behind; the next login drops the row and must take its files with it, and only its files.
TEST_F(EngineLoginTest, LoginRemovesTheTemporaryFilesOfTheFinishedRowsItDrops)
{
    const std::string queue = AccountQueuePath(Path("data"), "id");
    const std::string partInfo = CUploadTask::PartInfoFolder(Path("data"));
    {
        CTransDatabase database;
        ASSERT_TRUE(database.Open(queue, true));
        const auto download = [&](const std::string& name, int status) {
            TransferRow row;
            row.fullpath = Path(name);
            row.bucket = "b";
            row.object = name;
            row.filesize = 10;
            row.status = status;
            ASSERT_TRUE(database.AddDownload(row));
        };
        download("done.bin", kStatusFinished);
        download("open.bin", kStatusWaiting);
        const auto upload = [&](const std::string& key, const std::string& uploadId, int status) {
            TransferRow row;
            row.key = key;
            row.bucket = "b";
            row.object = key;
            row.filesize = 20 * 1024 * 1024;
            row.status = status;
            row.uploadid = uploadId;
            ASSERT_TRUE(database.AddUpload(row));
        };
        upload("up-done", "id/1", kStatusFinished);
        upload("up-open", "id-2", kStatusRunning);
        upload("up-single", "", kStatusFinished);
    }
    std::filesystem::create_directories(partInfo);
    const std::vector<std::string> gone = {
        ProgressFilePath(Path("done.bin")), ProgressScratchPath(Path("done.bin")),
        partInfo + "/" + PartInfoName("id/1"), partInfo + "/" + PartInfoName("id/1") + ".tmp"};
    const std::vector<std::string> kept = {
        Path("done.bin"), DataFilePath(Path("open.bin")), ProgressFilePath(Path("open.bin")),
        partInfo + "/" + PartInfoName("id-2"), partInfo + "/" + PartInfoName("id-2") + ".tmp"};
    for (const auto& file : gone) {
        WriteFile(file, "x");
    }
    for (const auto& file : kept) {
        WriteFile(file, "x");
    }

    TaskServices services;
    services.dataFolder = Path("data");
    CTransferEngine engine(services, nullptr);
    TransferLogin login(engine, session_, *settings_, Path("data"));
    ASSERT_TRUE(login.CompleteLogin("id", "secret", "cn-east"));
    for (const auto& file : gone) {
        EXPECT_FALSE(Exists(file)) << file;
    }
    for (const auto& file : kept) {
        EXPECT_TRUE(Exists(file)) << file;
    }
    std::vector<TransferRow> rows;
    engine.Database().ListDownloads(-1, -1, rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].fullpath, Path("open.bin"));
    engine.Database().ListUploads(-1, -1, rows);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].uploadid, "id-2");
}

TEST_F(EngineLoginTest, ServerLocationOverridesTheRowsHostForLaterRequests)
{
    CTransferEngine engine(TaskServices{}, nullptr);
    TransferLogin login(engine, session_, *settings_, Path("data"));
    login.CompleteLogin("id", "secret", "l1");
    const auto call = SessionServiceCall(session_);
    TransferRow row;
    row.host = "l1.zym.example";
    EXPECT_EQ(call(row).host, "l1.zym.example");
    EXPECT_EQ(call(row).keys.secret, "secret");
    login.SetServerLocation("mine.example:8080");
    EXPECT_EQ(call(row).host, "mine.example:8080");
    login.CompleteLogin("id", "other", "l1"); // a new login keeps the account's host
    EXPECT_EQ(call(row).host, "mine.example:8080");
    EXPECT_EQ(call(row).keys.secret, "other");
}

TEST_F(EngineLoginTest, VerifyDownloadsIsOnUnlessTheSettingIsZero)
{
    EXPECT_TRUE(VerifyDownloads(*settings_));
    settings_->WriteInt(kVerifyDownloadsSetting, 0);
    EXPECT_FALSE(VerifyDownloads(*settings_));
    Log log([] { return std::time_t(0); });
    const TaskServices services = MakeTaskServices(log, session_, *settings_, nullptr);
    EXPECT_FALSE(services.verifyDownloads());
    settings_->WriteInt(kVerifyDownloadsSetting, 1); // read again for each task
    EXPECT_TRUE(services.verifyDownloads());
}

TEST_F(EngineLoginTest, SetTransInfoChangesTheRunningManagers)
{
    CTransferEngine engine(TaskServices{}, nullptr);
    AppFolders folders;
    PageSession page;
    LanguageDocument language;
    SettingsFunctions functions(*settings_, language, folders, page);
    EngineLimits limits(engine);
    functions.SetTransferLimits(&limits);
    functions.SetTransInfo(
        "{\"download_task_max\":2,\"download_peer_max\":9,\"upload_task_max\":0,\"upload_peer_max\":4}");
    EXPECT_EQ(engine.Downloads().TaskMax(), 2);
    EXPECT_EQ(engine.Downloads().PeerMax(), 9);
    EXPECT_EQ(engine.Uploads().TaskMax(), 5); // 0 changes nothing
    EXPECT_EQ(engine.Uploads().PeerMax(), 4);
    EXPECT_EQ(settings_->DownloadMax(), 2);
}

TEST_F(EngineLoginTest, StatisticsAndBackupOfTheQueue)
{
    CTransferEngine engine(TaskServices{}, nullptr);
    ASSERT_TRUE(engine.Database().Open(Path("transdb.db"), true));
    for (int i = 0; i < 3; ++i) {
        TransferRow row;
        row.fullpath = Path("f" + std::to_string(i));
        row.bucket = "b";
        row.object = "o" + std::to_string(i);
        row.filesize = 1;
        row.status = i == 0 ? kStatusFinished : kStatusWaiting;
        engine.Database().AddDownload(row);
    }
    TransferRow up;
    up.key = "p";
    up.bucket = "b";
    up.object = "u";
    engine.Database().AddUpload(up);
    CInterfaceThread worker(engine);
    worker.RefreshStatistics();
    const TransferStatistics s = worker.Statistics();
    EXPECT_EQ(s.downloadTotal, 3);
    EXPECT_EQ(s.downloadDone, 1);
    EXPECT_EQ(s.uploadTotal, 1);
    EXPECT_EQ(s.uploadDone, 0);
    EXPECT_EQ(s.downloadSpeed, 0);
    ASSERT_TRUE(worker.BackupQueue());
    EXPECT_TRUE(Exists(Path("transdb.db_old")));
    worker.Start();
    worker.Stop(); // returns although the next timer is far away
}

} // namespace
} // namespace zym
