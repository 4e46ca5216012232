// What each service operation puts on the wire: method, address, header order, signature.
// A loopback server answers; the test recomputes each signature from what it received.
#include "loopback_http_server.h"
#include "service/content_type.h"
#include "service/service_operations.h"
#include "service/signer.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using namespace zym;
using zymtest::HttpAnswer;
using zymtest::LoopbackHttpServer;
using zymtest::ReceivedRequest;

namespace {

struct Wire
{
    std::string requestLine;
    HeaderList headers; // in the order received
    std::string body;

    std::string Header(const std::string& name) const
    {
        for (const auto& [n, v] : headers) {
            if (n == name) {
                return v;
            }
        }
        return "<missing>";
    }
    // Names of the headers the operation chose (libcurl's own Host, Accept, ... left out).
    std::vector<std::string> ChosenNames() const
    {
        std::vector<std::string> names;
        for (const auto& [n, v] : headers) {
            if (n != "Host" && n != "Accept" && n != "User-Agent" && !(n == "Content-Length" && v != "0") &&
                !(n == "Content-Type" && v == "application/x-www-form-urlencoded")) {
                names.push_back(n);
            }
        }
        return names;
    }
};

Wire Split(const ReceivedRequest& r)
{
    Wire wire;
    size_t at = r.head.find("\r\n");
    wire.requestLine = r.head.substr(0, at);
    while (at != std::string::npos) {
        const size_t next = r.head.find("\r\n", at + 2);
        const std::string line =
            r.head.substr(at + 2, next == std::string::npos ? std::string::npos : next - at - 2);
        const size_t colon = line.find(": ");
        if (colon != std::string::npos) {
            wire.headers.emplace_back(line.substr(0, colon), line.substr(colon + 2));
        }
        at = next;
    }
    wire.body = r.body;
    return wire;
}

class ServiceRequestsTest : public testing::Test
{
protected:
    ServiceRequestsTest()
        : server_([this](const ReceivedRequest&) {
              return LoopbackHttpServer::Answer{answer_, false};
          })
    {
        call_.keys = {"id-1", "secret-1"};
        call_.host = "loc.localhost:" + std::to_string(server_.port());
    }

    Wire Last() { return Split(server_.Requests().back()); }

    // The Authorization the service would expect for this wire request.
    std::string ExpectedAuth(const Wire& wire, const std::string& verb, const std::string& md5,
                             const std::string& type, const std::string& resource,
                             std::vector<CanonicalHeader> zym = {})
    {
        SigningInput input{verb, md5, type, wire.Header("Date"), resource, std::move(zym)};
        return BuildAuthorization(input, call_.keys);
    }

    std::string answer_ = HttpAnswer(200, "OK", "");
    LoopbackHttpServer server_;
    ServiceCall call_;
};

} // namespace

TEST_F(ServiceRequestsTest, BucketLevelRequests)
{
    CZymRet reply;
    ASSERT_TRUE(DeleteBucket(call_, "bkt", reply));
    Wire w = Last();
    EXPECT_EQ(w.requestLine, "DELETE / HTTP/1.1");
    EXPECT_EQ(w.Header("Host"), "bkt." + call_.host);
    EXPECT_EQ(w.ChosenNames(), (std::vector<std::string>{"Authorization", "Date"}));
    EXPECT_EQ(w.Header("Authorization"), ExpectedAuth(w, "DELETE", "", "", "/bkt/"));
    EXPECT_TRUE(w.Header("Authorization").starts_with("ZYM id-1:"));

    struct Case
    {
        std::string prefix, marker, delimiter, maxKeys, query;
    };
    const Case cases[] = {
        {"", "m1", "", "", "?marker=m1"},
        {"a b/", "", "/", "1000", "?prefix=a+b%2F&delimiter=%2F&max-keys=1000"},
        {"p", "é+%", "/", "1000", "?prefix=p&marker=%C3%A9%2B%25&delimiter=%2F&max-keys=1000"},
        {"", "", "", "", ""},
    };
    for (const auto& c : cases) {
        CZymListObjectRet list;
        ASSERT_TRUE(ListObjects(call_, "bkt", list, c.prefix, c.marker, c.delimiter, c.maxKeys));
        w = Last();
        EXPECT_EQ(w.requestLine, "GET /" + c.query + " HTTP/1.1");
        EXPECT_EQ(w.Header("Authorization"), ExpectedAuth(w, "GET", "", "", "/bkt/"));
    }

    CZymListMultipartUploadRet uploads;
    ASSERT_TRUE(ListMultipartUploads(call_, "bkt", uploads));
    w = Last();
    EXPECT_EQ(w.requestLine, "GET /?uploads HTTP/1.1");
    EXPECT_EQ(w.Header("Authorization"), ExpectedAuth(w, "GET", "", "", "/bkt/?uploads"));
}

TEST_F(ServiceRequestsTest, MultiDeleteSendsTheDocumentWithItsDigest)
{
    CZymRet reply;
    ASSERT_TRUE(DeleteObjects(call_, "bkt", {"a b", "c"}, true, reply));
    const Wire w = Last();
    EXPECT_EQ(w.requestLine, "POST /?delete HTTP/1.1");
    EXPECT_EQ(w.body, DeleteDocument({"a b", "c"}, true));
    EXPECT_EQ(w.Header("Content-MD5"), ContentMd5(w.body));
    EXPECT_EQ(w.Header("Content-Type"), "application/xml");
    EXPECT_EQ(w.ChosenNames(),
              (std::vector<std::string>{"Content-MD5", "Content-Type", "Date", "Authorization"}));
    EXPECT_EQ(w.Header("Authorization"),
              ExpectedAuth(w, "POST", ContentMd5(w.body), "application/xml", "/bkt/?delete"));
}

TEST_F(ServiceRequestsTest, ObjectRequestsEncodeTheKeyInTheAddressOnly)
{
    const std::string key = "dir/x y+%\"é.txt";
    const std::string encoded = "dir%2Fx+y%2B%25%22%C3%A9.txt";
    CZymRet reply;
    ASSERT_TRUE(DeleteObject(call_, "bkt", key, reply));
    Wire w = Last();
    EXPECT_EQ(w.requestLine, "DELETE /" + encoded + " HTTP/1.1");
    EXPECT_EQ(w.ChosenNames(), (std::vector<std::string>{"Date", "Authorization"}));
    EXPECT_EQ(w.Header("Authorization"), ExpectedAuth(w, "DELETE", "", "", "/bkt/" + key));

    ASSERT_TRUE(GetObject(call_, "bkt", key));
    w = Last();
    EXPECT_EQ(w.requestLine, "GET /" + encoded + " HTTP/1.1");
    EXPECT_EQ(w.ChosenNames(), (std::vector<std::string>{"Authorization", "Date"}));

    CZymCopyRet copy;
    ASSERT_TRUE(CopyObject(call_, "dst", "x y.txt", "src", key, copy));
    w = Last();
    EXPECT_EQ(w.requestLine, "PUT /x+y.txt HTTP/1.1");
    EXPECT_EQ(w.Header("Host"), "dst." + call_.host);
    EXPECT_EQ(w.Header("x-zym-copy-source"), "/src/" + key);
    EXPECT_EQ(w.ChosenNames(), (std::vector<std::string>{"x-zym-copy-source", "Authorization", "Date"}));
    EXPECT_EQ(w.Header("Authorization"),
              ExpectedAuth(w, "PUT", "", "", "/dst/x y.txt", {{"x-zym-copy-source", "/src/" + key}}));
}

TEST_F(ServiceRequestsTest, HeaderReplacementSignsOnlyAnExactContentType)
{
    struct Case
    {
        HeaderList headers;
        std::string signedType;
    };
    const Case cases[] = {
        {{{"Cache-Control", "no-cache"}, {"Content-Type", "text/plain"}, {"Content-Type", "text/html"}},
         "text/plain"},
        {{{"content-type", "text/plain"}}, ""},
        {{}, ""},
    };
    for (const auto& c : cases) {
        CZymCopyRet reply;
        ASSERT_TRUE(ReplaceObjectHeaders(call_, "bkt", "k 1", reply, c.headers));
        const Wire w = Last();
        EXPECT_EQ(w.requestLine, "PUT /k+1 HTTP/1.1");
        std::vector<std::string> names = {"x-zym-copy-source", "Authorization", "Date"};
        for (const auto& h : c.headers) {
            names.push_back(h.first);
        }
        EXPECT_EQ(w.ChosenNames(), names);
        EXPECT_EQ(w.Header("Authorization"),
                  ExpectedAuth(w, "PUT", "", c.signedType, "/bkt/k 1", {{"x-zym-copy-source", "/bkt/k 1"}}));
    }
}

TEST_F(ServiceRequestsTest, MultipartRequests)
{
    CZymInitiateMultipartUploadRet init;
    ASSERT_TRUE(InitiateMultipartUpload(call_, "bkt", "v.mp4", init));
    Wire w = Last();
    EXPECT_EQ(w.requestLine, "POST /v.mp4?uploads HTTP/1.1");
    EXPECT_EQ(w.Header("Authorization"), ExpectedAuth(w, "POST", "", "", "/bkt/v.mp4?uploads"));

    CZymCopyRet part;
    ASSERT_TRUE(
        UploadPartCopy(call_, "bkt", "v.mp4", "src", "a b.mp4", "U+1/=", 3, 10485760, 10485760, part));
    w = Last();
    EXPECT_EQ(w.requestLine, "PUT /v.mp4?partNumber=3&uploadId=U%2B1%2F%3D HTTP/1.1");
    EXPECT_EQ(w.Header("x-zym-copy-source-range"), "10485760-20971519");
    EXPECT_EQ(w.Header("Content-Length"), "0");
    EXPECT_EQ(w.Header("Content-Type"), ContentTypeOf("v.mp4"));
    EXPECT_EQ(w.Header("Content-Disposition"), DispositionOf("v.mp4"));
    EXPECT_EQ(w.ChosenNames(),
              (std::vector<std::string>{"x-zym-copy-source", "x-zym-copy-source-range", "Content-Disposition",
                                        "Content-Type", "Content-Length", "Date", "Authorization"}));
    EXPECT_EQ(w.Header("Authorization"),
              ExpectedAuth(
                  w, "PUT", "", ContentTypeOf("v.mp4"), "/bkt/v.mp4?partNumber=3&uploadId=U+1/=",
                  {{"x-zym-copy-source", "/src/a b.mp4"}, {"x-zym-copy-source-range", "10485760-20971519"}}));

    CZymRet reply;
    ASSERT_TRUE(CompleteMultipartUpload(call_, "bkt", "v.mp4", "U1", reply, {{2, "\"e2\""}, {1, "\"e1\""}}));
    w = Last();
    EXPECT_EQ(w.requestLine, "POST /v.mp4?uploadId=U1 HTTP/1.1");
    EXPECT_EQ(w.body, CompleteMultipartUploadDocument({{1, "\"e1\""}, {2, "\"e2\""}}));
    EXPECT_EQ(w.ChosenNames(),
              (std::vector<std::string>{"Content-MD5", "Content-Type", "Date", "Authorization"}));
    EXPECT_EQ(w.Header("Authorization"),
              ExpectedAuth(w, "POST", ContentMd5(w.body), "application/xml", "/bkt/v.mp4?uploadId=U1"));

    ASSERT_TRUE(AbortMultipartUpload(call_, "bkt", "v.mp4", "U1", reply));
    w = Last();
    EXPECT_EQ(w.requestLine, "DELETE /v.mp4?uploadId=U1 HTTP/1.1");
    EXPECT_EQ(w.Header("Authorization"), ExpectedAuth(w, "DELETE", "", "", "/bkt/v.mp4?uploadId=U1"));
}

TEST_F(ServiceRequestsTest, StatusAndBodyDecideTheResult)
{
    answer_ = HttpAnswer(404, "Not Found", "<Error><Code>NoSuchBucket</Code><Message>gone</Message></Error>");
    CZymListObjectRet list;
    EXPECT_FALSE(ListObjects(call_, "bkt", list, "", "", "", "1000"));
    EXPECT_EQ(list.Result, 0);
    EXPECT_EQ(list.Code, "NoSuchBucket");
    EXPECT_EQ(list.Message, "gone");

    answer_ = HttpAnswer(200, "OK", "not xml at all");
    CZymRet reply;
    EXPECT_TRUE(DeleteBucket(call_, "bkt", reply));
    EXPECT_EQ(reply.Code, "");

    answer_ = HttpAnswer(500, "Internal Server Error", "");
    EXPECT_FALSE(DeleteBucket(call_, "bkt", reply));
    EXPECT_EQ(reply.Result, 0);

    // An unreachable host: only the transport result is set.
    CZymRet unreachable;
    ServiceCall nowhere = call_;
    nowhere.host = "loc.localhost:1";
    EXPECT_FALSE(DeleteBucket(nowhere, "bkt", unreachable));
    EXPECT_EQ(unreachable.Result, CURLE_COULDNT_CONNECT);
}

TEST_F(ServiceRequestsTest, UploadCallbackIsAnUnsignedFormPut)
{
    EXPECT_TRUE(
        NotifyUploadCallback("localhost:" + std::to_string(server_.port()) + "/cb?x=1", "b 1", "a/é+.txt"));
    const Wire w = Last();
    EXPECT_EQ(w.requestLine, "PUT /cb?x=1 HTTP/1.1");
    EXPECT_EQ(w.body, "bucket=b+1&object=a%2F%C3%A9%2B.txt");
    EXPECT_EQ(w.Header("Authorization"), "<missing>");
    EXPECT_EQ(w.Header("Date"), "<missing>");
    answer_ = HttpAnswer(404, "Not Found", "");
    EXPECT_FALSE(NotifyUploadCallback(server_.Url("/cb"), "b", "k"));
}

// The callback runs on the finished upload's task; a stop or the shutdown cancels the task's token
// and must not wait for the 60-second limit of an address that accepted and went silent.
TEST(UploadCallback, StopsWhileTheAddressIsSilent)
{
    LoopbackHttpServer silent([](const ReceivedRequest&) { return LoopbackHttpServer::Answer{"", true}; });
    auto cancel = std::make_shared<CancelToken>();
    std::thread stopper([cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancel->Cancel();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(NotifyUploadCallback(silent.Url("/cb"), "b", "k", 0, cancel));
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}
