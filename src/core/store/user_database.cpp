#include "store/user_database.h"

#include "platform/folders.h"
#include "platform/trash.h"

#include <filesystem>
#include <system_error>

namespace zym {
namespace {

constexpr std::string_view kCreateUserinfo = "CREATE TABLE userinfo(accessid char[1000],accesskey "
                                             "char[1000],area char[1000],host char[1000],password char "
                                             "[40]);";
constexpr std::string_view kCreateRam =
    "CREATE TABLE IF NOT EXISTS ram (keyid varchar[500],subkeyid varchar[500],"
    "subsecret varchar[500],createtime bigint,PRIMARY KEY(subkeyid));";
constexpr std::string_view kCreateSts =
    "CREATE TABLE IF NOT EXISTS sts (keyid varchar[500],subkeyid varchar[500],token varchar[500],stskeyid "
    "varchar[500],stssecret varchar[500],createtime bigint,expiretime bigint,PRIMARY KEY(stskeyid));";
constexpr std::string_view kCreateVersion = "CREATE TABLE sqlsversion(version char[20]);";
constexpr std::string_view kCurrentVersion = "1.0.0.2";
// The saved log-in of this version is not readable by the current one.
constexpr std::string_view kDroppedLoginVersion = "1.0.0.1";

} // namespace

bool CUserDatabase::Open(const std::string& path)
{
    std::lock_guard<std::mutex> guard(lock_);
    path_ = path;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) {
        MakeFolders(folder.string());
    }
    return db_.Open(path, false);
}

bool CUserDatabase::InitUserDatabase()
{
    std::lock_guard<std::mutex> guard(lock_);
    repair_ = DatabaseRepair::None;
    damageCode_ = 0;
    // First the copy, then an empty file: two repairs at most.
    if (!InitLocked(2)) {
        return false;
    }
    // A copy of what opened well, for the next time the file is found damaged.
    db_.BackupFile();
    return true;
}

bool CUserDatabase::InitLocked(int repairsLeft)
{
    if (!db_.IsWhole()) {
        return IsDamagedCode(db_.lastError()) ? Rebuild(db_.lastError(), repairsLeft) : false;
    }
    if (!db_.IsTableExist("userinfo") && !db_.Exec(kCreateUserinfo) && IsDamagedCode(db_.lastError())) {
        return Rebuild(db_.lastError(), repairsLeft);
    }
    db_.Exec(kCreateRam);
    db_.Exec(kCreateSts);
    if (!db_.IsTableExist("sqlsversion")) {
        if (!db_.Exec(kCreateVersion)) {
            return false;
        }
        return db_.Exec("insert into sqlsversion values(?);", {std::string(kCurrentVersion)});
    }
    std::string version;
    {
        SQLiteRecordSet rs;
        if (!db_.Query("select version from sqlsversion", rs)) {
            return IsDamagedCode(db_.lastError()) ? Rebuild(db_.lastError(), repairsLeft) : false;
        }
        const int rc = rs.Step();
        if (rc == 100) {
            version = rs.GetText(0);
        } else if (rc != 101 && IsDamagedCode(rc)) {
            rs.Finalize();
            return Rebuild(rc, repairsLeft);
        }
    }
    if (version == kDroppedLoginVersion) {
        db_.Exec("delete from userinfo");
    }
    return db_.Exec("update sqlsversion set version=?;", {std::string(kCurrentVersion)});
}

// The file is unreadable: the damaged file goes to the trash (never deleted); the copy takes
// its place, or, when there is none or it is damaged too, an empty file.
bool CUserDatabase::Rebuild(int code, int repairsLeft)
{
    if (repairsLeft <= 0 || path_.empty()) {
        return false;
    }
    if (damageCode_ == 0) {
        damageCode_ = code;
    }
    if (repairsLeft == 2 && db_.RestoreFromBackup()) {
        repair_ = DatabaseRepair::Restored;
    } else {
        db_.TrashFile();
        repair_ = DatabaseRepair::StartedEmpty;
        repairsLeft = 1;
    }
    if (!db_.Open(path_, false)) {
        return false;
    }
    return InitLocked(repairsLeft - 1);
}

bool CUserDatabase::Kept(bool changed)
{
    if (changed) {
        db_.BackupFile();
    }
    return changed;
}

bool CUserDatabase::SaveAccount(const AccountRecord& a)
{
    std::lock_guard<std::mutex> guard(lock_);
    // One transaction, so that a failed insert does not leave the old log-in deleted.
    if (!db_.Exec("begin transaction;")) {
        return false;
    }
    const bool saved =
        db_.Exec("delete from userinfo") &&
        db_.Exec("insert into userinfo(accessid,accesskey,area,host,password) values(?,?,?,?,?);",
                 {a.accessid, a.accesskey, a.area, a.host, a.password});
    if (!saved) {
        db_.Exec("rollback transaction;");
        return false;
    }
    return Kept(db_.Exec("commit transaction;"));
}

bool CUserDatabase::LoadAccount(AccountRecord& account)
{
    std::lock_guard<std::mutex> guard(lock_);
    SQLiteRecordSet rs;
    if (!db_.Query("select accessid,accesskey,area,host,password from userinfo", rs) || !rs.NextRow()) {
        return false;
    }
    account = {rs.GetText(0), rs.GetText(1), rs.GetText(2), rs.GetText(3), rs.GetText(4)};
    return true;
}

bool CUserDatabase::LoadPassword(std::string& password)
{
    std::lock_guard<std::mutex> guard(lock_);
    SQLiteRecordSet rs;
    if (!db_.Query("select password from userinfo", rs) || !rs.NextRow()) {
        return false;
    }
    password = rs.GetText(0);
    return true;
}

bool CUserDatabase::SetAccountHost(const std::string& host)
{
    std::lock_guard<std::mutex> guard(lock_);
    return Kept(db_.Exec("update userinfo set host=?;", {host}));
}

bool CUserDatabase::ClearAccount()
{
    std::lock_guard<std::mutex> guard(lock_);
    return Kept(db_.Exec("delete from userinfo"));
}

} // namespace zym
