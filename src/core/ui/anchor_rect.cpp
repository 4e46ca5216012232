#include "ui/anchor_rect.h"

namespace zym {

Box AnchorRect(const AnchorLayout& layout, const Box& container)
{
    const auto [x, y, w, h] = layout;
    Box box;
    box.left = x < 0 ? x + container.right : x + container.left;
    box.top = y < 0 ? y + container.bottom : y + container.top;
    box.right = w <= 0 ? container.right + w : box.left + w;
    box.bottom = h <= 0 ? container.bottom + h : box.top + h;
    return box;
}

std::string FillPlaceholders(const std::string& text, const std::vector<std::string>& values)
{
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size()) {
            const char kind = text[i + 1];
            if (kind == '%') {
                out += '%';
                ++i;
                continue;
            }
            if (kind == 'd' || kind == 's') {
                out += next < values.size() ? values[next] : "";
                ++next;
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace zym
