#include "update/version_offer.h"

#include <algorithm>
#include <cctype>
#include <cjson/cJSON.h>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace zym {
namespace {

std::string StringMember(const cJSON* root, const char* name)
{
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(root, name);
    return cJSON_IsString(item) && item->valuestring ? item->valuestring : "";
}

bool IsHex(std::string_view text)
{
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<VersionOffer> ParseVersionOffer(std::string_view body, const std::string& current)
{
    if (body.empty()) {
        return std::nullopt;
    }
    std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_ParseWithLength(body.data(), body.size()),
                                                         cJSON_Delete);
    if (!root || !cJSON_IsObject(root.get())) {
        return std::nullopt;
    }
    VersionOffer offer;
    offer.version = StringMember(root.get(), "version");
    if (offer.version.empty()) {
        offer.version = current;
    }
    offer.downloadUrl = StringMember(root.get(), "downloadurl");
    offer.fileHash = StringMember(root.get(), "filehash");
    const cJSON* size = cJSON_GetObjectItemCaseSensitive(root.get(), "filesize");
    if (cJSON_IsNumber(size) && size->valuedouble > 0 && size->valuedouble < 9.0e18) {
        offer.fileSize = static_cast<std::int64_t>(std::trunc(size->valuedouble));
    }
    if (offer.fileSize == 0) {
        const std::string text = StringMember(root.get(), "filesize");
        offer.fileSize = std::max<long long>(0, std::strtoll(text.c_str(), nullptr, 10));
    }
    return offer;
}

bool IsUsableOffer(const VersionOffer& offer)
{
    if (offer.version.empty() || offer.version.size() > 64 || offer.version.front() == '.') {
        return false;
    }
    for (char c : offer.version) {
        if (!std::isalnum(static_cast<unsigned char>(c)) &&
            std::string_view(".-_+~").find(c) == std::string_view::npos) {
            return false;
        }
    }
    const bool web =
        offer.downloadUrl.rfind("http://", 0) == 0 || offer.downloadUrl.rfind("https://", 0) == 0;
    return web && offer.fileHash.size() == 40 && IsHex(offer.fileHash);
}

} // namespace zym
