// The engine as the program builds and starts it (ProgramEngine: the program's task services and
// upload task on the process's start conditions and session), against the local ZYM service: a
// login through the operations' CompleteLogin opens the account's queue, and rows queued there
// run only once the main window is ready and the page has loaded.
#include "../service_live/live_service.h"
#include "app/app_folders.h"
#include "app/language_document.h"
#include "app/log.h"
#include "app/page_session.h"
#include "app/settings_store.h"
#include "bridge/program_engine.h"
#include "bridge/settings_functions.h"
#include "ops/login_by_key_task.h"
#include "ops/login_targets.h"
#include "platform/digest.h"
#include "platform/task_pool.h"
#include "store/trans_database.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace zym {
namespace {

using namespace zymtest;

std::string Pattern(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    return bytes;
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ProgramEngineLive : public LiveBucketTest
{
protected:
    static void SetUpTestSuite() { CreateSuiteBucket("engine"); }

    void SetUp() override
    {
        root_ = std::filesystem::temp_directory_path() / ("zym-program-engine-" + std::to_string(::getpid()));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
        folders_.dataFolder = (root_ / "data").string();
        ASSERT_TRUE(log_.OpenLog((root_ / "log").string()));
    }
    void TearDown() override
    {
        log_.CloseLog();
        std::filesystem::remove_all(root_);
        std::filesystem::remove(settingsPath_);
    }

    std::filesystem::path root_;
    AppFolders folders_;
    Session session_;
    StartConditions conditions_;
    LoginTargets logins_{session_, conditions_};
    PageSession page_;
    CTaskPool pool_;
    const std::atomic<bool> shuttingDown_{false};
    Log log_;
    const std::string settingsPath_ = (std::filesystem::temp_directory_path() /
                                       ("zym-program-engine-" + std::to_string(::getpid()) + ".reg"))
                                          .string();
    SettingsStore settings_{settingsPath_};
};

TEST_F(ProgramEngineLive, WaitingDownloadAndMultipartUploadFinishWithTheirBytesOnceTheProgramIsReady)
{
    const std::string down = Pattern(6 * 1024 * 1024 + 333, 3); // two 5 MiB ranges
    const std::string up = Pattern(11 * 1024 * 1024 + 5, 5);    // above the single-PUT limit
    Put("down.bin", down);
    const std::filesystem::path source = root_ / "up.bin";
    const std::filesystem::path target = root_ / "down.bin";
    std::ofstream(source, std::ios::binary) << up;

    ProgramEngine program(logins_, folders_.dataFolder, page_, shuttingDown_, pool_, log_, settings_,
                          [](std::string_view word) { return std::string(word); });
    std::mutex lock;
    std::condition_variable changed;
    std::vector<CTaskManagerBase::TaskEnd> ends;
    auto collect = [&](const CTaskManagerBase::TaskEnd& end) {
        std::lock_guard g(lock);
        ends.push_back(end);
        changed.notify_all();
    };
    ASSERT_TRUE(program.Start());
    // A manager has one task-end hook, which the started reporters hold: this test takes it over.
    program.Engine().Downloads().OnTaskEnded(collect);
    program.Engine().Uploads().OnTaskEnded(collect);

    const ServiceCall call = LiveCall();
    EXPECT_EQ(CompleteLogin(logins_, call.keys.id, call.keys.secret, kLocation),
              "{\"error\":0,\"message\":\"\"}");
    const std::string queuePath = AccountQueuePath(folders_.dataFolder, call.keys.id);
    ASSERT_TRUE(std::filesystem::exists(queuePath));
    ASSERT_EQ(program.OpenQueue(), &program.Engine().Database());
    EXPECT_TRUE(conditions_.LoggedIn());

    TransferRow download;
    download.key = HexLower(Md5(down));
    download.fullpath = target.string();
    download.host = call.host;
    download.bucket = bucket_;
    download.object = "down.bin";
    download.filesize = static_cast<std::int64_t>(down.size());
    TransferRow upload;
    upload.key = Sha1Hex(bucket_ + "/up.bin");
    upload.fullpath = source.string();
    upload.host = call.host;
    upload.bucket = bucket_;
    upload.object = "up.bin";
    upload.filesize = static_cast<std::int64_t>(up.size());
    struct stat st
    {
    };
    ASSERT_EQ(::stat(source.c_str(), &st), 0);
    upload.last = st.st_mtim.tv_sec;
    CTransDatabase& queue = program.Engine().Database();
    program.Engine().BeginAdding(TransferKind::Download);
    ASSERT_TRUE(queue.AddDownload(download));
    program.Engine().EndAdding(TransferKind::Download);
    program.Engine().BeginAdding(TransferKind::Upload);
    ASSERT_TRUE(queue.AddUpload(upload));
    program.Engine().EndAdding(TransferKind::Upload);

    // Logged in but neither the main window nor the page is ready: nothing may start.
    EXPECT_EQ(program.Engine().Downloads().ActiveCount() + program.Engine().Uploads().ActiveCount(), 0);
    conditions_.SetMainWindowReady(true);
    EXPECT_EQ(program.Engine().Downloads().ActiveCount() + program.Engine().Uploads().ActiveCount(), 0);
    conditions_.SetPageLoaded(true);
    {
        std::unique_lock g(lock);
        ASSERT_TRUE(changed.wait_for(g, std::chrono::minutes(2), [&] { return ends.size() >= 2; }));
        for (const auto& end : ends) {
            EXPECT_EQ(end.result.outcome, TaskOutcome::Finished)
                << end.row.object << ": " << end.result.errornum << " " << end.result.errormsg;
        }
    }
    EXPECT_TRUE(ReadFile(target) == down) << "downloaded bytes differ";
    EXPECT_TRUE(Read(bucket_, "up.bin") == up) << "uploaded bytes differ";

    std::vector<TransferRow> rows;
    ASSERT_TRUE(queue.ListDownloads(-1, -1, rows));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].status, kStatusFinished);
    rows.clear();
    ASSERT_TRUE(queue.ListUploads(-1, -1, rows));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].status, kStatusFinished);

    program.StopWorker();
    program.StopEngine();
}

// setTransInfo as the program wires it: the running managers take the new limits at once.
TEST_F(ProgramEngineLive, SetTransInfoReachesTheRunningManagers)
{
    ProgramEngine program(logins_, folders_.dataFolder, page_, shuttingDown_, pool_, log_, settings_,
                          [](std::string_view word) { return std::string(word); });
    ASSERT_TRUE(program.Start());
    LanguageDocument language(folders_.installFolder);
    SettingsFunctions functions(settings_, language, folders_, page_);
    functions.SetTransferLimits(&program.Limits());
    functions.SetTransInfo(
        R"({"download_task_max":2,"upload_task_max":7,"download_peer_max":3,"upload_peer_max":9})");
    EXPECT_EQ(program.Engine().Downloads().TaskMax(), 2);
    EXPECT_EQ(program.Engine().Uploads().TaskMax(), 7);
    EXPECT_EQ(program.Engine().Downloads().PeerMax(), 3);
    EXPECT_EQ(program.Engine().Uploads().PeerMax(), 9);
    // A zero leaves the running value as it is.
    functions.SetTransInfo(R"({"download_task_max":0})");
    EXPECT_EQ(program.Engine().Downloads().TaskMax(), 2);
    program.StopEngine();
}

} // namespace
} // namespace zym
