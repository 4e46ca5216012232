// The schedulers with fake tasks on a real queue database: order, limits, start conditions,
// the reset of failed rows, stops and deletes, and the upload row limit.
#include "app/log.h"
#include "download_rows.h"
#include "platform/digest.h"
#include "store/trans_database.h"
#include "transfer/download_manager.h"
#include "transfer/transfer_engine.h"
#include "transfer_scratch.h"

#include <condition_variable>
#include <map>
#include <mutex>

namespace zym {
namespace {

using namespace std::chrono_literals;

// Tasks that run until the test releases them (finished or failed) or they are stopped.
class FakeTasks
{
public:
    TransferTaskFactory Factory()
    {
        return [this](const TransferRow& row, TransferContext context) -> TransferTaskPtr {
            return std::make_unique<Task>(*this, row, std::move(context));
        };
    }
    // Waits until `count` tasks have started in all.
    bool WaitStarted(size_t count, std::chrono::milliseconds limit = 10s)
    {
        std::unique_lock g(lock_);
        return changed_.wait_for(g, limit, [&] { return started_.size() >= count; });
    }
    std::vector<std::string> Started()
    {
        std::lock_guard g(lock_);
        return started_;
    }
    void Release(const std::string& path, bool fail = false)
    {
        {
            std::lock_guard g(lock_);
            released_[path] = fail ? 2 : 1;
        }
        changed_.notify_all();
    }
    std::map<std::string, bool> discarded()
    {
        std::lock_guard g(lock_);
        return discarded_;
    }

private:
    class Task : public TransferTask
    {
    public:
        Task(FakeTasks& owner, TransferRow row, TransferContext context)
            : owner_(owner), row_(std::move(row)), context_(std::move(context))
        {}
        TaskResult Run() override
        {
            {
                std::lock_guard g(owner_.lock_);
                owner_.started_.push_back(row_.fullpath);
                owner_.released_.erase(row_.fullpath);
            }
            owner_.changed_.notify_all();
            int how = 0;
            while (how == 0 && !context_.stop->Requested()) {
                std::unique_lock g(owner_.lock_);
                owner_.changed_.wait_for(g, 20ms, [&] { return owner_.released_.count(row_.fullpath) > 0; });
                how = owner_.released_.count(row_.fullpath) ? owner_.released_[row_.fullpath] : 0;
            }
            if (how == 0) {
                std::lock_guard g(owner_.lock_);
                owner_.discarded_[row_.fullpath] = context_.stop->Discard();
                return {TaskOutcome::Stopped, 0, {}};
            }
            if (how == 2) {
                context_.database.FailDownload(row_.fullpath, 9, "curl error");
                return {TaskOutcome::Failed, 9, "curl error"};
            }
            context_.database.FinishDownload(row_.fullpath, row_.filesize);
            return {TaskOutcome::Finished, 0, {}};
        }

    private:
        FakeTasks& owner_;
        TransferRow row_;
        TransferContext context_;
    };

    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::string> started_;
    std::map<std::string, int> released_;
    std::map<std::string, bool> discarded_;
};

class TaskManagerTest : public testing::TransferScratch
{
protected:
    void SetUp() override
    {
        TransferScratch::SetUp();
        ASSERT_TRUE(database_.Open(Path("transdb.db"), true));
        ASSERT_TRUE(pool_.Start(100));
        services_.log = &log_;
        services_.clock = [this] {
            return now_.load();
        };
    }
    void TearDown() override
    {
        manager_.reset();
        pool_.Stop();
        TransferScratch::TearDown();
    }
    void MakeManager(int taskMax)
    {
        manager_ =
            std::make_unique<CDTaskManager>(database_, conditions_, pool_, tasks_.Factory(), services_);
        manager_->SetTaskMax(taskMax);
        manager_->Start();
    }
    void AddRows(int count, int status = kStatusWaiting)
    {
        for (int i = 0; i < count; ++i) {
            TransferRow row;
            row.key = "etag";
            row.fullpath = Path("file" + std::to_string(rows_++));
            row.host = "h";
            row.bucket = "b";
            row.object = "o" + std::to_string(rows_);
            row.filesize = 10;
            row.status = status;
            database_.AddDownload(row);
        }
    }
    void Ready()
    {
        conditions_.SetMainWindowReady(true);
        conditions_.SetLoggedIn(true);
        conditions_.SetPageLoaded(true);
    }
    int StatusOf(const std::string& path)
    {
        const auto row = testing::DownloadRowOf(database_, path);
        return row ? row->status : -1;
    }

    Log log_{[] {
        return std::time_t(0);
    }};
    CTransDatabase database_;
    StartConditions conditions_;
    CTaskPool pool_;
    TaskServices services_;
    FakeTasks tasks_;
    std::atomic<std::int64_t> now_{1700000000};
    std::unique_ptr<CDTaskManager> manager_;
    int rows_ = 0;
};

TEST_F(TaskManagerTest, StartsTheSmallestIdsUpToTaskMaxAndTheNextWhenOneEnds)
{
    AddRows(10);
    MakeManager(5);
    Ready();
    ASSERT_TRUE(tasks_.WaitStarted(5));
    EXPECT_EQ(tasks_.Started().size(), 5u);
    std::vector<std::string> first = tasks_.Started();
    std::sort(first.begin(), first.end());
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(first[i], Path("file" + std::to_string(i)));
        EXPECT_EQ(StatusOf(first[i]), kStatusRunning);
    }
    EXPECT_EQ(StatusOf(Path("file5")), kStatusWaiting);
    tasks_.Release(Path("file2"));
    ASSERT_TRUE(tasks_.WaitStarted(6));
    EXPECT_EQ(tasks_.Started()[5], Path("file5"));
    EXPECT_EQ(StatusOf(Path("file2")), kStatusFinished);
    EXPECT_EQ(manager_->ActiveCount(), 5);
}

TEST_F(TaskManagerTest, NothingStartsUntilEveryConditionHoldsAndNothingWhileAdding)
{
    AddRows(3);
    MakeManager(5);
    conditions_.SetMainWindowReady(true);
    conditions_.SetLoggedIn(true);
    EXPECT_FALSE(tasks_.WaitStarted(1, 200ms)); // loadFinish not yet called
    EXPECT_EQ(manager_->Passes(), 0u);
    conditions_.BeginAdding();
    conditions_.SetPageLoaded(true);
    EXPECT_FALSE(tasks_.WaitStarted(1, 200ms));
    conditions_.EndAdding(); // wakes the scheduler at once
    ASSERT_TRUE(tasks_.WaitStarted(3));
}

TEST_F(TaskManagerTest, LimitChangesApplyAtOnce)
{
    AddRows(4);
    MakeManager(1);
    Ready();
    ASSERT_TRUE(tasks_.WaitStarted(1));
    EXPECT_FALSE(tasks_.WaitStarted(2, 200ms));
    manager_->SetTaskMax(3);
    ASSERT_TRUE(tasks_.WaitStarted(3));
    manager_->SetPeerMax(7);
    EXPECT_EQ(manager_->PeerMax(), 7);
    manager_->SetPeerMax(0); // ignored
    EXPECT_EQ(manager_->PeerMax(), 7);
}

TEST_F(TaskManagerTest, FailedRowsComeBackAtTheFirstEmptyPickAndThenEvery600Seconds)
{
    AddRows(1, kStatusFailed);
    MakeManager(5);
    Ready();
    // The first time the queue runs dry, the failed row is reset and started.
    ASSERT_TRUE(tasks_.WaitStarted(1));
    tasks_.Release(Path("file0"), true);
    // It fails again; within 600 seconds it is not picked, even when woken.
    now_ += 300;
    manager_->Wake();
    EXPECT_FALSE(tasks_.WaitStarted(2, 300ms));
    EXPECT_EQ(StatusOf(Path("file0")), kStatusFailed);
    now_ += 301;
    manager_->Wake();
    ASSERT_TRUE(tasks_.WaitStarted(2));
}

TEST_F(TaskManagerTest, StopKeepsAndDeleteDiscards)
{
    AddRows(2);
    MakeManager(5);
    Ready();
    ASSERT_TRUE(tasks_.WaitStarted(2));
    manager_->CancelByPath(Path("file0"), false);
    manager_->CancelByPath(Path("file1"), true);
    const auto discarded = tasks_.discarded();
    ASSERT_EQ(discarded.size(), 2u);
    EXPECT_FALSE(discarded.at(Path("file0")));
    EXPECT_TRUE(discarded.at(Path("file1")));
    EXPECT_EQ(manager_->ActiveCount(), 0);
}

class EngineAddTest : public testing::TransferScratch
{
};

// The Upload table already holds 999,999 rows: the next addition is made and answers 1000000.
TEST_F(EngineAddTest, UploadRowLimit)
{
    CTransferEngine engine(TaskServices{}, nullptr);
    Log log([] { return std::time_t(0); });
    ASSERT_TRUE(engine.Database().Open(Path("transdb.db"), true));
    const char* fill =
        "with recursive n(i) as (select 1 union all select i+1 from n where i<999999) "
        "insert into Upload(pathhash,host,bucket,object,fullpath,filesize,last,status,offset,actlast,"
        "uploadid,errornum,errormsg) select 'h'||i,'h','b','o'||i,'/f'||i,1,0,3,0,0,'',0,'' from n;";
    ASSERT_TRUE(engine.Database().ExecBoth(fill));
    WriteFile(Path("a.txt"), "a");
    WriteFile(Path("b.txt"), "b");
    const std::string reply =
        engine.AddUploads("h", "bucket", {{"a.txt", Path("a.txt")}, {"b.txt", Path("b.txt")}}, "too many");
    EXPECT_EQ(reply, "{\"error\":1000000,\"message\":\"too many\"}");
    EXPECT_EQ(engine.Database().CountAll().uploads.value_or(0), 1000000);
}

TEST_F(EngineAddTest, FolderWalkAddsFoldersAndFiles)
{
    CTransferEngine engine(TaskServices{}, nullptr);
    ASSERT_TRUE(engine.Database().Open(Path("transdb.db"), true));
    std::filesystem::create_directories(Path("up/sub"));
    WriteFile(Path("up/sub/x.bin"), "xyz");
    const std::string reply = engine.AddUploads("h", "bucket", {{"pre/up/", Path("up")}}, "too many");
    EXPECT_EQ(reply, "{\"error\":0,\"message\":\"\"}");
    std::vector<TransferRow> rows;
    engine.Database().ListUploads(-1, -1, rows);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].object, "pre/up/");
    EXPECT_EQ(rows[1].object, "pre/up/sub/");
    EXPECT_EQ(rows[2].object, "pre/up/sub/x.bin");
    EXPECT_EQ(rows[2].filesize, 3);
    EXPECT_EQ(rows[2].key, Sha1Hex("bucketpre/up/sub/x.bin"));
}

} // namespace
} // namespace zym
