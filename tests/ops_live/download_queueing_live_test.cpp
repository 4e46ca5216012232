// saveFile's queueing: folder prefixes and whole buckets listed from the service into rows.
#include "live_ops_support.h"
#include "ops/download_queueing.h"
#include "platform/digest.h"
#include "queue_test_support.h"

#include <algorithm>
#include <set>

using namespace zym;
using namespace zymtest;

namespace {

class NoQuestion : public ClashQuestion
{
public:
    ClashAnswer Ask(const std::string& name, bool, bool) override
    {
        ADD_FAILURE() << "unexpected question about " << name;
        return {};
    }
};

class DownloadQueueingLive : public LiveBucketTest
{
protected:
    static void SetUpTestSuite()
    {
        CreateSuiteBucket("saving");
        PutMany(bucket_, {"photos/2020/", "photos/2020/a/b.jpg", "photos/2020/c d+e%.txt",
                          "photos/2020/日本.txt", "photos/other.txt", "top.txt", "../../x", "esc/../../y"});
    }
    void SetUp() override { ASSERT_TRUE(db.Open(scratch.Path("db/transdb.db"), true)); }

    std::string Save(const std::string& itemsJson, std::vector<DownloadItem>* placedOut = nullptr)
    {
        auto request =
            ParseSaveFile("{\"path\":\"" + scratch.Path("out") + "\",\"list\":[" + itemsJson + "]}");
        EXPECT_TRUE(request);
        NoQuestion none;
        auto placed = PlaceDownloads(*request, none, [](const std::string& l) { return LiveCall(l).host; });
        EXPECT_TRUE(placed);
        if (placedOut) {
            *placedOut = *placed;
        }
        DownloadQueueing queue{db,
                               bracket,
                               stop,
                               [](const std::string& l) { return LiveCall(l); },
                               [this](std::int64_t c, std::int64_t d) { notices.emplace_back(c, d); },
                               "Listing failed",
                               2,
                               log};
        return queue.callFor ? QueueDownloads(queue, *placed) : "";
    }
    std::map<std::string, std::string> Rows() // fullpath -> object
    {
        SQLiteRecordSet rs;
        std::map<std::string, std::string> rows;
        EXPECT_TRUE(db.FileConnection().Query("select fullpath,object from Download", rs));
        while (rs.NextRow()) {
            rows[rs.GetText(0)] = rs.GetText(1);
        }
        return rows;
    }

    ScratchFolder scratch;
    CTransDatabase db;
    RecordingBracket bracket;
    StopLoadFlags stop;
    Log log;
    std::vector<std::pair<std::int64_t, std::int64_t>> notices;
};

TEST_F(DownloadQueueingLive, FolderPrefixGivesTheFolderRowAndOneRowPerListedKey)
{
    const std::string item =
        "{\"bucket\":\"" + bucket_ + "\",\"object\":\"photos/2020/\",\"location\":\"l1\"}";
    EXPECT_EQ(Save(item), "{\"error\":0,\"message\":\"\"}");
    const std::string out = scratch.Path("out");
    const std::map<std::string, std::string> expected = {
        {out + "/2020", "photos/2020/"},
        {out + "/2020/a/b.jpg", "photos/2020/a/b.jpg"},
        {out + "/2020/c d+e%.txt", "photos/2020/c d+e%.txt"},
        {out + "/2020/日本.txt", "photos/2020/日本.txt"},
    };
    EXPECT_EQ(Rows(), expected);
    EXPECT_EQ(bracket.begins, 1);
    EXPECT_EQ(bracket.open, 0);
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices.back(), std::make_pair(std::int64_t{4}, std::int64_t{4}));
    // Listed rows carry the listing's ETag (quotes removed) so the engine can check the file.
    SQLiteRecordSet rs;
    ASSERT_TRUE(db.FileConnection().Query("select hash,filesize,status,host from Download where object=?",
                                          {std::string("photos/2020/a/b.jpg")}, rs));
    ASSERT_TRUE(rs.NextRow());
    EXPECT_EQ(rs.GetText(0), HexLower(Md5("v")));
    EXPECT_EQ(rs.GetInt64(1), 1);
    EXPECT_EQ(rs.GetInt(2), kStatusWaiting);
    EXPECT_EQ(rs.GetText(3), LiveCall().host);
}

TEST_F(DownloadQueueingLive, WholeBucketListsIntoAFolderNamedAfterTheBucketAndNeverEscapes)
{
    EXPECT_EQ(Save("{\"bucket\":\"" + bucket_ + "\",\"object\":\"\",\"location\":\"l1\"}"),
              "{\"error\":0,\"message\":\"\"}");
    const std::string base = scratch.Path("out") + "/" + bucket_;
    const std::map<std::string, std::string> expected = {
        {base + "/photos/2020", "photos/2020/"},
        {base + "/photos/2020/a/b.jpg", "photos/2020/a/b.jpg"},
        {base + "/photos/2020/c d+e%.txt", "photos/2020/c d+e%.txt"},
        {base + "/photos/2020/日本.txt", "photos/2020/日本.txt"},
        {base + "/photos/other.txt", "photos/other.txt"},
        {base + "/top.txt", "top.txt"},
        {base + "/_../_../x", "../../x"},
        {base + "/esc/_../_../y", "esc/../../y"},
    };
    EXPECT_EQ(Rows(), expected);
    for (const auto& [path, object] : Rows()) {
        EXPECT_EQ(path.rfind(base + "/", 0), 0u) << path;
        EXPECT_EQ(path.find("/../"), std::string::npos) << path;
    }
}

TEST_F(DownloadQueueingLive, APageEtagIsKeptAndAPlainObjectIsNotListed)
{
    std::vector<DownloadItem> placed;
    Save("{\"bucket\":\"" + bucket_ +
             "\",\"object\":\"top.txt\",\"location\":\"l1\",\"filesize\":1,\"etag\":\"\\\"e1\\\"\"}",
         &placed);
    SQLiteRecordSet rs;
    ASSERT_TRUE(db.FileConnection().Query("select hash,fullpath from Download", rs));
    ASSERT_TRUE(rs.NextRow());
    EXPECT_EQ(rs.GetText(0), "e1");
    EXPECT_EQ(rs.GetText(1), scratch.Path("out/top.txt"));
    EXPECT_FALSE(rs.NextRow());
}

TEST_F(DownloadQueueingLive, AListingFailureRepliesAndKeepsEarlierRows)
{
    FaultRule fail("{\"bucket\":\"" + bucket_ +
                   "\",\"method\":\"GET\",\"query\":\"prefix=photos\",\"status\":503,"
                   "\"code\":\"SlowDown\"}");
    const std::string reply = Save("{\"bucket\":\"" + bucket_ + "\",\"object\":\"top.txt\"},{\"bucket\":\"" +
                                   bucket_ + "\",\"object\":\"photos/\",\"location\":\"l1\"},{\"bucket\":\"" +
                                   bucket_ + "\",\"object\":\"after.txt\"}");
    EXPECT_EQ(reply, "{\"error\":10,\"message\":\"SlowDown\"}");
    const auto rows = Rows();
    EXPECT_EQ(rows.size(), 2u); // top.txt and the folder's own row; nothing after the failure
    EXPECT_EQ(rows.count(scratch.Path("out/after.txt")), 0u);
}

TEST_F(DownloadQueueingLive, StopWithAllRemovesWhatTheCallQueued)
{
    // An earlier row under the same object goes too; other rows stay.
    TransferRow earlier;
    earlier.host = LiveCall().host;
    earlier.bucket = bucket_;
    earlier.object = "photos/2020/old.jpg";
    earlier.fullpath = "/elsewhere/old.jpg";
    db.AddDownload(earlier);
    TransferRow other = earlier;
    other.object = "unrelated.txt";
    other.fullpath = "/elsewhere/unrelated.txt";
    db.AddDownload(other);

    std::string reply;
    {
        auto request = ParseSaveFile("{\"path\":\"" + scratch.Path("out") + "\",\"l\":[{\"bucket\":\"" +
                                     bucket_ + "\",\"object\":\"photos/2020/\",\"location\":\"l1\"}]}");
        NoQuestion none;
        auto placed = PlaceDownloads(*request, none, [](const std::string& l) { return LiveCall(l).host; });
        DownloadQueueing queue{db,
                               bracket,
                               stop,
                               [](const std::string& l) { return LiveCall(l); },
                               [this](std::int64_t c, std::int64_t) {
                                   if (c == 1) { // the folder's own row is in: the page asks to stop
                                       stop.requested = true;
                                       stop.all = true;
                                   }
                               },
                               "Listing failed",
                               2,
                               log};
        reply = QueueDownloads(queue, *placed);
    }
    EXPECT_EQ(reply, "{\"error\":0,\"message\":\"\"}");
    const auto rows = Rows();
    EXPECT_EQ(rows, (std::map<std::string, std::string>{{"/elsewhere/unrelated.txt", "unrelated.txt"}}));
    EXPECT_FALSE(stop.requested);
    EXPECT_FALSE(stop.all);
}

} // namespace
