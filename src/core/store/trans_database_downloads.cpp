// The Download statements of the transfer queue; the key of a single row is its local path.
#include "store/trans_database.h"

#include <algorithm>

namespace zym {
namespace {

constexpr std::string_view kColumns =
    "select hash,fullpath,host,bucket,object,filesize,offset,status,errornum,errormsg from Download ";

std::string Select(std::string_view tail)
{
    return std::string(kColumns) + std::string(tail);
}

SqlValue Int(std::int64_t v)
{
    return v;
}

// The key as a LIKE pattern that matches itself literally followed by anything.
std::string PrefixPattern(const std::string& key)
{
    std::string pattern;
    for (char c : key) {
        if (c == '%' || c == '_' || c == '\\') {
            pattern += '\\';
        }
        pattern += c;
    }
    return pattern + '%';
}

} // namespace

std::vector<TransferRow> ReadDownloadRows(SQLiteRecordSet& rs)
{
    std::vector<TransferRow> rows;
    while (rs.NextRow()) {
        TransferRow row;
        row.key = rs.GetText(0);
        row.fullpath = rs.GetText(1);
        row.host = rs.GetText(2);
        row.bucket = rs.GetText(3);
        row.object = rs.GetText(4);
        row.filesize = rs.GetInt64(5);
        row.offset = std::min(rs.GetInt64(6), row.filesize);
        row.status = rs.GetInt(7);
        row.errornum = rs.GetInt(8);
        row.errormsg = rs.GetText(9);
        rows.push_back(std::move(row));
    }
    rs.Finalize();
    return rows;
}

bool CTransDatabase::AddDownload(const TransferRow& r)
{
    std::lock_guard<std::mutex> guard(writeLock_);
    // The unique index on fullpath rejects a path already queued; that row is then requeued in
    // place, keeping its id and so its place in the list.
    if (ExecBothLocked(
            "insert into Download(hash,fullpath,host,bucket,object,filesize,status,offset,actlast,"
            "errornum,errormsg) values(?,?,?,?,?,?,?,?,'0','0','');",
            {r.key, r.fullpath, r.host, r.bucket, r.object, Int(r.filesize), Int(r.status), Int(r.offset)})) {
        return true;
    }
    return ExecBothLocked(
        "update Download set hash=?, host=?,bucket=?,object=?,filesize=?,status=?,offset='0',"
        "actlast='0',errornum='0',errormsg='' where fullpath=?;",
        {r.key, r.host, r.bucket, r.object, Int(r.filesize), Int(r.status), r.fullpath});
}

bool CTransDatabase::StartDownload(const std::string& fullpath)
{
    return ExecBoth("update Download set status=?,errornum='0',actlast='0' where fullpath=?;",
                    {Int(kStatusWaiting), fullpath});
}

bool CTransDatabase::MarkDownloadRunning(const std::string& fullpath, std::int64_t now)
{
    return ExecBoth("update Download set status=?,actlast=? where fullpath=?;",
                    {Int(kStatusRunning), now, fullpath});
}

bool CTransDatabase::SetDownloadStatus(const std::string& fullpath, int status)
{
    return ExecBoth("update Download set status=? where fullpath=?;", {Int(status), fullpath});
}

bool CTransDatabase::FinishDownload(const std::string& fullpath, std::int64_t bytes)
{
    return ExecBoth("update Download set offset=?,status=? where fullpath=?;",
                    {bytes, Int(kStatusFinished), fullpath});
}

bool CTransDatabase::SaveDownloadOffset(const std::string& fullpath, std::int64_t offset)
{
    return ExecBoth("update Download set offset=? where fullpath=?;", {offset, fullpath});
}

bool CTransDatabase::FailDownload(const std::string& fullpath, int errornum, const std::string& errormsg)
{
    return ExecBoth("update Download set status=?,errornum=?,errormsg=? where fullpath=?;",
                    {Int(kStatusFailed), Int(errornum), errormsg, fullpath});
}

bool CTransDatabase::DeleteDownload(const std::string& fullpath)
{
    return ExecBoth("delete from Download where fullpath=?;", {fullpath});
}

bool CTransDatabase::DeleteDownloadsUnder(const std::string& host, const std::string& bucket,
                                          const std::string& object)
{
    // "%" and "_" in a key are escaped so that they match only themselves.
    return ExecBoth(
        "delete from Download where host=? and bucket=? and (object =? or object like ? escape '\\');",
        {host, bucket, object, PrefixPattern(object)});
}

bool CTransDatabase::ListDownloads(int count, int start, std::vector<TransferRow>& rows)
{
    SQLiteRecordSet rs;
    if (!mirror_.Query(Select("order by id asc LIMIT ? OFFSET ?;"), {Int(count), Int(start)}, rs)) {
        return false;
    }
    rows = ReadDownloadRows(rs);
    return true;
}

std::optional<TransferRow> CTransDatabase::NextDownload()
{
    SQLiteRecordSet rs;
    if (!mirror_.Query(Select("where status=? order by actlast asc,id asc limit 1;"), {Int(kStatusWaiting)},
                       rs)) {
        return std::nullopt;
    }
    std::vector<TransferRow> rows = ReadDownloadRows(rs);
    if (rows.empty()) {
        return std::nullopt;
    }
    return rows.front();
}

std::vector<TransferRow> CTransDatabase::StartedDownloads()
{
    SQLiteRecordSet rs;
    if (!mirror_.Query(Select("where status!=? and actlast!='0';"), {Int(kStatusFinished)}, rs)) {
        return {};
    }
    return ReadDownloadRows(rs);
}

bool CTransDatabase::IsDownloadIdle()
{
    SQLiteRecordSet rs;
    if (!mirror_.Query("select * from Download where status!=? limit 1;", {Int(kStatusFinished)}, rs)) {
        return true;
    }
    return !rs.NextRow();
}

bool CTransDatabase::RetryFailedDownloads()
{
    return ExecBoth("update Download set errornum='0',actlast='0',status=? where status>=?;",
                    {Int(kStatusWaiting), Int(kStatusFailed)});
}

bool CTransDatabase::StartAllDownloads()
{
    return ExecBoth("update Download set status=?,errornum='0',actlast='0' where status!=? and status!=? and "
                    "status!=?;",
                    {Int(kStatusWaiting), Int(kStatusWaiting), Int(kStatusRunning), Int(kStatusFinished)});
}

bool CTransDatabase::StopAllDownloads()
{
    return ExecBoth("update Download set status=?,errornum='0' where status!=? and status!=? ;",
                    {Int(kStatusStopped), Int(kStatusStopped), Int(kStatusFinished)});
}

bool CTransDatabase::DeleteAllDownloads()
{
    return ExecBoth("delete from Download");
}

bool CTransDatabase::DeleteFinishedDownloads()
{
    return ExecBoth("delete from Download where status=?;", {Int(kStatusFinished)});
}

} // namespace zym
