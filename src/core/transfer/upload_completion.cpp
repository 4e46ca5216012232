#include "transfer/upload_completion.h"

#include "platform/digest.h"
#include "service/service_request.h"

#include <algorithm>
#include <strings.h>

namespace zym {

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(c | 0x20);
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string HeaderValue(const std::string& headers, const char* name)
{
    const std::size_t length = std::char_traits<char>::length(name);
    std::size_t at = 0;
    while (at < headers.size()) {
        std::size_t end = headers.find("\r\n", at);
        if (end == std::string::npos) {
            end = headers.size();
        }
        if (end - at > length && strncasecmp(headers.data() + at, name, length) == 0 &&
            headers[at + length] == ':') {
            std::string value = headers.substr(at + length + 1, end - at - length - 1);
            value.erase(0, value.find_first_not_of(" \t"));
            value.erase(value.find_last_not_of(" \t") + 1);
            return value;
        }
        at = end + 2;
    }
    return {};
}

} // namespace

std::string MultipartEtag(std::vector<PartRecord> parts)
{
    std::sort(parts.begin(), parts.end(),
              [](const PartRecord& a, const PartRecord& b) { return a.number < b.number; });
    std::string digests;
    for (const PartRecord& p : parts) {
        if (p.etag.size() != 34 || p.etag.front() != '"' || p.etag.back() != '"') {
            return {};
        }
        for (std::size_t i = 1; i < 33; i += 2) {
            const int hi = HexValue(p.etag[i]);
            const int lo = HexValue(p.etag[i + 1]);
            if (hi < 0 || lo < 0) {
                return {};
            }
            digests.push_back(static_cast<char>(hi * 16 + lo));
        }
    }
    return "\"" + HexLower(Md5(digests)) + "-" + std::to_string(parts.size()) + "\"";
}

bool ObjectHasEtag(const ServiceCall& call, const std::string& bucket, const std::string& key,
                   const std::string& etag)
{
    // One byte of the object brings its headers without its body.
    ServiceRequest request;
    request.verb = "GET";
    request.bucket = bucket;
    request.key = key;
    request.before = {{"Range", "bytes=0-0"}};
    request.keepBody = false;
    HttpResponse response;
    if (!SendServiceRequest(call, request, nullptr, response)) {
        return false;
    }
    const std::string found = HeaderValue(response.headers, "ETag");
    return !etag.empty() && found.size() == etag.size() && strcasecmp(found.c_str(), etag.c_str()) == 0;
}

} // namespace zym
