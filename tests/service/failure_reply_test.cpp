#include "app/log.h"
#include "service/failure_reply.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

using namespace zym;

namespace {

class FailureReplyTest : public testing::Test
{
protected:
    void SetUp() override
    {
        folder_ = std::filesystem::temp_directory_path() / ("zym-failure-" + std::to_string(::getpid()));
        std::filesystem::remove_all(folder_);
        ASSERT_TRUE(log_.OpenLog(folder_.string()));
    }
    void TearDown() override { std::filesystem::remove_all(folder_); }

    std::string LogText() const
    {
        std::ifstream in(log_.FilePath(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::filesystem::path folder_;
    Log log_{[] {
        return std::time_t{1765400000};
    }};
};

} // namespace

TEST_F(FailureReplyTest, TransportFailureGivesCodeNineAndItsLine)
{
    CZymRet reply;
    reply.Result = 28;
    reply.Code = "ignored";
    EXPECT_EQ(FailureReply(reply, "DeleteFileError", "a.txt", 2, log_),
              "{\"error\":9,\"message\":\"CURLE_OPERATION_TIMEDOUT\"}");
    EXPECT_EQ(FailureReply(reply, "op", "", 1, log_), "{\"error\":9,\"message\":\"访问超时\"}");
    reply.Result = 17;
    EXPECT_EQ(FailureReply(reply, "op", "", 2, log_), "{\"error\":9,\"message\":\"curl error:[17]\"}");
    const std::string text = LogText();
    EXPECT_NE(text.find("[DeleteFileError][a.txt][28,CURLE_OPERATION_TIMEDOUT]\r\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("[op][][28,访问超时]\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[op][][17,curl error:[17]]\r\n"), std::string::npos) << text;
    EXPECT_EQ(log_.GetErrorLog(), "{\"list\":[]}"); // not kept for the page
}

TEST_F(FailureReplyTest, ServiceFailureShowsTheCodeAndLogsTheServiceWords)
{
    CZymRet reply;
    reply.Code = "NoSuchKey";
    reply.Message = "The specified key does not exist.";
    EXPECT_EQ(FailureReply(reply, "CopyFileError", "b/k", 2, log_),
              "{\"error\":10,\"message\":\"NoSuchKey\"}");
    EXPECT_EQ(FailureReply(reply, "CopyFileError", "b/k", 1, log_),
              "{\"error\":10,\"message\":\"文件不存在\"}");
    // Texts with quotes are escaped in the reply (the page must be able to parse it).
    reply.Code = "Odd\"Code\\";
    EXPECT_EQ(FailureReply(reply, "x", "", 2, log_), "{\"error\":10,\"message\":\"Odd\\\"Code\\\\\"}");
    // No error document at all.
    EXPECT_EQ(FailureReply(CZymRet{}, "x", "y", 2, log_), "{\"error\":10,\"message\":\"\"}");
    const std::string text = LogText();
    EXPECT_NE(text.find("[CopyFileError][b/k][NoSuchKey,The specified key does not exist.]\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("[x][y][,]\r\n"), std::string::npos);
}
