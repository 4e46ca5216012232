// A small upload sink on loopback for the upload benchmark: it answers the multipart requests
// (initiate, part PUT, complete, abort) and any PUT with the MD5 of the body it received as the
// ETag, without storing anything. One thread per connection, keep-alive, "100 Continue" for
// clients that ask. Prints "port N" once it listens; runs until killed.
//   upload_sink [port]
#include "transfer/md5_stream.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <strings.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

bool SendAll(int fd, const std::string& text)
{
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::string Header(const std::string& head, const char* name)
{
    const std::size_t length = std::strlen(name);
    std::size_t at = head.find("\r\n");
    while (at != std::string::npos && at + 2 < head.size()) {
        at += 2;
        const std::size_t end = head.find("\r\n", at);
        if (end - at > length && strncasecmp(head.data() + at, name, length) == 0 &&
            head[at + length] == ':') {
            std::string value = head.substr(at + length + 1, end - at - length - 1);
            value.erase(0, value.find_first_not_of(' '));
            return value;
        }
        at = end;
    }
    return {};
}

void Serve(int fd)
{
    std::vector<char> buffer(1 << 20);
    std::string pending;
    zym::Md5Stream md5;
    for (;;) {
        std::size_t end;
        while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
            const ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
            if (n <= 0) {
                ::close(fd);
                return;
            }
            pending.append(buffer.data(), static_cast<std::size_t>(n));
        }
        const std::string head = pending.substr(0, end + 2);
        pending.erase(0, end + 4);
        const std::string line = head.substr(0, head.find("\r\n"));
        const std::string method = line.substr(0, line.find(' '));
        const std::string target = line.substr(line.find(' ') + 1, line.rfind(' ') - line.find(' ') - 1);
        long long left = std::atoll(Header(head, "Content-Length").c_str());
        if (strcasecmp(Header(head, "Expect").c_str(), "100-continue") == 0 && left > 0) {
            SendAll(fd, "HTTP/1.1 100 Continue\r\n\r\n");
        }
        md5.Restart();
        std::string body;
        const bool keepBody = method == "POST";
        const std::size_t first =
            static_cast<std::size_t>(std::min<long long>(left, static_cast<long long>(pending.size())));
        md5.Update(pending.data(), first);
        if (keepBody) {
            body.append(pending, 0, first);
        }
        pending.erase(0, first);
        left -= static_cast<long long>(first);
        while (left > 0) {
            const ssize_t n = ::recv(
                fd, buffer.data(),
                static_cast<std::size_t>(std::min<long long>(left, static_cast<long long>(buffer.size()))),
                0);
            if (n <= 0) {
                ::close(fd);
                return;
            }
            md5.Update(buffer.data(), static_cast<std::size_t>(n));
            if (keepBody) {
                body.append(buffer.data(), static_cast<std::size_t>(n));
            }
            left -= n;
        }
        std::string reply;
        std::string extra;
        if (method == "POST" && target.find("?uploads") != std::string::npos) {
            reply = "<InitiateMultipartUploadResult><Bucket>b</Bucket><Key>k</Key><UploadId>sink-upload</"
                    "UploadId>"
                    "</InitiateMultipartUploadResult>";
        } else if (method == "POST") {
            reply = "<CompleteMultipartUploadResult><Bucket>b</Bucket><Key>k</Key><ETag>\"x-1\"</ETag>"
                    "</CompleteMultipartUploadResult>";
        } else if (method == "PUT") {
            extra = "ETag: \"" + md5.FinalHex(true) + "\"\r\n";
        }
        const std::string status = method == "DELETE" ? "204 No Content" : "200 OK";
        if (!SendAll(fd, "HTTP/1.1 " + status + "\r\n" + extra +
                             "Content-Length: " + std::to_string(reply.size()) + "\r\n\r\n" + reply)) {
            ::close(fd);
            return;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int port = argc > 1 ? std::atoi(argv[1]) : 0;
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 64) != 0) {
        std::perror("listen");
        return 1;
    }
    socklen_t size = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    std::printf("port %d\n", ntohs(address.sin_port));
    std::fflush(stdout);
    for (;;) {
        const int fd = ::accept(listener, nullptr, nullptr);
        if (fd >= 0) {
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            std::thread(Serve, fd).detach();
        }
    }
}
