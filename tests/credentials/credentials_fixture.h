#pragma once
// A temporary folder, the shipped English language document and a log of its own, shared by the
// credentials tests.
#include "app/language_document.h"
#include "app/log.h"
#include "service/error_text.h"
#include "test_paths.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <unistd.h>

namespace zym {

class CredentialsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/zym-creds-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ASSERT_TRUE(language_.Load(zymtest::SourceDir() + "/language/default-en.xml"));
        ASSERT_TRUE(log_.OpenLog(dir_ + "/log"));
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    static std::string ReadAll(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void WriteFile(const std::string& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
    std::string LogText() const { return ReadAll(log_.FilePath()) + log_.GetErrorLog(); }
    std::string Reply(int code, const char* word) const
    {
        return "{\"error\":" + std::to_string(code) + ",\"message\":\"" + language_.String("prompt", word) +
               "\"}";
    }

    std::string dir_;
    LanguageDocument language_;
    Log log_{[] {
        return std::time_t(1700000000);
    }};
};

} // namespace zym
