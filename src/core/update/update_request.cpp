#include "update/update_request.h"

#include "platform/digest.h"
#include "platform/utf16.h"
#include "service/http_transport.h"
#include "service/url_encoding.h"

#include <algorithm>
#include <cctype>
#include <ctime>

namespace zym {

std::string SignUpdateRequest(const UpdateParams& params)
{
    UpdateParams sorted;
    for (const auto& [name, value] : params) {
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        sorted.emplace_back(std::move(lower), value);
    }
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::string toSign;
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        if (i != 0) {
            toSign += '\n';
        }
        toSign += sorted[i].second;
    }
    std::string signature = Base64Encode(HmacSha1(kUpdateSigningKey, toSign));
    std::replace(signature.begin(), signature.end(), '/', '-');
    return signature;
}

std::string UpdateUrl(std::string_view base, std::string_view path, UpdateParams params)
{
    params.emplace_back("sign", SignUpdateRequest(params));
    std::string url = std::string(base) + std::string(path);
    for (const auto& [name, value] : params) {
        url += "/" + name + "/" + FormEncode(value);
    }
    return url;
}

std::string ReportUrl(std::string_view base, const std::string& uuid, const std::string& res,
                      const std::string& ver, std::int64_t timespan)
{
    return UpdateUrl(base, "/Interface/report",
                     {{"uuid", uuid},
                      {"res", res},
                      {"ver", ver},
                      {"app", std::string(kUpdateApp)},
                      {"timespan", std::to_string(timespan)}});
}

std::string CheckUrl(std::string_view base, const std::string& res, const std::string& ver,
                     std::int64_t timespan)
{
    return UpdateUrl(base, "/Interface/check_version",
                     {{"res", res},
                      {"ver", ver},
                      {"app", std::string(kUpdateApp)},
                      {"timespan", std::to_string(timespan)}});
}

bool SendReport(std::string_view base, const std::string& uuid, const std::string& res,
                const std::string& ver, const CancelToken* cancel)
{
    int status = -1;
    std::string body;
    return FetchText(ReportUrl(base, uuid, res, ver, std::time(nullptr)), status, body, cancel) &&
           IsSuccessStatus(status);
}

bool CheckVersion(std::string_view base, const std::string& res, const std::string& ver, std::string& body,
                  const CancelToken* cancel)
{
    int status = -1;
    return FetchText(CheckUrl(base, res, ver, std::time(nullptr)), status, body, cancel) && status == 200;
}

std::string UpdateSource(const std::string& configSource)
{
    return configSource.empty() ? "cirran" : configSource;
}

} // namespace zym
