// The user database on real files: creation, upgrade, rebuild, saved log-in, sub-keys and tokens.
#include "platform/protected_text.h"
#include "scratch_folder.h"
#include "store/user_database.h"

#include <atomic>
#include <filesystem>
#include <thread>

namespace zym {
namespace {

namespace fs = std::filesystem;

const std::string kDevice = "3f786850e387550fdab836ed7e6dc881de23001b";

class UserDatabaseTest : public testing::ScratchFolder
{
protected:
    std::string DbPath() const { return Path("data/zymuser.db"); }

    // Texts of one column of a table, read through a plain connection.
    std::vector<std::string> Column(const std::string& sql)
    {
        SQLiteWrap raw;
        EXPECT_TRUE(raw.Open(DbPath(), false));
        SQLiteRecordSet rs;
        std::vector<std::string> values;
        if (raw.Query(sql, rs)) {
            while (rs.NextRow()) {
                values.push_back(rs.GetText(0));
            }
        }
        return values;
    }

    // A file as an older program left it.
    void MakeOldFile(const std::string& version)
    {
        fs::create_directories(Path("data"));
        SQLiteWrap raw;
        ASSERT_TRUE(raw.Open(DbPath(), false));
        ASSERT_TRUE(
            raw.Exec("CREATE TABLE userinfo(accessid char[1000],accesskey char[1000],area char[1000],host "
                     "char[1000],password char [40]);"
                     "CREATE TABLE ram (keyid varchar[500],subkeyid varchar[500],subsecret varchar[500],"
                     "createtime bigint,PRIMARY KEY(subkeyid));"
                     "CREATE TABLE sqlsversion(version char[20]);"
                     "insert into userinfo values('id','key','area','','PW');"
                     "insert into ram values('k','s','x',5);"));
        ASSERT_TRUE(raw.Exec("insert into sqlsversion values(?);", {version}));
    }
};

TEST_F(UserDatabaseTest, NewInstallationCreatesTablesAndVersion)
{
    CUserDatabase db(kDevice);
    ASSERT_TRUE(db.Open(DbPath()));
    ASSERT_TRUE(db.InitUserDatabase());
    EXPECT_EQ(Column("select name from sqlite_master where type='table' order by name;"),
              (std::vector<std::string>{"ram", "sqlsversion", "sts", "userinfo"}));
    EXPECT_EQ(Column("select version from sqlsversion;"), std::vector<std::string>{"1.0.0.2"});
    CUserDatabase again(kDevice);
    ASSERT_TRUE(again.Open(DbPath()));
    ASSERT_TRUE(again.InitUserDatabase());
    EXPECT_EQ(Column("select version from sqlsversion;"), std::vector<std::string>{"1.0.0.2"});
}

TEST_F(UserDatabaseTest, UpgradeDropsOnlyTheLoginOfVersion1001)
{
    struct Case
    {
        std::string version;
        std::size_t loginRows;
    };
    for (const Case& c : {Case{"1.0.0.1", 0}, Case{"1.0.0.0", 1}, Case{"1.0.0.2", 1}}) {
        fs::remove_all(Path("data"));
        MakeOldFile(c.version);
        CUserDatabase db(kDevice);
        ASSERT_TRUE(db.Open(DbPath()));
        ASSERT_TRUE(db.InitUserDatabase());
        EXPECT_EQ(Column("select accessid from userinfo;").size(), c.loginRows) << c.version;
        EXPECT_EQ(Column("select version from sqlsversion;"), std::vector<std::string>{"1.0.0.2"});
        EXPECT_EQ(Column("select subkeyid from ram;"), std::vector<std::string>{"s"}) << c.version;
        EXPECT_EQ(Column("select count(*) from sts;"), std::vector<std::string>{"0"});
    }
}

TEST_F(UserDatabaseTest, DamagedFileIsRebuiltEmpty)
{
    fs::create_directories(Path("data"));
    const std::string garbage(4096, '#');
    WriteFile(DbPath(), garbage);
    CUserDatabase db(kDevice);
    ASSERT_TRUE(db.Open(DbPath()));
    ASSERT_TRUE(db.InitUserDatabase());
    EXPECT_EQ(Column("select version from sqlsversion;"), std::vector<std::string>{"1.0.0.2"});
    EXPECT_EQ(ReadFile(TrashFolder() + "/files/zymuser.db"), garbage);
    ASSERT_TRUE(db.SaveSubKey({"k", "sub", "secret", 1}));
    EXPECT_EQ(db.ListSubKeys().size(), 1u);
}

// A damaged file (overwritten, or cut off so that SQLite opens it and fails only on the lost
// pages) goes to the trash; the copy that every change refreshes takes its place, and without a
// usable copy the store starts empty.
TEST_F(UserDatabaseTest, DamagedFileIsReplacedByItsCopyOrStartsEmpty)
{
    enum class Copy
    {
        None,
        Whole,
        Damaged
    };
    struct Case
    {
        const char* name;
        bool cut; // else overwritten with garbage
        Copy copy;
        DatabaseRepair repair;
    };
    const Case cases[] = {
        {"garbage, whole copy", false, Copy::Whole, DatabaseRepair::Restored},
        {"cut off, whole copy", true, Copy::Whole, DatabaseRepair::Restored},
        {"garbage, no copy", false, Copy::None, DatabaseRepair::StartedEmpty},
        {"cut off, no copy", true, Copy::None, DatabaseRepair::StartedEmpty},
        {"cut off, damaged copy", true, Copy::Damaged, DatabaseRepair::StartedEmpty},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(Path("data"));
        fs::remove_all(TrashFolder());
        {
            CUserDatabase db(kDevice);
            ASSERT_TRUE(db.Open(DbPath()));
            ASSERT_TRUE(db.InitUserDatabase());
            for (int i = 0; i < 40; ++i) { // a few pages, so that a cut loses some
                ASSERT_TRUE(db.SaveSubKey({"k", "sub-" + std::to_string(i), std::string(200, 'x'), i}));
            }
            ASSERT_TRUE(db.SaveAccount({"id", "key", "area", "", "PW"}));
        }
        if (c.copy == Copy::None) {
            fs::remove(DbPath() + "_old");
        } else if (c.copy == Copy::Damaged) {
            WriteFile(DbPath() + "_old", std::string(8192, '#'));
        }
        if (c.cut) {
            fs::resize_file(DbPath(), fs::file_size(DbPath()) / 2);
        } else {
            WriteFile(DbPath(), std::string(fs::file_size(DbPath()), '#'));
        }
        const std::string damaged = ReadFile(DbPath());

        CUserDatabase db(kDevice);
        ASSERT_TRUE(db.Open(DbPath()));
        ASSERT_TRUE(db.InitUserDatabase());
        EXPECT_EQ(db.Repair(), c.repair);
        EXPECT_TRUE(IsDamagedCode(db.DamageCode())) << db.DamageCode();
        EXPECT_EQ(ReadFile(TrashFolder() + "/files/zymuser.db"), damaged);
        std::string password;
        const bool restored = c.repair == DatabaseRepair::Restored;
        EXPECT_EQ(db.LoadPassword(password), restored);
        EXPECT_EQ(db.ListSubKeys().size(), restored ? 40u : 0u);
        EXPECT_EQ(Column("PRAGMA integrity_check;"), std::vector<std::string>{"ok"});
        ASSERT_TRUE(db.SaveSubKey({"k", "after", "s", 1})); // the store works on
    }
}

TEST_F(UserDatabaseTest, SavedLoginKeepsQuotesAndIsReplaced)
{
    CUserDatabase db(kDevice);
    ASSERT_TRUE(db.Open(DbPath()));
    ASSERT_TRUE(db.InitUserDatabase());
    AccountRecord none{"unchanged", "", "", "", ""};
    EXPECT_FALSE(db.LoadAccount(none));
    EXPECT_EQ(none.accessid, "unchanged");
    std::string password = "kept";
    EXPECT_FALSE(db.LoadPassword(password));
    EXPECT_EQ(password, "kept");

    ASSERT_TRUE(db.SaveAccount({"aWQ=", "a2V5", "first", "", "AAAA"}));
    const AccountRecord second{"aWQy", "a2V5Mg==", "it's-area", "host'1.localhost",
                               "0123456789ABCDEF0123456789ABCDEF"};
    ASSERT_TRUE(db.SaveAccount(second));
    AccountRecord loaded;
    ASSERT_TRUE(db.LoadAccount(loaded));
    EXPECT_EQ(loaded.accessid, second.accessid);
    EXPECT_EQ(loaded.accesskey, second.accesskey);
    EXPECT_EQ(loaded.area, "it's-area");
    EXPECT_EQ(loaded.host, "host'1.localhost");
    EXPECT_EQ(Column("select count(*) from userinfo;"), std::vector<std::string>{"1"});
    ASSERT_TRUE(db.LoadPassword(password));
    EXPECT_EQ(password, second.password);

    ASSERT_TRUE(db.SetAccountHost("o'ther.localhost"));
    ASSERT_TRUE(db.LoadAccount(loaded));
    EXPECT_EQ(loaded.host, "o'ther.localhost");
    ASSERT_TRUE(db.ClearAccount());
    EXPECT_FALSE(db.LoadPassword(password));
}

TEST_F(UserDatabaseTest, SubKeysAreProtectedAtRestAndRestored)
{
    CUserDatabase db(kDevice);
    ASSERT_TRUE(db.Open(DbPath()));
    ASSERT_TRUE(db.InitUserDatabase());
    const SubKeyRecord first{"AKID", "sub'key", "the secret", 100};
    ASSERT_TRUE(db.SaveSubKey(first));
    ASSERT_TRUE(db.SaveSubKey({"AKID", "second", "other", 101}));
    for (const char* column : {"keyid", "subkeyid", "subsecret"}) {
        for (const std::string& stored : Column(std::string("select ") + column + " from ram;")) {
            for (const char* plain : {"AKID", "sub'key", "the secret", "second", "other"}) {
                EXPECT_NE(stored, plain);
            }
            EXPECT_NE(RestoreText(stored, kDevice), stored);
        }
    }
    EXPECT_EQ(Column("select subsecret from ram order by rowid;")[0], *ProtectText("the secret", kDevice));

    SubKeyRecord found;
    ASSERT_TRUE(db.GetSubKey("sub'key", found));
    EXPECT_EQ(found, first);
    ASSERT_TRUE(db.SaveSubKey({"AKID2", "sub'key", "new secret", 200}));
    ASSERT_TRUE(db.GetSubKey("sub'key", found));
    EXPECT_EQ(found, (SubKeyRecord{"AKID2", "sub'key", "new secret", 200}));
    const std::vector<SubKeyRecord> all = db.ListSubKeys();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].subkeyid, "sub'key");
    EXPECT_EQ(all[1].subkeyid, "second");

    EXPECT_FALSE(db.GetSubKey("unknown", found));
    ASSERT_TRUE(db.DeleteSubKey("sub'key"));
    EXPECT_FALSE(db.GetSubKey("sub'key", found));
    ASSERT_TRUE(db.SaveSubKey({"", "", "", 0})); // an empty id is a key like any other
    ASSERT_TRUE(db.GetSubKey("", found));
    EXPECT_EQ(db.ListSubKeys().size(), 2u);
}

TEST_F(UserDatabaseTest, TokensAreProtectedAndReplacedByStsKeyId)
{
    CUserDatabase db(kDevice);
    ASSERT_TRUE(db.Open(DbPath()));
    ASSERT_TRUE(db.InitUserDatabase());
    ASSERT_TRUE(db.SaveToken({"AKID", "sub", "tok", "STS1", "s3cret", 10, 20}));
    const TokenRecord replaced{"AKID2", "sub2", "tok'2", "STS1", "s3cret2", 11, 21};
    ASSERT_TRUE(db.SaveToken(replaced));
    ASSERT_TRUE(db.SaveToken({"AKID", "sub", "tok3", "STS'3", "x", 12, 22}));
    TokenRecord found;
    ASSERT_TRUE(db.GetToken("STS1", found));
    EXPECT_EQ(found, replaced);
    EXPECT_EQ(db.ListTokens().size(), 2u);
    EXPECT_EQ(db.ListTokens()[1].token, "tok3");
    EXPECT_EQ(Column("select token from sts where createtime=12;"),
              std::vector<std::string>{*ProtectText("tok3", kDevice)});
    ASSERT_TRUE(db.DeleteToken("STS'3"));
    EXPECT_FALSE(db.GetToken("STS'3", found));
    EXPECT_EQ(db.ListTokens().size(), 1u);
}

TEST_F(UserDatabaseTest, AnotherMachineListsRowsButFindsNothing)
{
    {
        CUserDatabase db(kDevice);
        ASSERT_TRUE(db.Open(DbPath()));
        ASSERT_TRUE(db.InitUserDatabase());
        ASSERT_TRUE(db.SaveSubKey({"AKID", "sub", "secret", 1}));
    }
    CUserDatabase other("0000000000000000000000000000000000000000");
    ASSERT_TRUE(other.Open(DbPath()));
    ASSERT_TRUE(other.InitUserDatabase());
    const std::vector<SubKeyRecord> rows = other.ListSubKeys();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_NE(rows[0].subsecret, "secret");
    SubKeyRecord found;
    EXPECT_FALSE(other.GetSubKey("sub", found));
}

TEST_F(UserDatabaseTest, ConcurrentSavesOfOneIdKeepOneRecord)
{
    CUserDatabase db(kDevice);
    ASSERT_TRUE(db.Open(DbPath()));
    ASSERT_TRUE(db.InitUserDatabase());
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                if (!db.SaveSubKey({"AKID", "shared-" + std::to_string(i), "from " + std::to_string(t), i}) ||
                    !db.SaveToken({"AKID", "sub", "tok", "sts-" + std::to_string(i), "s", i, i})) {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& th : threads) {
        th.join();
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(db.ListSubKeys().size(), 25u);
    EXPECT_EQ(db.ListTokens().size(), 25u);
}

} // namespace
} // namespace zym
