// The crash report, written by a child process that really crashes.
#include "platform/crash_report.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zym {

// Outside the anonymous namespace: only exported functions get names in the backtrace.
[[gnu::noinline]] void CrashReportTestFault();

namespace {

namespace fs = std::filesystem;

class CrashReportTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The child is forked from this process, so it writes into this test's folder.
        GTEST_FLAG_SET(death_test_style, "fast");
        folder_ =
            fs::temp_directory_path() / ("zym-crash-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::vector<std::string> Reports() const
    {
        std::vector<std::string> texts;
        if (!fs::exists(folder_))
            return texts;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            std::ifstream in(entry.path());
            std::stringstream text;
            text << in.rdbuf();
            texts.push_back(text.str());
            EXPECT_EQ(entry.path().filename().string().rfind("crashtest.", 0), 0u) << entry.path();
            EXPECT_EQ(entry.path().extension(), ".dmp");
        }
        return texts;
    }

    void Install() const
    {
        if (!InstallCrashReport(folder_.string(), "crashtest", "9.8.7.6"))
            std::_Exit(99);
    }

    fs::path folder_;
};

// Read at run time, so the compiler cannot see the store is undefined and drop the call.
int* volatile g_nowhere = nullptr;

} // namespace

// The fault must reach the signal handler: the undefined-behaviour checker would stop at it first.
__attribute__((no_sanitize("undefined"))) void CrashReportTestFault()
{
    *g_nowhere = 7;
}

namespace {

TEST(CrashReportName, LowThirtyTwoBitsOfTheSecondsAsSignedNumber)
{
    EXPECT_EQ(CrashReportFileName("zymclient", 1700000000), "zymclient.1700000000.dmp");
    EXPECT_EQ(CrashReportFileName("zymclient", 2200000000LL), "zymclient.-2094967296.dmp");
    EXPECT_EQ(CrashReportFileName("zymclient", 0x100000005LL), "zymclient.5.dmp");
}

TEST_F(CrashReportTest, FaultWritesSignalAddressVersionBacktraceAndMap)
{
    EXPECT_EXIT(
        {
            Install();
            CrashReportTestFault();
        },
        ::testing::KilledBySignal(SIGSEGV), "");
    const auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    const std::string& r = reports[0];
    EXPECT_NE(r.find("signal: 11 (SIGSEGV)"), std::string::npos) << r;
    EXPECT_NE(r.find("fault address: 0x0\n"), std::string::npos);
    EXPECT_NE(r.find("version: 9.8.7.6"), std::string::npos);
    EXPECT_NE(r.find("CrashReportTestFault"), std::string::npos)
        << "the backtrace names the faulting function";
    const auto map = r.find("memory map:\n");
    ASSERT_NE(map, std::string::npos);
    EXPECT_NE(r.find("[stack]", map), std::string::npos);
    EXPECT_NE(r.find("libc", map), std::string::npos);
}

TEST_F(CrashReportTest, UncaughtExceptionNamesItselfAndEndsWithAbort)
{
    EXPECT_EXIT(
        {
            Install();
            std::thread([] { throw std::logic_error("nobody catches this"); }).join();
        },
        ::testing::KilledBySignal(SIGABRT), "");
    const auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("signal: 6 (SIGABRT)"), std::string::npos);
    EXPECT_NE(reports[0].find("reason: std::terminate: std::logic_error: nobody catches this"),
              std::string::npos)
        << reports[0];
}

TEST_F(CrashReportTest, SecondCrashingThreadWaitsForTheFirstReport)
{
    EXPECT_EXIT(
        {
            Install();
            // Both threads fault at once; one writes, the other waits until the process ends.
            std::vector<std::thread> threads;
            for (int i = 0; i < 2; ++i)
                threads.emplace_back([] { CrashReportTestFault(); });
            for (auto& t : threads)
                t.join();
        },
        ::testing::KilledBySignal(SIGSEGV), "");
    const auto reports = Reports();
    ASSERT_EQ(reports.size(), 1u);
    // One report, written whole: it ends with the memory map.
    EXPECT_EQ(reports[0].find("signal: 11"), reports[0].rfind("signal: 11"));
    EXPECT_NE(reports[0].find("memory map:"), std::string::npos);
}

TEST_F(CrashReportTest, FolderThatCannotBeMadeInstallsNothing)
{
    const fs::path file = folder_.string() + "-file";
    {
        std::ofstream(file) << "x";
    }
    EXPECT_FALSE(InstallCrashReport((file / "crash").string(), "crashtest", "1"));
    fs::remove(file);
}

} // namespace
} // namespace zym
