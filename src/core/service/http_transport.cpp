#include "service/http_transport.h"

#include "service/curl_cancel.h"
#include "service/proxy.h"

#include <charconv>

namespace zym {

namespace {

constexpr long kRequestTimeout = 60;
constexpr long kLongRequestTimeout = 600;

size_t AppendToString(char* data, size_t size, size_t count, void* target)
{
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

size_t DropBytes(char*, size_t size, size_t count, void*)
{
    return size * count;
}

// Keeps only the header block of the latest response, so that after redirects the status
// read from it is the final answer's.
size_t KeepLastHeaderBlock(char* data, size_t size, size_t count, void* target)
{
    auto& text = *static_cast<std::string*>(target);
    if (size * count >= 5 && std::string_view(data, 5) == "HTTP/") {
        text.clear();
    }
    text.append(data, size * count);
    return size * count;
}

// Certificates are checked (libcurl's defaults, set explicitly so a reset cannot lose them);
// plain http:// addresses stay plain HTTP.
void VerifyCertificates(CURL* h)
{
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
}

bool Perform(curl_delegate& curl, const HttpRequest& request, HttpResponse& response, long timeout)
{
    response = HttpResponse{};
    CURL* h = curl.handle();
    if (h == nullptr) {
        response.result = CURLE_FAILED_INIT;
        return false;
    }
    // A line break or NUL inside a header would end it early and let the rest pass as
    // headers or a second request of its own; such a request is refused before any byte goes.
    for (const auto& [name, value] : request.headers) {
        if (!IsSafeHeaderText(name) || !IsSafeHeaderText(value)) {
            response.result = CURLE_BAD_FUNCTION_ARGUMENT;
            return false;
        }
    }
    CurlHeaderList headers;
    bool listOk = headers.Append("Expect:");
    for (const auto& [name, value] : request.headers) {
        listOk = listOk && headers.Append((name + ": " + value).c_str());
    }
    if (!listOk) {
        response.result = CURLE_OUT_OF_MEMORY;
        return false;
    }

    curl_easy_reset(h);
    curl_easy_setopt(h, CURLOPT_HEADER, 0L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, request.method.c_str());
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &AppendToString);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &response.headers);
    if (request.keepBody) {
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &AppendToString);
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &response.body);
    } else {
        curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &DropBytes);
    }
    if (!request.body.empty()) {
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    }
    curl_easy_setopt(h, CURLOPT_TIMEOUT, request.timeoutSeconds > 0 ? request.timeoutSeconds : timeout);
    WatchCancel(h, request.cancel.get());
    VerifyCertificates(h);
    curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
    ApplyProxy(h, request.url);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());

    response.result = curl_easy_perform(h);
    // The list must not outlive its use by the handle.
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
    return response.result == CURLE_OK || response.result == CURLE_PARTIAL_FILE;
}

} // namespace

bool PerformRequest(curl_delegate& curl, const HttpRequest& request, HttpResponse& response)
{
    return Perform(curl, request, response, kRequestTimeout);
}

bool PerformLongRequest(curl_delegate& curl, const HttpRequest& request, HttpResponse& response)
{
    return Perform(curl, request, response, kLongRequestTimeout);
}

bool FetchText(const std::string& url, int& status, std::string& body, const CancelToken* cancel)
{
    status = -1;
    body.clear();
    curl_delegate curl;
    CURL* h = curl.handle();
    if (h == nullptr) {
        return false;
    }
    std::string headerText;
    CurlHeaderList headers;
    if (!headers.Append("Expect:")) {
        return false;
    }
    curl_easy_reset(h);
    curl_easy_setopt(h, CURLOPT_HEADER, 0L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    // A redirect loop or a redirect to another protocol ends the fetch instead of running on.
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &KeepLastHeaderBlock);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &headerText);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &AppendToString);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, kRequestTimeout);
    WatchCancel(h, cancel);
    VerifyCertificates(h);
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    ApplyProxy(h, url);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    const CURLcode result = curl_easy_perform(h);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
    status = StatusFromHeaders(headerText);
    return result == CURLE_OK;
}

bool IsSafeHeaderText(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

int StatusFromHeaders(std::string_view headerText)
{
    // First non-empty line.
    std::string_view line;
    while (!headerText.empty()) {
        const size_t end = headerText.find("\r\n");
        line = headerText.substr(0, end);
        headerText = end == std::string_view::npos ? std::string_view{} : headerText.substr(end + 2);
        if (!line.empty()) {
            break;
        }
    }
    // Pieces separated by single spaces; runs of spaces give empty pieces, which are dropped.
    // The reason phrase, when there is one, is not read.
    std::string_view pieces[3];
    int count = 0;
    while (!line.empty() && count < 3) {
        const size_t end = line.find(' ');
        const std::string_view piece = line.substr(0, end);
        line = end == std::string_view::npos ? std::string_view{} : line.substr(end + 1);
        if (!piece.empty()) {
            pieces[count++] = piece;
        }
    }
    // HTTP/2 and later status lines carry no reason phrase: "HTTP/2 200".
    if (count < 2 || !pieces[0].starts_with("HTTP/")) {
        return -1;
    }
    int status = -1;
    const std::string_view code = pieces[1];
    const auto [end, error] = std::from_chars(code.data(), code.data() + code.size(), status);
    if (error != std::errc{} || end != code.data() + code.size() || status < 0 || status > 999) {
        return -1;
    }
    return status;
}

} // namespace zym
