#pragma once
// The transfer queue of one account: one SQLite file with the Download, Upload and Regular
// tables, plus an in-memory mirror loaded at open time. Every write goes to the file and then
// to the mirror; the frequent reads are answered by the mirror.
#include "store/sqlite_wrap.h"
#include "store/transfer_row.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zym {

struct QueueCounts
{
    std::optional<std::int64_t> uploads; // no value when the query failed
    std::optional<std::int64_t> downloads;
};

// The finished rows the last Open dropped, with what names their files: a run that ended between
// marking a row finished and removing its temporary files left those files to nobody.
struct DroppedFinishedRows
{
    std::vector<std::string> downloadPaths;
    std::vector<std::string> uploadIds; // only rows that had one
};

class CTransDatabase
{
public:
    // Creates the folder of `path`, opens the file and loads the mirror. With `repair`, a damaged
    // file (one SQLite cannot read, or one whose pages fail the quick check, as a cut-off file
    // does) is moved to the trash and replaced by its "_old" copy; when the copy is missing or
    // damaged too, the queue starts empty. Finished rows are dropped (DroppedFinished names
    // them); running and failed rows become waiting with actlast 0.
    bool Open(const std::string& path, bool repair);
    const DroppedFinishedRows& DroppedFinished() const { return dropped_; }
    // What the last Open repaired, and the SQLite result that showed the damage.
    DatabaseRepair Repair() const { return repair_; }
    int DamageCode() const { return damageCode_; }
    // A consistent copy of the file at "<path>_old".
    bool BackupFile();
    const std::string& Path() const { return path_; }

    // Transactions belong to the file connection, whichever thread opened them: every write
    // until the commit joins them. The commit text closes the transaction with its first
    // statement and then reports false because nothing is left to end; callers ignore it.
    bool BeginTransaction();
    bool CommitTransaction();

    QueueCounts CountAll();
    QueueCounts CountFinished();

    // Downloads: the key is the local path (case-insensitive).
    bool AddDownload(const TransferRow& row);
    bool StartDownload(const std::string& fullpath);
    bool MarkDownloadRunning(const std::string& fullpath, std::int64_t now);
    bool SetDownloadStatus(const std::string& fullpath, int status);
    bool FinishDownload(const std::string& fullpath, std::int64_t bytes);
    // The bytes a stopped or failed run leaves stored (its progress file's total): the list
    // shows them until the row runs again, which resumes from there.
    bool SaveDownloadOffset(const std::string& fullpath, std::int64_t offset);
    bool FailDownload(const std::string& fullpath, int errornum, const std::string& errormsg);
    bool DeleteDownload(const std::string& fullpath);
    // The row of `object` and every row whose object starts with it ("%", "_" are literal).
    bool DeleteDownloadsUnder(const std::string& host, const std::string& bucket, const std::string& object);
    // At most `count` rows (all when negative) in id order, skipping `start` rows (none when negative).
    bool ListDownloads(int count, int start, std::vector<TransferRow>& rows);
    std::optional<TransferRow> NextDownload();
    std::vector<TransferRow> StartedDownloads();
    bool IsDownloadIdle();
    bool RetryFailedDownloads();
    bool StartAllDownloads();
    bool StopAllDownloads();
    bool DeleteAllDownloads();
    bool DeleteFinishedDownloads();

    // Uploads: the key is the pathhash, or bucket and object. The offset is the bytes the
    // service has confirmed: a finished row holds its file size (as a finished download does),
    // so every reader of the list (the pages, the reports, a later run) sees a finished row whole
    // without knowing its status; starting a finished row again puts it back to 0, as the new
    // run sends the file from its start. Finishing also forgets the multipart upload id, which
    // the service no longer knows once the object is put together.
    bool AddUpload(const TransferRow& row);
    bool StartUpload(const std::string& bucket, const std::string& object);
    bool MarkUploadRunning(const std::string& pathhash, std::int64_t now);
    bool SetUploadStatus(const std::string& pathhash, int status);
    bool FinishUpload(const std::string& pathhash, std::int64_t bytes);
    bool StopUpload(const std::string& bucket, const std::string& object);
    bool SaveUploadOffset(const std::string& pathhash, std::int64_t offset);
    bool SaveUploadId(const std::string& pathhash, const std::string& uploadid);
    bool FailUpload(const std::string& pathhash, int errornum, const std::string& errormsg);
    bool DeleteUpload(const std::string& bucket, const std::string& object);
    bool ListUploads(int count, int start, std::vector<TransferRow>& rows);
    std::optional<TransferRow> NextUpload();
    std::vector<TransferRow> UploadsWithIdOf(const std::string& bucket, const std::string& object);
    std::vector<TransferRow> UnfinishedUploadsWithId();
    bool IsUploadIdle();
    bool RetryFailedUploads();
    bool StartAllUploads();
    bool StopAllUploads();
    bool DeleteAllUploads();
    bool DeleteFinishedUploads();

    // Both tables.
    bool DeleteBucketRows(const std::string& bucket);
    bool ResetRunning();

    // Upload callback rules, one per bucket (case-insensitive).
    bool SaveRule(const CallbackRule& rule);
    std::optional<CallbackRule> GetRule(const std::string& bucket);
    std::vector<CallbackRule> LoadRules();

    // Writes to the file, then (when that succeeded) to the mirror; the mirror's result.
    bool ExecBoth(std::string_view sql, const SqlParams& params = {});

    // The two connections, for callers that run their own statements (and for tests).
    SQLiteWrap& FileConnection() { return file_; }
    SQLiteWrap& Mirror() { return mirror_; }

private:
    bool OpenOnce(int repairsLeft);
    // Trashes the damaged file and puts the copy (when one is left to try) in its place.
    bool RepairAndReopen(int code, int repairsLeft);
    bool CreateMissing();
    DroppedFinishedRows ListFinishedLocked();
    bool ExecBothLocked(std::string_view sql, const SqlParams& params);
    std::optional<std::int64_t> CountOf(std::string_view sql, const SqlParams& params);

    SQLiteWrap file_;
    SQLiteWrap mirror_;
    std::string path_;
    // Keeps the file and the mirror receiving writes in the same order, so that both assign
    // the same ids and an insert-or-update is not interleaved with another writer.
    std::mutex writeLock_;
    bool mirrorInTransaction_ = false; // guarded by writeLock_
    DroppedFinishedRows dropped_;
    DatabaseRepair repair_ = DatabaseRepair::None;
    int damageCode_ = 0;
};

// Reads rows of the download column list (hash,fullpath,host,bucket,object,filesize,offset,
// status,errornum,errormsg) or the upload column list (pathhash,host,bucket,object,fullpath,
// filesize,last,offset,status,uploadid,errornum,errormsg); an offset above the size reads as
// the size. The statement is finalized afterwards.
std::vector<TransferRow> ReadDownloadRows(SQLiteRecordSet& rs);
std::vector<TransferRow> ReadUploadRows(SQLiteRecordSet& rs);

} // namespace zym
