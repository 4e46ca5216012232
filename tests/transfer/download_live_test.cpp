// Downloads of the local service's objects: sizes and block sizes, resume from the progress
// file, damaged records, folders and empty objects, the ETag check, stop and delete.
#include "live_download.h"

#include <fcntl.h>

namespace zym {
namespace {

using testing::RandomBytes;

class DownloadTest : public testing::LiveDownload
{
};

struct SizeCase
{
    std::int64_t size;
    std::int64_t block;
    int peers;
};

TEST_F(DownloadTest, WholeObjectArrivesForEverySizeAndBlockSize)
{
    const SizeCase cases[] = {
        {1, 0, 5},
        {100, 0, 5},                    // one range, one connection
        {3000001, 64 * 1024, 5},        // many ranges of ten 64 KiB blocks over five connections
        {2 * 1024 * 1024 + 7, 4096, 3}, // ranges smaller than the 1 MiB buffer
    };
    int n = 0;
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.size);
        const std::string body = RandomBytes(static_cast<size_t>(c.size), ++n);
        const std::string key = "obj" + std::to_string(n) + ".bin";
        const TransferRow row = Row(key, c.size, Put(key, body), "out" + std::to_string(n) + ".bin");
        const auto out = Download(row, {c.peers, c.block, true});
        EXPECT_EQ(out.result.outcome, TaskOutcome::Finished) << out.result.errormsg;
        EXPECT_EQ(ReadFile(row.fullpath), body);
        EXPECT_EQ(out.bytesDone, c.size);
        EXPECT_EQ(out.offset, c.size);
        EXPECT_EQ(StatusOf(row.fullpath), kStatusFinished);
        EXPECT_TRUE(NoTempFiles(row.fullpath));
    }
}

// Writes the data file as an earlier run would have left it: `good` ranges hold the object's
// bytes, everything else holds garbage.
void LeaveDataFile(const std::string& fullpath, const std::string& body, const RangeList& good)
{
    std::string data(body.size(), 'X');
    for (const ByteRange& r : good.Intervals()) {
        data.replace(r.first, r.Length(), body.substr(r.first, r.Length()));
    }
    testing::TransferScratch::WriteFile(DataFilePath(fullpath), data);
}

TEST_F(DownloadTest, ResumesFromTheProgressFileAndFetchesOnlyTheRest)
{
    const std::string body = RandomBytes(3000000, 7);
    const TransferRow row = Row("big.bin", 3000000, Put("big.bin", body), "big.bin");
    RangeList stored = RangeList::FromText("0-1048575,");
    LeaveDataFile(row.fullpath, body, stored);
    WriteFile(ProgressFilePath(row.fullpath), stored.ToText());

    const auto out = Download(row, {5, 0, true});
    EXPECT_EQ(out.result.outcome, TaskOutcome::Finished) << out.result.errormsg;
    EXPECT_EQ(out.bytesDone, 3000000 - 1048576);
    EXPECT_EQ(ReadFile(row.fullpath), body);
    EXPECT_TRUE(NoTempFiles(row.fullpath));
}

TEST_F(DownloadTest, ScatteredHolesAreFilledAndTheChecksumCoversResumedBytes)
{
    const std::string body = RandomBytes(2500000, 8);
    const TransferRow row = Row("holes.bin", 2500000, Put("holes.bin", body), "holes.bin");
    RangeList stored = RangeList::FromText("0-99999,200000-299999,1000000-1999999,");
    LeaveDataFile(row.fullpath, body, stored);
    WriteFile(ProgressFilePath(row.fullpath), stored.ToText());
    const auto out = Download(row, {5, 64 * 1024, true});
    EXPECT_EQ(out.result.outcome, TaskOutcome::Finished) << out.result.errormsg;
    EXPECT_EQ(out.bytesDone, 2500000 - stored.Total());
    EXPECT_EQ(ReadFile(row.fullpath), body);
}

// A record that is not the program's own text (cut off, followed by garbage, reaching past the
// object) says nothing about the data file: the download starts over and the log names the file.
// The checksum is off, so only the start-over keeps the wrong bytes of the data file out.
TEST_F(DownloadTest, DamagedOrOrphanedRecordsStartOver)
{
    const std::string body = RandomBytes(300000, 9);
    const std::string etag = Put("r.bin", body);
    struct Case
    {
        const char* name;
        std::string progress;
        bool dataFile;
        bool logged;
    };
    const Case cases[] = {
        {"unparsable", "this is not a range list", true, true},
        {"cut off", "0-2999", true, true},
        {"followed by garbage", std::string("0-299999,\x01\xfe-7,zz"), true, true},
        {"past the end", "0-300000,", true, true},
        {"no data file", "0-299999,", false, false}, // crash between the final rename and the row update
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TransferRow row = Row("r.bin", 300000, "", "r-" + std::to_string(n++));
        if (c.dataFile) {
            LeaveDataFile(row.fullpath, body, RangeList{});
        }
        WriteFile(ProgressFilePath(row.fullpath), c.progress);
        const auto out = Download(row, {5, 0, false});
        EXPECT_EQ(out.result.outcome, TaskOutcome::Finished) << out.result.errormsg;
        EXPECT_EQ(out.bytesDone, 300000);
        EXPECT_EQ(ReadFile(row.fullpath), body);
        // The kept lines are JSON text (slashes escaped): the file's own name identifies the line.
        const std::string line =
            "r-" + std::to_string(n - 1) + ".zymdownload.tmp damaged; fetched again from the start]";
        EXPECT_EQ(log_.GetErrorLog().find(line) != std::string::npos, c.logged);
    }
    (void)etag;
}

TEST_F(DownloadTest, FolderAndEmptyObjects)
{
    Put("empty.txt", "");
    const TransferRow folder = Row("dir/", 0, "", "sub/dir");
    const TransferRow empty = Row("empty.txt", 0, "d41d8cd98f00b204e9800998ecf8427e", "sub/empty.txt");
    WriteFile(Path("stale.txt"), "old");
    EXPECT_EQ(Download(folder).result.outcome, TaskOutcome::Finished);
    EXPECT_TRUE(std::filesystem::is_directory(folder.fullpath));
    EXPECT_EQ(Download(empty).result.outcome, TaskOutcome::Finished);
    EXPECT_TRUE(std::filesystem::is_regular_file(empty.fullpath));
    EXPECT_EQ(std::filesystem::file_size(empty.fullpath), 0u);
    EXPECT_EQ(StatusOf(folder.fullpath), kStatusFinished);
    EXPECT_EQ(StatusOf(empty.fullpath), kStatusFinished);

    // A folder path taken by a file cannot be made: failed with the language text.
    WriteFile(Path("taken"), "file");
    const TransferRow blocked = Row("taken/", 0, "", "taken");
    const auto out = Download(blocked);
    EXPECT_EQ(out.result.outcome, TaskOutcome::Failed);
    EXPECT_EQ(out.result.errornum, 3);
    EXPECT_EQ(out.result.errormsg, "text of CreateDirError");
}

TEST_F(DownloadTest, EtagCheckInEitherCaseAndAMismatchDiscardsTheData)
{
    const std::string body = RandomBytes(400000, 10);
    std::string upper = Put("e.bin", body);
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    const TransferRow lower = Row("e.bin", 400000, Put("e.bin", body), "lower.bin");
    const TransferRow capital = Row("e.bin", 400000, upper, "upper.bin");
    EXPECT_EQ(Download(lower).result.outcome, TaskOutcome::Finished);
    EXPECT_EQ(Download(capital).result.outcome, TaskOutcome::Finished);

    // The object changed since it was queued (another body of the same size).
    const TransferRow stale = Row("e.bin", 400000, HexLower(Md5(RandomBytes(400000, 11))), "stale.bin");
    const auto out = Download(stale);
    EXPECT_EQ(out.result.outcome, TaskOutcome::Failed);
    EXPECT_EQ(out.result.errornum, 7);
    EXPECT_EQ(out.result.errormsg, "text of DownloadCheckError");
    EXPECT_EQ(StatusOf(stale.fullpath), kStatusFailed);
    EXPECT_FALSE(Exists(stale.fullpath));
    EXPECT_TRUE(NoTempFiles(stale.fullpath));

    // With the check off the bytes are taken as they come; a multipart ETag is never compared.
    const TransferRow unchecked = Row("e.bin", 400000, stale.key, "unchecked.bin");
    EXPECT_EQ(Download(unchecked, {5, 0, false}).result.outcome, TaskOutcome::Finished);
    const TransferRow multipart = Row("e.bin", 400000, "0123456789abcdef0123456789abcdef-3", "multi.bin");
    EXPECT_EQ(Download(multipart).result.outcome, TaskOutcome::Finished);
    EXPECT_EQ(ReadFile(multipart.fullpath), body);
}

TEST_F(DownloadTest, StopKeepsTheFilesAndDeleteRemovesThem)
{
    const std::string body = RandomBytes(500000, 12);
    const std::string etag = Put("s.bin", body);
    // Every GET hangs for ten minutes: only a stop that ends the request lets the test go on.
    zymtest::FaultRule slow("{\"bucket\":\"" + bucket_ + "\",\"method\":\"GET\",\"delay_ms\":600000}");
    for (const bool discard : {false, true}) {
        SCOPED_TRACE(discard);
        const TransferRow row = Row("s.bin", 500000, etag, discard ? "deleted.bin" : "stopped.bin");
        auto stop = std::make_shared<TaskStop>();
        std::thread stopper([&] { stop->Request(discard); });
        const auto out = Download(row, {5, 0, true}, stop);
        stopper.join();
        EXPECT_EQ(out.result.outcome, TaskOutcome::Stopped);
        EXPECT_EQ(Exists(DataFilePath(row.fullpath)), !discard);
        EXPECT_EQ(Exists(ProgressFilePath(row.fullpath)), !discard);
        EXPECT_FALSE(Exists(row.fullpath));
        EXPECT_EQ(StatusOf(row.fullpath), kStatusRunning); // the stopping operation writes the row
    }
}

// A stopped row lists the bytes it keeps (and resumes from), not 0 or its last finished size.
TEST_F(DownloadTest, AStoppedRunLeavesTheStoredBytesInTheRow)
{
    const std::string body = RandomBytes(3000000, 13);
    const TransferRow row = Row("kept.bin", 3000000, Put("kept.bin", body), "kept.bin");
    const RangeList stored = RangeList::FromText("0-1048575,2000000-2099999,");
    LeaveDataFile(row.fullpath, body, stored);
    WriteFile(ProgressFilePath(row.fullpath), stored.ToText());
    zymtest::FaultRule slow("{\"bucket\":\"" + bucket_ + "\",\"method\":\"GET\",\"delay_ms\":600000}");
    auto stop = std::make_shared<TaskStop>();
    // Stopped once the task is fetching (a request is held by the rule), not before it has begun.
    std::thread stopper([&] {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (slow.Applied() == 0 && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        stop->Request(false);
    });
    const auto out = Download(row, {5, 0, true}, stop);
    stopper.join();
    EXPECT_EQ(out.result.outcome, TaskOutcome::Stopped);
    EXPECT_EQ(StoredOffsetOf(row.fullpath), 1048576 + 100000);
    EXPECT_EQ(ReadFile(ProgressFilePath(row.fullpath)), stored.ToText()); // nothing new arrived
}

} // namespace
} // namespace zym
