#include "transfer/md5_stream.h"

#include <openssl/evp.h>

namespace zym {

void Md5Stream::Free::operator()(evp_md_ctx_st* ctx) const
{
    EVP_MD_CTX_free(ctx);
}

Md5Stream::Md5Stream() : ctx_(EVP_MD_CTX_new())
{
    Restart();
}

void Md5Stream::Restart()
{
    ok_ = ctx_ && EVP_DigestInit_ex(ctx_.get(), EVP_md5(), nullptr) == 1;
}

Md5Stream::~Md5Stream() = default;

void Md5Stream::Update(const void* data, size_t size)
{
    if (ok_ && size > 0) {
        ok_ = EVP_DigestUpdate(ctx_.get(), data, size) == 1;
    }
}

std::string Md5Stream::FinalHex(bool upperCase)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!ok_ || EVP_DigestFinal_ex(ctx_.get(), digest, &length) != 1) {
        ok_ = false;
        return {};
    }
    ok_ = false;
    const char* kHex = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 15];
    }
    return hex;
}

bool IsPlainMd5(std::string_view etag)
{
    if (etag.size() != 32) {
        return false;
    }
    for (char c : etag) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex) {
            return false;
        }
    }
    return true;
}

} // namespace zym
