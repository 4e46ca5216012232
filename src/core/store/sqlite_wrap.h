#pragma once
// One SQLite connection with its own lock, and one prepared statement whose rows a caller walks.
// Values always travel as bound parameters, never formatted into the SQL text.
#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace zym {

// A bound parameter: a 64-bit integer or a UTF-8 text.
using SqlValue = std::variant<std::int64_t, std::string>;
using SqlParams = std::vector<SqlValue>;

// SQLite result codes the owners inspect after a failure.
inline constexpr int kSqliteCorrupt = 11;
inline constexpr int kSqliteNotADb = 26;
// What opening a database did about a damaged file.
enum class DatabaseRepair
{
    None,        // the file opened as it was (or was new)
    Restored,    // damaged: moved to the trash and replaced by its "_old" copy
    StartedEmpty // damaged, with no usable copy: moved to the trash, an empty one in its place
};

// The log line of a repair (not None): "[tag][path][damaged (code); moved to the trash, restored
// from path_old]", or "...; no usable copy; <what> starts empty]".
std::string RepairLogLine(std::string_view tag, const std::string& path, DatabaseRepair repair, int code,
                          std::string_view what);

inline bool IsDamagedCode(int code)
{
    return code == kSqliteCorrupt || code == kSqliteNotADb;
}

// One prepared statement. Owns it: Finalize releases it once, the destructor only when the
// caller has not already done so. Step and the column reads run outside the connection's lock
// (the library runs in serialized mode, so that is safe).
class SQLiteRecordSet
{
public:
    SQLiteRecordSet() = default;
    ~SQLiteRecordSet() { Finalize(); }
    SQLiteRecordSet(const SQLiteRecordSet&) = delete;
    SQLiteRecordSet& operator=(const SQLiteRecordSet&) = delete;
    SQLiteRecordSet(SQLiteRecordSet&& other) noexcept;
    SQLiteRecordSet& operator=(SQLiteRecordSet&& other) noexcept;

    // sqlite3_step: 100 (SQLITE_ROW) while a row is available, 101 when done; -1 without statement.
    int Step();
    bool NextRow() { return Step() == 100; }
    // A NULL column reads as "".
    std::string GetText(int column) const;
    std::int64_t GetInt64(int column) const;
    int GetInt(int column) const;
    void Finalize();
    bool IsPrepared() const { return stmt_ != nullptr; }

private:
    friend class SQLiteWrap;
    sqlite3_stmt* stmt_ = nullptr;
};

class SQLiteWrap
{
public:
    SQLiteWrap() = default;
    ~SQLiteWrap() { Close(); }
    SQLiteWrap(const SQLiteWrap&) = delete;
    SQLiteWrap& operator=(const SQLiteWrap&) = delete;

    // Opens (creating when missing) the file at `path`. With `inMemory`, the connection is a
    // ":memory:" database loaded with a copy of the file through the online backup interface.
    // A connection left open by an earlier call is closed first. A failed load keeps the
    // in-memory connection open and stores the code (11 or 26 for a damaged file) in lastError.
    bool Open(const std::string& path, bool inMemory);
    // Runs statements that return no rows. Without parameters the text may hold several
    // statements; with parameters it must be exactly one.
    bool Exec(std::string_view sql);
    bool Exec(std::string_view sql, const SqlParams& params);
    // Prepares one statement with its parameters bound into `rs` (any earlier statement of `rs`
    // is finalized first).
    bool Query(std::string_view sql, SQLiteRecordSet& rs);
    bool Query(std::string_view sql, const SqlParams& params, SQLiteRecordSet& rs);
    // True when a table of exactly that name exists in the main schema.
    bool IsTableExist(const std::string& table);
    // Writes a consistent copy of the committed database to "<path>_old", replacing it atomically.
    bool BackupFile();
    // Closes the connection, moves the (damaged) file to the desktop trash and copies
    // "<path>_old" over it. False when there is no copy; the next Open then starts empty.
    bool RestoreFromBackup();
    // True when SQLite's quick check finds every page of the database readable and consistent.
    // SQLite reads a cut-off or partly overwritten file without complaint until a query reaches
    // the broken pages; this finds them at once.
    bool IsWhole();
    // Closes the connection and moves the file (and a journal left beside it) to the trash.
    void TrashFile();
    void Close();

    bool IsOpen() const;
    bool IsInMemory() const { return inMemory_; }
    const std::string& Path() const { return path_; }
    // The last nonzero SQLite result code of this connection; never reset by a success.
    int lastError() const;

private:
    bool ExecLocked(std::string_view sql, const SqlParams* params);
    bool PrepareLocked(std::string_view sql, const SqlParams* params, SQLiteRecordSet& rs);
    int Fail(int code);
    void CloseLocked();
    sqlite3_stmt* CachedLocked(std::string_view sql, int& rc);

    mutable std::mutex lock_;
    sqlite3* db_ = nullptr;
    std::atomic<int> lastError_{0};
    bool inMemory_ = false;
    std::string path_;
    // Prepared writes kept for reuse: the write statements are a fixed set of texts, and
    // parsing them again for every row would cost more than running them.
    struct TextHash
    {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    std::unordered_map<std::string, sqlite3_stmt*, TextHash, std::equal_to<>> cache_;
};

} // namespace zym
