// The engine process is killed with SIGKILL at random points of several downloads and started
// again: every download completes with the right bytes, the progress file never claims bytes
// the data file does not hold, and the restarted run fetches exactly the bytes the record
// lacked.
#include "live_download.h"

#include <csignal>
#include <map>
#include <sstream>
#include <sys/wait.h>

namespace zym {
namespace {

using testing::RandomBytes;

class DownloadCrashTest : public testing::LiveDownload
{
protected:
    // Starts the driver; its standard output goes to `output`.
    pid_t Spawn(const std::string& output, const std::string& list)
    {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const std::string db = Path("driver.db");
            ::freopen(output.c_str(), "w", stdout);
            std::vector<std::string> args = {ZYM_TRANSFER_DRIVER, "--db", db, "--peers", "3",
                                             "--block",           "65536"};
            if (!list.empty()) {
                args.insert(args.end(), {"--list", list});
            }
            std::vector<char*> argv;
            for (auto& a : args) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        return pid;
    }
};

TEST_F(DownloadCrashTest, KilledAtRandomPointsAndRestarted)
{
    constexpr int kObjects = 4;
    constexpr std::int64_t kSize = 1500000;
    std::mt19937 random(std::random_device{}());
    int partial = 0; // downloads killed with part of them recorded
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        std::map<std::string, std::string> bodies;
        std::string list;
        for (int i = 0; i < kObjects; ++i) {
            const std::string key = "k" + std::to_string(round) + "-" + std::to_string(i);
            const std::string body = RandomBytes(kSize, static_cast<unsigned>(round * 10 + i));
            const std::string target = Path("crash/" + key);
            list += bucket_ + "\t" + key + "\t" + target + "\t" + std::to_string(kSize) + "\t" +
                    Put(key, body) + "\t" + call_.host + "\n";
            bodies[target] = body;
        }
        WriteFile(Path("list"), list);

        // Slow enough that the kill lands mid-way: each request at about 400 kB/s.
        std::map<std::string, RangeList> recorded;
        {
            zymtest::FaultRule slow("{\"bucket\":\"" + bucket_ +
                                    "\",\"method\":\"GET\",\"throttle_bps\":400000}");
            const pid_t pid = Spawn(Path("first.out"), Path("list"));
            ASSERT_GT(pid, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(300 + random() % 1700));
            ::kill(pid, SIGKILL);
            int status = 0;
            ::waitpid(pid, &status, 0);
            ASSERT_TRUE(WIFSIGNALED(status)) << ReadFile(Path("first.out"));
        }
        // What the record claims is in the data file.
        for (const auto& [target, body] : bodies) {
            RangeList stored;
            if (Exists(target)) {
                continue; // finished before the kill
            }
            if (LoadProgressFile(target, stored) == ProgressRead::Loaded && Exists(DataFilePath(target))) {
                const std::string data = ReadFile(DataFilePath(target));
                for (const ByteRange& r : stored.Intervals()) {
                    ASSERT_EQ(data.compare(r.first, r.Length(), body, r.first, r.Length()), 0)
                        << target << " claims " << stored.ToText();
                }
                recorded[target] = stored;
                partial += stored.Total() > 0 ? 1 : 0;
            }
        }

        const pid_t pid = Spawn(Path("second.out"), "");
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        std::istringstream out(ReadFile(Path("second.out")));
        std::string word;
        std::map<std::string, std::int64_t> fetched;
        while (out >> word) {
            if (word == "end") {
                int rowStatus = 0, errornum = 0;
                std::int64_t bytes = 0;
                std::string target, rest;
                out >> rowStatus >> errornum >> bytes >> target;
                std::getline(out, rest);
                EXPECT_EQ(rowStatus, kStatusFinished) << target << rest;
                fetched[target] += bytes;
            }
        }
        for (const auto& [target, body] : bodies) {
            EXPECT_EQ(ReadFile(target), body) << target;
            EXPECT_TRUE(NoTempFiles(target));
            if (fetched.count(target) != 0) {
                EXPECT_EQ(fetched[target], kSize - recorded[target].Total()) << target;
            }
        }
        std::filesystem::remove_all(Path("crash"));
    }
    EXPECT_GT(partial, 0) << "no kill landed after a progress save: the resume was not tested";
}

} // namespace
} // namespace zym
