// Where the single-instance lock and socket live: a private folder of this user only.
#include "platform/folders.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Sets an environment variable for the test's lifetime.
class EnvValue
{
public:
    EnvValue(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name)) {
            old_ = old;
            had_ = true;
        }
        value.empty() ? ::unsetenv(name) : ::setenv(name, value.c_str(), 1);
    }
    ~EnvValue() { had_ ? ::setenv(name_, old_.c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

} // namespace

TEST(RuntimeFolder, UsesOnlyAPrivateFolderOfThisUser)
{
    const fs::path base = fs::temp_directory_path() / ("zym-runtime-" + std::to_string(::getpid()));
    fs::remove_all(base);
    fs::create_directories(base / "tmp");
    const fs::path privateDir = base / "private";
    fs::create_directory(privateDir);
    fs::permissions(privateDir, fs::perms::owner_all, fs::perm_options::replace);
    const fs::path shared = base / "shared";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::all, fs::perm_options::replace); // like /tmp without the sticky bit
    const std::string own = (base / "tmp" / ("zymclient-" + std::to_string(::geteuid()))).string();

    struct Case
    {
        std::string runtime;   // XDG_RUNTIME_DIR; empty: unset
        std::string expected;  // empty: refused
        std::string plantMode; // "folder0755", "file", "link": what sits at the fallback name first
    };
    const Case cases[] = {
        {privateDir.string(), privateDir.string(), ""},
        {"", own, ""},
        {shared.string(), own, ""},             // writable by others: not used
        {"relative/run", own, ""},              // not absolute
        {(base / "missing").string(), own, ""}, // not there
        {"", "", "folder0755"},                 // the fallback is ours but open to others
        {"", "", "file"},
        {"", "", "link"}, // a link planted at the name is never followed
    };
    EnvValue tmp("TMPDIR", (base / "tmp").string());
    for (const Case& c : cases) {
        fs::remove_all(own);
        if (c.plantMode == "folder0755") {
            fs::create_directory(own);
            fs::permissions(own,
                            fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec,
                            fs::perm_options::replace);
        } else if (c.plantMode == "file") {
            std::FILE* f = std::fopen(own.c_str(), "w");
            std::fclose(f);
        } else if (c.plantMode == "link") {
            fs::create_directory_symlink(privateDir, own);
        }
        EnvValue runtime("XDG_RUNTIME_DIR", c.runtime);
        std::string why;
        EXPECT_EQ(zym::RuntimeFolder(why), c.expected) << c.runtime << " " << c.plantMode;
        // A reason is given when a folder was refused, whether or not the fallback served.
        const bool clean =
            (c.expected == c.runtime && !c.runtime.empty()) || (c.runtime.empty() && !c.expected.empty());
        EXPECT_EQ(why.empty(), clean) << why;
        if (c.expected == own) {
            struct stat st
            {
            };
            ASSERT_EQ(::lstat(own.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0700u);
        }
    }
    fs::remove_all(base);
}
