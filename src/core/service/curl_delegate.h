#pragma once
// Ownership of libcurl resources: one easy handle per request (or per transfer
// connection) and the header lists handed to it.
#include <curl/curl.h>

namespace zym {

// Owns one libcurl easy handle for the life of one request; the handle is never shared
// between threads.
class curl_delegate
{
public:
    curl_delegate() : handle_(curl_easy_init()) {}
    virtual ~curl_delegate();

    curl_delegate(const curl_delegate&) = delete;
    curl_delegate& operator=(const curl_delegate&) = delete;

    CURL* handle() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    CURL* handle_;
};

// A curl_slist freed when the owner goes away (right after the transfer that used it).
class CurlHeaderList
{
public:
    CurlHeaderList() = default;
    ~CurlHeaderList();
    CurlHeaderList(const CurlHeaderList&) = delete;
    CurlHeaderList& operator=(const CurlHeaderList&) = delete;

    // False when libcurl could not allocate the entry; the list is unchanged then.
    bool Append(const char* line);
    curl_slist* get() const { return list_; }

private:
    curl_slist* list_ = nullptr;
};

// libcurl's process-wide state: initialised when the first instance is made (the transfer
// engine makes one at start) and cleaned up when that instance goes away at exit.
class CurlGlobal
{
public:
    CurlGlobal();
    ~CurlGlobal();
    CurlGlobal(const CurlGlobal&) = delete;
    CurlGlobal& operator=(const CurlGlobal&) = delete;
    bool ok() const { return ok_; }

private:
    bool ok_;
};

} // namespace zym
