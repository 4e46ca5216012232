// Queueing uploads from real folders into a real transfer database.
#include "ops/queue_tasks.h"
#include "platform/digest.h"
#include "queue_test_support.h"
#include "transfer/upload_queueing.h"

#include <algorithm>
#include <sys/stat.h>

using namespace zym;
using namespace zymtest;

namespace {

class UploadQueueing : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(db.Open(scratch.Path("db/transdb.db"), true)); }

    std::string Queue(const std::vector<UploadItem>& items, std::int64_t limit = 1'000'000)
    {
        UploadQueueLimits limits{limit, "too \"many\" files"};
        return AddUploads(db, bracket, "l1.zym.localhost", "bkt", items, limits);
    }
    std::vector<std::string> Keys() { return Column(db, "select object from Upload order by id"); }

    ScratchFolder scratch;
    CTransDatabase db;
    RecordingBracket bracket;
};

TEST_F(UploadQueueing, FolderTreeGivesOneRowPerEntryWithTheWalkedKeys)
{
    const std::string names[] = {"a b.txt",       "plus+sign.txt", "100%.txt",
                                 "quote\"s'.txt", "日本語.txt",    ".hidden"};
    for (const auto& n : names) {
        scratch.File("src/tree/" + n, n);
    }
    scratch.File("src/tree/sub/deeper/leaf.bin", "12345");
    scratch.Folder("src/tree/empty");
    scratch.File("src/loose.txt", "abc");

    const std::string reply =
        Queue({{UploadKeyOf("docs/", scratch.Path("src/tree")), scratch.Path("src/tree")},
               {UploadKeyOf("docs/", scratch.Path("src/loose.txt")), scratch.Path("src/loose.txt")}});
    EXPECT_EQ(reply, "{\"error\":0,\"message\":\"\"}");
    EXPECT_EQ(bracket.begins, 1);
    EXPECT_EQ(bracket.ends, 1);

    std::vector<std::string> keys = Keys();
    ASSERT_FALSE(keys.empty());
    EXPECT_EQ(keys.front(), "docs/tree/"); // the folder itself comes first
    EXPECT_EQ(keys.back(), "docs/loose.txt");
    std::vector<std::string> expected = {
        "docs/tree/",       "docs/tree/sub/", "docs/tree/sub/deeper/", "docs/tree/sub/deeper/leaf.bin",
        "docs/tree/empty/", "docs/loose.txt"};
    for (const auto& n : names) {
        expected.push_back("docs/tree/" + n);
    }
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> sorted = keys;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, expected);
    // A folder's entries follow the folder's own row.
    const auto pos = [&](const std::string& k) {
        return std::find(keys.begin(), keys.end(), k) - keys.begin();
    };
    EXPECT_LT(pos("docs/tree/sub/"), pos("docs/tree/sub/deeper/"));
    EXPECT_LT(pos("docs/tree/sub/deeper/"), pos("docs/tree/sub/deeper/leaf.bin"));

    SQLiteRecordSet rs;
    ASSERT_TRUE(db.FileConnection().Query(
        "select pathhash,fullpath,filesize,status,host,bucket,last from Upload where object=?",
        {std::string("docs/tree/sub/deeper/leaf.bin")}, rs));
    ASSERT_TRUE(rs.NextRow());
    EXPECT_EQ(rs.GetText(0), Sha1Hex("bktdocs/tree/sub/deeper/leaf.bin"));
    EXPECT_EQ(rs.GetText(1), scratch.Path("src/tree/sub/deeper/leaf.bin"));
    EXPECT_EQ(rs.GetInt64(2), 5);
    EXPECT_EQ(rs.GetInt(3), kStatusWaiting);
    EXPECT_EQ(rs.GetText(4), "l1.zym.localhost");
    EXPECT_EQ(rs.GetText(5), "bkt");
    struct stat st
    {
    };
    ::stat(scratch.Path("src/tree/sub/deeper/leaf.bin").c_str(), &st);
    EXPECT_EQ(rs.GetInt64(6), st.st_mtim.tv_sec);
    // The mirror received the same rows.
    SQLiteRecordSet mirror;
    ASSERT_TRUE(db.Mirror().Query("select count(*) from Upload", mirror));
    ASSERT_TRUE(mirror.NextRow());
    EXPECT_EQ(mirror.GetInt64(0), static_cast<std::int64_t>(keys.size()));
}

TEST_F(UploadQueueing, KeyOfAPathFollowsThePrefixAsGiven)
{
    scratch.File("x.txt");
    scratch.Folder("dir");
    EXPECT_EQ(UploadKeyOf("docs", scratch.Path("x.txt")), "docsx.txt");
    EXPECT_EQ(UploadKeyOf("docs/", scratch.Path("dir")), "docs/dir/");
    EXPECT_EQ(UploadKeyOf("docs/", scratch.Path("dir/")), "docs/dir/");
    EXPECT_EQ(UploadKeyOf("", scratch.Path("missing.bin")), "missing.bin"); // a missing path counts as a file
}

TEST_F(UploadQueueing, LinksAreFollowedOncePerRealFolderAndFileLinksQueueTheFile)
{
    scratch.File("t/real/a.txt", "aaaa");
    ASSERT_EQ(::symlink(scratch.Path("t").c_str(), scratch.Path("t/real/loop").c_str()), 0); // a cycle
    ASSERT_EQ(::symlink(scratch.Path("t/real/a.txt").c_str(), scratch.Path("t/link.txt").c_str()), 0);
    ASSERT_EQ(::symlink(scratch.Path("nowhere").c_str(), scratch.Path("t/broken").c_str()), 0);

    EXPECT_EQ(Queue({{"up/t/", scratch.Path("t")}}), "{\"error\":0,\"message\":\"\"}");
    std::vector<std::string> keys = Keys();
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"up/t/", "up/t/broken", "up/t/link.txt", "up/t/real/",
                                              "up/t/real/a.txt", "up/t/real/loop/"}));
    SQLiteRecordSet rs;
    ASSERT_TRUE(db.FileConnection().Query("select filesize from Upload where object=?",
                                          {std::string("up/t/link.txt")}, rs));
    ASSERT_TRUE(rs.NextRow());
    EXPECT_EQ(rs.GetInt64(0), 4);
}

TEST_F(UploadQueueing, TheRowThatReachesTheLimitIsTheLastAndTheReplySaysSo)
{
    for (int i = 0; i < 5; ++i) {
        scratch.File("many/f" + std::to_string(i));
    }
    // Two rows are there already; a limit of 5 takes three more: the folder and two files.
    scratch.File("pre1");
    scratch.File("pre2");
    Queue({{"p1", scratch.Path("pre1")}, {"p2", scratch.Path("pre2")}});
    const std::string reply = Queue({{"m/", scratch.Path("many")}, {"after", scratch.Path("pre1")}}, 5);
    EXPECT_EQ(reply, "{\"error\":1000000,\"message\":\"too \\\"many\\\" files\"}");
    EXPECT_EQ(Keys().size(), 5u);
    EXPECT_EQ(bracket.open, 0);
    // Committed: a second connection sees the rows.
    CTransDatabase again;
    ASSERT_TRUE(again.Open(scratch.Path("db/transdb.db"), false));
    EXPECT_EQ(again.CountAll().uploads.value_or(-1), 5);
}

} // namespace

namespace {

TEST(ParseAddFile, KeysFromPrefixAndDiskAndTheTaskReplies)
{
    ScratchFolder scratch;
    scratch.File("in/x.txt");
    scratch.Folder("in/dir");
    const std::string argument =
        "{\"location\":\"l1\",\"bucket\":\"b\",\"prefix\":\"docs/\",\"files\":[{\"path\":\"" +
        scratch.Path("in/x.txt") + "\"},{\"path\":\"\"},{\"other\":1},{\"path\":\"" + scratch.Path("in/dir") +
        "\"}]}";
    AddFileRequest request = ParseAddFile(argument, [](const std::string& l) { return l + ".host"; });
    EXPECT_EQ(request.host, "l1.host");
    EXPECT_EQ(request.bucket, "b");
    ASSERT_EQ(request.items.size(), 2u);
    EXPECT_EQ(request.items[0].object, "docs/x.txt");
    EXPECT_EQ(request.items[1].object, "docs/dir/");
    EXPECT_TRUE(ParseAddFile("{broken", [](const std::string&) { return ""; }).items.empty());

    struct Answers : ReplyTarget
    {
        mutable std::vector<std::string> texts;
        void Deliver(const std::string& text) const override { texts.push_back(text); }
    };
    auto answers = std::make_shared<Answers>();
    CTransDatabase db;
    ASSERT_TRUE(db.Open(scratch.Path("db/t.db"), true));
    RecordingBracket bracket;
    CAddObjectTask task(db, bracket, std::move(request), UploadQueueLimits{}, answers);
    task.Run();
    EXPECT_EQ(answers->texts, (std::vector<std::string>{"{\"error\":0,\"message\":\"\"}"}));
    EXPECT_EQ(db.CountAll().uploads.value_or(0), 2);
}

} // namespace

TEST(LoadingCountScript, TheLaunchpadEvent)
{
    EXPECT_EQ(zym::LoadingCountScript(3, 10),
              "zymClientCallback('UpdateLoadingCount','{\"count\":3,\"downloadcount\":10}');");
}
