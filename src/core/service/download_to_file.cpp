#include "service/download_to_file.h"

#include "service/curl_cancel.h"
#include "service/curl_delegate.h"
#include "service/proxy.h"

namespace zym {

namespace {

struct FileWriter
{
    std::FILE* file;
    DownloadProgress* progress;
    const std::atomic<bool>* cancel;
};

size_t WriteBlock(char* data, size_t size, size_t count, void* target)
{
    const auto& writer = *static_cast<FileWriter*>(target);
    const size_t n = size * count;
    if (writer.cancel != nullptr && writer.cancel->load()) {
        return n == 0 ? 1 : 0; // anything but n makes libcurl abort
    }
    if (n != 0 && std::fwrite(data, 1, n, writer.file) != n) {
        return 0;
    }
    if (writer.progress != nullptr) {
        writer.progress->OnBlockWritten(static_cast<std::int64_t>(n));
    }
    return n;
}

} // namespace

bool DownloadToFile(const std::string& url, const std::string& userAgent, std::FILE* file,
                    DownloadProgress* progress, const std::atomic<bool>* cancel)
{
    if (file == nullptr) {
        return false;
    }
    curl_delegate curl;
    CURL* h = curl.handle();
    if (h == nullptr) {
        return false;
    }
    FileWriter writer{file, progress, cancel};
    curl_easy_reset(h);
    curl_easy_setopt(h, CURLOPT_HEADER, 0L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &WriteBlock);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &writer);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_USERAGENT, userAgent.c_str());
    ApplyProxy(h, url);
    // Also while the server is silent, not only when a block arrives.
    WatchCancel(h, cancel);
    // No overall limit (packages are large), but a server that sends nothing for a minute ends
    // the transfer instead of holding it open for ever.
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, 60L);
    const CURLcode result = curl_easy_perform(h);
    return result == CURLE_OK && std::fflush(file) == 0;
}

} // namespace zym
