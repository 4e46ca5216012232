// The transport against a real HTTP server on 127.0.0.1.
#include "loopback_http_server.h"
#include "service/download_to_file.h"
#include "service/error_text.h"
#include "service/http_transport.h"
#include "service/proxy.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <thread>

using namespace zym;
using zymtest::HttpAnswer;
using zymtest::LoopbackHttpServer;
using zymtest::ReceivedRequest;

namespace {

LoopbackHttpServer::Answer Reply(std::string raw)
{
    return {std::move(raw), false};
}

} // namespace

TEST(PerformRequest, SendsMethodHeadersAndBodyAndCollectsTheReply)
{
    LoopbackHttpServer server([](const ReceivedRequest&) {
        return Reply(HttpAnswer(204, "No Content", "", "x-zym-request-id: r1\r\n"));
    });
    struct Case
    {
        const char* method;
        std::string body;
    };
    const Case cases[] = {
        {"GET", ""}, {"DELETE", ""}, {"POST", "<Delete>é</Delete>"}, {"PUT", std::string(70000, 'b')}};
    for (const auto& c : cases) {
        curl_delegate curl;
        HttpRequest request{
            server.Url("/k?uploads"), c.method, c.body, {{"Date", "d1"}, {"Authorization", "ZYM a:b"}}};
        HttpResponse response;
        ASSERT_TRUE(PerformRequest(curl, request, response)) << c.method;
        EXPECT_EQ(response.result, 0);
        EXPECT_EQ(StatusFromHeaders(response.headers), 204);
        EXPECT_NE(response.headers.find("x-zym-request-id: r1\r\n"), std::string::npos);

        const ReceivedRequest got = server.Requests().back();
        EXPECT_TRUE(got.head.starts_with(std::string(c.method) + " /k?uploads HTTP/1.1")) << got.head;
        EXPECT_EQ(got.body, c.body);
        // Caller's headers in the caller's order; never an Expect header.
        const size_t date = got.head.find("\r\nDate: d1");
        const size_t auth = got.head.find("\r\nAuthorization: ZYM a:b");
        ASSERT_NE(date, std::string::npos);
        ASSERT_NE(auth, std::string::npos);
        EXPECT_LT(date, auth);
        EXPECT_EQ(got.head.find("Expect"), std::string::npos);
        // An empty body sends no body and announces none.
        EXPECT_EQ(got.head.find("Content-Length") != std::string::npos, !c.body.empty()) << c.method;
    }
}

TEST(PerformRequest, ShortBodyCountsAsCompletedAndFailuresCarryTheirResult)
{
    struct Case
    {
        LoopbackHttpServer::Answer answer;
        long timeout;
        bool completed;
        int result;
    };
    const Case cases[] = {
        // Announces 100 bytes, sends 5 and closes: libcurl's partial-file result, accepted.
        {{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nshort", false}, 0, true, CURLE_PARTIAL_FILE},
        // Connection closed without a byte of answer.
        {{"", false}, 0, false, CURLE_GOT_NOTHING},
        // No answer within the request's limit.
        {{"", true}, 1, false, CURLE_OPERATION_TIMEDOUT},
    };
    for (const auto& c : cases) {
        LoopbackHttpServer server([&](const ReceivedRequest&) { return c.answer; });
        curl_delegate curl;
        HttpRequest request{server.Url(), "GET", "", {}};
        request.timeoutSeconds = c.timeout;
        HttpResponse response;
        EXPECT_EQ(PerformRequest(curl, request, response), c.completed);
        EXPECT_EQ(response.result, c.result);
    }
}

TEST(PerformRequest, DroppedBodyStillGivesTheStatus)
{
    const std::string payload(1 << 20, 'p');
    LoopbackHttpServer server([&](const ReceivedRequest&) { return Reply(HttpAnswer(200, "OK", payload)); });
    curl_delegate curl;
    HttpRequest request{server.Url("/big"), "GET", "", {}};
    request.keepBody = false;
    HttpResponse response;
    ASSERT_TRUE(PerformRequest(curl, request, response));
    EXPECT_EQ(response.body, "");
    EXPECT_EQ(StatusFromHeaders(response.headers), 200);
    request.keepBody = true;
    ASSERT_TRUE(PerformRequest(curl, request, response));
    EXPECT_EQ(response.body.size(), payload.size());
}

TEST(PerformRequest, StatusLineWithoutReasonPhraseReadsAsItsStatus)
{
    LoopbackHttpServer server([](const ReceivedRequest&) { return Reply(HttpAnswer(200, "", "<x/>")); });
    curl_delegate curl;
    HttpResponse response;
    ASSERT_TRUE(PerformRequest(curl, {server.Url(), "GET", "", {}}, response));
    EXPECT_EQ(response.body, "<x/>");
    EXPECT_EQ(StatusFromHeaders(response.headers), 200);
    EXPECT_TRUE(IsSuccessStatus(StatusFromHeaders(response.headers)));
}

TEST(PerformRequest, HeaderWithLineBreakOrNulIsRefusedBeforeAnythingIsSent)
{
    LoopbackHttpServer server([](const ReceivedRequest&) { return Reply(HttpAnswer(200, "OK", "")); });
    const HeaderList cases[] = {
        // A copy source naming a key with a line break would smuggle a header of its own.
        {{"x-zym-copy-source", "/b/a\r\nx-zym-acl: public-read"}},
        {{"x-zym-copy-source", "/b/a\nb"}},
        {{"x-zym-meta", "a\rb"}},
        {{"x-zym-meta", std::string("a\0b", 3)}},
        {{"Date", "d1"}, {"x\r\ny", "v"}},
    };
    for (const auto& headers : cases) {
        curl_delegate curl;
        HttpResponse response;
        EXPECT_FALSE(PerformRequest(curl, {server.Url("/k"), "PUT", "", headers}, response));
        EXPECT_EQ(response.result, CURLE_BAD_FUNCTION_ARGUMENT);
        EXPECT_FALSE(PerformLongRequest(curl, {server.Url("/k"), "PUT", "", headers}, response));
        EXPECT_EQ(response.result, CURLE_BAD_FUNCTION_ARGUMENT);
    }
    // Nothing reached the listener; a clean request afterwards does.
    EXPECT_TRUE(server.Requests().empty());
    curl_delegate curl;
    HttpResponse response;
    ASSERT_TRUE(PerformRequest(curl, {server.Url("/k"), "PUT", "", {{"x-zym-meta", "a b\tc"}}}, response));
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(TransferErrorText(2, CURLE_BAD_FUNCTION_ARGUMENT), "CURLE_BAD_FUNCTION_ARGUMENT");
}

TEST(FetchText, FollowsRedirectsAndReportsTheFinalStatus)
{
    LoopbackHttpServer server([](const ReceivedRequest& r) {
        if (r.head.starts_with("GET /old ")) {
            return Reply(HttpAnswer(302, "Found", "", "Location: /new\r\n"));
        }
        if (r.head.starts_with("GET /new ")) {
            return Reply(HttpAnswer(200, "OK", "{\"version\":\"1.2\"}"));
        }
        return Reply(HttpAnswer(404, "Not Found", "missing"));
    });
    int status = 0;
    std::string body;
    ASSERT_TRUE(FetchText(server.Url("/old"), status, body));
    EXPECT_EQ(status, 200);
    EXPECT_EQ(body, "{\"version\":\"1.2\"}");

    ASSERT_TRUE(FetchText(server.Url("/else"), status, body));
    EXPECT_EQ(status, 404);
    EXPECT_EQ(body, "missing");
}

// The update check runs on the operation pool; the program's stop cancels it instead of waiting
// up to the 60-second limit on a server that accepted the connection and went silent.
TEST(FetchText, StopsWhileTheServerIsSilent)
{
    LoopbackHttpServer server([](const ReceivedRequest&) { return LoopbackHttpServer::Answer{"", true}; });
    CancelToken cancel;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancel.Cancel();
    });
    int status = 0;
    std::string body;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(FetchText(server.Url("/silent"), status, body, &cancel));
    stopper.join();
    EXPECT_EQ(status, -1);
    // Without the token it runs into the 60-second limit; generous bound.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

namespace {

struct FileCloser
{
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

class CountingProgress : public DownloadProgress
{
public:
    void OnBlockWritten(std::int64_t bytes) override { total += bytes; }
    std::int64_t total = 0;
};

class CancellingProgress : public DownloadProgress
{
public:
    explicit CancellingProgress(std::atomic<bool>& flag) : flag_(flag) {}
    void OnBlockWritten(std::int64_t) override { flag_ = true; }

private:
    std::atomic<bool>& flag_;
};

std::string ReadBack(std::FILE* f)
{
    std::rewind(f);
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        text.append(buffer, n);
    }
    return text;
}

} // namespace

TEST(DownloadToFile, WritesEveryByteAndReportsEachBlock)
{
    std::string payload;
    for (int i = 0; i < 300000; ++i) {
        payload.push_back(static_cast<char>('a' + i % 26));
    }
    LoopbackHttpServer server([&](const ReceivedRequest& r) {
        if (r.head.find("\r\nUser-Agent: ZYMClient/9\r\n") == std::string::npos) {
            return Reply(HttpAnswer(400, "Bad Request", "no agent"));
        }
        return Reply(HttpAnswer(200, "OK", payload));
    });
    File file(std::tmpfile());
    CountingProgress progress;
    std::atomic<bool> cancel{false};
    ASSERT_TRUE(DownloadToFile(server.Url("/setup.bin"), "ZYMClient/9", file.get(), &progress, &cancel));
    EXPECT_EQ(progress.total, static_cast<std::int64_t>(payload.size()));
    EXPECT_EQ(ReadBack(file.get()), payload);
}

TEST(DownloadToFile, CancellationAndErrorStatusesFail)
{
    const std::string payload(2'000'000, 'z');
    LoopbackHttpServer server([&](const ReceivedRequest& r) {
        if (r.head.starts_with("GET /gone ")) {
            return Reply(HttpAnswer(404, "Not Found", "<Error/>"));
        }
        return Reply(HttpAnswer(200, "OK", payload));
    });
    {
        File file(std::tmpfile());
        std::atomic<bool> cancel{false};
        CancellingProgress progress(cancel); // asks to stop after the first block
        EXPECT_FALSE(DownloadToFile(server.Url("/big"), "ua", file.get(), &progress, &cancel));
        EXPECT_LT(ReadBack(file.get()).size(), payload.size());
    }
    {
        File file(std::tmpfile());
        EXPECT_FALSE(DownloadToFile(server.Url("/gone"), "ua", file.get(), nullptr, nullptr));
        EXPECT_EQ(ReadBack(file.get()), "");
    }
}

TEST(Proxy, DetectReadsTheEnvironmentLowerCaseFirst)
{
    struct Case
    {
        std::map<std::string, std::string> env;
        bool enabled;
        std::string http, https, noProxy;
    };
    const Case cases[] = {
        {{}, false, "", "", ""},
        {{{"http_proxy", "p1:8080"}, {"HTTPS_PROXY", "p2:8443"}}, true, "p1:8080", "p2:8443", ""},
        {{{"HTTP_PROXY", "up:1"}, {"http_proxy", "low:2"}}, true, "low:2", "", ""},
        {{{"all_proxy", "socks5://p3:1080"}, {"https_proxy", "p4:1"}}, true, "socks5://p3:1080", "p4:1", ""},
        {{{"ALL_PROXY", "p5:3"}, {"no_proxy", "localhost,.local"}}, true, "p5:3", "p5:3", "localhost,.local"},
        {{{"no_proxy", "x"}}, false, "", "", "x"},
    };
    for (const auto& c : cases) {
        const ProxySettings s = DetectProxy([&](const char* name) -> const char* {
            auto it = c.env.find(name);
            return it == c.env.end() ? nullptr : it->second.c_str();
        });
        EXPECT_EQ(s.enabled, c.enabled);
        EXPECT_EQ(s.host, c.http);
        EXPECT_EQ(s.httpsHost, c.https);
        EXPECT_EQ(s.noProxy, c.noProxy);
    }
}

TEST(Proxy, RequestsGoThroughTheProcessProxyOnlyWhenItIsSet)
{
    LoopbackHttpServer server([](const ReceivedRequest&) { return Reply(HttpAnswer(200, "OK", "via")); });
    const std::string proxyText = "127.0.0.1:" + std::to_string(server.port());
    // libcurl would read this by itself; a switched-off proxy must stay off.
    ::setenv("http_proxy", proxyText.c_str(), 1);
    ConfigureProcessProxy(false);
    {
        curl_delegate curl;
        HttpResponse response;
        ASSERT_TRUE(PerformRequest(curl, {server.Url("/direct"), "GET", "", {}}, response));
        EXPECT_TRUE(server.Requests().back().head.starts_with("GET /direct HTTP/1.1"));
    }
    // With the setting on, the same variable is the proxy.
    ConfigureProcessProxy(true);
    ::unsetenv("http_proxy");
    {
        curl_delegate curl;
        HttpResponse response;
        ASSERT_TRUE(PerformRequest(curl, {"http://from-env.zym.invalid/x", "GET", "", {}}, response));
        EXPECT_TRUE(server.Requests().back().head.starts_with("GET http://from-env.zym.invalid/x HTTP/1.1"));
    }

    ProxySettings proxy;
    proxy.enabled = true;
    proxy.host = proxyText;
    SetProcessProxy(proxy);
    {
        // The name never resolves: only the proxy on loopback is ever contacted.
        curl_delegate curl;
        HttpResponse response;
        ASSERT_TRUE(PerformRequest(curl, {"http://bucket.loc.zym.invalid/a+b", "GET", "", {}}, response));
        EXPECT_EQ(response.body, "via");
        EXPECT_TRUE(
            server.Requests().back().head.starts_with("GET http://bucket.loc.zym.invalid/a+b HTTP/1.1"));
    }
    proxy.noProxy = "127.0.0.1";
    SetProcessProxy(proxy);
    {
        curl_delegate curl;
        HttpResponse response;
        ASSERT_TRUE(PerformRequest(curl, {server.Url("/near"), "GET", "", {}}, response));
        EXPECT_TRUE(server.Requests().back().head.starts_with("GET /near HTTP/1.1"));
    }
    SetProcessProxy({});
}

// A stop reaches a download whose server has gone silent: no block arrives to notice it.
TEST(DownloadToFile, StopsWhileTheServerIsSilent)
{
    LoopbackHttpServer server([](const ReceivedRequest&) { return LoopbackHttpServer::Answer{"", true}; });
    File file(std::tmpfile());
    std::atomic<bool> cancel{false};
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancel = true;
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(DownloadToFile(server.Url("/silent"), "ua", file.get(), nullptr, &cancel));
    stopper.join();
    // Without the check it would wait forever (no overall limit); generous bound.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}
