// Opening the transfer queue: schema, restart housekeeping, repair of a damaged file, and many
// threads writing while others read the mirror.
#include "trans_fixture.h"

#include <atomic>
#include <filesystem>
#include <thread>

namespace zym {
namespace {

namespace fs = std::filesystem;
using testing::DownloadRow;
using testing::Names;
using testing::StoredRows;
using testing::UploadRow;
using TransOpenTest = testing::ScratchFolder;

TEST_F(TransOpenTest, NewFileGetsSchemaVersionAndIndexes)
{
    const std::string path = Path("user/1234/transdb.db");
    CTransDatabase db;
    ASSERT_TRUE(db.Open(path, true));
    EXPECT_TRUE(fs::exists(path));
    using V = std::vector<std::string>;
    EXPECT_EQ(Names(db.FileConnection(), "table"),
              (V{"Download", "Regular", "Upload", "sqlite_sequence", "transsqlversion"}));
    EXPECT_EQ(Names(db.Mirror(), "table"), (V{"Download", "Regular", "Upload", "sqlite_sequence"}));
    const V indexes{"idstatus", "ifullpath", "ipathhash", "iustatus", "sqlite_autoindex_Regular_1"};
    EXPECT_EQ(Names(db.FileConnection(), "index"), indexes);
    EXPECT_EQ(Names(db.Mirror(), "index"), indexes);
    SQLiteRecordSet rs;
    ASSERT_TRUE(db.FileConnection().Query("select version from transsqlversion;", rs));
    ASSERT_TRUE(rs.NextRow());
    EXPECT_EQ(rs.GetText(0), "1.0.0.0");
    EXPECT_FALSE(rs.NextRow());
    rs.Finalize();
    SQLiteRecordSet pragma;
    ASSERT_TRUE(db.FileConnection().Query("PRAGMA synchronous;", pragma));
    ASSERT_TRUE(pragma.NextRow());
    EXPECT_EQ(pragma.GetInt(0), 0);
}

TEST_F(TransOpenTest, ReopenKeepsRowsAndOneVersionRow)
{
    const std::string path = Path("transdb.db");
    {
        CTransDatabase db;
        ASSERT_TRUE(db.Open(path, true));
        ASSERT_TRUE(db.AddDownload(DownloadRow("/d/one")));
        ASSERT_TRUE(db.AddUpload(UploadRow("b", "k1")));
    }
    CTransDatabase db;
    ASSERT_TRUE(db.Open(path, true));
    EXPECT_EQ(db.CountAll().downloads, 1);
    EXPECT_EQ(db.CountAll().uploads, 1);
    // the mirror now has the version table too, because the file had it at open time
    EXPECT_TRUE(db.Mirror().IsTableExist("transsqlversion"));
    SQLiteRecordSet rs;
    ASSERT_TRUE(db.FileConnection().Query("select count(*) from transsqlversion;", rs));
    ASSERT_TRUE(rs.NextRow());
    EXPECT_EQ(rs.GetInt(0), 1);
}

TEST_F(TransOpenTest, RestartDropsFinishedAndRequeuesRunningAndFailed)
{
    const std::string path = Path("transdb.db");
    {
        CTransDatabase db;
        ASSERT_TRUE(db.Open(path, true));
        const int statuses[] = {kStatusRunning,  kStatusWaiting, kStatusStopped,
                                kStatusFinished, kStatusFailed,  7};
        for (int s : statuses) {
            const std::string name = std::to_string(s);
            ASSERT_TRUE(db.AddDownload(DownloadRow("/d/" + name)));
            ASSERT_TRUE(db.AddUpload(UploadRow("b", name)));
            const std::string hash = UploadRow("b", name).key;
            if (s == kStatusRunning) {
                ASSERT_TRUE(db.MarkDownloadRunning("/d/" + name, 1700000100));
                ASSERT_TRUE(db.MarkUploadRunning(hash, 1700000100));
            } else if (s >= kStatusFailed) {
                ASSERT_TRUE(db.MarkDownloadRunning("/d/" + name, 1700000100));
                ASSERT_TRUE(db.FailDownload("/d/" + name, 42, "broken"));
                ASSERT_TRUE(db.MarkUploadRunning(hash, 1700000100));
                ASSERT_TRUE(db.FailUpload(hash, 42, "broken"));
                ASSERT_TRUE(db.ExecBoth("update Download set status=? where fullpath=?;",
                                        {std::int64_t{s}, "/d/" + name}));
                ASSERT_TRUE(
                    db.ExecBoth("update Upload set status=? where pathhash=?;", {std::int64_t{s}, hash}));
            } else {
                ASSERT_TRUE(db.SetDownloadStatus("/d/" + name, s));
                ASSERT_TRUE(db.SetUploadStatus(hash, s));
            }
        }
    }
    CTransDatabase db;
    ASSERT_TRUE(db.Open(path, true));
    // The requeue clears the error code; the last error text stays with the row.
    using testing::StoredRow;
    auto hash = [](const char* name) {
        return UploadRow("b", name).key;
    };
    const std::vector<StoredRow> downloads{{1, "/d/1", 2, 0, 0, ""},
                                           {2, "/d/2", 2, 0, 0, ""},
                                           {3, "/d/3", 3, 0, 0, ""},
                                           {5, "/d/5", 2, 0, 0, "broken"},
                                           {6, "/d/7", 2, 0, 0, "broken"}};
    const std::vector<StoredRow> uploads{{1, hash("1"), 2, 0, 0, ""},
                                         {2, hash("2"), 2, 0, 0, ""},
                                         {3, hash("3"), 3, 0, 0, ""},
                                         {5, hash("5"), 2, 0, 0, "broken"},
                                         {6, hash("7"), 2, 0, 0, "broken"}};
    EXPECT_EQ(StoredRows(db.FileConnection(), "Download"), downloads);
    EXPECT_EQ(StoredRows(db.Mirror(), "Download"), downloads);
    EXPECT_EQ(StoredRows(db.FileConnection(), "Upload"), uploads);
    EXPECT_EQ(StoredRows(db.Mirror(), "Upload"), uploads);
}

TEST_F(TransOpenTest, DamagedFileIsReplacedByOldCopy)
{
    const std::string path = Path("transdb.db");
    {
        CTransDatabase db;
        ASSERT_TRUE(db.Open(path, true));
        ASSERT_TRUE(db.AddDownload(DownloadRow("/d/saved")));
        ASSERT_TRUE(db.BackupFile());
        ASSERT_TRUE(db.AddDownload(DownloadRow("/d/after-backup")));
    }
    const std::string garbage(16384, '\x5a');
    WriteFile(path, garbage);
    {
        CTransDatabase noRepair;
        EXPECT_FALSE(noRepair.Open(path, false));
        EXPECT_EQ(noRepair.Mirror().lastError(), kSqliteNotADb);
    }
    CTransDatabase db;
    ASSERT_TRUE(db.Open(path, true));
    std::vector<TransferRow> rows;
    ASSERT_TRUE(db.ListDownloads(10, 0, rows));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].fullpath, "/d/saved");
    EXPECT_EQ(ReadFile(TrashFolder() + "/files/transdb.db"), garbage);
    EXPECT_TRUE(db.AddDownload(DownloadRow("/d/new")));
}

TEST_F(TransOpenTest, DamagedFileWithoutCopyStartsEmpty)
{
    const std::string path = Path("transdb.db");
    WriteFile(path, std::string(16384, '\x5a'));
    CTransDatabase db;
    ASSERT_TRUE(db.Open(path, true));
    EXPECT_EQ(db.CountAll().downloads, 0);
    EXPECT_EQ(db.CountAll().uploads, 0);
    EXPECT_TRUE(db.FileConnection().IsTableExist("transsqlversion"));
    EXPECT_TRUE(fs::exists(TrashFolder() + "/files/transdb.db"));
    ASSERT_TRUE(db.AddUpload(UploadRow("b", "k")));
    EXPECT_EQ(db.CountAll().uploads, 1);
}

// A damaged file (overwritten, or cut off so that SQLite opens it and fails only on the lost
// pages) goes to the trash; its copy takes its place, and without a usable copy the queue starts
// empty. Either way the login gets a queue that works.
TEST_F(TransOpenTest, DamagedFileIsReplacedByItsCopyOrStartsEmpty)
{
    enum class Copy
    {
        None,
        Whole,
        Damaged
    };
    struct Case
    {
        const char* name;
        bool cut; // else overwritten with garbage
        Copy copy;
        DatabaseRepair repair;
    };
    const Case cases[] = {
        {"garbage, whole copy", false, Copy::Whole, DatabaseRepair::Restored},
        {"cut off, whole copy", true, Copy::Whole, DatabaseRepair::Restored},
        {"cut off, no copy", true, Copy::None, DatabaseRepair::StartedEmpty},
        {"garbage, damaged copy", false, Copy::Damaged, DatabaseRepair::StartedEmpty},
        {"cut off, damaged copy", true, Copy::Damaged, DatabaseRepair::StartedEmpty},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Path("transdb.db");
        fs::remove(path);
        fs::remove(path + "_old");
        fs::remove_all(TrashFolder());
        {
            CTransDatabase db;
            ASSERT_TRUE(db.Open(path, true));
            ASSERT_TRUE(db.BeginTransaction());
            for (int i = 0; i < 300; ++i) { // many pages, so that a cut loses rows
                ASSERT_TRUE(db.AddDownload(DownloadRow("/d/" + std::to_string(i))));
            }
            db.CommitTransaction();
            ASSERT_TRUE(db.BackupFile());
        }
        if (c.copy == Copy::None) {
            fs::remove(path + "_old");
        } else if (c.copy == Copy::Damaged) {
            WriteFile(path + "_old", std::string(16384, '\x5a'));
        }
        if (c.cut) {
            fs::resize_file(path, fs::file_size(path) / 2);
        } else {
            WriteFile(path, std::string(fs::file_size(path), '\x5a'));
        }
        const std::string damaged = ReadFile(path);

        CTransDatabase db;
        ASSERT_TRUE(db.Open(path, true));
        EXPECT_EQ(db.Repair(), c.repair);
        EXPECT_TRUE(IsDamagedCode(db.DamageCode())) << db.DamageCode();
        EXPECT_EQ(ReadFile(TrashFolder() + "/files/transdb.db"), damaged);
        EXPECT_EQ(db.CountAll().downloads, c.repair == DatabaseRepair::Restored ? 300 : 0);
        ASSERT_TRUE(db.AddDownload(DownloadRow("/d/new")));
        EXPECT_TRUE(db.FileConnection().IsWhole());
    }
}

// A file damaged while the program runs must not replace the copy that could repair it.
TEST_F(TransOpenTest, BackupKeepsTheCopyWhenTheFileIsDamaged)
{
    const std::string path = Path("transdb.db");
    CTransDatabase db;
    ASSERT_TRUE(db.Open(path, true));
    ASSERT_TRUE(db.BeginTransaction());
    for (int i = 0; i < 300; ++i) {
        ASSERT_TRUE(db.AddDownload(DownloadRow("/d/" + std::to_string(i))));
    }
    db.CommitTransaction();
    ASSERT_TRUE(db.BackupFile());
    const std::string copy = ReadFile(path + "_old");
    fs::resize_file(path, fs::file_size(path) / 2);
    EXPECT_FALSE(db.BackupFile());
    EXPECT_EQ(ReadFile(path + "_old"), copy);
    EXPECT_FALSE(fs::exists(path + "_old.part"));
}

// Writers add and update rows (some inside transactions) while readers page through the mirror.
// Afterwards the file and the mirror hold the same rows under the same ids.
TEST_F(TransOpenTest, ManyWritersWhileReadersUseTheMirror)
{
    CTransDatabase db;
    ASSERT_TRUE(db.Open(Path("transdb.db"), true));
    constexpr int kWriters = 4;
    constexpr int kRowsEach = 150;
    std::atomic<int> writersLeft{kWriters};
    std::atomic<int> badReads{0};
    std::atomic<int> reads{0};
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([&, w] {
            for (int i = 0; i < kRowsEach; ++i) {
                const std::string object = "w" + std::to_string(w) + "/" + std::to_string(i);
                if (i % 50 == 0) {
                    db.BeginTransaction(); // joins another writer's transaction when one is open
                }
                db.AddUpload(UploadRow("bucket", object));
                db.AddDownload(DownloadRow("/d/" + object));
                if (i % 3 == 0) {
                    db.FailUpload(UploadRow("bucket", object).key, 9, "it's failed");
                }
                if (i % 50 == 49) {
                    db.CommitTransaction();
                }
            }
            --writersLeft;
        });
    }
    for (int r = 0; r < 3; ++r) {
        threads.emplace_back([&] {
            std::int64_t lastCount = 0;
            while (writersLeft > 0) {
                std::vector<TransferRow> rows;
                if (!db.ListUploads(100, 0, rows)) {
                    ++badReads;
                    continue;
                }
                for (const TransferRow& row : rows) {
                    if (row.bucket != "bucket" || row.key.size() != 40) {
                        ++badReads;
                    }
                }
                const std::int64_t count = db.CountAll().uploads.value_or(-1);
                if (count < lastCount) {
                    ++badReads;
                }
                lastCount = count;
                ++reads;
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    db.CommitTransaction();
    EXPECT_EQ(badReads, 0);
    EXPECT_GT(reads, 0);
    EXPECT_EQ(db.CountAll().uploads, kWriters * kRowsEach);
    EXPECT_EQ(db.CountAll().downloads, kWriters * kRowsEach);
    EXPECT_EQ(StoredRows(db.FileConnection(), "Upload"), StoredRows(db.Mirror(), "Upload"));
    EXPECT_EQ(StoredRows(db.FileConnection(), "Download"), StoredRows(db.Mirror(), "Download"));
}

} // namespace
} // namespace zym
