#pragma once
// The process-wide proxy: taken once at start-up from the user's proxy environment
// (http_proxy, https_proxy, all_proxy, no_proxy, upper-case names too) and applied to every
// transfer.
#include <curl/curl.h>
#include <functional>
#include <string>

namespace zym {

struct ProxySettings
{
    bool enabled = false;
    long type = CURLPROXY_HTTP_1_0; // a scheme written in the proxy text ("socks5://") wins
    std::string host;               // proxy for http:// addresses; may carry ":port"
    std::string httpsHost;          // proxy for https:// addresses; empty means none
    long port = 0;                  // 0: from the host text, else libcurl's default
    std::string noProxy;            // libcurl's NOPROXY list (hosts reached directly)
};

// Reads the proxy environment through getenv (injectable for tests). http_proxy serves
// http:// addresses, https_proxy https:// ones, all_proxy both when the specific one is
// missing; the lower-case name is tried before the upper-case one.
ProxySettings DetectProxy(const std::function<const char*(const char*)>& getenv = {});

// Sets the proxy used by ApplyProxy from now on. Called once at start-up when the Proxy
// setting is on; before that (or without it) transfers go direct.
void SetProcessProxy(const ProxySettings& settings);
ProxySettings ProcessProxy();

// Start-up: with the Proxy setting on, the proxy environment as DetectProxy reads it; off,
// direct connections.
void ConfigureProcessProxy(bool proxySettingOn);

// Connect time-out of 30 s and the proxy for this URL's scheme. Without a proxy it tells
// libcurl so explicitly, so that libcurl's own reading of the environment cannot bring in
// a proxy the user switched off.
void ApplyProxy(CURL* handle, const std::string& url);
void ApplyProxy(CURL* handle, const std::string& url, const ProxySettings& settings);

} // namespace zym
