// The settings file shared with other processes: edits made elsewhere count at the next read,
// and processes writing at the same time lose nothing and never leave a torn file.
#include "app/settings_file.h"
#include "app/settings_store.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace zym {
namespace {

namespace fs = std::filesystem;

class SettingsProcessesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder_ =
            fs::temp_directory_path() / ("zym-settings-proc-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        path_ = (folder_ / "settings.reg").string();
    }
    void TearDown() override { fs::remove_all(folder_); }

    // Runs body in a child process; returns its exit status (0 when body returned true).
    template <typename Body> static pid_t Spawn(Body body)
    {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::_exit(body() ? 0 : 1);
        }
        return pid;
    }
    static int Wait(pid_t pid)
    {
        int status = 0;
        if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
            return -1;
        }
        return WEXITSTATUS(status);
    }

    fs::path folder_;
    std::string path_;
};

TEST_F(SettingsProcessesTest, AnotherProgramsEditCountsAtTheNextRead)
{
    SettingsStore store(path_);
    store.EnsureDefaults();
    EXPECT_EQ(store.DownloadMax(), 5);

    // Another program rewrites the file with its own text (a hand edit).
    const pid_t editor = Spawn([this] {
        std::ofstream out(path_ + ".edit", std::ios::binary);
        out << "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\ZymClient]\n"
               "\"DownloadMax\"=dword:00000000\n\"UIPath\"=\"/srv/ui\"\n";
        out.close();
        return std::rename((path_ + ".edit").c_str(), path_.c_str()) == 0;
    });
    ASSERT_GE(editor, 0);
    ASSERT_EQ(Wait(editor), 0);
    EXPECT_EQ(store.DownloadMax(), 5); // 0 reads as 5
    EXPECT_EQ(store.ReadInt("DownloadMax", 5), 0u);
    EXPECT_EQ(store.UIPath(), "/srv/ui");

    // Another instance of the store in another process.
    const pid_t writer = Spawn([this] { return SettingsStore(path_).WriteInt("UploadPeerMax", 17); });
    ASSERT_GE(writer, 0);
    ASSERT_EQ(Wait(writer), 0);
    EXPECT_EQ(store.UploadPeerMax(), 17);
    EXPECT_EQ(store.UIPath(), "/srv/ui");
}

TEST_F(SettingsProcessesTest, ConcurrentWritersLoseNothing)
{
    constexpr int kWriters = 3;
    constexpr int kValues = 40;
    SettingsStore(path_).EnsureDefaults();

    // The writers wait on a pipe so that they start together.
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        children.push_back(Spawn([&, w] {
            ::close(gate[1]);
            char c;
            while (::read(gate[0], &c, 1) > 0) {
            }
            SettingsStore store(path_);
            bool ok = true;
            for (int i = 0; i < kValues; ++i) {
                const std::string name = "W" + std::to_string(w) + "_" + std::to_string(i);
                ok = ok && (i % 2 == 0 ? store.WriteInt(name, static_cast<std::uint32_t>(w * 1000 + i))
                                       : store.WriteText(name, name + std::string(100, 'x')));
                // Every read in between sees a whole file.
                ok = ok && store.Exists("Language");
            }
            return ok;
        }));
        ASSERT_GE(children.back(), 0);
    }
    ::close(gate[0]);
    // Reads from this process run while the children write.
    SettingsStore store(path_);
    ::close(gate[1]);
    int wholeReads = 0;
    for (int i = 0; i < 50; ++i) {
        wholeReads += store.Exists("Disposition") ? 1 : 0;
    }
    for (const pid_t pid : children) {
        EXPECT_EQ(Wait(pid), 0);
    }
    EXPECT_EQ(wholeReads, 50);

    std::ifstream in(path_, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_TRUE(SettingsFile::Parse(text).has_value());
    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kValues; ++i) {
            const std::string name = "W" + std::to_string(w) + "_" + std::to_string(i);
            if (i % 2 == 0) {
                EXPECT_EQ(store.ReadInt(name, 99999), static_cast<std::uint32_t>(w * 1000 + i)) << name;
            } else {
                EXPECT_EQ(store.ReadText(name, ""), name + std::string(100, 'x')) << name;
            }
        }
    }
    EXPECT_EQ(store.DownloadMax(), 5);
    EXPECT_FALSE(fs::exists(path_ + ".damaged-1"));
}

} // namespace
} // namespace zym
