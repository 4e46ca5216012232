#pragma once
// The machine-bound protection of an access key pair: three RC4 blocks keyed with a device key
// (MachineId, or the "encoding" a page gives when it writes a key file), and the digest under
// which a lock password is remembered. The fixed words below are part of the stored formats:
// key files and locked log-ins open only under the values they were written with.
#include <optional>
#include <string>
#include <string_view>

namespace zym {

// Joined before the device key when the id and secret blocks are keyed (10 ASCII characters).
inline constexpr std::string_view kKeyPrefix = "zymkeypair";

struct KeyPairBlocks
{
    std::string check;  // Rc4(K, check word); empty means "not checked" when reading
    std::string id;     // Rc4(prefix + K, id)
    std::string secret; // Rc4(prefix + K + id, secret)
};

struct PlainKeyPair
{
    std::string id;
    std::string secret;
};

// No result for an empty device key: the check block's key would be empty, which RC4 cannot use.
std::optional<KeyPairBlocks> EncryptKeyPair(std::string_view id, std::string_view secret,
                                            std::string_view deviceKey);

// No result when a non-empty check block does not decrypt to the check word (another device
// key), or when the device key is empty.
std::optional<PlainKeyPair> DecryptKeyPair(const KeyPairBlocks& blocks, std::string_view deviceKey);

// 32 uppercase hex digits of MD5(machineIdentifier + password): the identifier itself, not MachineId.
std::string PasswordDigest(std::string_view machineIdentifier, std::string_view password);

} // namespace zym
