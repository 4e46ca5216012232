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
    // Starts the driver with its standard output on a pipe (readFd) or in the file `output`.
    pid_t Spawn(const std::string& output, const std::string& list, int* readFd = nullptr)
    {
        int fds[2] = {-1, -1};
        if (readFd != nullptr && ::pipe(fds) != 0) {
            return -1;
        }
        const pid_t pid = ::fork();
        if (pid == 0) {
            const std::string db = Path("driver.db");
            if (readFd != nullptr) {
                ::dup2(fds[1], STDOUT_FILENO);
                ::close(fds[0]);
                ::close(fds[1]);
            } else {
                ::freopen(output.c_str(), "w", stdout);
            }
            std::vector<std::string> args = {ZYM_TRANSFER_DRIVER, "--db", db, "--peers", "3",
                                             "--block",           "16384"};
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
        if (readFd != nullptr) {
            ::close(fds[1]);
            *readFd = fds[0];
        }
        return pid;
    }

    // Reads the pipe until the driver says its rows are queued.
    static bool WaitQueued(int fd)
    {
        std::string seen;
        char c = 0;
        while (::read(fd, &c, 1) == 1) {
            seen += c;
            if (seen.find("queued\n") != std::string::npos) {
                return true;
            }
        }
        return false;
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

        // Slow enough that the kill lands mid-way: each request at about 100 kB/s, twelve at once.
        std::map<std::string, RangeList> recorded;
        {
            zymtest::FaultRule slow("{\"bucket\":\"" + bucket_ +
                                    "\",\"method\":\"GET\",\"throttle_bps\":100000}");
            int pipe = -1;
            const pid_t pid = Spawn("", Path("list"), &pipe);
            ASSERT_GT(pid, 0);
            ASSERT_TRUE(WaitQueued(pipe));
            std::this_thread::sleep_for(std::chrono::milliseconds(500 + random() % 3500));
            ::kill(pid, SIGKILL);
            int status = 0;
            ::waitpid(pid, &status, 0);
            ::close(pipe);
            ASSERT_TRUE(WIFSIGNALED(status)) << "the driver ended before the kill";
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
