#pragma once
// MD5 fed piece by piece (OpenSSL EVP), for checking a download against its ETag while it runs.
#include <memory>
#include <string>
#include <string_view>

struct evp_md_ctx_st;

namespace zym {

class Md5Stream
{
public:
    Md5Stream();
    ~Md5Stream();
    Md5Stream(const Md5Stream&) = delete;
    Md5Stream& operator=(const Md5Stream&) = delete;

    bool Ok() const { return ok_; }
    void Update(const void* data, size_t size);
    // Lowercase hexadecimal digest; the stream is used up.
    std::string FinalHex();

private:
    struct Free
    {
        void operator()(evp_md_ctx_st* ctx) const;
    };
    std::unique_ptr<evp_md_ctx_st, Free> ctx_;
    bool ok_ = false;
};

// True for an ETag that is a plain MD5: 32 hexadecimal digits, either case (a multipart
// ETag has a "-" and is not the MD5 of the bytes).
bool IsPlainMd5(std::string_view etag);

} // namespace zym
