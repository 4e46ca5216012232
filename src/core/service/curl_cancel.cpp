#include "service/curl_cancel.h"

namespace zym {
namespace {

int TokenProgress(void* data, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const CancelToken*>(data)->IsCancelled() ? 1 : 0;
}

int FlagProgress(void* data, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const std::atomic<bool>*>(data)->load() ? 1 : 0;
}

} // namespace

void WatchCancel(CURL* handle, const CancelToken* token)
{
    if (token == nullptr)
        return;
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &TokenProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, const_cast<CancelToken*>(token));
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
}

void WatchCancel(CURL* handle, const std::atomic<bool>* flag)
{
    if (flag == nullptr)
        return;
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &FlagProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(flag));
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
}

} // namespace zym
