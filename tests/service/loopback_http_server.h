#pragma once
// A small HTTP server on 127.0.0.1 for transport tests: it records each request it reads
// and answers with the raw bytes a test's handler returns. One connection at a time.
#include <arpa/inet.h>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zymtest {

struct ReceivedRequest
{
    std::string head; // request line and headers, CRLF separated
    std::string body;
};

class LoopbackHttpServer
{
public:
    // The handler gets the request and returns the raw response; an empty string closes
    // the connection without an answer. hang=true keeps the connection open unanswered
    // until the server stops.
    struct Answer
    {
        std::string raw;
        bool hang = false;
    };
    using Handler = std::function<Answer(const ReceivedRequest&)>;

    explicit LoopbackHttpServer(Handler handler) : handler_(std::move(handler))
    {
        listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(listen_, 16);
        socklen_t len = sizeof addr;
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }

    ~LoopbackHttpServer()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        ::shutdown(listen_, SHUT_RDWR); // wakes the blocked accept
        thread_.join();
        ::close(listen_);
    }

    int port() const { return port_; }
    std::string Url(const std::string& path = "/") const
    {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    std::vector<ReceivedRequest> Requests()
    {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    void Serve()
    {
        for (;;) {
            const int fd = ::accept(listen_, nullptr, nullptr);
            if (fd < 0) {
                return;
            }
            HandleConnection(fd);
            ::close(fd);
        }
    }

    void HandleConnection(int fd)
    {
        {
            ReceivedRequest request;
            if (!ReadRequest(fd, request)) {
                return;
            }
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
            }
            const Answer answer = handler_(request);
            if (answer.hang) {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return stopping_; });
                return;
            }
            // One answer per connection: closing tells the client where a short body ends.
            SendAll(fd, answer.raw);
            pending_.clear();
            return;
        }
    }

    bool ReadRequest(int fd, ReceivedRequest& request)
    {
        size_t headEnd;
        while ((headEnd = pending_.find("\r\n\r\n")) == std::string::npos) {
            if (!ReadMore(fd)) {
                return false;
            }
        }
        request.head = pending_.substr(0, headEnd);
        pending_.erase(0, headEnd + 4);
        size_t length = 0;
        std::string lower = request.head;
        for (char& c : lower) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        const size_t at = lower.find("\r\ncontent-length:");
        if (at != std::string::npos) {
            length = std::stoul(lower.substr(at + 17));
        }
        while (pending_.size() < length) {
            if (!ReadMore(fd)) {
                return false;
            }
        }
        request.body = pending_.substr(0, length);
        pending_.erase(0, length);
        return true;
    }

    bool ReadMore(int fd)
    {
        char buffer[4096];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            pending_.clear();
            return false;
        }
        pending_.append(buffer, static_cast<size_t>(n));
        return true;
    }

    static void SendAll(int fd, const std::string& data)
    {
        size_t sent = 0;
        while (sent < data.size()) {
            const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                return;
            }
            sent += static_cast<size_t>(n);
        }
    }

    Handler handler_;
    int listen_ = -1;
    int port_ = 0;
    std::string pending_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::vector<ReceivedRequest> requests_;
    std::thread thread_;
};

inline std::string HttpAnswer(int status, const std::string& reason, const std::string& body,
                              const std::string& extraHeaders = "")
{
    return "HTTP/1.1 " + std::to_string(status) + (reason.empty() ? "" : " " + reason) +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extraHeaders + "\r\n" + body;
}

} // namespace zymtest
