#pragma once
// The two URL encodings used by the client. Both work on the UTF-8 bytes of the text and keep
// only A-Z, a-z, 0-9, "-", ".", "_" and "~"; every other byte becomes "%XX" in upper-case
// hexadecimal. They differ only in the space.
#include <string>
#include <string_view>

namespace zym {

// Object keys in request URLs and list parameters: a space becomes "+" (so "a b/c" is "a+b%2Fc").
std::string FormEncode(std::string_view text);

// RFC 3986 percent-encoding for query-style signatures: a space becomes "%20"; the result never
// holds "+" or "*".
std::string PercentEncode(std::string_view text);

} // namespace zym
