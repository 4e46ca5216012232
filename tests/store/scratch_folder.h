#pragma once
// A fresh folder per test, removed afterwards; the desktop trash is redirected into it.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace zym::testing {

class ScratchFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = std::filesystem::temp_directory_path() /
                ("zym-store-" + std::to_string(::getpid()) + "-" + Clean(info->test_suite_name()) + "-" +
                 Clean(info->name()));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
        ::setenv("XDG_DATA_HOME", (root_ / "xdg").c_str(), 1);
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    std::string Path(const std::string& name) const { return (root_ / name).string(); }
    std::string TrashFolder() const { return (root_ / "xdg" / "Trash").string(); }

    static void WriteFile(const std::string& path, const std::string& data)
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << data;
    }
    static std::string ReadFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    static std::string Clean(std::string name)
    {
        for (char& c : name) {
            if (c == '/') {
                c = '_';
            }
        }
        return name;
    }

    std::filesystem::path root_;
};

} // namespace zym::testing
