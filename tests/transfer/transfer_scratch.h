#pragma once
// A fresh folder per test under the temporary folder, removed afterwards.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace zym::testing {

class TransferScratch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "-" + info->name();
        for (char& c : name) {
            c = c == '/' ? '_' : c;
        }
        root_ = std::filesystem::temp_directory_path() /
                ("zym-transfer-" + std::to_string(::getpid()) + "-" + name);
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
    }
    void TearDown() override { std::filesystem::remove_all(root_); }

    std::string Path(const std::string& name) const { return (root_ / name).string(); }

public:
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
    static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

protected:
    std::filesystem::path root_;
};

} // namespace zym::testing
