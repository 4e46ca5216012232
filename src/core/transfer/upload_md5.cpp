#include "transfer/upload_md5.h"

#include <openssl/evp.h>

namespace zym {

RunningMd5::RunningMd5() : ctx_(EVP_MD_CTX_new())
{
    Restart();
}

RunningMd5::~RunningMd5()
{
    EVP_MD_CTX_free(ctx_);
}

void RunningMd5::Restart()
{
    EVP_DigestInit_ex(ctx_, EVP_md5(), nullptr);
}

void RunningMd5::Add(const void* data, std::size_t size)
{
    EVP_DigestUpdate(ctx_, data, size);
}

std::string RunningMd5::HexUpper()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx_, digest, &length);
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out += kHex[digest[i] >> 4];
        out += kHex[digest[i] & 15];
    }
    return out;
}

} // namespace zym
