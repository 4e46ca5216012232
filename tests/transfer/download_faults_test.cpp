// Faults on the way: resets and error replies mid-range, short bodies, a slow link, a corrupted
// byte, a full disk. Each download ends with the right bytes or a failed row, never a finished
// row with wrong bytes.
#include "live_download.h"
#include "upload_live.h"

#include <array>
#include <cstdio>

namespace zym {
namespace {

using testing::RandomBytes;

class DownloadFaultTest : public testing::LiveDownload
{
protected:
    std::string Rule(const std::string& action) const
    {
        return "{\"bucket\":\"" + bucket_ + "\",\"method\":\"GET\"," + action + "}";
    }
};

struct FaultCase
{
    const char* name;
    const char* action;
};

TEST_F(DownloadFaultTest, TransientFaultsEndWithTheRightBytes)
{
    const FaultCase cases[] = {
        {"resets", "\"reset\":true,\"times\":3"},
        {"reset after a part of the body", "\"cut_after\":70000,\"times\":4"},
        {"server errors", "\"status\":503,\"code\":\"SlowDown\",\"times\":4"},
        {"a slow link", "\"throttle_bps\":400000,\"times\":2"},
        {"late answers", "\"delay_ms\":300,\"times\":5"},
    };
    const std::string body = RandomBytes(900000, 21);
    const std::string etag = Put("f.bin", body);
    int n = 0;
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        zymtest::FaultRule rule(Rule(c.action));
        const TransferRow row = Row("f.bin", 900000, etag, "f" + std::to_string(++n));
        const auto out = Download(row, {3, 32 * 1024, true});
        EXPECT_EQ(out.result.outcome, TaskOutcome::Finished) << out.result.errormsg;
        EXPECT_EQ(ReadFile(row.fullpath), body);
        EXPECT_EQ(StatusOf(row.fullpath), kStatusFinished);
    }
}

TEST_F(DownloadFaultTest, AFaultThatNeverEndsFailsTheRowAndKeepsWhatWasStored)
{
    const std::string body = RandomBytes(600000, 22);
    const TransferRow row = Row("g.bin", 600000, Put("g.bin", body), "g.bin");
    {
        // The first request delivers its range; every later one gets a server error.
        zymtest::FaultRule rule(Rule("\"status\":500,\"skip\":1"));
        const auto out = Download(row, {1, 32 * 1024, true});
        EXPECT_EQ(out.result.outcome, TaskOutcome::Failed);
        EXPECT_EQ(out.result.errornum, CURLE_WRITE_ERROR);
        EXPECT_EQ(out.result.errormsg, "HTTP status 500");
        EXPECT_EQ(StatusOf(row.fullpath), kStatusFailed);
        EXPECT_FALSE(Exists(row.fullpath));
        RangeList stored;
        ASSERT_EQ(LoadProgressFile(row.fullpath, stored), ProgressRead::Loaded);
        EXPECT_EQ(stored.ToText(), "0-327679,");
    }
    // A retry resumes after the recorded range.
    const auto out = Download(row, {1, 32 * 1024, true});
    EXPECT_EQ(out.result.outcome, TaskOutcome::Finished) << out.result.errormsg;
    EXPECT_EQ(out.bytesDone, 600000 - 327680);
    EXPECT_EQ(ReadFile(row.fullpath), body);
}

TEST_F(DownloadFaultTest, AStallLongerThanTheLowSpeedLimitIsGivenUpAndAskedAgain)
{
    const std::string body = RandomBytes(300000, 24);
    const TransferRow row = Row("s.bin", 300000, Put("s.bin", body), "s.bin");
    call_.lowSpeedSeconds = 1;
    // The reply comes after 4 s: with the limit at 1 s the request is given up and sent again.
    zymtest::CountedRule rule(Rule("\"delay_ms\":4000,\"times\":1"));
    const auto out = Download(row, {1, 64 * 1024, true});
    EXPECT_EQ(out.result.outcome, TaskOutcome::Finished) << out.result.errormsg;
    EXPECT_EQ(ReadFile(row.fullpath), body);
    EXPECT_EQ(rule.Applied(), 1);
    EXPECT_EQ(rule.Seen(), 2);
}

TEST_F(DownloadFaultTest, ACorruptedByteFailsTheCheckAndTheRetryFetchesEverything)
{
    const std::string body = RandomBytes(700000, 23);
    const TransferRow row = Row("c.bin", 700000, Put("c.bin", body), "c.bin");
    {
        zymtest::FaultRule rule(Rule("\"flip_at\":4321,\"times\":1"));
        const auto out = Download(row, {3, 32 * 1024, true});
        EXPECT_EQ(out.result.outcome, TaskOutcome::Failed);
        EXPECT_EQ(out.result.errormsg, "text of DownloadCheckError");
        EXPECT_FALSE(Exists(row.fullpath));
        EXPECT_TRUE(NoTempFiles(row.fullpath));
    }
    const auto out = Download(row, {3, 32 * 1024, true});
    EXPECT_EQ(out.result.outcome, TaskOutcome::Finished);
    EXPECT_EQ(out.bytesDone, 700000);
    EXPECT_EQ(ReadFile(row.fullpath), body);
}

// A full disk, made by a file-size limit on a child process: the download fails at once with the
// system's text, leaves no data file behind, and the next run without the limit completes.
TEST_F(DownloadFaultTest, FullDiskFailsWithTheSystemsText)
{
    const std::string body = RandomBytes(1500000, 24);
    const std::string etag = Put("d.bin", body);
    const std::string target = Path("d.bin");
    WriteFile(Path("list"), bucket_ + "\td.bin\t" + target + "\t1500000\t" + etag + "\t" + call_.host + "\n");
    auto run = [&](const std::string& extra) {
        const std::string command =
            std::string(ZYM_TRANSFER_DRIVER) + " --db " + Path("driver.db") + " " + extra;
        std::string output;
        FILE* pipe = ::popen(command.c_str(), "r");
        std::array<char, 4096> buffer{};
        while (pipe != nullptr && std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
            output += buffer.data();
        }
        if (pipe != nullptr) {
            ::pclose(pipe);
        }
        return output;
    };
    const std::string limited = run("--list " + Path("list") + " --fsize-limit 1000000");
    EXPECT_NE(limited.find("end 5 3 0 " + target + " File too large"), std::string::npos) << limited;
    EXPECT_FALSE(Exists(DataFilePath(target)));
    const std::string free = run("");
    EXPECT_NE(free.find("end 4 0 1500000 " + target), std::string::npos) << free;
    EXPECT_EQ(ReadFile(target), body);
}

} // namespace
} // namespace zym
