#include "platform/utf16.h"

#include <algorithm>

namespace zym {
namespace {

// Decodes one code point at `i`; malformed bytes decode as U+FFFD, one byte at a time.
char32_t DecodeNext(std::string_view s, std::size_t& i)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    auto cont = [&](std::size_t k) { return k < s.size() && (static_cast<unsigned char>(s[k]) & 0xC0) == 0x80; };
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4;
        cp = b0 & 0x07;
    } else {
        ++i;
        return 0xFFFD;
    }
    for (int k = 1; k < len; ++k) {
        if (!cont(i + k)) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    i += len;
    return cp > 0x10FFFF ? 0xFFFD : cp;
}

template <typename Sink> void ForEachUnit(std::string_view s, Sink&& sink)
{
    std::size_t i = 0;
    while (i < s.size()) {
        char32_t cp = DecodeNext(s, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            sink(static_cast<char16_t>(0xD800 + (cp >> 10)));
            sink(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            sink(static_cast<char16_t>(cp));
        }
    }
}

} // namespace

std::u16string ToUtf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    ForEachUnit(utf8, [&](char16_t u) { out.push_back(u); });
    return out;
}

std::string FromUtf16(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::size_t Utf16Length(std::string_view utf8)
{
    std::size_t n = 0;
    ForEachUnit(utf8, [&](char16_t) { ++n; });
    return n;
}

int CompareUtf16(std::string_view a, std::string_view b)
{
    // ASCII-only texts compare the same bytewise and by UTF-16 units; only the rest is converted.
    const bool ascii = std::all_of(a.begin(), a.end(), [](char c) { return (c & 0x80) == 0; }) &&
                       std::all_of(b.begin(), b.end(), [](char c) { return (c & 0x80) == 0; });
    if (ascii) {
        const int c = a.compare(b);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    const std::u16string ua = ToUtf16(a);
    const std::u16string ub = ToUtf16(b);
    const int c = ua.compare(ub);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::string AsciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

} // namespace zym
