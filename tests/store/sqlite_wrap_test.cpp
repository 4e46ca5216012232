#include "scratch_folder.h"
#include "store/sqlite_wrap.h"

#include <filesystem>
#include <sqlite3.h>

namespace zym {
namespace {

namespace fs = std::filesystem;
using SQLiteWrapTest = testing::ScratchFolder;

// Rows of t(v) as read through a separate, plain connection.
std::vector<std::string> RowsOnDisk(const std::string& path)
{
    SQLiteWrap other;
    EXPECT_TRUE(other.Open(path, false));
    SQLiteRecordSet rs;
    std::vector<std::string> rows;
    if (other.Query("select v from t order by rowid;", rs)) {
        while (rs.NextRow()) {
            rows.push_back(rs.GetText(0));
        }
    }
    return rows;
}

void MakeTable(const std::string& path, std::initializer_list<std::string> values)
{
    SQLiteWrap db;
    ASSERT_TRUE(db.Open(path, false));
    ASSERT_TRUE(db.Exec("create table t(v text, n bigint);"));
    for (const std::string& v : values) {
        ASSERT_TRUE(db.Exec("insert into t(v,n) values(?,?);", {v, std::int64_t{7}}));
    }
}

TEST_F(SQLiteWrapTest, BoundValuesRoundTripAndNullReadsEmpty)
{
    SQLiteWrap db;
    ASSERT_TRUE(db.Open(Path("a.db"), false));
    EXPECT_TRUE(fs::exists(Path("a.db")));
    ASSERT_TRUE(db.Exec("create table t(v text, n bigint);"));
    const std::string tricky = "it's 100% \"quoted\" _x_ ; drop table t; --";
    ASSERT_TRUE(db.Exec("insert into t(v,n) values(?,?);", {tricky, std::int64_t{-5000000000}}));
    ASSERT_TRUE(db.Exec("insert into t(v,n) values(NULL,?);", {std::int64_t{3}}));

    SQLiteRecordSet rs;
    ASSERT_TRUE(db.Query("select v,n from t order by rowid;", rs));
    ASSERT_TRUE(rs.NextRow());
    EXPECT_EQ(rs.GetText(0), tricky);
    EXPECT_EQ(rs.GetInt64(1), -5000000000);
    ASSERT_TRUE(rs.NextRow());
    EXPECT_EQ(rs.GetText(0), "");
    EXPECT_EQ(rs.GetInt(1), 3);
    EXPECT_FALSE(rs.NextRow());
    rs.Finalize();
    rs.Finalize(); // a second finalize is a no-op
    EXPECT_FALSE(rs.IsPrepared());
}

TEST_F(SQLiteWrapTest, CommitTextCommitsButReportsFalse)
{
    SQLiteWrap db;
    ASSERT_TRUE(db.Open(Path("a.db"), false));
    ASSERT_TRUE(db.Exec("create table t(v text, n bigint);"));
    EXPECT_EQ(db.lastError(), 0);
    ASSERT_TRUE(db.Exec("begin transaction;"));
    ASSERT_TRUE(db.Exec("insert into t(v) values(?);", {std::string("x")}));
    EXPECT_FALSE(db.Exec("commit transaction;end transaction;"));
    EXPECT_EQ(db.lastError(), SQLITE_ERROR);
    EXPECT_EQ(RowsOnDisk(Path("a.db")), std::vector<std::string>{"x"});
    // lastError is kept across later successes
    ASSERT_TRUE(db.Exec("insert into t(v) values('y');"));
    EXPECT_EQ(db.lastError(), SQLITE_ERROR);
}

TEST_F(SQLiteWrapTest, FailuresSetLastErrorAndClosedConnectionRefuses)
{
    SQLiteWrap db;
    SQLiteRecordSet rs;
    EXPECT_FALSE(db.Exec("create table t(v);"));
    EXPECT_FALSE(db.Query("select 1;", rs));
    EXPECT_EQ(db.lastError(), 0);
    ASSERT_TRUE(db.Open(Path("a.db"), false));
    EXPECT_FALSE(db.Exec("select * from missing;"));
    EXPECT_EQ(db.lastError(), SQLITE_ERROR);
    EXPECT_FALSE(db.Query("select * from missing where v=?;", {std::string("a")}, rs));
    EXPECT_FALSE(rs.IsPrepared());
    ASSERT_TRUE(db.Exec("create table u(k text primary key);"));
    ASSERT_TRUE(db.Exec("insert into u values(?);", {std::string("a")}));
    EXPECT_FALSE(db.Exec("insert into u values(?);", {std::string("a")}));
    EXPECT_EQ(db.lastError(), SQLITE_CONSTRAINT);
}

TEST_F(SQLiteWrapTest, IsTableExistMatchesExactName)
{
    SQLiteWrap db;
    ASSERT_TRUE(db.Open(Path("a.db"), false));
    ASSERT_TRUE(db.Exec("create table Download(v);"));
    EXPECT_TRUE(db.IsTableExist("Download"));
    EXPECT_FALSE(db.IsTableExist("download"));
    EXPECT_FALSE(db.IsTableExist("Download' or '1'='1"));
}

TEST_F(SQLiteWrapTest, InMemoryCopyOfMissingFileIsEmptyAndCreatesFile)
{
    SQLiteWrap mem;
    ASSERT_TRUE(mem.Open(Path("new.db"), true));
    EXPECT_TRUE(mem.IsInMemory());
    EXPECT_TRUE(fs::exists(Path("new.db")));
    SQLiteRecordSet rs;
    ASSERT_TRUE(mem.Query("select count(*) from sqlite_master;", rs));
    ASSERT_TRUE(rs.NextRow());
    EXPECT_EQ(rs.GetInt(0), 0);
}

TEST_F(SQLiteWrapTest, InMemoryCopyHoldsFileContentAndWritesStayInMemory)
{
    MakeTable(Path("a.db"), {"one", "two"});
    SQLiteWrap mem;
    ASSERT_TRUE(mem.Open(Path("a.db"), true));
    ASSERT_TRUE(mem.Exec("insert into t(v) values(?);", {std::string("three")}));
    SQLiteRecordSet rs;
    ASSERT_TRUE(mem.Query("select count(*) from t;", rs));
    ASSERT_TRUE(rs.NextRow());
    EXPECT_EQ(rs.GetInt(0), 3);
    EXPECT_EQ(RowsOnDisk(Path("a.db")), (std::vector<std::string>{"one", "two"}));
}

TEST_F(SQLiteWrapTest, InMemoryCopyOfNonDatabaseFails26)
{
    WriteFile(Path("junk.db"), std::string(4096, 'x'));
    SQLiteWrap mem;
    EXPECT_FALSE(mem.Open(Path("junk.db"), true));
    EXPECT_EQ(mem.lastError(), SQLITE_NOTADB);
    EXPECT_TRUE(mem.IsOpen()); // the in-memory connection stays; a retry reopens it
    WriteFile(Path("junk.db"), "");
    EXPECT_TRUE(mem.Open(Path("junk.db"), true));
}

TEST_F(SQLiteWrapTest, BackupFileOverwritesOldCopyWithCommittedState)
{
    MakeTable(Path("a.db"), {"one"});
    WriteFile(Path("a.db_old"), "stale copy");
    SQLiteWrap db;
    ASSERT_TRUE(db.Open(Path("a.db"), false));
    ASSERT_TRUE(db.Exec("begin transaction;"));
    ASSERT_TRUE(db.Exec("insert into t(v) values('uncommitted');"));
    EXPECT_TRUE(db.BackupFile());
    EXPECT_EQ(RowsOnDisk(Path("a.db_old")), std::vector<std::string>{"one"});
    db.Exec("commit transaction;end transaction;");
    EXPECT_TRUE(db.BackupFile());
    EXPECT_EQ(RowsOnDisk(Path("a.db_old")), (std::vector<std::string>{"one", "uncommitted"}));
    EXPECT_FALSE(fs::exists(Path("a.db_old.part")));

    SQLiteWrap closed;
    EXPECT_FALSE(closed.BackupFile()); // no path
}

TEST_F(SQLiteWrapTest, RestoreFromBackupTrashesDamagedFileAndCopiesOld)
{
    MakeTable(Path("a.db"), {"saved"});
    {
        SQLiteWrap db;
        ASSERT_TRUE(db.Open(Path("a.db"), false));
        ASSERT_TRUE(db.BackupFile());
    }
    const std::string garbage(8192, 'g');
    WriteFile(Path("a.db"), garbage);
    WriteFile(Path("a.db-journal"), "stale journal");
    SQLiteWrap db;
    ASSERT_TRUE(db.Open(Path("a.db"), false));
    EXPECT_TRUE(db.RestoreFromBackup());
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(RowsOnDisk(Path("a.db")), std::vector<std::string>{"saved"});
    EXPECT_FALSE(fs::exists(Path("a.db-journal")));
    EXPECT_EQ(ReadFile(TrashFolder() + "/files/a.db"), garbage);
    EXPECT_EQ(ReadFile(TrashFolder() + "/files/a.db-journal"), "stale journal");
    EXPECT_NE(ReadFile(TrashFolder() + "/info/a.db.trashinfo").find("Path=" + Path("a.db") + "\n"),
              std::string::npos);
}

TEST_F(SQLiteWrapTest, RestoreWithoutOldCopyLeavesNoFileAndReopensEmpty)
{
    WriteFile(Path("a.db"), std::string(8192, 'g'));
    SQLiteWrap db;
    ASSERT_TRUE(db.Open(Path("a.db"), false));
    EXPECT_FALSE(db.RestoreFromBackup());
    EXPECT_FALSE(fs::exists(Path("a.db")));
    EXPECT_TRUE(fs::exists(TrashFolder() + "/files/a.db"));
    ASSERT_TRUE(db.Open(Path("a.db"), true));
    EXPECT_FALSE(db.IsTableExist("t"));
}

TEST_F(SQLiteWrapTest, RecordSetMovesOwnershipAndOutlivesClose)
{
    MakeTable(Path("a.db"), {"one", "two"});
    SQLiteWrap db;
    ASSERT_TRUE(db.Open(Path("a.db"), false));
    SQLiteRecordSet first;
    ASSERT_TRUE(db.Query("select v from t order by rowid;", first));
    SQLiteRecordSet second = std::move(first);
    EXPECT_FALSE(first.IsPrepared());
    ASSERT_TRUE(second.NextRow());
    EXPECT_EQ(second.GetText(0), "one");
    db.Close(); // the statement keeps the connection alive until it is finalized
    ASSERT_TRUE(second.NextRow());
    EXPECT_EQ(second.GetText(0), "two");
}

} // namespace
} // namespace zym
