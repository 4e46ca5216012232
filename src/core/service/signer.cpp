#include "service/signer.h"

#include "platform/digest.h"
#include "platform/json_text.h"
#include "platform/utf16.h"
#include "service/url_encoding.h"

#include <algorithm>
#include <cjson/cJSON.h>
#include <cstdio>
#include <memory>

namespace zym {
namespace {

void AppendHeadersAndResource(std::string& out, const std::vector<CanonicalHeader>& sorted,
                              std::string_view resource)
{
    for (const auto& h : sorted) {
        out += h.name;
        out += ':';
        out += h.value;
        out += '\n';
    }
    out += resource;
}

// The members of "canonicalized_zym_headers" whose name and string value are both non-empty,
// in document order.
std::vector<CanonicalHeader> HeadersFromJson(const std::string& objectText)
{
    std::vector<CanonicalHeader> headers;
    std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(
        cJSON_ParseWithLength(objectText.data(), objectText.size()), &cJSON_Delete);
    if (!root || !cJSON_IsObject(root.get())) {
        return headers;
    }
    for (const cJSON* item = root->child; item != nullptr; item = item->next) {
        if (item->string == nullptr || item->string[0] == '\0' || !cJSON_IsString(item) ||
            item->valuestring == nullptr || item->valuestring[0] == '\0') {
            continue;
        }
        headers.push_back({item->string, item->valuestring});
    }
    return headers;
}

} // namespace

std::string FormatGmtDate()
{
    return FormatGmtDate(std::time(nullptr));
}

std::string FormatGmtDate(std::time_t when)
{
    // Fixed English names: strftime would follow the process locale, which the desktop shell sets
    // from the user's environment.
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm{};
    if (gmtime_r(&when, &tm) == nullptr || tm.tm_wday < 0 || tm.tm_wday > 6 || tm.tm_mon < 0 ||
        tm.tm_mon > 11) {
        return {};
    }
    char buf[128];
    const int n = std::snprintf(buf, sizeof buf, "%s, %02d %s %04lld %02d:%02d:%02d GMT", days[tm.tm_wday],
                                tm.tm_mday, months[tm.tm_mon], static_cast<long long>(tm.tm_year) + 1900,
                                tm.tm_hour, tm.tm_min, tm.tm_sec);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buf) {
        return {};
    }
    return std::string(buf, static_cast<std::size_t>(n));
}

std::string ContentMd5(std::string_view body)
{
    return Base64Encode(Md5(body));
}

void CanonicalizeHeaders(std::vector<CanonicalHeader>& headers)
{
    for (auto& h : headers) {
        h.name = AsciiLower(h.name);
    }
    // Stable, so repeated names keep the order the caller gave them.
    std::stable_sort(headers.begin(), headers.end(), [](const CanonicalHeader& a, const CanonicalHeader& b) {
        return CompareUtf16(a.name, b.name) < 0;
    });
}

std::string StringToSign(SigningInput input)
{
    CanonicalizeHeaders(input.headers);
    std::string out;
    out.reserve(input.verb.size() + input.contentMd5.size() + input.contentType.size() + input.date.size() +
                input.resource.size() + 4 + input.headers.size() * 48);
    out += input.verb;
    out += '\n';
    out += input.contentMd5;
    out += '\n';
    out += input.contentType;
    out += '\n';
    out += input.date;
    out += '\n';
    AppendHeadersAndResource(out, input.headers, input.resource);
    return out;
}

std::string SignText(std::string_view stringToSign, const AccessKeys& keys)
{
    return Base64Encode(HmacSha1(keys.secret, stringToSign));
}

std::string BuildAuthorization(SigningInput input, const AccessKeys& keys)
{
    return "ZYM " + keys.id + ":" + SignText(StringToSign(std::move(input)), keys);
}

std::string SignExpiring(std::string_view jsonArgs, const AccessKeys& keys)
{
    const auto args = JsonArgs::Parse(jsonArgs);
    if (!args) {
        return {};
    }
    SigningInput input;
    input.verb = args->Text("verb").value_or("");
    input.contentMd5 = args->Text("content_md5").value_or("");
    input.contentType = args->Text("content_type").value_or("");
    input.resource = args->Text("canonicalized_resource").value_or("");
    // The whole 64-bit value: an expiry after 2038 must sign what the service will check.
    input.date = std::to_string(args->Int("expires").value_or(0));
    if (const auto headers = args->Raw("canonicalized_zym_headers")) {
        input.headers = HeadersFromJson(*headers);
    }
    return SignText(StringToSign(std::move(input)), keys);
}

std::string SignRpc(std::string_view method, std::string_view jsonParams, const AccessKeys& keys)
{
    const auto args = JsonArgs::Parse(jsonParams);
    if (!args) {
        return {};
    }
    std::vector<std::pair<std::string, std::string>> params;
    for (const auto& name : args->Names()) {
        if (!name.empty()) {
            params.emplace_back(name, args->Text(name).value_or(""));
        }
    }
    return SignRpc(method, std::move(params), keys);
}

std::string SignRpc(std::string_view method, std::vector<std::pair<std::string, std::string>> params,
                    const AccessKeys& keys)
{
    std::stable_sort(params.begin(), params.end(),
                     [](const auto& a, const auto& b) { return CompareUtf16(a.first, b.first) < 0; });
    std::string query;
    for (const auto& [name, value] : params) {
        if (!query.empty()) {
            query += '&';
        }
        query += PercentEncode(name);
        query += '=';
        query += PercentEncode(value);
    }
    std::string toSign(method);
    toSign += '&';
    toSign += PercentEncode("/");
    toSign += '&';
    toSign += PercentEncode(query);
    return Base64Encode(HmacSha1(keys.secret + "&", toSign));
}

} // namespace zym
