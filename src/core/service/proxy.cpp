#include "service/proxy.h"

#include <cctype>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace zym {

namespace {

std::mutex proxyLock;
ProxySettings processProxy;

std::string EnvValue(const std::function<const char*(const char*)>& getenv, const char* lower,
                     const char* upper)
{
    for (const char* name : {lower, upper}) {
        const char* value = getenv(name);
        if (value != nullptr && *value != '\0') {
            return value;
        }
    }
    return {};
}

bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    size_t i = 0;
    for (; prefix[i] != '\0'; ++i) {
        if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

ProxySettings DetectProxy(const std::function<const char*(const char*)>& getenv)
{
    const std::function<const char*(const char*)> read =
        getenv ? getenv : [](const char* name) -> const char* {
        return std::getenv(name);
    };
    ProxySettings settings;
    const std::string all = EnvValue(read, "all_proxy", "ALL_PROXY");
    settings.host = EnvValue(read, "http_proxy", "HTTP_PROXY");
    settings.httpsHost = EnvValue(read, "https_proxy", "HTTPS_PROXY");
    if (settings.host.empty()) {
        settings.host = all;
    }
    if (settings.httpsHost.empty()) {
        settings.httpsHost = all;
    }
    settings.noProxy = EnvValue(read, "no_proxy", "NO_PROXY");
    settings.enabled = !settings.host.empty() || !settings.httpsHost.empty();
    return settings;
}

void SetProcessProxy(const ProxySettings& settings)
{
    std::lock_guard lock(proxyLock);
    processProxy = settings;
}

void ConfigureProcessProxy(bool proxySettingOn)
{
    SetProcessProxy(proxySettingOn ? DetectProxy() : ProxySettings{});
}

ProxySettings ProcessProxy()
{
    std::lock_guard lock(proxyLock);
    return processProxy;
}

void ApplyProxy(CURL* handle, const std::string& url)
{
    ApplyProxy(handle, url, ProcessProxy());
}

void ApplyProxy(CURL* handle, const std::string& url, const ProxySettings& settings)
{
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, 30L);
    const std::string& proxy = StartsWithNoCase(url, "https://") ? settings.httpsHost : settings.host;
    if (!settings.enabled || proxy.empty()) {
        curl_easy_setopt(handle, CURLOPT_PROXY, "");
        return;
    }
    curl_easy_setopt(handle, CURLOPT_PROXYTYPE, settings.type);
    curl_easy_setopt(handle, CURLOPT_PROXY, proxy.c_str());
    curl_easy_setopt(handle, CURLOPT_PROXYPORT, settings.port);
    if (!settings.noProxy.empty()) {
        curl_easy_setopt(handle, CURLOPT_NOPROXY, settings.noProxy.c_str());
    }
}

} // namespace zym
