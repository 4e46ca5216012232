// The key file a user picks to log in: any bytes. What parses must be the file's own blocks
// (written again, they are the file's start), and a key pair decrypted from it encrypts back
// to the same blocks.
#include "credentials/key_file.h"
#include "credentials/key_pair.h"
#include "fuzz_check.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto blocks = zym::ParseKeyFile(bytes);
    if (!blocks) {
        return 0;
    }
    FUZZ_CHECK(size >= zym::kKeyFileMinSize && size <= zym::kKeyFileMaxSize);
    const std::string written = zym::FormatKeyFile(*blocks);
    FUZZ_CHECK(written.size() <= size && bytes.substr(0, written.size()) == written);

    for (std::string_view deviceKey : {std::string_view("0123456789abcdef"), std::string_view("d")}) {
        const auto pair = zym::DecryptKeyPair(*blocks, deviceKey);
        if (!pair) {
            FUZZ_CHECK(!blocks->check.empty());
            continue;
        }
        const auto again = zym::EncryptKeyPair(pair->id, pair->secret, deviceKey);
        FUZZ_CHECK(again.has_value());
        FUZZ_CHECK(again->id == blocks->id && again->secret == blocks->secret);
    }
    return 0;
}
