#include "platform/protected_text.h"

#include "platform/digest.h"
#include "platform/rc4.h"
#include "platform/utf16.h"

#include <openssl/evp.h>

namespace zym {

std::optional<std::string> Base64Decode(std::string_view text)
{
    if (text.empty()) {
        return std::string();
    }
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::string out(3 * (text.size() / 4) + 1, '\0');
    const int n =
        EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                        reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    if (n < 0) {
        return std::nullopt;
    }
    // EVP_DecodeBlock counts the padding as zero bytes: take them off again.
    std::size_t size = static_cast<std::size_t>(n);
    for (std::size_t pad = 0; pad < 2 && text[text.size() - 1 - pad] == '='; ++pad) {
        --size;
    }
    out.resize(size);
    return out;
}

std::optional<std::string> ProtectText(std::string_view plain, std::string_view deviceKey)
{
    std::optional<std::string> cipher = Rc4(deviceKey, plain);
    if (!cipher) {
        return std::nullopt;
    }
    return Base64Encode(*cipher);
}

std::string RestoreText(std::string_view stored, std::string_view deviceKey)
{
    const std::optional<std::string> cipher = Base64Decode(stored);
    if (!cipher) {
        return {};
    }
    const std::optional<std::string> plain = Rc4(deviceKey, *cipher);
    if (!plain) {
        return {};
    }
    return FromUtf16(ToUtf16(*plain));
}

} // namespace zym
