#pragma once
// Helpers for tests of the transfer queue: row builders and direct reads of the file.
#include "platform/digest.h"
#include "platform/machine_id.h"
#include "scratch_folder.h"
#include "store/trans_database.h"

#include <ostream>
#include <string>
#include <vector>

namespace zym::testing {

inline TransferRow DownloadRow(const std::string& path, int status = kStatusWaiting, std::int64_t size = 100,
                               std::int64_t offset = 0)
{
    TransferRow r;
    r.key = "etag-" + path;
    r.fullpath = path;
    r.host = "loc.zym.localhost";
    r.bucket = "bucket";
    r.object = "obj" + path;
    r.filesize = size;
    r.offset = offset;
    r.status = status;
    return r;
}

inline TransferRow UploadRow(const std::string& bucket, const std::string& object,
                             int status = kStatusWaiting, std::int64_t size = 100)
{
    TransferRow r;
    r.key = Sha1Hex(bucket + object);
    r.host = "loc.zym.localhost";
    r.bucket = bucket;
    r.object = object;
    r.fullpath = "/data/" + object;
    r.filesize = size;
    r.last = 1700000000;
    r.status = status;
    return r;
}

struct StoredRow
{
    std::int64_t id;
    std::string key;
    int status;
    std::int64_t actlast;
    int errornum;
    std::string errormsg;
    bool operator==(const StoredRow&) const = default;
    friend void PrintTo(const StoredRow& r, std::ostream* os)
    {
        *os << "{" << r.id << "," << r.key << ",status " << r.status << ",actlast " << r.actlast << ","
            << r.errornum << ",'" << r.errormsg << "'}";
    }
};

// Rows of Download or Upload in id order, read from any connection.
inline std::vector<StoredRow> StoredRows(SQLiteWrap& db, const std::string& table)
{
    const std::string keyColumn = table == "Upload" ? "pathhash" : "fullpath";
    SQLiteRecordSet rs;
    std::vector<StoredRow> rows;
    if (db.Query("select id," + keyColumn + ",status,actlast,errornum,errormsg from " + table +
                     " order by id;",
                 rs)) {
        while (rs.NextRow()) {
            rows.push_back(
                {rs.GetInt64(0), rs.GetText(1), rs.GetInt(2), rs.GetInt64(3), rs.GetInt(4), rs.GetText(5)});
        }
    }
    return rows;
}

inline std::vector<std::string> Names(SQLiteWrap& db, const std::string& type)
{
    SQLiteRecordSet rs;
    std::vector<std::string> names;
    if (db.Query("select name from sqlite_master where type=? order by name;", {type}, rs)) {
        while (rs.NextRow()) {
            names.push_back(rs.GetText(0));
        }
    }
    return names;
}

} // namespace zym::testing
