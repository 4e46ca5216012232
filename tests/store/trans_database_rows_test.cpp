// The row statements of the transfer queue on a real file.
#include "trans_fixture.h"

namespace zym {
namespace {

using testing::DownloadRow;
using testing::StoredRows;
using testing::UploadRow;

class TransRowsTest : public testing::ScratchFolder
{
protected:
    void SetUp() override
    {
        ScratchFolder::SetUp();
        ASSERT_TRUE(db_.Open(Path("transdb.db"), true));
    }
    std::vector<TransferRow> Downloads()
    {
        std::vector<TransferRow> rows;
        EXPECT_TRUE(db_.ListDownloads(-1, 0, rows));
        return rows;
    }
    std::vector<TransferRow> Uploads()
    {
        std::vector<TransferRow> rows;
        EXPECT_TRUE(db_.ListUploads(-1, 0, rows));
        return rows;
    }
    CTransDatabase db_;
};

TEST_F(TransRowsTest, RequeuedDownloadKeepsIdInAnyLetterCase)
{
    ASSERT_TRUE(db_.AddDownload(DownloadRow("/Home/Data/File.bin", kStatusWaiting, 500, 20)));
    ASSERT_TRUE(db_.AddDownload(DownloadRow("/home/other")));
    ASSERT_TRUE(db_.MarkDownloadRunning("/HOME/data/file.BIN", 1700000000));
    ASSERT_TRUE(db_.FailDownload("/home/data/file.bin", 7, "timeout"));

    TransferRow again = DownloadRow("/HOME/DATA/FILE.BIN", kStatusWaiting, 900, 55);
    again.key = "new-etag";
    again.object = "new/object";
    ASSERT_TRUE(db_.AddDownload(again));
    const std::vector<TransferRow> rows = Downloads();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].fullpath, "/Home/Data/File.bin"); // the row keeps its place and path
    EXPECT_EQ(rows[0].key, "new-etag");
    EXPECT_EQ(rows[0].object, "new/object");
    EXPECT_EQ(rows[0].filesize, 900);
    EXPECT_EQ(rows[0].offset, 0);
    EXPECT_EQ(rows[0].status, kStatusWaiting);
    EXPECT_EQ(rows[0].errornum, 0);
    EXPECT_EQ(rows[0].errormsg, "");
    EXPECT_EQ(StoredRows(db_.FileConnection(), "Download")[0].actlast, 0);
    EXPECT_EQ(StoredRows(db_.FileConnection(), "Download"), StoredRows(db_.Mirror(), "Download"));
}

TEST_F(TransRowsTest, RequeuedUploadKeepsIdAndTakesNewUploadId)
{
    TransferRow first = UploadRow("bucket", "dir/a.txt");
    first.uploadid = "";
    ASSERT_TRUE(db_.AddUpload(first));
    ASSERT_TRUE(db_.AddUpload(UploadRow("bucket", "dir/b.txt")));
    ASSERT_TRUE(db_.SaveUploadId(first.key, "UPLOAD-1"));
    ASSERT_TRUE(db_.SaveUploadOffset(first.key, 60));
    ASSERT_TRUE(db_.FailUpload(first.key, 3, "it's gone"));
    EXPECT_EQ(Uploads()[0].errormsg, "it's gone");

    TransferRow again = UploadRow("bucket", "dir/a.txt", kStatusWaiting, 300);
    again.uploadid = "UPLOAD-2";
    ASSERT_TRUE(db_.AddUpload(again));
    const std::vector<TransferRow> rows = Uploads();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].key, first.key);
    EXPECT_EQ(rows[0].uploadid, "UPLOAD-2");
    EXPECT_EQ(rows[0].filesize, 300);
    EXPECT_EQ(rows[0].offset, 0);
    EXPECT_EQ(rows[0].errornum, 0);
    EXPECT_EQ(rows[0].errormsg, "");
    EXPECT_EQ(rows[0].last, 1700000000);
}

TEST_F(TransRowsTest, FinishedUploadHoldsItsSizeUntilStartedAgain)
{
    const TransferRow whole = UploadRow("b", "whole", kStatusRunning, 5000);
    const TransferRow resumed = UploadRow("b", "resumed", kStatusRunning, 5000);
    ASSERT_TRUE(db_.AddUpload(whole));
    ASSERT_TRUE(db_.AddUpload(resumed));
    ASSERT_TRUE(db_.SaveUploadOffset(whole.key, 1000));
    ASSERT_TRUE(db_.SaveUploadOffset(resumed.key, 3000));
    ASSERT_TRUE(db_.SaveUploadId(whole.key, "DONE-ID"));
    ASSERT_TRUE(db_.SaveUploadId(resumed.key, "OPEN-ID"));
    ASSERT_TRUE(db_.FinishUpload(whole.key, 5000));
    ASSERT_TRUE(db_.StopUpload("b", "resumed"));
    std::vector<TransferRow> rows = Uploads();
    EXPECT_EQ(rows[0].status, kStatusFinished);
    EXPECT_EQ(rows[0].offset, 5000);
    EXPECT_EQ(rows[0].uploadid, "");
    EXPECT_EQ(rows[1].offset, 3000);
    EXPECT_EQ(rows[1].uploadid, "OPEN-ID");

    // A finished row started again is sent from its start; a stopped one goes on from its parts.
    ASSERT_TRUE(db_.StartUpload("b", "whole"));
    ASSERT_TRUE(db_.StartUpload("b", "resumed"));
    rows = Uploads();
    EXPECT_EQ(rows[0].status, kStatusWaiting);
    EXPECT_EQ(rows[0].offset, 0);
    EXPECT_EQ(rows[1].status, kStatusWaiting);
    EXPECT_EQ(rows[1].offset, 3000);
    EXPECT_EQ(StoredRows(db_.FileConnection(), "Upload"), StoredRows(db_.Mirror(), "Upload"));
}

TEST_F(TransRowsTest, OffsetAboveSizeReadsAsSize)
{
    ASSERT_TRUE(db_.AddDownload(DownloadRow("/d/over", kStatusWaiting, 100, 250)));
    ASSERT_TRUE(db_.AddDownload(DownloadRow("/d/under", kStatusWaiting, 100, 40)));
    ASSERT_TRUE(db_.AddUpload(UploadRow("b", "u", kStatusWaiting, 10)));
    ASSERT_TRUE(db_.SaveUploadOffset(UploadRow("b", "u").key, 11));
    EXPECT_EQ(Downloads()[0].offset, 100);
    EXPECT_EQ(Downloads()[1].offset, 40);
    EXPECT_EQ(Uploads()[0].offset, 10);
    EXPECT_EQ(db_.NextDownload()->offset, 100);
    EXPECT_EQ(db_.NextUpload()->offset, 10);
}

TEST_F(TransRowsTest, PagingInIdOrderWithNegativeStartAndCount)
{
    for (int i = 0; i < 25; ++i) {
        ASSERT_TRUE(db_.AddDownload(DownloadRow("/d/" + std::to_string(100 + i), 1 + i % 5)));
    }
    struct Case
    {
        int count, start;
        std::vector<int> expect; // numbers of the paths, in order
    };
    auto range = [](int from, int to) {
        std::vector<int> v;
        for (int i = from; i < to; ++i) {
            v.push_back(100 + i);
        }
        return v;
    };
    const Case cases[] = {
        {10, 0, range(0, 10)}, {10, 20, range(20, 25)},
        {-1, 0, range(0, 25)}, {-5, 23, range(23, 25)},
        {5, -3, range(0, 5)},  {0, 0, {}},
        {10, 25, {}},
    };
    for (const Case& c : cases) {
        std::vector<TransferRow> rows;
        ASSERT_TRUE(db_.ListDownloads(c.count, c.start, rows));
        std::vector<int> got;
        for (const TransferRow& r : rows) {
            got.push_back(std::stoi(r.fullpath.substr(3)));
        }
        EXPECT_EQ(got, c.expect) << "count " << c.count << " start " << c.start;
    }
}

TEST_F(TransRowsTest, QuotesPercentAndUnderscoreAreLiteral)
{
    const std::string quoted = "/d/it's here";
    ASSERT_TRUE(db_.AddDownload(DownloadRow(quoted)));
    ASSERT_TRUE(db_.FailDownload(quoted, 5, "can't write"));
    EXPECT_EQ(Downloads()[0].errormsg, "can't write");
    ASSERT_TRUE(db_.DeleteDownload(quoted));
    EXPECT_TRUE(Downloads().empty());

    const std::string objects[] = {"a_b%", "a_b%/x", "a_b%c", "aXbY", "aXbY/z", "A_B%/upper", "a_b"};
    for (const std::string& o : objects) {
        TransferRow r = DownloadRow("/d/" + o);
        r.object = o;
        ASSERT_TRUE(db_.AddDownload(r));
    }
    TransferRow elsewhere = DownloadRow("/e/a_b%/x");
    elsewhere.object = "a_b%/x";
    elsewhere.bucket = "other";
    ASSERT_TRUE(db_.AddDownload(elsewhere));

    ASSERT_TRUE(db_.DeleteDownloadsUnder("loc.zym.localhost", "bucket", "a_b%"));
    std::vector<std::string> left;
    for (const TransferRow& r : Downloads()) {
        left.push_back(r.bucket + ":" + r.object);
    }
    // The prefix match ignores letter case (as the column does) but not "%" or "_".
    EXPECT_EQ(left, (std::vector<std::string>{"bucket:aXbY", "bucket:aXbY/z", "bucket:a_b", "other:a_b%/x"}));
    EXPECT_EQ(StoredRows(db_.FileConnection(), "Download"), StoredRows(db_.Mirror(), "Download"));
}

TEST_F(TransRowsTest, PickOrderStartedRowsAndIdleChecks)
{
    EXPECT_TRUE(db_.IsDownloadIdle());
    EXPECT_TRUE(db_.IsUploadIdle());
    EXPECT_FALSE(db_.NextDownload().has_value());
    for (const char* p : {"/d/1", "/d/2", "/d/3"}) {
        ASSERT_TRUE(db_.AddDownload(DownloadRow(p)));
    }
    EXPECT_FALSE(db_.IsDownloadIdle());
    ASSERT_TRUE(db_.MarkDownloadRunning("/d/1", 1700000000));
    EXPECT_EQ(db_.NextDownload()->fullpath, "/d/2");
    ASSERT_TRUE(db_.StartDownload("/d/1")); // waiting again, actlast 0: back to its place by id
    EXPECT_EQ(db_.NextDownload()->fullpath, "/d/1");
    ASSERT_TRUE(db_.MarkDownloadRunning("/d/1", 1700000000));
    ASSERT_TRUE(db_.MarkDownloadRunning("/d/2", 1700000001));
    ASSERT_TRUE(db_.FinishDownload("/d/2", 100));
    const std::vector<TransferRow> started = db_.StartedDownloads();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].fullpath, "/d/1");
    EXPECT_EQ(db_.CountFinished().downloads, 1);
    EXPECT_EQ(db_.CountFinished().uploads, 0);

    ASSERT_TRUE(db_.SetDownloadStatus("/d/3", kStatusStopped));
    ASSERT_TRUE(db_.StartAllDownloads()); // running and finished rows are left alone
    EXPECT_EQ(Downloads()[0].status, kStatusRunning);
    EXPECT_EQ(Downloads()[1].status, kStatusFinished);
    EXPECT_EQ(Downloads()[2].status, kStatusWaiting);
    ASSERT_TRUE(db_.StopAllDownloads());
    EXPECT_EQ(Downloads()[0].status, kStatusStopped);
    EXPECT_EQ(Downloads()[1].status, kStatusFinished);
    ASSERT_TRUE(db_.DeleteFinishedDownloads());
    EXPECT_EQ(db_.CountAll().downloads, 2);
    ASSERT_TRUE(db_.DeleteAllDownloads());
    EXPECT_TRUE(db_.IsDownloadIdle());
}

TEST_F(TransRowsTest, UploadStatementsByBucketAndObject)
{
    TransferRow a = UploadRow("bucket", "a");
    TransferRow b = UploadRow("bucket", "b");
    TransferRow c = UploadRow("gone", "c");
    for (const TransferRow* r : {&a, &b, &c}) {
        ASSERT_TRUE(db_.AddUpload(*r));
    }
    ASSERT_TRUE(db_.SaveUploadId(a.key, "ID-A"));
    ASSERT_TRUE(db_.SaveUploadId(b.key, "ID-B"));
    ASSERT_TRUE(db_.SetUploadStatus(b.key, kStatusFinished));
    ASSERT_EQ(db_.UploadsWithIdOf("bucket", "a").size(), 1u);
    EXPECT_EQ(db_.UploadsWithIdOf("bucket", "a")[0].uploadid, "ID-A");
    ASSERT_EQ(db_.UnfinishedUploadsWithId().size(), 1u);
    EXPECT_EQ(db_.UnfinishedUploadsWithId()[0].key, a.key);

    ASSERT_TRUE(db_.StopUpload("bucket", "a"));
    EXPECT_EQ(db_.NextUpload()->key, c.key);
    ASSERT_TRUE(db_.StartUpload("bucket", "a"));
    EXPECT_EQ(db_.NextUpload()->key, a.key);
    ASSERT_TRUE(db_.StopAllUploads());
    EXPECT_FALSE(db_.NextUpload().has_value());
    ASSERT_TRUE(db_.StartAllUploads());
    EXPECT_EQ(Uploads()[1].status, kStatusFinished);
    ASSERT_TRUE(db_.FailUpload(a.key, 4, "x"));
    ASSERT_TRUE(db_.RetryFailedUploads());
    EXPECT_EQ(Uploads()[0].status, kStatusWaiting);
    EXPECT_EQ(Uploads()[0].errornum, 0);

    ASSERT_TRUE(db_.AddDownload(DownloadRow("/d/x")));
    ASSERT_TRUE(db_.DeleteBucketRows("bucket"));
    EXPECT_EQ(db_.CountAll().uploads, 1);
    EXPECT_EQ(db_.CountAll().downloads, 0);
    ASSERT_TRUE(db_.DeleteUpload("gone", "c"));
    EXPECT_TRUE(db_.IsUploadIdle());
    EXPECT_EQ(StoredRows(db_.FileConnection(), "Upload"), StoredRows(db_.Mirror(), "Upload"));
}

TEST_F(TransRowsTest, RulesAreOnePerBucketIgnoringCase)
{
    EXPECT_FALSE(db_.GetRule("photos").has_value());
    ASSERT_TRUE(db_.SaveRule({"Photos", "\\.jpg$", "http://cb.localhost/a", 1, 3}));
    ASSERT_TRUE(db_.SaveRule({"docs", "", "http://cb.localhost/d", 0, 1}));
    ASSERT_TRUE(db_.SaveRule({"photos", "it's", "http://cb.localhost/b", 0, 5}));
    const std::optional<CallbackRule> rule = db_.GetRule("PHOTOS");
    ASSERT_TRUE(rule.has_value());
    EXPECT_EQ(rule->bucket, "Photos");
    EXPECT_EQ(rule->regular, "it's");
    EXPECT_EQ(rule->host, "http://cb.localhost/b");
    EXPECT_EQ(rule->status, 0);
    EXPECT_EQ(rule->num, 5);
    EXPECT_EQ(db_.LoadRules().size(), 2u);

    CTransDatabase reopened;
    ASSERT_TRUE(reopened.Open(Path("transdb.db"), true));
    EXPECT_EQ(reopened.GetRule("docs")->host, "http://cb.localhost/d");
}

TEST_F(TransRowsTest, TransactionCommitsDespiteFalseCommitResult)
{
    ASSERT_TRUE(db_.BeginTransaction());
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(db_.AddUpload(UploadRow("b", std::to_string(i))));
    }
    EXPECT_FALSE(db_.CommitTransaction());
    SQLiteWrap other;
    ASSERT_TRUE(other.Open(Path("transdb.db"), false));
    EXPECT_EQ(StoredRows(other, "Upload").size(), 50u);
}

} // namespace
} // namespace zym
