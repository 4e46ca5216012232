#include "service/service_host.h"

#include "platform/utf16.h"

namespace zym {

std::string ServiceDomainSuffix(std::string_view settingValue)
{
    std::string suffix(settingValue.empty() ? std::string_view(ZYM_SERVICE_DOMAIN_DEFAULT) : settingValue);
    if (!suffix.empty() && suffix.front() != '.') {
        suffix.insert(suffix.begin(), '.');
    }
    return suffix;
}

std::string ServiceHost(const ServiceEndpoint& endpoint, std::string_view bucketLocation)
{
    if (!endpoint.hostOverride.empty()) {
        return endpoint.hostOverride;
    }
    const std::string session = AsciiLower(endpoint.sessionLocation);
    if (!session.empty() && session.find(AsciiLower(bucketLocation)) != std::string::npos) {
        return endpoint.sessionLocation + endpoint.domainSuffix;
    }
    return std::string(bucketLocation) + endpoint.domainSuffix;
}

std::string RequestUrl(std::string_view text)
{
    const std::string lower = AsciiLower(text.substr(0, 8));
    if (lower.starts_with("http://") || lower.starts_with("https://")) {
        return std::string(text);
    }
    return "http://" + std::string(text);
}

} // namespace zym
