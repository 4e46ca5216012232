#pragma once
// The RC4 stream cipher (no key-stream bytes discarded). It binds stored credentials to this
// machine; it is not meant to resist an attacker who can read the program.
#include <optional>
#include <string>
#include <string_view>

namespace zym {

// The fixed word of 8 lowercase letters that proves a key-file block opens on this machine;
// also the machine identifier when the file system cannot be asked.
inline constexpr std::string_view kCheckWord = "zymcheck";

// Encrypts or decrypts (the same operation) `data` under `key`. The result has as many bytes as
// `data`. An empty key cannot key the cipher: no result.
std::optional<std::string> Rc4(std::string_view key, std::string_view data);

} // namespace zym
