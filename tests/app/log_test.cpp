#include "app/log.h"

#include <atomic>
#include <cjson/cJSON.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <sstream>
#include <thread>
#include <vector>

using namespace zym;
namespace fs = std::filesystem;

namespace {

// 2026-12-08 21:41:33 UTC.
constexpr std::time_t kWhen = 1796766093;

class LogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Local time is the log's clock; fix the zone so that the stamps are known.
        setenv("TZ", "UTC", 1);
        tzset();
        folder_ =
            fs::temp_directory_path() / ("zym-log-test-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    static std::string ReadFile(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // The "msg" values of GetErrorLog's JSON, parsed back with cJSON.
    static std::vector<std::string> KeptMessages(const Log& log)
    {
        std::vector<std::string> out;
        std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_Parse(log.GetErrorLog().c_str()),
                                                             &cJSON_Delete);
        EXPECT_TRUE(root != nullptr);
        const cJSON* list = root ? cJSON_GetObjectItemCaseSensitive(root.get(), "list") : nullptr;
        EXPECT_TRUE(cJSON_IsArray(list));
        for (const cJSON* item = list ? list->child : nullptr; item != nullptr; item = item->next) {
            out.push_back(cJSON_GetObjectItemCaseSensitive(item, "msg")->valuestring);
        }
        return out;
    }

    fs::path folder_;
};

} // namespace

TEST_F(LogTest, WritesStampedLinesToTheDayFile)
{
    Log log([] { return kWhen; });
    const fs::path logFolder = folder_ / "nested" / "log";
    ASSERT_TRUE(log.OpenLog(logFolder.string()));
    EXPECT_EQ(log.FilePath(), (logFolder / "26-12-08.log").string());
    log.WriteLog("abc", false);
    log.WriteLog("中文 ünïcode", true);
    EXPECT_EQ(ReadFile(logFolder / "26-12-08.log"),
              "[26-12-08 21:41:33]:abc\r\n[26-12-08 21:41:33]:中文 ünïcode\r\n");
}

TEST_F(LogTest, SameDayAppendsAndNextDayStartsANewFile)
{
    std::time_t now = kWhen;
    {
        Log first([&] { return now; });
        ASSERT_TRUE(first.OpenLog(folder_.string()));
        first.WriteLog("first run", false);
    }
    {
        Log second([&] { return now; });
        ASSERT_TRUE(second.OpenLog(folder_.string()));
        second.WriteLog("second run", false);
        now += 3 * 3600; // past midnight: the open file stays the day of start
        second.WriteLog("after midnight", false);
    }
    EXPECT_EQ(ReadFile(folder_ / "26-12-08.log"),
              "[26-12-08 21:41:33]:first run\r\n[26-12-08 21:41:33]:second run\r\n"
              "[26-12-09 00:41:33]:after midnight\r\n");
    Log next([&] { return now; });
    ASSERT_TRUE(next.OpenLog(folder_.string()));
    next.WriteLog("new day", false);
    EXPECT_EQ(ReadFile(folder_ / "26-12-09.log"), "[26-12-09 00:41:33]:new day\r\n");
}

TEST_F(LogTest, KeptListHoldsTheLatest500)
{
    Log log([] { return kWhen; });
    EXPECT_EQ(log.GetErrorLog(), "{\"list\":[]}");
    log.WriteLog("not kept", false);
    EXPECT_EQ(log.GetErrorLog(), "{\"list\":[]}");
    for (int i = 1; i <= 501; ++i) {
        log.WriteLog("line " + std::to_string(i), true);
    }
    const auto kept = KeptMessages(log);
    ASSERT_EQ(kept.size(), 500u);
    EXPECT_EQ(kept.front(), "[26-12-08 21:41:33]:line 2\r\n") << "the 501st kept line drops the oldest";
    EXPECT_EQ(kept.back(), "[26-12-08 21:41:33]:line 501\r\n");
}

TEST_F(LogTest, KeptLinesAreJsonEscaped)
{
    Log log([] { return kWhen; });
    log.WriteLog(R"(say "hi" a/b \x)", true);
    EXPECT_EQ(log.GetErrorLog(), R"({"list":[{"msg":"[26-12-08 21:41:33]:say \"hi\" a\/b \\x\r\n"}]})");
    log.WriteLog("tab\there", true);
    EXPECT_EQ(KeptMessages(log).back(), "[26-12-08 21:41:33]:tab\there\r\n");
}

TEST_F(LogTest, WithoutAFileLinesStillReachTheList)
{
    Log log([] { return kWhen; });
    fs::create_directories(folder_);
    std::ofstream(folder_ / "blocker") << "a file where the folder should be";
    EXPECT_FALSE(log.OpenLog((folder_ / "blocker" / "log").string()));
    EXPECT_EQ(log.FilePath(), "");
    log.WriteLog("kept anyway", true);
    EXPECT_EQ(KeptMessages(log), std::vector<std::string>{"[26-12-08 21:41:33]:kept anyway\r\n"});
}

TEST_F(LogTest, ThreadsWritingAtOnceNeverInterleaveLines)
{
    Log log([] { return kWhen; });
    ASSERT_TRUE(log.OpenLog(folder_.string()));
    constexpr int kThreads = 4;
    constexpr int kLines = 2000;
    const std::string padding(300, 'p'); // long lines make torn writes visible
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int n = 0; n < kLines; ++n) {
                log.WriteLog("t" + std::to_string(t) + " " + std::to_string(n) + " " + padding, n % 2 == 0);
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }

    std::istringstream file(ReadFile(folder_ / "26-12-08.log"));
    std::map<int, int> nextOf;
    int lines = 0;
    for (std::string line; std::getline(file, line, '\n'); ++lines) {
        int t = -1, n = -1;
        char pad[301] = {};
        ASSERT_EQ(std::sscanf(line.c_str(), "[26-12-08 21:41:33]:t%d %d %300s", &t, &n, pad), 3) << line;
        ASSERT_EQ(line, "[26-12-08 21:41:33]:t" + std::to_string(t) + " " + std::to_string(n) + " " +
                            padding + "\r");
        EXPECT_EQ(n, nextOf[t]) << "each thread's lines keep their order";
        nextOf[t] = n + 1;
    }
    EXPECT_EQ(lines, kThreads * kLines);
    EXPECT_EQ(KeptMessages(log).size(), 500u);
}

TEST_F(LogTest, AfterCloseLinesReachOnlyTheList)
{
    Log log([] { return kWhen; });
    ASSERT_TRUE(log.OpenLog(folder_.string()));
    const std::string path = log.FilePath();
    log.WriteLog("before", true);
    log.CloseLog();
    log.WriteLog("after", true);
    EXPECT_EQ(ReadFile(path), "[26-12-08 21:41:33]:before\r\n");
    EXPECT_EQ(KeptMessages(log).size(), 2u);
    EXPECT_TRUE(log.FilePath().empty() || log.FilePath() == path);
}

TEST_F(LogTest, LinesWrittenBeforeTheFileOpensAreWrittenFirst)
{
    Log log([] { return kWhen; });
    log.WriteLog("[settings][kept aside]", false);
    // A failed open holds the lines on for a later one.
    fs::create_directories(folder_);
    std::ofstream(folder_ / "blocker") << "a file where the folder should be";
    EXPECT_FALSE(log.OpenLog((folder_ / "blocker" / "log").string()));
    log.WriteLog("[language][missing]", true);
    ASSERT_TRUE(log.OpenLog(folder_.string()));
    log.WriteLog("after", false);
    EXPECT_EQ(ReadFile(log.FilePath()), "[26-12-08 21:41:33]:[settings][kept aside]\r\n"
                                        "[26-12-08 21:41:33]:[language][missing]\r\n"
                                        "[26-12-08 21:41:33]:after\r\n");
    // Only the most recent lines are held, so a start that never opens its log stays bounded.
    Log many([] { return kWhen; });
    for (std::size_t i = 0; i < Log::kMaxHeld + 5; ++i) {
        many.WriteLog(std::to_string(i), false);
    }
    const fs::path second = folder_ / "second";
    ASSERT_TRUE(many.OpenLog(second.string()));
    const std::string text = ReadFile(many.FilePath());
    EXPECT_EQ(text.find("]:4\r\n"), std::string::npos);
    EXPECT_NE(text.find("]:5\r\n"), std::string::npos);
    EXPECT_NE(text.find("]:204\r\n"), std::string::npos);
}
