#include "platform/rc4.h"

#include <array>
#include <cstdint>
#include <utility>

namespace zym {

std::optional<std::string> Rc4(std::string_view key, std::string_view data)
{
    if (key.empty()) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 256> s{};
    for (std::size_t i = 0; i < s.size(); ++i) {
        s[i] = static_cast<std::uint8_t>(i);
    }
    std::uint8_t j = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        j = static_cast<std::uint8_t>(j + s[i] + static_cast<std::uint8_t>(key[i % key.size()]));
        std::swap(s[i], s[j]);
    }
    std::string out(data.size(), '\0');
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    for (std::size_t n = 0; n < data.size(); ++n) {
        a = static_cast<std::uint8_t>(a + 1);
        b = static_cast<std::uint8_t>(b + s[a]);
        std::swap(s[a], s[b]);
        const std::uint8_t k = s[static_cast<std::uint8_t>(s[a] + s[b])];
        out[n] = static_cast<char>(static_cast<std::uint8_t>(data[n]) ^ k);
    }
    return out;
}

} // namespace zym
