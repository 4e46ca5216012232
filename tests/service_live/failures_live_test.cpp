// Failed requests against the local service, through FailureReply to the page's reply text
// and the log line. Fault rules of the service provide resets and delays.
#include "app/log.h"
#include "live_service.h"
#include "service/failure_reply.h"

#include <filesystem>
#include <sstream>
#include <unistd.h>

using namespace zym;
using namespace zymtest;

namespace {

class FailuresLive : public LiveBucketTest
{
protected:
    static void SetUpTestSuite() { CreateSuiteBucket("failures"); }

    void SetUp() override
    {
        folder_ = std::filesystem::temp_directory_path() / ("zym-live-log-" + std::to_string(::getpid()));
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
    bool Logged(const std::string& line) const { return LogText().find(line + "\r\n") != std::string::npos; }

    std::filesystem::path folder_;
    Log log_;
};

} // namespace

TEST_F(FailuresLive, ServiceErrorsBecomeCodeTenWithTheServiceWords)
{
    Put("exists", "x");
    struct Case
    {
        const char* what;
        std::function<bool(CZymRet&)> request;
        const char* code;
        const char* chinese;
    };
    const std::string missingBucket = UniqueBucket("missing");
    ServiceCall wrongSecret = LiveCall();
    wrongSecret.keys.secret = "not-the-secret";
    ServiceCall unknownId = LiveCall();
    unknownId.keys.id = "nobody";
    const Case cases[] = {
        {"no such bucket",
         [&](CZymRet& r) {
             CZymListObjectRet list;
             const bool ok = ListObjects(LiveCall(), missingBucket, list, "", "", "", "1000");
             r = list;
             return ok;
         },
         "NoSuchBucket", "Bucket不存在"},
        {"no such key",
         [&](CZymRet& r) {
             CZymCopyRet copy;
             const bool ok = CopyObject(LiveCall(), bucket_, "target", bucket_, "missing \"key\"", copy);
             r = copy;
             return ok;
         },
         "NoSuchKey", "文件不存在"},
        {"signature mismatch", [&](CZymRet& r) { return DeleteObject(wrongSecret, bucket_, "exists", r); },
         "SignatureDoesNotMatch", "签名错误"},
        {"unknown key id", [&](CZymRet& r) { return DeleteObject(unknownId, bucket_, "exists", r); },
         "InvalidAccessKeyId", "Access Key ID不存在"},
    };
    for (const auto& c : cases) {
        CZymRet reply;
        ASSERT_FALSE(c.request(reply)) << c.what;
        EXPECT_EQ(reply.Result, 0) << c.what;
        ASSERT_EQ(reply.Code, c.code) << c.what;
        ASSERT_FALSE(reply.Message.empty()) << c.what;
        EXPECT_EQ(FailureReply(reply, "Op", c.what, 2, log_),
                  std::string("{\"error\":10,\"message\":\"") + c.code + "\"}");
        EXPECT_EQ(FailureReply(reply, "Op", c.what, 1, log_),
                  std::string("{\"error\":10,\"message\":\"") + c.chinese + "\"}");
        EXPECT_TRUE(Logged("[Op][" + std::string(c.what) + "][" + c.code + "," + reply.Message + "]"))
            << LogText();
    }
    // The refused deletes changed nothing.
    EXPECT_EQ(Read(bucket_, "exists"), "x");
}

TEST_F(FailuresLive, ResetConnectionIsATransportFailure)
{
    FaultRule rule("{\"bucket\":\"" + bucket_ + "\",\"method\":\"GET\",\"reset\":true}");
    CZymListObjectRet list;
    ASSERT_FALSE(ListObjects(LiveCall(), bucket_, list, "", "", "", "1000"));
    // A reset before any reply byte: libcurl reports it as a receive failure.
    ASSERT_EQ(list.Result, CURLE_RECV_ERROR);
    EXPECT_EQ(list.Code, "");
    EXPECT_EQ(FailureReply(list, "DeleteFileError", bucket_, 2, log_),
              "{\"error\":9,\"message\":\"CURLE_RECV_ERROR\"}");
    EXPECT_EQ(FailureReply(list, "DeleteFileError", bucket_, 1, log_),
              "{\"error\":9,\"message\":\"无法接收网络数据\"}");
    EXPECT_TRUE(Logged("[DeleteFileError][" + bucket_ + "][56,CURLE_RECV_ERROR]")) << LogText();
}

TEST_F(FailuresLive, SlowReplyRunsIntoTheTimeLimit)
{
    Put("slow key", "x");
    FaultRule rule("{\"bucket\":\"" + bucket_ + "\",\"method\":\"DELETE\",\"delay_ms\":5000}");
    ServiceCall call = LiveCall();
    call.timeoutSeconds = 1;
    CZymRet reply;
    ASSERT_FALSE(DeleteObject(call, bucket_, "slow key", reply));
    ASSERT_EQ(reply.Result, CURLE_OPERATION_TIMEDOUT);
    EXPECT_EQ(FailureReply(reply, "DeleteFileError", "slow key", 2, log_),
              "{\"error\":9,\"message\":\"CURLE_OPERATION_TIMEDOUT\"}");
    EXPECT_EQ(FailureReply(reply, "DeleteFileError", "slow key", 1, log_),
              "{\"error\":9,\"message\":\"访问超时\"}");
    EXPECT_TRUE(Logged("[DeleteFileError][slow key][28,CURLE_OPERATION_TIMEDOUT]")) << LogText();
}

TEST_F(FailuresLive, InjectedErrorStatusCarriesItsCode)
{
    FaultRule rule(
        "{\"bucket\":\"" + bucket_ +
        "\",\"method\":\"POST\",\"status\":503,\"code\":\"SlowDown\",\"message\":\"Reduce your rate\"}");
    CZymInitiateMultipartUploadRet init;
    ASSERT_FALSE(InitiateMultipartUpload(LiveCall(), bucket_, "k", init));
    EXPECT_EQ(init.Code, "SlowDown");
    EXPECT_EQ(init.UploadId, "");
    EXPECT_EQ(FailureReply(init, "CopyBigFileError", "k", 1, log_),
              "{\"error\":10,\"message\":\"SlowDown\"}");
    EXPECT_TRUE(Logged("[CopyBigFileError][k][SlowDown,Reduce your rate]")) << LogText();
}

TEST_F(FailuresLive, UploadCallbackReachesTheRecorder)
{
    const std::string name = UniqueBucket("cb");
    ASSERT_TRUE(NotifyUploadCallback(LiveEndpoint() + "/_callback/" + name, bucket_, "a b/é+\"q\".txt"));
    JsonPtr records = Control("GET", "/_control/callbacks?name=" + name);
    ASSERT_TRUE(records);
    const cJSON* list = cJSON_IsArray(records.get())
                            ? records.get()
                            : cJSON_GetObjectItemCaseSensitive(records.get(), "callbacks");
    ASSERT_TRUE(cJSON_IsArray(list)) << cJSON_PrintUnformatted(records.get());
    ASSERT_EQ(cJSON_GetArraySize(list), 1);
    const cJSON* record = cJSON_GetArrayItem(list, 0);
    EXPECT_STREQ(cJSON_GetObjectItemCaseSensitive(record, "method")->valuestring, "PUT");
    EXPECT_EQ(std::string(cJSON_GetObjectItemCaseSensitive(record, "body")->valuestring),
              "bucket=" + bucket_ + "&object=a+b%2F%C3%A9%2B%22q%22.txt");

    // A callback address that answers an error status is a failure.
    FaultRule rule("{\"path\":\"/_callback/" + name + "-bad\",\"status\":500}");
    EXPECT_FALSE(NotifyUploadCallback(LiveEndpoint() + "/_callback/" + name + "-bad", bucket_, "k"));
}
