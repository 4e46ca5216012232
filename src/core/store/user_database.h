#pragma once
// What the client remembers about the account on this machine, in zymuser.db: the saved log-in
// (one row, kept while a lock password is set), sub-account keys ("ram") and temporary tokens
// ("sts"). Sub-key and token texts are stored only in the machine-bound protected form.
#include "store/sqlite_wrap.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace zym {

// The saved log-in; accessid and accesskey arrive already in their protected form.
struct AccountRecord
{
    std::string accessid;
    std::string accesskey;
    std::string area;
    std::string host;
    std::string password; // the lock-password digest
};

struct SubKeyRecord
{
    std::string keyid;
    std::string subkeyid;
    std::string subsecret;
    std::int64_t createtime = 0;
    bool operator==(const SubKeyRecord&) const = default;
};

struct TokenRecord
{
    std::string keyid;
    std::string subkeyid;
    std::string token;
    std::string stskeyid;
    std::string stssecret;
    std::int64_t createtime = 0;
    std::int64_t expiretime = 0;
    bool operator==(const TokenRecord&) const = default;
};

class CUserDatabase
{
public:
    // `deviceKey` keys the protected form of sub-key and token texts: MachineId() in the program.
    explicit CUserDatabase(std::string deviceKey) : deviceKey_(std::move(deviceKey)) {}

    // Creates the folder of `path` and opens (or creates) the file.
    bool Open(const std::string& path);
    // Creates missing tables and upgrades the stored version to "1.0.0.2" (dropping the saved
    // log-in of "1.0.0.1"). A damaged file (unreadable, or failing the quick check) goes to the
    // trash and is replaced by the "_old" copy, which every successful start and every change
    // refreshes; without a usable copy the store starts empty.
    bool InitUserDatabase();
    // What the last InitUserDatabase repaired, and the SQLite result that showed the damage.
    DatabaseRepair Repair() const { return repair_; }
    int DamageCode() const { return damageCode_; }

    // Replaces the saved log-in.
    bool SaveAccount(const AccountRecord& account);
    // False, leaving `account` as it was, when no log-in is saved.
    bool LoadAccount(AccountRecord& account);
    bool LoadPassword(std::string& password);
    bool SetAccountHost(const std::string& host);
    bool ClearAccount();

    // Saving a subkeyid already stored replaces that record.
    bool SaveSubKey(const SubKeyRecord& record);
    bool DeleteSubKey(const std::string& subkeyid);
    bool GetSubKey(const std::string& subkeyid, SubKeyRecord& record);
    // In the order the records were first saved.
    std::vector<SubKeyRecord> ListSubKeys();

    // Saving a stskeyid already stored replaces that record.
    bool SaveToken(const TokenRecord& record);
    bool DeleteToken(const std::string& stskeyid);
    bool GetToken(const std::string& stskeyid, TokenRecord& record);
    std::vector<TokenRecord> ListTokens();

    SQLiteWrap& Connection() { return db_; }
    const std::string& Path() const { return path_; }

private:
    bool InitLocked(int repairsLeft);
    bool Rebuild(int code, int repairsLeft);
    // Refreshes the copy after a change that went through.
    bool Kept(bool changed);
    bool Protect(const std::string& plain, std::string& stored) const;
    std::string Restore(const std::string& stored) const;

    SQLiteWrap db_;
    std::string path_;
    std::string deviceKey_;
    // Keeps each look-up-then-write sequence whole when two threads save the same record.
    std::mutex lock_;
    DatabaseRepair repair_ = DatabaseRepair::None;
    int damageCode_ = 0;
};

} // namespace zym
