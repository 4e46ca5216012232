#pragma once
// Hashes, HMAC and Base64 over OpenSSL's EVP interface. Inputs are raw bytes (UTF-8 text is
// hashed as its bytes); digests come back as raw bytes unless the name says otherwise.
#include <string>
#include <string_view>

namespace zym {

std::string Md5(std::string_view data);  // 16 bytes
std::string Sha1(std::string_view data); // 20 bytes
// HMAC-SHA1 (RFC 2104) of any key and message length; 20 bytes.
std::string HmacSha1(std::string_view key, std::string_view message);
// RFC 4648 standard alphabet with "=" padding and no line breaks.
std::string Base64Encode(std::string_view bytes);
// Lowercase hexadecimal of the bytes.
std::string HexLower(std::string_view bytes);
// The 40 lowercase hexadecimal digits of the SHA-1 of the bytes.
std::string Sha1Hex(std::string_view data);

} // namespace zym
