#pragma once
// Placing a layout rectangle of the language document inside a container: a negative x or y
// counts from the right or bottom edge, a positive w or h is a size, and a w or h of 0 or less
// is a distance from the right or bottom edge. The all-zero rectangle fills the container.

#include <string>
#include <vector>

namespace zym {

// x, y, w, h of a layout rectangle as the language document gives it.
struct AnchorLayout
{
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
};

struct Box
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Box&) const = default;
};

Box AnchorRect(const AnchorLayout& layout, const Box& container);

// A language text with printf-style placeholders filled in order: each "%d" or "%s" takes the
// next value as it is (so a name holding "%" cannot disturb the rest), "%%" gives "%".
std::string FillPlaceholders(const std::string& text, const std::vector<std::string>& values);

} // namespace zym
