// Stopping the operation pool while its tasks wait on a service that never answers: the stop
// cancels their requests, which end aborted instead of running into their time limits.
#include "platform/task_pool.h"
#include "service/curl_delegate.h"
#include "service/http_transport.h"

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <curl/curl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Accepts connections on 127.0.0.1 and never sends a byte.
class SilentListener
{
public:
    SilentListener()
    {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(fd_, 16);
        socklen_t len = sizeof a;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] {
            for (;;) {
                const int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
                if (c < 0)
                    return; // the listener was shut down
                std::lock_guard g(lock_);
                accepted_.push_back(c);
                changed_.notify_all();
            }
        });
    }
    ~SilentListener()
    {
        ::shutdown(fd_, SHUT_RDWR);
        thread_.join();
        ::close(fd_);
        for (int c : accepted_)
            ::close(c);
    }
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/stuck"; }
    bool WaitForConnections(std::size_t n)
    {
        std::unique_lock g(lock_);
        return changed_.wait_for(g, std::chrono::seconds(30), [&] { return accepted_.size() >= n; });
    }

private:
    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<int> accepted_;
};

class StuckRequestTask : public zym::CBaseTask
{
public:
    StuckRequestTask(std::string url, std::vector<int>& results, std::mutex& lock)
        : url_(std::move(url)), results_(results), lock_(lock)
    {}
    void Run() override
    {
        zym::curl_delegate curl;
        zym::HttpRequest request;
        request.url = url_;
        request.method = "GET";
        request.cancel = StopToken();
        zym::HttpResponse response;
        zym::PerformRequest(curl, request, response); // 60 s limit unless cancelled
        std::lock_guard g(lock_);
        results_.push_back(response.result);
    }

private:
    std::string url_;
    std::vector<int>& results_;
    std::mutex& lock_;
};

TEST(OperationPoolStop, CancelsThreeRequestsStuckOnASilentService)
{
    SilentListener service;
    std::vector<int> results;
    std::mutex lock;
    zym::CTaskPool pool;
    ASSERT_TRUE(pool.Start(3));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(pool.Post(std::make_unique<StuckRequestTask>(service.Url(), results, lock)));
    ASSERT_TRUE(service.WaitForConnections(3));

    const auto start = std::chrono::steady_clock::now();
    pool.Stop();
    const auto took =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    RecordProperty("stop_ms", static_cast<int>(took.count()));
    std::printf("stop with three stuck requests: %lld ms\n", static_cast<long long>(took.count()));

    // Each request ended because it was cancelled, not because its 60 s limit ran out.
    EXPECT_EQ(results, (std::vector<int>{CURLE_ABORTED_BY_CALLBACK, CURLE_ABORTED_BY_CALLBACK,
                                         CURLE_ABORTED_BY_CALLBACK}));
    EXPECT_LT(took, std::chrono::seconds(30)); // generous: the limit it must not wait for is 60 s
}

} // namespace
