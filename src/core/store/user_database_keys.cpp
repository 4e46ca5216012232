// Sub-key ("ram") and token ("sts") records of the user database. Every text is stored in the
// protected form; a record is found by protecting the id looked for (the form is deterministic).
#include "platform/protected_text.h"
#include "store/user_database.h"

#include <functional>

namespace zym {
namespace {

constexpr std::string_view kSubKeyColumns = "select keyid,subkeyid,subsecret,createtime from ram";
constexpr std::string_view kTokenColumns =
    "select keyid,subkeyid,token,stskeyid,stssecret,createtime,expiretime from sts";

} // namespace

bool CUserDatabase::Protect(const std::string& plain, std::string& stored) const
{
    std::optional<std::string> form = ProtectText(plain, deviceKey_);
    if (!form) {
        return false;
    }
    stored = std::move(*form);
    return true;
}

std::string CUserDatabase::Restore(const std::string& stored) const
{
    return RestoreText(stored, deviceKey_);
}

bool CUserDatabase::SaveSubKey(const SubKeyRecord& r)
{
    std::string keyid, subkeyid, subsecret;
    if (!Protect(r.keyid, keyid) || !Protect(r.subkeyid, subkeyid) || !Protect(r.subsecret, subsecret)) {
        return false;
    }
    std::lock_guard<std::mutex> guard(lock_);
    bool exists = false;
    {
        SQLiteRecordSet rs;
        exists = db_.Query("select * from ram where subkeyid = ?;", {subkeyid}, rs) && rs.NextRow();
    }
    if (exists) {
        return Kept(db_.Exec("Update ram set keyid=?,subsecret=?,createtime=? where subkeyid = ?;",
                             {keyid, subsecret, r.createtime, subkeyid}));
    }
    return Kept(db_.Exec("insert into ram (keyid,subkeyid,subsecret,createtime) values (?,?,?,?);",
                         {keyid, subkeyid, subsecret, r.createtime}));
}

bool CUserDatabase::DeleteSubKey(const std::string& subkeyid)
{
    std::string stored;
    if (!Protect(subkeyid, stored)) {
        return false;
    }
    std::lock_guard<std::mutex> guard(lock_);
    return Kept(db_.Exec("delete from ram where subkeyid = ?;", {stored}));
}

bool CUserDatabase::GetSubKey(const std::string& subkeyid, SubKeyRecord& record)
{
    std::string stored;
    if (!Protect(subkeyid, stored)) {
        return false;
    }
    std::lock_guard<std::mutex> guard(lock_);
    SQLiteRecordSet rs;
    if (!db_.Query(std::string(kSubKeyColumns) + " where subkeyid = ?;", {stored}, rs) || !rs.NextRow()) {
        return false;
    }
    record = {Restore(rs.GetText(0)), Restore(rs.GetText(1)), Restore(rs.GetText(2)), rs.GetInt64(3)};
    return true;
}

std::vector<SubKeyRecord> CUserDatabase::ListSubKeys()
{
    std::lock_guard<std::mutex> guard(lock_);
    SQLiteRecordSet rs;
    std::vector<SubKeyRecord> records;
    if (db_.Query(std::string(kSubKeyColumns) + " order by rowid;", rs)) {
        while (rs.NextRow()) {
            records.push_back(
                {Restore(rs.GetText(0)), Restore(rs.GetText(1)), Restore(rs.GetText(2)), rs.GetInt64(3)});
        }
    }
    return records;
}

bool CUserDatabase::SaveToken(const TokenRecord& r)
{
    std::string keyid, subkeyid, token, stskeyid, stssecret;
    if (!Protect(r.keyid, keyid) || !Protect(r.subkeyid, subkeyid) || !Protect(r.token, token) ||
        !Protect(r.stskeyid, stskeyid) || !Protect(r.stssecret, stssecret)) {
        return false;
    }
    std::lock_guard<std::mutex> guard(lock_);
    bool exists = false;
    {
        SQLiteRecordSet rs;
        exists = db_.Query("select * from sts where stskeyid = ?;", {stskeyid}, rs) && rs.NextRow();
    }
    if (exists) {
        return Kept(
            db_.Exec("Update sts set keyid=?,subkeyid=?,token=?,stssecret=?,createtime=?,expiretime=? where "
                     "stskeyid = ?;",
                     {keyid, subkeyid, token, stssecret, r.createtime, r.expiretime, stskeyid}));
    }
    return Kept(
        db_.Exec("insert into sts (keyid,subkeyid,token,stskeyid,stssecret,createtime,expiretime) values "
                 "(?,?,?,?,?,?,?);",
                 {keyid, subkeyid, token, stskeyid, stssecret, r.createtime, r.expiretime}));
}

bool CUserDatabase::DeleteToken(const std::string& stskeyid)
{
    std::string stored;
    if (!Protect(stskeyid, stored)) {
        return false;
    }
    std::lock_guard<std::mutex> guard(lock_);
    return Kept(db_.Exec("delete from sts where stskeyid = ?;", {stored}));
}

namespace {

TokenRecord ReadToken(const SQLiteRecordSet& rs,
                      const std::function<std::string(const std::string&)>& restore)
{
    return {restore(rs.GetText(0)), restore(rs.GetText(1)), restore(rs.GetText(2)), restore(rs.GetText(3)),
            restore(rs.GetText(4)), rs.GetInt64(5),         rs.GetInt64(6)};
}

} // namespace

bool CUserDatabase::GetToken(const std::string& stskeyid, TokenRecord& record)
{
    std::string stored;
    if (!Protect(stskeyid, stored)) {
        return false;
    }
    std::lock_guard<std::mutex> guard(lock_);
    SQLiteRecordSet rs;
    if (!db_.Query(std::string(kTokenColumns) + " where stskeyid = ?;", {stored}, rs) || !rs.NextRow()) {
        return false;
    }
    record = ReadToken(rs, [this](const std::string& s) { return Restore(s); });
    return true;
}

std::vector<TokenRecord> CUserDatabase::ListTokens()
{
    std::lock_guard<std::mutex> guard(lock_);
    SQLiteRecordSet rs;
    std::vector<TokenRecord> records;
    if (db_.Query(std::string(kTokenColumns) + " order by rowid;", rs)) {
        while (rs.NextRow()) {
            records.push_back(ReadToken(rs, [this](const std::string& s) { return Restore(s); }));
        }
    }
    return records;
}

} // namespace zym
