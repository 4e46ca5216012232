#include "store/sqlite_wrap.h"

#include "platform/trash.h"

#include <filesystem>
#include <memory>
#include <sqlite3.h>
#include <string_view>
#include <system_error>

namespace zym {
namespace {

constexpr int kOpenFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
// How long the backup's reader waits for a writer to finish a commit before giving up.
constexpr int kBackupBusyMs = 5000;
constexpr std::size_t kCacheLimit = 128;

struct ConnectionCloser
{
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using ConnectionPtr = std::unique_ptr<sqlite3, ConnectionCloser>;

// `copy`: false only when the parameters outlive every step of the statement.
int Bind(sqlite3_stmt* stmt, const SqlParams& params, bool copy)
{
    int index = 1;
    for (const SqlValue& v : params) {
        int rc = SQLITE_OK;
        if (const auto* n = std::get_if<std::int64_t>(&v)) {
            rc = sqlite3_bind_int64(stmt, index, *n);
        } else {
            const std::string& t = std::get<std::string>(v);
            rc = sqlite3_bind_text(stmt, index, t.data(), static_cast<int>(t.size()),
                                   copy ? SQLITE_TRANSIENT : SQLITE_STATIC);
        }
        if (rc != SQLITE_OK) {
            return rc;
        }
        ++index;
    }
    return SQLITE_OK;
}

// Copies every page of `from` into `to`; the result of the whole copy.
int CopyDatabase(sqlite3* to, sqlite3* from)
{
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (backup == nullptr) {
        return sqlite3_errcode(to);
    }
    const int step = sqlite3_backup_step(backup, -1);
    const int finish = sqlite3_backup_finish(backup);
    return step == SQLITE_DONE ? finish : step;
}

bool PassesQuickCheck(sqlite3* db)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA quick_check;", -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return false;
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw, &sqlite3_finalize);
    if (sqlite3_step(stmt.get()) != SQLITE_ROW) {
        return false;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0));
    return text != nullptr && std::string_view(text) == "ok" && sqlite3_step(stmt.get()) == SQLITE_DONE;
}

} // namespace

SQLiteRecordSet::SQLiteRecordSet(SQLiteRecordSet&& other) noexcept : stmt_(other.stmt_)
{
    other.stmt_ = nullptr;
}

SQLiteRecordSet& SQLiteRecordSet::operator=(SQLiteRecordSet&& other) noexcept
{
    if (this != &other) {
        Finalize();
        stmt_ = other.stmt_;
        other.stmt_ = nullptr;
    }
    return *this;
}

int SQLiteRecordSet::Step()
{
    return stmt_ == nullptr ? -1 : sqlite3_step(stmt_);
}

std::string SQLiteRecordSet::GetText(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    if (text == nullptr) {
        return {};
    }
    return std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
}

std::int64_t SQLiteRecordSet::GetInt64(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

int SQLiteRecordSet::GetInt(int column) const
{
    return sqlite3_column_int(stmt_, column);
}

void SQLiteRecordSet::Finalize()
{
    if (stmt_ != nullptr) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

int SQLiteWrap::Fail(int code)
{
    if (code != SQLITE_OK) {
        lastError_ = code;
    }
    return code;
}

bool SQLiteWrap::Open(const std::string& path, bool inMemory)
{
    std::lock_guard<std::mutex> guard(lock_);
    CloseLocked();
    inMemory_ = inMemory;
    path_ = path;
    const char* target = inMemory ? ":memory:" : path.c_str();
    int rc = sqlite3_open_v2(target, &db_, kOpenFlags, nullptr);
    if (rc != SQLITE_OK) {
        Fail(rc);
        return false;
    }
    if (!inMemory) {
        return true;
    }
    sqlite3* raw = nullptr;
    rc = sqlite3_open_v2(path.c_str(), &raw, kOpenFlags, nullptr);
    ConnectionPtr source(raw);
    if (rc == SQLITE_OK) {
        rc = CopyDatabase(db_, source.get());
    }
    return Fail(rc) == SQLITE_OK;
}

bool SQLiteWrap::IsOpen() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return db_ != nullptr;
}

int SQLiteWrap::lastError() const
{
    return lastError_;
}

bool SQLiteWrap::Exec(std::string_view sql)
{
    std::lock_guard<std::mutex> guard(lock_);
    return ExecLocked(sql, nullptr);
}

bool SQLiteWrap::Exec(std::string_view sql, const SqlParams& params)
{
    std::lock_guard<std::mutex> guard(lock_);
    return ExecLocked(sql, &params);
}

bool SQLiteWrap::ExecLocked(std::string_view sql, const SqlParams* params)
{
    if (db_ == nullptr) {
        return false;
    }
    if (params == nullptr) {
        // sqlite3_exec needs a terminated text and may run several statements.
        const std::string text(sql);
        char* message = nullptr;
        const int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &message);
        sqlite3_free(message);
        return Fail(rc) == SQLITE_OK;
    }
    int rc = SQLITE_OK;
    sqlite3_stmt* stmt = CachedLocked(sql, rc);
    if (stmt == nullptr) {
        Fail(rc);
        return false;
    }
    rc = Bind(stmt, *params, false); // stepped to the end before returning
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        rc = sqlite3_step(stmt);
    }
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    return Fail(rc == SQLITE_DONE ? SQLITE_OK : rc) == SQLITE_OK;
}

sqlite3_stmt* SQLiteWrap::CachedLocked(std::string_view sql, int& rc)
{
    if (auto found = cache_.find(sql); found != cache_.end()) {
        return found->second;
    }
    const std::string key(sql);
    if (cache_.size() >= kCacheLimit) {
        for (auto& [text, stmt] : cache_) {
            sqlite3_finalize(stmt);
        }
        cache_.clear();
    }
    sqlite3_stmt* stmt = nullptr;
    rc = sqlite3_prepare_v3(db_, key.c_str(), static_cast<int>(key.size()), SQLITE_PREPARE_PERSISTENT, &stmt,
                            nullptr);
    if (rc == SQLITE_OK && stmt == nullptr) {
        rc = SQLITE_MISUSE; // empty text: nothing to run
    }
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        return nullptr;
    }
    cache_.emplace(key, stmt);
    return stmt;
}

bool SQLiteWrap::Query(std::string_view sql, SQLiteRecordSet& rs)
{
    std::lock_guard<std::mutex> guard(lock_);
    return PrepareLocked(sql, nullptr, rs);
}

bool SQLiteWrap::Query(std::string_view sql, const SqlParams& params, SQLiteRecordSet& rs)
{
    std::lock_guard<std::mutex> guard(lock_);
    return PrepareLocked(sql, &params, rs);
}

bool SQLiteWrap::PrepareLocked(std::string_view sql, const SqlParams* params, SQLiteRecordSet& rs)
{
    rs.Finalize();
    if (db_ == nullptr) {
        return false;
    }
    int rc = sqlite3_prepare_v2(db_, sql.data(), static_cast<int>(sql.size()), &rs.stmt_, nullptr);
    if (rc == SQLITE_OK && rs.stmt_ == nullptr) {
        rc = SQLITE_MISUSE; // empty text: nothing to run
    }
    if (rc == SQLITE_OK && params != nullptr) {
        rc = Bind(rs.stmt_, *params, true); // stepped later by the caller
    }
    if (rc != SQLITE_OK) {
        rs.Finalize();
        Fail(rc);
        return false;
    }
    return true;
}

bool SQLiteWrap::IsTableExist(const std::string& table)
{
    SQLiteRecordSet rs;
    if (!Query("SELECT name FROM sqlite_master WHERE type='table' and name=?;", {table}, rs)) {
        return false;
    }
    return rs.Step() == SQLITE_ROW;
}

bool SQLiteWrap::BackupFile()
{
    if (path_.empty()) {
        return false;
    }
    // A raw file copy taken while other threads write could catch half a transaction; a reader
    // connection sees only committed pages, and the rename never leaves half a copy behind.
    const std::string target = path_ + "_old";
    const std::string partial = target + ".part";
    int rc = SQLITE_OK;
    {
        sqlite3* rawSource = nullptr;
        sqlite3* rawDest = nullptr;
        rc =
            sqlite3_open_v2(path_.c_str(), &rawSource, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX, nullptr);
        ConnectionPtr source(rawSource);
        std::error_code ec;
        std::filesystem::remove(partial, ec);
        if (rc == SQLITE_OK) {
            sqlite3_busy_timeout(source.get(), kBackupBusyMs);
            rc = sqlite3_open_v2(partial.c_str(), &rawDest, kOpenFlags, nullptr);
        }
        ConnectionPtr dest(rawDest);
        if (rc == SQLITE_OK) {
            rc = CopyDatabase(dest.get(), source.get());
        }
        // A damaged file must not replace the copy that could repair it.
        if (rc == SQLITE_OK && !PassesQuickCheck(dest.get())) {
            rc = SQLITE_CORRUPT;
        }
    }
    std::error_code ec;
    if (rc != SQLITE_OK) {
        std::filesystem::remove(partial, ec);
        return false;
    }
    std::filesystem::rename(partial, target, ec);
    return !ec;
}

bool SQLiteWrap::RestoreFromBackup()
{
    TrashFile();
    if (path_.empty()) {
        return false;
    }
    std::error_code ec;
    const std::string copy = path_ + "_old";
    if (!std::filesystem::exists(copy, ec)) {
        return false;
    }
    return std::filesystem::copy_file(copy, path_, std::filesystem::copy_options::overwrite_existing, ec) &&
           !ec;
}

bool SQLiteWrap::IsWhole()
{
    std::lock_guard<std::mutex> guard(lock_);
    if (db_ == nullptr) {
        return false;
    }
    const bool whole = PassesQuickCheck(db_);
    if (!whole) {
        Fail(SQLITE_CORRUPT);
    }
    return whole;
}

void SQLiteWrap::TrashFile()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        CloseLocked();
    }
    if (path_.empty()) {
        return;
    }
    std::error_code ec;
    // A rollback journal left beside the damaged file belongs to it; replaying it onto a
    // restored copy would damage that too.
    for (const std::string& file : {path_ + "-journal", path_}) {
        if (std::filesystem::exists(file, ec) && !MoveToTrash(file)) {
            std::filesystem::remove(file, ec);
        }
    }
}

void SQLiteWrap::Close()
{
    std::lock_guard<std::mutex> guard(lock_);
    CloseLocked();
}

void SQLiteWrap::CloseLocked()
{
    for (auto& [text, stmt] : cache_) {
        sqlite3_finalize(stmt);
    }
    cache_.clear();
    if (db_ != nullptr) {
        Fail(sqlite3_close_v2(db_));
        db_ = nullptr;
    }
}

std::string RepairLogLine(std::string_view tag, const std::string& path, DatabaseRepair repair, int code,
                          std::string_view what)
{
    const std::string outcome = repair == DatabaseRepair::Restored
                                    ? "restored from " + path + "_old"
                                    : "no usable copy; " + std::string(what) + " starts empty";
    return "[" + std::string(tag) + "][" + path + "][damaged (" + std::to_string(code) +
           "); moved to the trash, " + outcome + "]";
}

} // namespace zym
