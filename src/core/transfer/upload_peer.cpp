#include "transfer/upload_peer.h"

#include "service/content_type.h"
#include "service/curl_delegate.h"
#include "service/proxy.h"
#include "service/reply_models.h"
#include "service/service_request.h"
#include "service/signer.h"
#include "service/url_encoding.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

namespace zym {

namespace {

// Each connection of each running upload holds this buffer (25 with 5 uploads of 5 connections):
// 256 KiB reads keep the trips through the read callback few without making the program heavy.
// Replies are small: the transfer library's default receive buffer suffices.
constexpr long kUploadBufferSize = 256 * 1024;

void CleanupCurl(CURL* h)
{
    if (h != nullptr) {
        curl_easy_cleanup(h);
    }
}

// The value of the last "ETag:" line of the header block, trimmed.
std::string EtagOf(const std::string& headers)
{
    std::string value;
    std::size_t at = 0;
    while (at < headers.size()) {
        std::size_t end = headers.find('\n', at);
        if (end == std::string::npos) {
            end = headers.size();
        }
        std::string_view line(headers.data() + at, end - at);
        at = end + 1;
        if (line.size() > 5 && strncasecmp(line.data(), "etag:", 5) == 0) {
            line.remove_prefix(5);
            while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
                line.remove_prefix(1);
            }
            while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
                line.remove_suffix(1);
            }
            value.assign(line);
        }
    }
    return value;
}

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c); });
    return text;
}

} // namespace

CUploadPeer::CUploadPeer(const UploadPeerShared& shared)
    : shared_(shared), curl_(curl_easy_init(), &CleanupCurl), contentType_(ContentTypeOf(shared.key)),
      disposition_(DispositionOf(shared.key))
{
    body_.reserve(4096);
    headers_.reserve(4096);
}

CUploadPeer::~CUploadPeer() = default;

bool CUploadPeer::Open()
{
    fd_.reset(::open(shared_.path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd_) {
        openError_ = errno;
        return false;
    }
    ::posix_fadvise(fd_.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    if (!curl_) {
        openError_ = ENOMEM;
        return false;
    }
    // Options that stay the same for every part; the handle is never reset between parts, so
    // its connection to the service is reused.
    CURL* h = curl_.get();
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, LowSpeedTime(shared_.call));
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(h, CURLOPT_UPLOAD_BUFFERSIZE, kUploadBufferSize);
    curl_easy_setopt(h, CURLOPT_TCP_NODELAY, 1L);
    curl_easy_setopt(h, CURLOPT_READFUNCTION, &CUploadPeer::ReadBody);
    curl_easy_setopt(h, CURLOPT_READDATA, this);
    curl_easy_setopt(h, CURLOPT_SEEKFUNCTION, &CUploadPeer::Rewind);
    curl_easy_setopt(h, CURLOPT_SEEKDATA, this);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CUploadPeer::TakeHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CUploadPeer::TakeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CUploadPeer::Progress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (shared_.call.timeoutSeconds > 0) {
        curl_easy_setopt(h, CURLOPT_TIMEOUT, shared_.call.timeoutSeconds);
    }
    return true;
}

void CUploadPeer::Run()
{
    while (auto part = shared_.queue->Take()) {
        const Sent sent = Send(*part);
        if (sent == Sent::Stopped || sent == Sent::TaskFailed) {
            break;
        }
    }
}

CUploadPeer::Sent CUploadPeer::Send(const PartJob& part)
{
    part_ = part;
    sent_ = 0;
    readError_ = 0;
    sourceAtEnd_ = SourceCheck::Same;
    headers_.clear();
    body_.clear();
    md5_.Restart();

    const bool multipart = !shared_.uploadId.empty();
    ServiceRequest target;
    target.bucket = shared_.bucket;
    target.key = shared_.key;
    SigningInput input;
    input.verb = "PUT";
    input.contentType = contentType_;
    input.date = FormatGmtDate();
    input.resource = "/" + shared_.bucket + "/" + shared_.key;
    if (multipart) {
        const std::string number = "?partNumber=" + std::to_string(part.number) + "&uploadId=";
        input.resource += number + shared_.uploadId;
        target.urlSuffix = number + FormEncode(shared_.uploadId);
    }
    const std::string date = input.date;
    const std::string authorization = BuildAuthorization(std::move(input), shared_.call.keys);
    const std::string url = ServiceUrl(shared_.call, target);

    CurlHeaderList list;
    bool listOk = list.Append("Expect:");
    if (shared_.sendDisposition) {
        listOk = listOk && list.Append(("Content-Disposition: " + disposition_).c_str());
    }
    listOk = listOk && list.Append(("Content-Type: " + contentType_).c_str()) &&
             list.Append(("Date: " + date).c_str()) &&
             list.Append(("Authorization: " + authorization).c_str());

    CURLcode result = CURLE_OUT_OF_MEMORY;
    if (listOk) {
        CURL* h = curl_.get();
        curl_easy_setopt(h, CURLOPT_URL, url.c_str());
        ApplyProxy(h, url);
        curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(part.length));
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, list.get());
        result = curl_easy_perform(h);
        curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
    }

    UploadPartQueue& queue = *shared_.queue;
    const int status = result == CURLE_OK ? StatusFromHeaders(headers_) : 0;
    if (result == CURLE_OK && status == 200) {
        const std::string computed = "\"" + md5_.FinalHex(true) + "\"";
        const std::string etag = Upper(EtagOf(headers_));
        if (etag == computed) {
            queue.Confirm(part, etag);
            if (shared_.onConfirmed) {
                shared_.onConfirmed();
            }
            return Sent::Confirmed;
        }
        shared_.progress->offset -= sent_;
        const std::string text = "md5 error:" + computed + "," + EtagOf(headers_);
        if (!multipart) {
            queue.Return(part);
            queue.Fail(6, text);
            return Sent::TaskFailed;
        }
        LogPartFailure(part, 6, text);
        queue.GiveBack(part, 6, text);
        return queue.Halted() ? Sent::TaskFailed : Sent::Retry;
    }

    shared_.progress->offset -= sent_;
    if (sourceAtEnd_ != SourceCheck::Same || (readError_ != 0 && !queue.Halted())) {
        queue.Return(part);
        if (sourceAtEnd_ == SourceCheck::Vanished) {
            queue.Fail(2, SourceVanishedText(shared_.path));
        } else if (sourceAtEnd_ == SourceCheck::Changed || readError_ == EIO) {
            SourceState now;
            ReadSourceState(fd_.get(), now);
            queue.Fail(2, SourceChangedText(shared_.path, shared_.source.size, now.size));
        } else {
            queue.Fail(2, std::strerror(readError_));
        }
        return Sent::TaskFailed;
    }
    if (result != CURLE_OK && (queue.Halted() || (shared_.cancel && shared_.cancel->IsCancelled()))) {
        queue.Return(part);
        queue.Stop();
        return Sent::Stopped;
    }
    if (result != CURLE_OK) {
        LogPartFailure(part, result, "curl error");
        queue.GiveBack(part, result, "curl error");
        return queue.Halted() ? Sent::TaskFailed : Sent::Retry;
    }
    if (multipart) {
        CZymRet reply;
        ParseReply(reply, body_);
        if (reply.Code == "NoSuchUpload") {
            queue.Return(part);
            if (shared_.onNoSuchUpload) {
                shared_.onNoSuchUpload();
            }
            queue.Fail(status, "NoSuchUpload");
            return Sent::TaskFailed;
        }
    }
    LogPartFailure(part, status, "http code");
    queue.GiveBack(part, status, "http code");
    return queue.Halted() ? Sent::TaskFailed : Sent::Retry;
}

void CUploadPeer::LogPartFailure(const PartJob& part, int code, const std::string& text)
{
    if (shared_.log != nullptr) {
        shared_.log->WriteLog("[ErrorIndex:" + shared_.bucket + "|" + shared_.key + "][" +
                                  std::to_string(part.number) + "," + std::to_string(part.start) + "," +
                                  std::to_string(part.length) + "," + std::to_string(code) + "," + text + "]",
                              false);
    }
}

size_t CUploadPeer::ReadBody(char* buffer, size_t size, size_t count, void* self)
{
    auto& peer = *static_cast<CUploadPeer*>(self);
    if (peer.shared_.queue->Halted()) {
        return CURL_READFUNC_ABORT;
    }
    const std::int64_t left = peer.part_.length - peer.sent_;
    const size_t want =
        static_cast<size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(size * count), left));
    if (want == 0) {
        return 0;
    }
    ssize_t got;
    do {
        got = ::pread(peer.fd_.get(), buffer, want, static_cast<off_t>(peer.part_.start + peer.sent_));
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        // End of file before the part's end: the file shrank.
        peer.readError_ = got == 0 ? EIO : errno;
        return CURL_READFUNC_ABORT;
    }
    peer.md5_.Update(buffer, static_cast<size_t>(got));
    peer.sent_ += got;
    peer.shared_.progress->offset += got;
    peer.shared_.progress->bytesDone += got;
    if (peer.sent_ == peer.part_.length) {
        // The last bytes are not handed over before the file is known to be the one the upload
        // started with, so a changed file never yields a complete part on the service.
        peer.sourceAtEnd_ = CheckSource(peer.fd_.get(), peer.shared_.source);
        if (peer.sourceAtEnd_ != SourceCheck::Same) {
            return CURL_READFUNC_ABORT;
        }
    }
    return static_cast<size_t>(got);
}

int CUploadPeer::Rewind(void* self, curl_off_t offset, int origin)
{
    // The transfer library starts a body over when a reused connection turned out to be closed
    // or a redirect is followed; the part is then read and hashed again from its start.
    auto& peer = *static_cast<CUploadPeer*>(self);
    if (origin != SEEK_SET || offset != 0) {
        return CURL_SEEKFUNC_CANTSEEK;
    }
    peer.shared_.progress->offset -= peer.sent_;
    peer.sent_ = 0;
    peer.md5_.Restart();
    return CURL_SEEKFUNC_OK;
}

size_t CUploadPeer::TakeHeader(char* data, size_t size, size_t count, void* self)
{
    auto& peer = *static_cast<CUploadPeer*>(self);
    const size_t n = size * count;
    // After a redirect only the final reply's headers count.
    if (n >= 5 && std::memcmp(data, "HTTP/", 5) == 0) {
        peer.headers_.clear();
    }
    peer.headers_.append(data, n);
    return n;
}

size_t CUploadPeer::TakeBody(char* data, size_t size, size_t count, void* self)
{
    auto& peer = *static_cast<CUploadPeer*>(self);
    const size_t n = size * count;
    // An error document is small; a runaway body is not kept whole.
    if (peer.body_.size() < 65536) {
        peer.body_.append(data, std::min(n, 65536 - peer.body_.size()));
    }
    return n;
}

int CUploadPeer::Progress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto& peer = *static_cast<CUploadPeer*>(self);
    const bool stop =
        peer.shared_.queue->Halted() || (peer.shared_.cancel && peer.shared_.cancel->IsCancelled());
    return stop ? 1 : 0;
}

} // namespace zym
