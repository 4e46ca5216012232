#include "service/curl_delegate.h"

namespace zym {

curl_delegate::~curl_delegate()
{
    if (handle_ != nullptr) {
        curl_easy_cleanup(handle_);
        handle_ = nullptr;
    }
}

CurlHeaderList::~CurlHeaderList()
{
    curl_slist_free_all(list_);
}

bool CurlHeaderList::Append(const char* line)
{
    curl_slist* grown = curl_slist_append(list_, line);
    if (grown == nullptr) {
        return false;
    }
    list_ = grown;
    return true;
}

CurlGlobal::CurlGlobal() : ok_(curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK) {}

CurlGlobal::~CurlGlobal()
{
    if (ok_) {
        curl_global_cleanup();
    }
}

} // namespace zym
