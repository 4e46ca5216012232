#pragma once
// Which host serves a bucket, and the form of a request address.
#include <string>
#include <string_view>

namespace zym {

// The service domain suffix: the "ServiceDomain" settings value when it is not empty, else the build's
// default (ZYM_SERVICE_DOMAIN). A value given without its leading "." gets one.
std::string ServiceDomainSuffix(std::string_view settingValue);

// The login's host data that decides the host of a bucket.
struct ServiceEndpoint
{
    std::string hostOverride;    // complete host chosen through the page; wins when set
    std::string sessionLocation; // location word of the logged-in account
    std::string domainSuffix;    // ".zymcloud.com", ".zym.localhost:PORT", ...
};

// The host that follows "bucket." in a request address. Without an override: the session's
// location when it contains the bucket's location (compared without regard to case, e.g. an
// internal-network name of the same region), else the bucket's location; plus the suffix.
std::string ServiceHost(const ServiceEndpoint& endpoint, std::string_view bucketLocation);

// Prefixes "http://" unless the text already names its scheme (http:// or https://).
std::string RequestUrl(std::string_view text);

} // namespace zym
