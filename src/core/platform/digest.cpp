#include "platform/digest.h"

#include <algorithm>
#include <memory>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/params.h>

namespace zym {
namespace {

std::string DigestOf(const EVP_MD* md, std::string_view data)
{
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (EVP_Digest(data.data(), data.size(), out, &len, md, nullptr) != 1) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(out), len);
}

// Fetching the HMAC implementation is a provider lookup; doing it once keeps a signature at the
// cost of the hashing itself. The fetched object is immutable and safe to share between threads.
EVP_MAC* HmacImplementation()
{
    static const std::unique_ptr<EVP_MAC, decltype(&EVP_MAC_free)> mac(
        EVP_MAC_fetch(nullptr, "HMAC", nullptr), &EVP_MAC_free);
    return mac.get();
}

} // namespace

std::string Md5(std::string_view data)
{
    return DigestOf(EVP_md5(), data);
}

std::string Sha1(std::string_view data)
{
    return DigestOf(EVP_sha1(), data);
}

std::string HmacSha1(std::string_view key, std::string_view message)
{
    EVP_MAC* mac = HmacImplementation();
    if (mac == nullptr) {
        return {};
    }
    std::unique_ptr<EVP_MAC_CTX, decltype(&EVP_MAC_CTX_free)> ctx(EVP_MAC_CTX_new(mac), &EVP_MAC_CTX_free);
    if (!ctx) {
        return {};
    }
    char digestName[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digestName, 0),
                                 OSSL_PARAM_construct_end()};
    // A null key would mean "keep the previous key"; an empty key must still be set as empty.
    static const unsigned char emptyKey[1] = {0};
    const auto* keyBytes = key.empty() ? emptyKey : reinterpret_cast<const unsigned char*>(key.data());
    unsigned char out[EVP_MAX_MD_SIZE];
    std::size_t len = 0;
    if (EVP_MAC_init(ctx.get(), keyBytes, key.size(), params) != 1 ||
        EVP_MAC_update(ctx.get(), reinterpret_cast<const unsigned char*>(message.data()), message.size()) !=
            1 ||
        EVP_MAC_final(ctx.get(), out, &len, sizeof out) != 1) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(out), len);
}

std::string Base64Encode(std::string_view bytes)
{
    // EVP_EncodeBlock takes an int length; whole groups of 3 bytes per chunk keep the chunks
    // joinable without padding in the middle.
    constexpr std::size_t chunk = 3 * (1u << 20);
    std::string out;
    out.reserve(4 * ((bytes.size() + 2) / 3) + 1);
    for (std::size_t pos = 0; pos < bytes.size(); pos += chunk) {
        const std::size_t n = std::min(chunk, bytes.size() - pos);
        const std::size_t at = out.size();
        out.resize(at + 4 * ((n + 2) / 3) + 1); // the block ends with a terminating zero
        const int written =
            EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data() + at),
                            reinterpret_cast<const unsigned char*>(bytes.data() + pos), static_cast<int>(n));
        out.resize(at + static_cast<std::size_t>(written > 0 ? written : 0));
    }
    return out;
}

std::string HexLower(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 0x0F]);
    }
    return out;
}

std::string Sha1Hex(std::string_view data)
{
    return HexLower(Sha1(data));
}

} // namespace zym
