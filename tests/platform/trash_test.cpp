#include "platform/trash.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <unistd.h>

namespace zym {
namespace {

namespace fs = std::filesystem;

class TrashTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path() / ("zym-trash-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "work dir");
        ::setenv("XDG_DATA_HOME", (root_ / "xdg").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(root_); }

    fs::path Make(const std::string& name, const std::string& data)
    {
        const fs::path p = root_ / "work dir" / name;
        std::ofstream(p, std::ios::binary) << data;
        return p;
    }
    static std::string Read(const fs::path& p)
    {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path root_;
};

TEST_F(TrashTest, MovesFileAndWritesInfoRecord)
{
    const fs::path file = Make("q%1.db", "payload");
    EXPECT_EQ(HomeTrashFolder(), (root_ / "xdg" / "Trash").string());
    ASSERT_TRUE(MoveToTrash(file.string()));
    EXPECT_FALSE(fs::exists(file));
    const fs::path trash = root_ / "xdg" / "Trash";
    EXPECT_EQ(Read(trash / "files" / "q%1.db"), "payload");
    const std::string info = Read(trash / "info" / "q%1.db.trashinfo");
    const std::string escaped = (root_ / "work%20dir" / "q%251.db").string();
    EXPECT_TRUE(std::regex_match(
        info, std::regex("\\[Trash Info\\]\nPath=" +
                         std::regex_replace(escaped, std::regex("[.^$|()\\[\\]{}*+?\\\\]"), "\\$&") +
                         "\nDeletionDate=\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n")))
        << info;
}

TEST_F(TrashTest, SameNameTwiceGetsSuffix)
{
    ASSERT_TRUE(MoveToTrash(Make("a.db", "first").string()));
    ASSERT_TRUE(MoveToTrash(Make("a.db", "second").string()));
    const fs::path trash = root_ / "xdg" / "Trash";
    EXPECT_EQ(Read(trash / "files" / "a.db"), "first");
    EXPECT_EQ(Read(trash / "files" / "a.db.2"), "second");
    EXPECT_TRUE(fs::exists(trash / "info" / "a.db.2.trashinfo"));
}

TEST_F(TrashTest, MissingFileIsRefused)
{
    EXPECT_FALSE(MoveToTrash((root_ / "work dir" / "none").string()));
    EXPECT_FALSE(fs::exists(root_ / "xdg" / "Trash" / "info" / "none.trashinfo"));
}

} // namespace
} // namespace zym
