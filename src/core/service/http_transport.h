#pragma once
// The thin request layer every service request goes through: one libcurl easy handle, a
// fixed set of transfer options per kind of request, the "Expect:" header always removed.
#include "platform/cancel_token.h"
#include "service/curl_delegate.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zym {

using HeaderList = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest
{
    std::string url;    // complete URL, UTF-8
    std::string method; // "GET", "PUT", "POST", "DELETE"; always sent as a custom method
    std::string body;   // request body; empty sends none
    HeaderList headers; // sent in this order after "Expect:", each as "name: value"
    // Whole-transfer limit in seconds; 0 takes the call's own (60 s, or 600 s for the long
    // server-side copies). Tests shorten it to provoke a time-out quickly.
    long timeoutSeconds = 0;
    // False drops the reply body as it arrives (reading a large object only to check it can
    // be read must not hold it in memory).
    bool keepBody = true;
    // Cancelling it aborts the transfer within about a second (result 42); may be null.
    CancelTokenPtr cancel;
};

struct HttpResponse
{
    int result = 0;      // libcurl result of the transfer (0 when it completed)
    std::string headers; // every received header byte, status lines included
    std::string body;    // every received body byte
};

// False when the text holds a CR, LF or NUL byte, which would split a header line.
bool IsSafeHeaderText(std::string_view text);

// Sends the request with the 60-second limit. True when libcurl's result is 0 or 18 (the
// body ended before its announced length); the response is filled either way. A header name
// or value that is not safe header text sends nothing: false with CURLE_BAD_FUNCTION_ARGUMENT.
bool PerformRequest(curl_delegate& curl, const HttpRequest& request, HttpResponse& response);
// The same with a 600-second limit, for the server-side copies.
bool PerformLongRequest(curl_delegate& curl, const HttpRequest& request, HttpResponse& response);

// GET with redirects followed and a 60-second limit. status receives the final response's
// code (-1 when it cannot be read). False when the transfer failed or `cancel` (may be null)
// was cancelled: a stop does not wait for the limit on a silent server.
bool FetchText(const std::string& url, int& status, std::string& body, const CancelToken* cancel = nullptr);

// The status code of the first status line of a raw header text ("HTTP/1.1 200 OK",
// "HTTP/2 200"), or -1 when the line is no status line or has no numeric code.
int StatusFromHeaders(std::string_view headerText);

// True for the statuses that count as success of a service request (200 to 399).
inline bool IsSuccessStatus(int status)
{
    return status >= 200 && status <= 399;
}

} // namespace zym
