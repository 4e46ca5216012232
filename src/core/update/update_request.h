#pragma once
// The two requests to the update server: the usage report sent once per start and the version
// check. Both are GETs whose parameters travel in the URL path ("/name/value" pairs, values
// form-encoded) and end with a signature the server checks with the same fixed key.
#include "platform/cancel_token.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zym {

using UpdateParams = std::vector<std::pair<std::string, std::string>>;

// The key the update server shares with every installation (9 lowercase letters).
inline constexpr std::string_view kUpdateSigningKey = "zymupdate";
// The User-Agent of the installer download, agreed with the server (40 hex digits).
inline constexpr std::string_view kUpdateUserAgent = "5a796d436c69656e745570646174657220312e30";
// The platform word this build reports.
inline constexpr std::string_view kUpdateApp = "linux";

// Base64 of HMAC-SHA1 over the values sorted by lower-cased name, joined with "\n"; every "/"
// of the Base64 text becomes "-".
std::string SignUpdateRequest(const UpdateParams& params);

// base + path + "/name/FormEncode(value)" for each parameter in order, then "/sign/<signature>".
std::string UpdateUrl(std::string_view base, std::string_view path, UpdateParams params);

// The report's and the check's URLs for the time `timespan` (seconds since 1970).
std::string ReportUrl(std::string_view base, const std::string& uuid, const std::string& res,
                      const std::string& ver, std::int64_t timespan);
std::string CheckUrl(std::string_view base, const std::string& res, const std::string& ver,
                     std::int64_t timespan);

// True when the server answered 200 to 399. Failures are silent: the next start tries again.
// Cancelling `cancel` (may be null) ends either request at once, as the program's stop does.
bool SendReport(std::string_view base, const std::string& uuid, const std::string& res,
                const std::string& ver, const CancelToken* cancel = nullptr);
// True when the server answered 200 exactly; body receives the reply.
bool CheckVersion(std::string_view base, const std::string& res, const std::string& ver, std::string& body,
                  const CancelToken* cancel = nullptr);

// "cirran" when the UI folder's configuration names no source.
std::string UpdateSource(const std::string& configSource);

} // namespace zym
