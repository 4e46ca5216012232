// The Upload statements of the transfer queue; a single row is found by its pathhash, or by
// bucket and object.
#include "store/trans_database.h"

#include <algorithm>

namespace zym {
namespace {

constexpr std::string_view kColumns =
    "select pathhash,host,bucket,object,fullpath,filesize,last,offset,status,"
    "uploadid,errornum,errormsg from Upload ";

std::string Select(std::string_view tail)
{
    return std::string(kColumns) + std::string(tail);
}

SqlValue Int(std::int64_t v)
{
    return v;
}

} // namespace

std::vector<TransferRow> ReadUploadRows(SQLiteRecordSet& rs)
{
    std::vector<TransferRow> rows;
    while (rs.NextRow()) {
        TransferRow row;
        row.key = rs.GetText(0);
        row.host = rs.GetText(1);
        row.bucket = rs.GetText(2);
        row.object = rs.GetText(3);
        row.fullpath = rs.GetText(4);
        row.filesize = rs.GetInt64(5);
        row.last = rs.GetInt64(6);
        row.offset = std::min(rs.GetInt64(7), row.filesize);
        row.status = rs.GetInt(8);
        row.uploadid = rs.GetText(9);
        row.errornum = rs.GetInt(10);
        row.errormsg = rs.GetText(11);
        rows.push_back(std::move(row));
    }
    rs.Finalize();
    return rows;
}

bool CTransDatabase::AddUpload(const TransferRow& r)
{
    std::lock_guard<std::mutex> guard(writeLock_);
    // The unique index on pathhash rejects an object already queued; that row is then requeued
    // in place, keeping its id.
    if (ExecBothLocked(
            "insert into Upload(pathhash,host,bucket,object,fullpath,filesize,last,status,offset,actlast,"
            "uploadid,errornum,errormsg) values(?,?,?,?,?,?,?,?,?,'0',?,'0','');",
            {r.key, r.host, r.bucket, r.object, r.fullpath, Int(r.filesize), Int(r.last), Int(r.status),
             Int(r.offset), r.uploadid})) {
        return true;
    }
    return ExecBothLocked("update Upload set host=?,bucket=?,object=?,fullpath=?,filesize=?,last=?,status=?,"
                          "offset='0',actlast='0',uploadid=?,errornum='0',errormsg='' where pathhash=?;",
                          {r.host, r.bucket, r.object, r.fullpath, Int(r.filesize), Int(r.last),
                           Int(r.status), r.uploadid, r.key});
}

bool CTransDatabase::StartUpload(const std::string& bucket, const std::string& object)
{
    return ExecBoth("update Upload set status=?,errornum='0',actlast='0',"
                    "offset=case when status=? then 0 else offset end where bucket=? and object=?;",
                    {Int(kStatusWaiting), Int(kStatusFinished), bucket, object});
}

bool CTransDatabase::MarkUploadRunning(const std::string& pathhash, std::int64_t now)
{
    return ExecBoth("update Upload set status=?,actlast=? where pathhash=?;",
                    {Int(kStatusRunning), now, pathhash});
}

bool CTransDatabase::SetUploadStatus(const std::string& pathhash, int status)
{
    return ExecBoth("update Upload set status=? where pathhash=?;", {Int(status), pathhash});
}

bool CTransDatabase::FinishUpload(const std::string& pathhash, std::int64_t bytes)
{
    // The multipart upload is complete: its id names nothing the service could take parts for.
    return ExecBoth("update Upload set offset=?,status=?,uploadid='' where pathhash=?;",
                    {bytes, Int(kStatusFinished), pathhash});
}

bool CTransDatabase::StopUpload(const std::string& bucket, const std::string& object)
{
    return ExecBoth("update Upload set status=? where bucket=? and object=?;",
                    {Int(kStatusStopped), bucket, object});
}

bool CTransDatabase::SaveUploadOffset(const std::string& pathhash, std::int64_t offset)
{
    return ExecBoth("update Upload set offset=? where pathhash=?;", {offset, pathhash});
}

bool CTransDatabase::SaveUploadId(const std::string& pathhash, const std::string& uploadid)
{
    return ExecBoth("update Upload set uploadid=? where pathhash=?;", {uploadid, pathhash});
}

bool CTransDatabase::FailUpload(const std::string& pathhash, int errornum, const std::string& errormsg)
{
    return ExecBoth("update Upload set status=?,errornum=?,errormsg=? where pathhash=?;",
                    {Int(kStatusFailed), Int(errornum), errormsg, pathhash});
}

bool CTransDatabase::DeleteUpload(const std::string& bucket, const std::string& object)
{
    return ExecBoth("delete from Upload where bucket=? and object=?;", {bucket, object});
}

bool CTransDatabase::ListUploads(int count, int start, std::vector<TransferRow>& rows)
{
    SQLiteRecordSet rs;
    if (!mirror_.Query(Select("order by id asc LIMIT ? OFFSET ?;"), {Int(count), Int(start)}, rs)) {
        return false;
    }
    rows = ReadUploadRows(rs);
    return true;
}

std::optional<TransferRow> CTransDatabase::NextUpload()
{
    SQLiteRecordSet rs;
    if (!file_.Query(Select("where status=? order by actlast asc,id asc limit 1;"), {Int(kStatusWaiting)},
                     rs)) {
        return std::nullopt;
    }
    std::vector<TransferRow> rows = ReadUploadRows(rs);
    if (rows.empty()) {
        return std::nullopt;
    }
    return rows.front();
}

std::vector<TransferRow> CTransDatabase::UploadsWithIdOf(const std::string& bucket, const std::string& object)
{
    SQLiteRecordSet rs;
    if (!file_.Query(Select("where bucket=? and object =? and uploadid!='';"), {bucket, object}, rs)) {
        return {};
    }
    return ReadUploadRows(rs);
}

std::vector<TransferRow> CTransDatabase::UnfinishedUploadsWithId()
{
    SQLiteRecordSet rs;
    if (!file_.Query(Select("where status!=? and uploadid!='';"), {Int(kStatusFinished)}, rs)) {
        return {};
    }
    return ReadUploadRows(rs);
}

bool CTransDatabase::IsUploadIdle()
{
    SQLiteRecordSet rs;
    if (!mirror_.Query("select * from Upload where status!=? limit 1;", {Int(kStatusFinished)}, rs)) {
        return true;
    }
    return !rs.NextRow();
}

bool CTransDatabase::RetryFailedUploads()
{
    return ExecBoth("update Upload set errornum='0',actlast='0',status=? where status>=?;",
                    {Int(kStatusWaiting), Int(kStatusFailed)});
}

bool CTransDatabase::StartAllUploads()
{
    return ExecBoth(
        "update Upload set status=?,errornum='0',actlast='0' where status!=? and status!=? and status!=?;",
        {Int(kStatusWaiting), Int(kStatusWaiting), Int(kStatusRunning), Int(kStatusFinished)});
}

bool CTransDatabase::StopAllUploads()
{
    return ExecBoth("update Upload set status=?,errornum='0',actlast='0' where status!=? and status!=? ;",
                    {Int(kStatusStopped), Int(kStatusStopped), Int(kStatusFinished)});
}

bool CTransDatabase::DeleteAllUploads()
{
    return ExecBoth("delete from Upload");
}

bool CTransDatabase::DeleteFinishedUploads()
{
    return ExecBoth("delete from Upload where status=?;", {Int(kStatusFinished)});
}

} // namespace zym
