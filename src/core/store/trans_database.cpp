#include "store/trans_database.h"

#include "platform/folders.h"

#include <filesystem>

namespace zym {
namespace {

// Table and column names are a stored format: these texts must not change.
constexpr std::string_view kCreateDownload =
    "CREATE TABLE Download(id INTEGER PRIMARY KEY AUTOINCREMENT,hash char[40],fullpath varchar[1024] COLLATE "
    "NOCASE,host varchar[1024] COLLATE NOCASE,bucket varchar[64] COLLATE NOCASE,object varchar[1024] COLLATE "
    "NOCASE,filesize bigint,status int,offset bigint,actlast bigint,errornum int,errormsg varchar [1024]);";
constexpr std::string_view kCreateUpload =
    "CREATE TABLE Upload(id INTEGER PRIMARY KEY AUTOINCREMENT,pathhash char[40],host varchar[1024] COLLATE "
    "NOCASE,bucket varchar[64] COLLATE NOCASE,object varchar[1024] COLLATE NOCASE,fullpath varchar[1024] "
    "COLLATE "
    "NOCASE,filesize bigint,last bigint,status int,offset bigint,actlast bigint,uploadid varchar "
    "[40],errornum "
    "int,errormsg varchar [1024]);";
constexpr std::string_view kCreateRegular =
    "CREATE TABLE Regular(bucket varchar[64] COLLATE NOCASE,regular varchar[1024] COLLATE NOCASE,host "
    "varchar[1024] COLLATE NOCASE,status int,num int,PRIMARY KEY (bucket));";
constexpr std::string_view kCreateVersion = "CREATE TABLE transsqlversion(version char[20]);";
constexpr std::string_view kVersion = "1.0.0.0";
constexpr std::string_view kIndexes[] = {
    "CREATE UNIQUE INDEX ifullpath on Download(fullpath)",
    "CREATE INDEX idstatus on Download(status,actlast,id)",
    "CREATE UNIQUE INDEX ipathhash on Upload(pathhash);",
    "CREATE INDEX iustatus on Upload(status,actlast,id);",
};

} // namespace

bool CTransDatabase::Open(const std::string& path, bool repair)
{
    std::lock_guard<std::mutex> guard(writeLock_);
    path_ = path;
    dropped_ = DroppedFinishedRows{};
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) {
        MakeFolders(folder.string());
    }
    repair_ = DatabaseRepair::None;
    damageCode_ = 0;
    // First the copy, then an empty file: two repairs at most.
    return OpenOnce(repair ? 2 : 0);
}

bool CTransDatabase::RepairAndReopen(int code, int repairsLeft)
{
    if (repairsLeft <= 0) {
        return false;
    }
    if (damageCode_ == 0) {
        damageCode_ = code;
    }
    mirror_.Close();
    // The second repair is for a copy that is damaged too: it goes to the trash as well, and
    // nothing replaces it.
    if (repairsLeft == 2 && file_.RestoreFromBackup()) {
        repair_ = DatabaseRepair::Restored;
        return OpenOnce(repairsLeft - 1);
    }
    file_.Close();
    if (repairsLeft != 2 || std::filesystem::exists(path_)) {
        file_.TrashFile();
    }
    repair_ = DatabaseRepair::StartedEmpty;
    return OpenOnce(0);
}

bool CTransDatabase::OpenOnce(int repairsLeft)
{
    if (!file_.Open(path_, false)) {
        return false;
    }
    if (!mirror_.Open(path_, true)) {
        const int code = mirror_.lastError();
        return IsDamagedCode(code) && RepairAndReopen(code, repairsLeft);
    }
    if (!mirror_.IsWhole()) {
        return RepairAndReopen(kSqliteCorrupt, repairsLeft);
    }
    // On a new file these fail harmlessly: the tables do not exist yet.
    dropped_ = ListFinishedLocked();
    ExecBothLocked("delete from Download where status=?;", {std::int64_t{kStatusFinished}});
    ExecBothLocked("delete from Upload where status=?;", {std::int64_t{kStatusFinished}});
    const SqlParams retry{std::int64_t{kStatusWaiting}, std::int64_t{kStatusFailed}};
    ExecBothLocked("update Download set errornum='0',actlast='0',status=? where status>=?;", retry);
    ExecBothLocked("update Upload set errornum='0',actlast='0',status=? where status>=?;", retry);
    const SqlParams reset{std::int64_t{kStatusWaiting}, std::int64_t{kStatusRunning}};
    ExecBothLocked("update Download set status=?,actlast='0' where status=?;", reset);
    ExecBothLocked("update Upload set status=?,actlast='0' where status=?;", reset);

    if (!CreateMissing()) {
        const int code = file_.lastError();
        return IsDamagedCode(code) && RepairAndReopen(code, repairsLeft);
    }
    // A larger page cache keeps the random inserts into the unique pathhash and fullpath
    // indexes from re-reading index pages: about a quarter less CPU when 100,000 rows are
    // queued. Nothing stored changes.
    file_.Exec("PRAGMA cache_size=-65536;");
    return true;
}

DroppedFinishedRows CTransDatabase::ListFinishedLocked()
{
    DroppedFinishedRows rows;
    const SqlParams finished{std::int64_t{kStatusFinished}};
    SQLiteRecordSet downloads;
    if (mirror_.Query("select fullpath from Download where status=?;", finished, downloads)) {
        while (downloads.NextRow()) {
            rows.downloadPaths.push_back(downloads.GetText(0));
        }
    }
    SQLiteRecordSet uploads;
    if (mirror_.Query("select uploadid from Upload where status=? and uploadid<>'';", finished, uploads)) {
        while (uploads.NextRow()) {
            rows.uploadIds.push_back(uploads.GetText(0));
        }
    }
    return rows;
}

bool CTransDatabase::CreateMissing()
{
    const std::pair<const char*, std::string_view> tables[] = {
        {"Download", kCreateDownload}, {"Upload", kCreateUpload}, {"Regular", kCreateRegular}};
    for (const auto& [name, create] : tables) {
        if (!file_.IsTableExist(name) && !file_.Exec(create)) {
            return false;
        }
        if (!mirror_.IsTableExist(name) && !mirror_.Exec(create)) {
            return false;
        }
    }
    if (!file_.IsTableExist("transsqlversion")) {
        if (!file_.Exec(kCreateVersion)) {
            return false;
        }
        file_.Exec("insert into transsqlversion values(?);", {std::string(kVersion)});
    }
    for (std::string_view index : kIndexes) {
        file_.Exec(index); // fails once the index exists
        mirror_.Exec(index);
    }
    file_.Exec("PRAGMA synchronous = OFF;");
    return true;
}

bool CTransDatabase::BackupFile()
{
    return file_.BackupFile();
}

bool CTransDatabase::BeginTransaction()
{
    // The mirror joins the transaction: its rows then cost one in-memory commit, not one per
    // row. Its own connection sees them at once either way, so readers notice no difference.
    std::lock_guard<std::mutex> guard(writeLock_);
    mirrorInTransaction_ = mirror_.Exec("begin transaction;");
    return file_.Exec("begin transaction;");
}

bool CTransDatabase::CommitTransaction()
{
    std::lock_guard<std::mutex> guard(writeLock_);
    const bool committed = file_.Exec("commit transaction;end transaction;");
    if (mirrorInTransaction_) {
        mirror_.Exec("commit transaction;");
        mirrorInTransaction_ = false;
    }
    return committed;
}

bool CTransDatabase::ExecBoth(std::string_view sql, const SqlParams& params)
{
    std::lock_guard<std::mutex> guard(writeLock_);
    return ExecBothLocked(sql, params);
}

bool CTransDatabase::ExecBothLocked(std::string_view sql, const SqlParams& params)
{
    if (!file_.Exec(sql, params)) {
        return false;
    }
    return mirror_.Exec(sql, params);
}

std::optional<std::int64_t> CTransDatabase::CountOf(std::string_view sql, const SqlParams& params)
{
    SQLiteRecordSet rs;
    if (!mirror_.Query(sql, params, rs) || !rs.NextRow()) {
        return std::nullopt;
    }
    return rs.GetInt64(0);
}

QueueCounts CTransDatabase::CountAll()
{
    return {CountOf("select count(*) from Upload;", {}), CountOf("select count(*) from Download;", {})};
}

QueueCounts CTransDatabase::CountFinished()
{
    const SqlParams finished{std::int64_t{kStatusFinished}};
    return {CountOf("select count(*) from Upload where status=?;", finished),
            CountOf("select count(*) from Download where status=?;", finished)};
}

bool CTransDatabase::DeleteBucketRows(const std::string& bucket)
{
    std::lock_guard<std::mutex> guard(writeLock_);
    const bool downloads = ExecBothLocked("delete from Download where bucket=?;", {bucket});
    const bool uploads = ExecBothLocked("delete from Upload where bucket=?;", {bucket});
    return downloads && uploads;
}

bool CTransDatabase::ResetRunning()
{
    std::lock_guard<std::mutex> guard(writeLock_);
    const SqlParams reset{std::int64_t{kStatusWaiting}, std::int64_t{kStatusRunning}};
    const bool downloads = ExecBothLocked("update Download set status=?,actlast='0' where status=?;", reset);
    const bool uploads = ExecBothLocked("update Upload set status=?,actlast='0' where status=?;", reset);
    return downloads && uploads;
}

bool CTransDatabase::SaveRule(const CallbackRule& rule)
{
    std::lock_guard<std::mutex> guard(writeLock_);
    bool exists = false;
    {
        SQLiteRecordSet rs;
        exists = mirror_.Query("select * from Regular where bucket=?;", {rule.bucket}, rs) && rs.NextRow();
    }
    if (exists) {
        return ExecBothLocked(
            "update Regular set regular=?,host=?,status=?,num=? where bucket=?;",
            {rule.regular, rule.host, std::int64_t{rule.status}, std::int64_t{rule.num}, rule.bucket});
    }
    return ExecBothLocked(
        "insert into Regular(bucket,regular,host,status,num) values(?,?,?,?,?);",
        {rule.bucket, rule.regular, rule.host, std::int64_t{rule.status}, std::int64_t{rule.num}});
}

namespace {

std::vector<CallbackRule> ReadRules(SQLiteRecordSet& rs)
{
    std::vector<CallbackRule> rules;
    while (rs.NextRow()) {
        rules.push_back({rs.GetText(0), rs.GetText(1), rs.GetText(2), rs.GetInt(3), rs.GetInt(4)});
    }
    rs.Finalize();
    return rules;
}

} // namespace

std::optional<CallbackRule> CTransDatabase::GetRule(const std::string& bucket)
{
    SQLiteRecordSet rs;
    if (!mirror_.Query("select bucket,regular,host,status,num from Regular where bucket=?;", {bucket}, rs)) {
        return std::nullopt;
    }
    std::vector<CallbackRule> rules = ReadRules(rs);
    if (rules.empty()) {
        return std::nullopt;
    }
    return rules.front();
}

std::vector<CallbackRule> CTransDatabase::LoadRules()
{
    SQLiteRecordSet rs;
    if (!mirror_.Query("select bucket,regular,host,status,num from Regular;", rs)) {
        return {};
    }
    return ReadRules(rs);
}

} // namespace zym
