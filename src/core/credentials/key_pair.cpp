#include "credentials/key_pair.h"

#include "platform/digest.h"
#include "platform/rc4.h"

#include <cctype>

namespace zym {

std::optional<KeyPairBlocks> EncryptKeyPair(std::string_view id, std::string_view secret,
                                            std::string_view deviceKey)
{
    if (deviceKey.empty()) {
        return std::nullopt;
    }
    const std::string idKey = std::string(kKeyPrefix) + std::string(deviceKey);
    // The prefixed keys are never empty, so only the check block can fail (handled above).
    return KeyPairBlocks{*Rc4(deviceKey, kCheckWord), *Rc4(idKey, id), *Rc4(idKey + std::string(id), secret)};
}

std::optional<PlainKeyPair> DecryptKeyPair(const KeyPairBlocks& blocks, std::string_view deviceKey)
{
    if (deviceKey.empty()) {
        return std::nullopt;
    }
    if (!blocks.check.empty() && Rc4(deviceKey, blocks.check) != std::string(kCheckWord)) {
        return std::nullopt;
    }
    const std::string idKey = std::string(kKeyPrefix) + std::string(deviceKey);
    PlainKeyPair pair;
    pair.id = *Rc4(idKey, blocks.id);
    pair.secret = *Rc4(idKey + pair.id, blocks.secret);
    return pair;
}

std::string PasswordDigest(std::string_view machineIdentifier, std::string_view password)
{
    std::string hex = HexLower(Md5(std::string(machineIdentifier) + std::string(password)));
    for (char& c : hex) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return hex;
}

} // namespace zym
