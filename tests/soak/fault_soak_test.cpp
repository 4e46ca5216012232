// The fault soak: a hundred downloads and uploads (empty, single requests, multipart, up to
// 30 MiB) run through the whole transfer engine (queue database, schedulers, pool, tasks) against
// the local ZYM service, with a thousand faults injected into their requests: resets before,
// after and part-way through a body, 500/503 replies, short bodies, stalls longer than the
// low-speed limit, wrong part ETags, a lost multipart upload and failed completions. Failed rows
// are started again twice, as a user would. At the end every transfer is finished with exactly
// the source's bytes or failed with an error text, and the process's threads and memory are back
// where they were.
#include "../service_live/live_service.h"
#include "app/log.h"
#include "fault_plan.h"
#include "platform/digest.h"
#include "soak_process.h"
#include "store/trans_database.h"
#include "transfer/transfer_engine.h"
#include "transfer/upload_task_factory.h"

#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <unistd.h>

namespace zym {
namespace {

using namespace soak;

constexpr long kLowSpeedSeconds = 2;
constexpr int kRetryRounds = 2;
// Only a hang ends the wait: a run takes about a minute.
constexpr auto kHangLimit = std::chrono::minutes(8);
// What "back near the start" allows for resident memory: the pool's threads stay (they never
// retire before Stop) with their stacks, and some small freed blocks stay with the allocator.
constexpr long kRssSlackKiB = 16 * 1024;

class FaultSoak : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root_ = std::filesystem::temp_directory_path() / ("zym-soak-" + std::to_string(::getpid()));
        std::filesystem::remove_all(root_);
        for (const char* sub : {"src", "down", "data"}) {
            std::filesystem::create_directories(root_ / sub);
        }
        call_ = zymtest::LiveCall();
        call_.lowSpeedSeconds = kLowSpeedSeconds;
        bucket_ = zymtest::UniqueBucket("soak");
        CZymRet reply;
        ASSERT_TRUE(CreateBucket(call_, bucket_, reply)) << reply.Code;
    }

    void TearDown() override
    {
        RemoveRules();
        std::filesystem::remove_all(root_);
    }

    void RemoveRules()
    {
        for (const auto& [id, kind] : ruleKinds_) {
            zymtest::Control("DELETE", "/_control/faults/" + std::to_string(id));
        }
        ruleKinds_.clear();
    }

    // Writes every source: the local file of each upload, and for each download the object on
    // the service plus the same bytes on disk to compare with.
    void PrepareSources(std::vector<Transfer>& plan)
    {
        for (Transfer& t : plan) {
            const std::string bytes = SourceBytes(t);
            std::ofstream(Source(t), std::ios::binary | std::ios::trunc) << bytes;
            if (!t.upload) {
                t.etag = HexLower(Md5(bytes)) + (t.checked ? "" : "-3");
                CZymRet reply;
                ASSERT_TRUE(PutObject(call_, bucket_, t.object, bytes, {}, reply))
                    << t.object << " " << reply.Code;
            }
        }
    }

    void AddRules(const std::vector<Transfer>& plan)
    {
        for (const Transfer& t : plan) {
            for (const Fault& f : t.faults) {
                const std::string json = RuleJson(bucket_, t, f);
                zymtest::JsonPtr answer = zymtest::Control("POST", "/_control/faults", json);
                const cJSON* id = answer ? cJSON_GetObjectItemCaseSensitive(answer.get(), "id") : nullptr;
                ASSERT_TRUE(cJSON_IsNumber(id)) << "rule refused: " << json;
                ruleKinds_[id->valueint] = f.kind;
                ruleTransfers_[id->valueint] = t.name;
            }
        }
    }

    // How often each kind of fault was applied by the service.
    std::map<std::string, int> FiredByKind()
    {
        std::map<std::string, int> fired;
        zymtest::JsonPtr rules = zymtest::Control("GET", "/_control/faults");
        const cJSON* rule = nullptr;
        cJSON_ArrayForEach(rule, rules.get())
        {
            const cJSON* id = cJSON_GetObjectItemCaseSensitive(rule, "id");
            const cJSON* applied = cJSON_GetObjectItemCaseSensitive(rule, "applied");
            if (cJSON_IsNumber(id) && cJSON_IsNumber(applied) && ruleKinds_.count(id->valueint)) {
                fired[ruleKinds_[id->valueint]] += applied->valueint;
                if (applied->valueint == 0) {
                    ++unfired_[ruleTransfers_[id->valueint]];
                }
            }
        }
        return fired;
    }

    std::string Source(const Transfer& t) const { return (root_ / "src" / (t.name + ".bin")).string(); }
    std::string Target(const Transfer& t) const { return (root_ / "down" / (t.name + ".bin")).string(); }

    std::filesystem::path root_;
    ServiceCall call_;
    std::string bucket_;
    std::map<int, std::string> ruleKinds_;
    std::map<int, std::string> ruleTransfers_;
    std::map<std::string, int> unfired_; // by transfer
};

// Rows of both tables, by local path.
std::map<std::string, TransferRow> RowsByPath(CTransDatabase& db)
{
    std::map<std::string, TransferRow> out;
    std::vector<TransferRow> downloads, uploads;
    db.ListDownloads(-1, -1, downloads);
    db.ListUploads(-1, -1, uploads);
    for (auto* rows : {&downloads, &uploads}) {
        for (auto& r : *rows) {
            out[r.fullpath] = r;
        }
    }
    return out;
}

TEST_F(FaultSoak, EveryTransferEndsWithTheSourceBytesOrAnErrorAndNothingIsLeftRunning)
{
    std::vector<Transfer> plan = MakePlan(kSeed);
    ASSERT_EQ(plan.size(), 100u);
    ASSERT_EQ(TotalFaults(plan), kFaults);
    PrepareSources(plan);
    AddRules(plan);

    Log log;
    ASSERT_TRUE(log.OpenLog((root_ / "log").string()));
    TaskServices services;
    services.log = &log;
    services.serviceCall = [call = call_](const TransferRow& row) {
        ServiceCall c = call;
        c.host = row.host;
        return c;
    };
    services.dataFolder = (root_ / "data").string();
    services.blockSize = kBlock;
    services.uploadBlockSize = kPartSize;

    const ProcessFigures beforeEngine = ReadProcessFigures();
    int startedAgain = 0, retriedRuns = 0;
    std::map<std::string, TransferRow> rows;
    ProcessFigures start, end;
    std::size_t poolAtStart = 0, poolAtEnd = 0;
    {
        CTransferEngine engine(services, &MakeUploadTask);
        ASSERT_TRUE(engine.Database().Open((root_ / "data" / "transdb.db").string(), true));
        engine.SetLimits(5, 3, 5, 3);
        std::mutex lock;
        std::condition_variable ended;
        int endings = 0;
        std::map<std::string, bool> endedFailed; // by path: the row's last task failed
        const auto onEnd = [&](const CTaskManagerBase::TaskEnd& end) {
            std::lock_guard g(lock);
            ++endings;
            // A task of a row whose last task failed: the row was retried (by the engine's own
            // reset of failed rows or by the start below).
            retriedRuns += endedFailed[end.row.fullpath] ? 1 : 0;
            endedFailed[end.row.fullpath] = end.result.outcome == TaskOutcome::Failed;
            ended.notify_all();
        };
        engine.Downloads().OnTaskEnded(onEnd);
        engine.Uploads().OnTaskEnded(onEnd);
        ASSERT_TRUE(engine.Start());
        StartConditions& conditions = engine.Conditions();
        conditions.SetMainWindowReady(true);
        conditions.SetLoggedIn(true);
        conditions.SetPageLoaded(true);
        start = ReadProcessFigures();
        poolAtStart = engine.PoolThreads();

        engine.BeginAdding(TransferKind::Download);
        engine.Database().BeginTransaction();
        std::vector<UploadItem> uploads;
        for (const Transfer& t : plan) {
            if (t.upload) {
                uploads.push_back({t.object, Source(t)});
                continue;
            }
            TransferRow row;
            row.key = t.etag;
            row.host = call_.host;
            row.bucket = bucket_;
            row.object = t.object;
            row.fullpath = Target(t);
            row.filesize = t.size;
            row.status = kStatusWaiting;
            engine.Database().AddDownload(row);
        }
        engine.Database().CommitTransaction();
        engine.EndAdding(TransferKind::Download);
        ASSERT_EQ(engine.AddUploads(call_.host, bucket_, uploads, "too many"),
                  "{\"error\":0,\"message\":\"\"}");

        // Waits until no row is waiting or running and no task is left; false on a hang.
        const auto settle = [&] {
            const auto deadline = std::chrono::steady_clock::now() + kHangLimit;
            std::unique_lock g(lock);
            for (;;) {
                g.unlock();
                bool busy = engine.Downloads().ActiveCount() > 0 || engine.Uploads().ActiveCount() > 0;
                for (const auto& [path, row] : RowsByPath(engine.Database())) {
                    busy = busy || row.status == kStatusWaiting || row.status == kStatusRunning;
                }
                g.lock();
                if (!busy) {
                    return true;
                }
                if (std::chrono::steady_clock::now() > deadline) {
                    return false;
                }
                const int seen = endings;
                // Woken by each task's end; the limit only covers an end that came before the wait.
                ended.wait_for(g, std::chrono::seconds(1), [&] { return endings != seen; });
            }
        };
        for (int round = 0;; ++round) {
            ASSERT_TRUE(settle()) << "transfers still running after " << kHangLimit.count() << " minutes";
            int failed = 0;
            for (const auto& [path, row] : RowsByPath(engine.Database())) {
                failed += row.status >= kStatusFailed ? 1 : 0;
            }
            std::printf("soak: round %d ended with %d failed rows\n", round + 1, failed);
            if (failed == 0 || round == kRetryRounds) {
                break;
            }
            startedAgain += failed;
            engine.StartEveryDownload();
            engine.StartEveryUpload();
        }
        rows = RowsByPath(engine.Database());
        end = ReadProcessFigures();
        poolAtEnd = engine.PoolThreads();
        engine.Stop();
    }
    const ProcessFigures afterEngine = ReadProcessFigures();
    const std::map<std::string, int> fired = FiredByKind();

    int finished = 0, failed = 0, firedTotal = 0;
    for (const Transfer& t : plan) {
        SCOPED_TRACE(t.name + " (" + (t.upload ? "upload" : "download") + ", " + std::to_string(t.size) +
                     " bytes)");
        const std::string path = t.upload ? Source(t) : Target(t);
        ASSERT_EQ(rows.count(path), 1u);
        const TransferRow& row = rows[path];
        if (row.status == kStatusFinished) {
            ++finished;
            // The one thing that may never happen: a finished transfer with other bytes.
            if (t.upload) {
                EXPECT_TRUE(SameBytes(StoredObject(call_, bucket_, t.object), Source(t)));
            } else {
                EXPECT_TRUE(FileEquals(Target(t), Source(t)));
                EXPECT_TRUE(NoTemporaryFiles(Target(t)));
            }
            continue;
        }
        ++failed;
        EXPECT_EQ(row.status, kStatusFailed);
        EXPECT_FALSE(row.errormsg.empty()) << "failed without an error text";
        std::printf("soak: %s failed: %d %s\n", t.name.c_str(), row.errornum, row.errormsg.c_str());
        if (!t.upload) {
            EXPECT_FALSE(std::filesystem::exists(Target(t))) << "a failed download left its file in place";
        } else if (const auto stored = StoredObject(call_, bucket_, t.object)) {
            EXPECT_TRUE(SameBytes(stored, Source(t))) << "a failed upload left other bytes on the service";
        }
    }
    for (const auto& [kind, n] : fired) {
        firedTotal += n;
    }
    const int retriedRequests = CountInFile(log.FilePath(), "[ErrorIndex:");

    std::printf(
        "soak: %zu transfers: finished %d, failed %d, retried %d (runs of rows whose last run failed; "
        "%d rows started again at the end of a round), %d requests retried within tasks; faults fired "
        "%d of %d planned\n",
        plan.size(), finished, failed, retriedRuns, startedAgain, retriedRequests, firedTotal, kFaults);
    for (const auto& [kind, n] : fired) {
        std::printf("soak:   %-24s %d\n", kind.c_str(), n);
    }
    for (const Transfer& t : plan) {
        if (unfired_.count(t.name)) {
            std::printf("soak: %d of the %zu faults of %s (%s, %lld bytes) met no request\n",
                        unfired_[t.name], t.faults.size(), t.name.c_str(), t.upload ? "upload" : "download",
                        static_cast<long long>(t.size));
        }
    }
    std::printf("soak: threads %ld at start (pool %zu), %ld at the end (pool %zu), %ld before and %ld after "
                "the engine\n",
                start.threads, poolAtStart, end.threads, poolAtEnd, beforeEngine.threads,
                afterEngine.threads);
    std::printf(
        "soak: VmRSS %ld KiB at start, %ld KiB at the end, %ld KiB after the engine; allocated %ld, %ld "
        "and %ld KiB\n",
        start.rssKiB, end.rssKiB, afterEngine.rssKiB, start.inUseKiB, end.inUseKiB, afterEngine.inUseKiB);
    std::fflush(stdout);

    EXPECT_EQ(finished + failed, 100);
    // Nearly all faults are transient: the retries must turn them into finished transfers.
    EXPECT_GE(finished, 95);
    // Every planned fault met a request of its transfer.
    EXPECT_EQ(firedTotal, kFaults);
    // No connection thread outlives its task; the engine's threads end with it.
    EXPECT_EQ(end.threads - static_cast<long>(poolAtEnd), start.threads - static_cast<long>(poolAtStart));
    EXPECT_EQ(afterEngine.threads, beforeEngine.threads);
    EXPECT_LE(afterEngine.inUseKiB, start.inUseKiB + 1024) << "memory not given back";
    EXPECT_LE(end.rssKiB, start.rssKiB + kRssSlackKiB);
    EXPECT_LE(afterEngine.rssKiB, start.rssKiB + kRssSlackKiB);
}

} // namespace
} // namespace zym
