#pragma once
// MD5 fed piece by piece (OpenSSL EVP): a download checked against its ETag while it runs, and
// each upload part as it is read (one stream per connection, restarted part after part, no
// allocation per part).
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
    // Forgets what was fed and starts a new digest.
    void Restart();
    void Update(const void* data, size_t size);
    // Hexadecimal digest (lower case unless asked otherwise); the stream is used up until the
    // next Restart. "" when the digest failed.
    std::string FinalHex(bool upperCase = false);

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
