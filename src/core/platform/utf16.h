#pragma once
// Core text is UTF-8; a few rules of the system count or compare UTF-16 code units
// (settings length limit, canonical header and parameter order). These helpers do that
// without converting whole strings where it is not needed.
#include <string>
#include <string_view>

namespace zym {

std::u16string ToUtf16(std::string_view utf8);
std::string FromUtf16(std::u16string_view utf16);

// Number of UTF-16 code units the UTF-8 text would need.
std::size_t Utf16Length(std::string_view utf8);

// Orders two UTF-8 texts by their UTF-16 code units compared as unsigned 16-bit values;
// a text that is a prefix of another sorts first. Returns <0, 0 or >0.
int CompareUtf16(std::string_view a, std::string_view b);

// Lower-cases ASCII letters only; other bytes pass unchanged.
std::string AsciiLower(std::string_view text);

} // namespace zym
