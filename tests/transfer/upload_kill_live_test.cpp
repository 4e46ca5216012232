// Crash safety: a child process runs a multipart upload and is killed with SIGKILL at random
// points; each restart resumes from the part-info file, which must only ever name parts the
// service confirmed with the right checksum, and the completed object equals the source.
#include "upload_live.h"

#include <csignal>
#include <cstdlib>
#include <sqlite3.h>
#include <sys/wait.h>

using namespace zym;
using namespace zymtest;

namespace {

// The child's side: run the queued upload once (ZYM_UPLOAD_CHILD_* name it). Disabled, so only a
// parent that asks for it by name runs it.
TEST(UploadKillChild, DISABLED_RunQueuedUpload)
{
    const char* db = std::getenv("ZYM_UPLOAD_CHILD_DB");
    const char* key = std::getenv("ZYM_UPLOAD_CHILD_KEY");
    ASSERT_TRUE(db != nullptr && key != nullptr);
    CTransDatabase database;
    ASSERT_TRUE(database.Open(db, false));
    std::vector<TransferRow> rows;
    database.ListUploads(-1, -1, rows);
    const auto row =
        std::find_if(rows.begin(), rows.end(), [&](const TransferRow& r) { return r.key == key; });
    ASSERT_NE(row, rows.end());
    Log log;
    TransferContext ctx{database, log};
    ctx.serviceCall = [](const TransferRow&) {
        return LiveCall();
    };
    ctx.stop = std::make_shared<TaskStop>();
    ctx.progress = std::make_shared<TaskProgress>();
    ctx.settings.peerMax = 2;
    ctx.dataFolder = std::filesystem::path(db).parent_path().parent_path().string();
    const TaskResult result = MakeUploadTask(*row, ctx)->Run();
    ASSERT_EQ(result.outcome, TaskOutcome::Finished) << result.errornum << " " << result.errormsg;
}

std::string UpperHex(const std::string& bytes)
{
    std::string hex = HexLower(Md5(bytes));
    std::transform(hex.begin(), hex.end(), hex.begin(), ::toupper);
    return hex;
}

class UploadKillLive : public UploadLive
{
protected:
    // The row's upload id and status as the file holds them (the children write the file; this
    // process's database object answers from the copy it loaded when it opened).
    std::pair<std::string, int> RowOnDisk()
    {
        sqlite3* db = nullptr;
        std::pair<std::string, int> out{"", -1};
        if (sqlite3_open_v2(db_.Path().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* st = nullptr;
            const std::string sql = "select uploadid,status from Upload where pathhash='" + row_.key + "';";
            if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK &&
                sqlite3_step(st) == SQLITE_ROW) {
                const auto* id = sqlite3_column_text(st, 0);
                out = {id ? reinterpret_cast<const char*>(id) : "", sqlite3_column_int(st, 1)};
            }
            sqlite3_finalize(st);
        }
        sqlite3_close(db);
        return out;
    }

    // Starts the child; returns its exit status, or -1 when it was killed after `killAfterMs`.
    static int RunChild(const std::string& db, const std::string& key, int killAfterMs)
    {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("ZYM_UPLOAD_CHILD_DB", db.c_str(), 1);
            ::setenv("ZYM_UPLOAD_CHILD_KEY", key.c_str(), 1);
            ::execl("/proc/self/exe", "child", "--gtest_filter=UploadKillChild.DISABLED_RunQueuedUpload",
                    "--gtest_also_run_disabled_tests", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        if (killAfterMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
            if (::waitpid(pid, &status, WNOHANG) == 0) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                return -1;
            }
        } else {
            ::waitpid(pid, &status, 0);
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    }
};

TEST_F(UploadKillLive, KilledAtRandomPointsAndRestartedTheObjectEqualsTheSource)
{
    const std::int64_t size = 4 * kBlock + 12345;
    Queue(RandomBytes(size, 41));
    // Slow parts, so kills land before, during and between them.
    CountedRule slow(Rule("\"query\":\"partNumber=\",\"throttle_bps\":6000000"));
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> when(150, 2500);
    int kills = 0;
    int checked = 0;
    int exitCode = -1;
    for (int run = 0; run < 12 && exitCode != 0; ++run) {
        const int killAfter = run < 8 ? when(random) : 0;
        exitCode = RunChild(db_.Path(), row_.key, killAfter);
        kills += exitCode == -1 ? 1 : 0;
        ASSERT_TRUE(exitCode == -1 || exitCode == 0)
            << "child ended with " << exitCode << " after " << killAfter;
        // Whatever the moment of the kill, the part-info file names only confirmed parts.
        const std::string uploadId = RowOnDisk().first;
        if (exitCode != 0 && !uploadId.empty()) {
            ++checked;
            std::vector<PartRecord> records;
            ASSERT_TRUE(ReadPartInfo(PartInfoPath(uploadId), records));
            for (const PartRecord& r : records) {
                ASSERT_EQ(r.start, (r.number - 1) * kBlock);
                ASSERT_EQ(r.length, std::min(kBlock, size - r.start));
                EXPECT_EQ(r.etag, "\"" +
                                      UpperHex(source_.substr(static_cast<size_t>(r.start),
                                                              static_cast<size_t>(r.length))) +
                                      "\"");
            }
        }
    }
    ASSERT_EQ(exitCode, 0);
    RecordProperty("kills", kills);
    RecordProperty("partInfoChecks", checked);
    EXPECT_TRUE(Stored() == source_);
    EXPECT_EQ(StoredType(), "Multipart");
    EXPECT_EQ(RowOnDisk().second, kStatusFinished);
    // Parts sent in all: each kill may cost the (at most two) parts that were on their way, and
    // one part the service confirmed just before the kill, whose record the part-info writer
    // (a thread of its own) had not saved yet.
    EXPECT_LE(slow.Seen(), 5 + 3 * kills);
}

} // namespace
