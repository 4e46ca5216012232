#include "service/url_encoding.h"

namespace zym {
namespace {

bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

std::string Encode(std::string_view text, bool spaceAsPlus)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 3);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsUnreserved(c)) {
            out.push_back(ch);
        } else if (c == ' ' && spaceAsPlus) {
            out.push_back('+');
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 0x0F]);
        }
    }
    return out;
}

} // namespace

std::string FormEncode(std::string_view text)
{
    return Encode(text, true);
}

std::string PercentEncode(std::string_view text)
{
    return Encode(text, false);
}

} // namespace zym
