#include "transfer/download_peer.h"

#include "service/http_transport.h"
#include "service/proxy.h"
#include "service/service_request.h"
#include "service/signer.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>

namespace zym {

namespace {

// A large receive buffer: the default 16 KiB halves loopback throughput; above 256 KiB the
// gain is small and each connection's share of the program's memory is not.
constexpr long kReceiveBuffer = 256 * 1024;

bool ReadInt64(std::string_view text, std::int64_t& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size() && !text.empty();
}

} // namespace

bool ParseContentRange(const std::string& headers, std::int64_t& first, std::int64_t& last,
                       std::int64_t& total)
{
    static const std::string_view kName = "content-range:";
    size_t pos = 0;
    while (pos < headers.size()) {
        size_t end = headers.find("\r\n", pos);
        if (end == std::string::npos) {
            end = headers.size();
        }
        std::string_view line(headers.data() + pos, end - pos);
        pos = end + 2;
        if (line.size() < kName.size() ||
            !std::equal(kName.begin(), kName.end(), line.begin(),
                        [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); })) {
            continue;
        }
        line.remove_prefix(kName.size());
        while (!line.empty() && line.front() == ' ') {
            line.remove_prefix(1);
        }
        if (line.substr(0, 6) != "bytes ") {
            return false;
        }
        line.remove_prefix(6);
        const size_t dash = line.find('-');
        const size_t slash = line.find('/');
        if (dash == std::string_view::npos || slash == std::string_view::npos || slash < dash) {
            return false;
        }
        return ReadInt64(line.substr(0, dash), first) &&
               ReadInt64(line.substr(dash + 1, slash - dash - 1), last) &&
               ReadInt64(line.substr(slash + 1), total);
    }
    return false;
}

CDownloadPeer::CDownloadPeer(PieceSink& sink) : sink_(sink) {}

FetchResult CDownloadPeer::Fetch(const ServiceCall& call, const std::string& bucket,
                                 const std::string& object, ByteRange range, std::int64_t objectSize)
{
    FetchResult result;
    start_ = range.first;
    remaining_ = range.Length();
    objectSize_ = objectSize;
    buffered_ = 0;
    statusAccepted_ = false;
    headers_.clear();
    failure_.clear();
    CURL* h = curl_.handle();
    if (h == nullptr) {
        result.next = start_;
        result.code = CURLE_OUT_OF_MEMORY;
        result.text = "curl error";
        return result;
    }

    ServiceRequest request;
    request.verb = "GET";
    request.bucket = bucket;
    request.key = object;
    SigningInput input;
    input.verb = "GET";
    input.date = FormatGmtDate();
    input.resource = "/" + bucket + "/" + object;
    const std::string date = input.date;
    const std::string authorization = BuildAuthorization(std::move(input), call.keys);
    CurlHeaderList headers;
    headers.Append("Expect:");
    headers.Append(("Date: " + date).c_str());
    headers.Append(("Authorization: " + authorization).c_str());
    const std::string url = ServiceUrl(call, request);
    const std::string rangeText = std::to_string(range.first) + "-" + std::to_string(range.last);

    // The handle keeps its connection between ranges; the options are set again for each.
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, LowSpeedTime(call));
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_HEADER, 0L);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kReceiveBuffer);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CDownloadPeer::OnHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CDownloadPeer::OnBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CDownloadPeer::OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(h, CURLOPT_RANGE, rangeText.c_str());
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    ApplyProxy(h, url);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    const CURLcode code = curl_easy_perform(h);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);

    // Bytes received before a short body or a reset are good: keep them.
    if (statusAccepted_ && failure_.empty() && buffered_ > 0) {
        Flush();
    }
    result.next = start_;
    if (remaining_ == 0 && failure_.empty()) {
        result.complete = true;
        return result;
    }
    if (buffered_ > 0) {
        sink_.Received(-static_cast<std::int64_t>(buffered_));
        buffered_ = 0;
    }
    result.code = code != CURLE_OK ? static_cast<int>(code) : static_cast<int>(CURLE_PARTIAL_FILE);
    result.text = failure_.empty() ? (code != CURLE_OK ? "curl error" : "short body") : failure_;
    return result;
}

size_t CDownloadPeer::OnHeader(char* data, size_t size, size_t count, void* self)
{
    auto& peer = *static_cast<CDownloadPeer*>(self);
    if (peer.sink_.Abandoned()) {
        return 0;
    }
    // A redirect's headers are followed by the final answer's: keep only the latest block.
    if (size * count >= 5 && std::memcmp(data, "HTTP/", 5) == 0) {
        peer.headers_.clear();
    }
    peer.headers_.append(data, size * count);
    return size * count;
}

// The reply must carry exactly the asked range: a 206 whose Content-Range starts at the
// range's first byte and names the queued size, or a 200 for a range that is the whole object.
// Anything else (an error page, a server that ignores Range, an object that changed size)
// would put wrong bytes into the file.
bool CDownloadPeer::AcceptStatus()
{
    const int status = StatusFromHeaders(headers_);
    if (status == 200) {
        if (start_ == 0 && remaining_ == objectSize_) {
            return true;
        }
        failure_ = "range not honoured";
        return false;
    }
    if (status != 206) {
        failure_ = "HTTP status " + std::to_string(status);
        return false;
    }
    std::int64_t first = 0, last = 0, total = 0;
    if (!ParseContentRange(headers_, first, last, total) || first != start_ ||
        last != start_ + remaining_ - 1) {
        failure_ = "unexpected Content-Range";
        return false;
    }
    if (total != objectSize_) {
        failure_ = "object size changed";
        return false;
    }
    return true;
}

bool CDownloadPeer::Flush()
{
    std::string error;
    const ByteRange piece{start_, start_ + static_cast<std::int64_t>(buffered_) - 1};
    if (!sink_.Store(piece, buffer_.get(), error)) {
        failure_ = error;
        return false;
    }
    start_ += static_cast<std::int64_t>(buffered_);
    remaining_ -= static_cast<std::int64_t>(buffered_);
    buffered_ = 0;
    return true;
}

size_t CDownloadPeer::OnBody(char* data, size_t size, size_t count, void* self)
{
    auto& peer = *static_cast<CDownloadPeer*>(self);
    const size_t n = size * count;
    if (peer.sink_.Abandoned()) {
        return 0;
    }
    if (!peer.statusAccepted_) {
        if (!peer.AcceptStatus()) {
            return 0;
        }
        peer.statusAccepted_ = true;
    }
    if (static_cast<std::int64_t>(peer.buffered_ + n) > peer.remaining_) {
        peer.failure_ = "more bytes than asked for";
        return 0;
    }
    peer.sink_.Received(static_cast<std::int64_t>(n));
    // A large chunk with nothing buffered goes to the file straight from the transfer library's
    // receive buffer: one copy less per byte; small chunks are gathered first.
    if (peer.buffered_ == 0 && n >= kDirectWrite) {
        std::string error;
        const ByteRange piece{peer.start_, peer.start_ + static_cast<std::int64_t>(n) - 1};
        if (!peer.sink_.Store(piece, data, error)) {
            peer.failure_ = error;
            peer.sink_.Received(-static_cast<std::int64_t>(n));
            return 0;
        }
        peer.start_ += static_cast<std::int64_t>(n);
        peer.remaining_ -= static_cast<std::int64_t>(n);
        return n;
    }
    if (!peer.buffer_) {
        peer.buffer_.reset(new (std::nothrow) char[kBufferSize]);
        if (!peer.buffer_) {
            peer.failure_ = "out of memory";
            return 0;
        }
    }
    size_t used = 0;
    while (used < n) {
        const size_t take = std::min(n - used, kBufferSize - peer.buffered_);
        std::memcpy(peer.buffer_.get() + peer.buffered_, data + used, take);
        peer.buffered_ += take;
        used += take;
        if (peer.buffered_ == kBufferSize || static_cast<std::int64_t>(peer.buffered_) == peer.remaining_) {
            if (!peer.Flush()) {
                return 0;
            }
        }
    }
    return n;
}

int CDownloadPeer::OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    // Ends a stalled transfer at once when the task is stopped, not at the next byte.
    return static_cast<CDownloadPeer*>(self)->sink_.Abandoned() ? 1 : 0;
}

} // namespace zym
