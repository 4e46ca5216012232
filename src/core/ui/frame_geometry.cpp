#include "ui/frame_geometry.h"

#include <algorithm>

namespace zym {

namespace {

FrameSkin BaseSkin()
{
    FrameSkin skin;
    auto at = [&skin](FrameSlice s) -> FrameRect& {
        return skin.slices[static_cast<int>(s)];
    };
    at(FrameSlice::TopLeft) = {0, 0, 5, 30};
    at(FrameSlice::Top) = {5, 0, 5, 30};
    at(FrameSlice::TopRight) = {10, 0, 5, 30};
    at(FrameSlice::Left) = {0, 30, 1, 1};
    at(FrameSlice::Right) = {13, 30, 1, 1};
    at(FrameSlice::BottomLeft) = {0, 31, 1, 1};
    at(FrameSlice::Bottom) = {5, 31, 1, 1};
    at(FrameSlice::BottomRight) = {13, 31, 1, 1};
    // Title text is white: the caption image is a dark band, on which black text would not be legible.
    skin.titleColour = 0xFFFFFF;
    return skin;
}

// Keeps a piece only when it has a size and shows inside the window.
void Add(std::vector<SlicePlace>& places, const FrameSkin& skin, FrameSlice slice, FrameRect target,
         const FrameRect& window)
{
    const bool overlaps = target.x < window.Right() && target.Right() > window.x &&
                          target.y < window.Bottom() && target.Bottom() > window.y;
    if (!target.Empty() && overlaps)
        places.push_back({slice, skin.slices[static_cast<int>(slice)], target});
}

} // namespace

FrameSkin WebFrameSkin(bool hasMaximiseBox)
{
    FrameSkin skin = BaseSkin();
    skin.borderImage = "/image/border.png";
    skin.buttons.push_back({"/image/menuclose.png", -33, 2, 31, 24, 4, kFrameMsgClose});
    if (hasMaximiseBox) {
        skin.buttons.push_back({"/image/menumax.png", -64, 2, 31, 24, 8, kFrameMsgMaximise});
        skin.buttons.push_back({"/image/menumin.png", -95, 2, 31, 24, 4, kFrameMsgMinimise});
    } else {
        skin.buttons.push_back({"/image/menumin.png", -64, 2, 31, 24, 4, kFrameMsgMinimise});
    }
    return skin;
}

FrameSkin LoginFrameSkin()
{
    FrameSkin skin = BaseSkin();
    skin.borderImage = "/image/loginborder.png";
    skin.titleColour = 0xFFFFFF;
    skin.buttons.push_back({"/image/loginmenuclose.png", -28, 10, 16, 16, 4, kFrameMsgClose});
    return skin;
}

FrameMargins ClientMargins(const FrameSkin& skin, bool maximised, int maximisedOffset)
{
    FrameMargins m{skin.leftBorder, skin.captionHeight, skin.rightBorder, skin.bottomBorder};
    if (maximised) {
        m.left += maximisedOffset + 1;
        m.top += maximisedOffset;
        m.right += maximisedOffset + 1;
        m.bottom += maximisedOffset;
    }
    return m;
}

FrameRect ClientRect(const FrameSkin& skin, int windowWidth, int windowHeight, bool maximised,
                     int maximisedOffset)
{
    const FrameMargins m = ClientMargins(skin, maximised, maximisedOffset);
    return {m.left, m.top, std::max(0, windowWidth - m.left - m.right),
            std::max(0, windowHeight - m.top - m.bottom)};
}

std::vector<SlicePlace> SlicePlaces(const FrameSkin& skin, int windowWidth, int windowHeight, bool maximised,
                                    int maximisedOffset)
{
    std::vector<SlicePlace> places;
    const int w = windowWidth;
    const int h = windowHeight;
    const FrameMargins m = ClientMargins(skin, maximised, maximisedOffset);
    const FrameRect window{0, 0, w, h};

    // Caption: the corners keep their width, the edge between them stretches.
    const int top = maximisedOffset;
    const int cap = skin.captionHeight;
    const int tl = std::min(skin.slices[static_cast<int>(FrameSlice::TopLeft)].width, w);
    const int tr = std::min(skin.slices[static_cast<int>(FrameSlice::TopRight)].width, w - tl);
    Add(places, skin, FrameSlice::TopLeft, {0, top, tl, cap}, window);
    Add(places, skin, FrameSlice::Top, {tl, top, w - tl - tr, cap}, window);
    Add(places, skin, FrameSlice::TopRight, {w - tr, top, tr, cap}, window);

    // The other three sides fill the margins around the client area.
    const int sideHeight = h - m.top - m.bottom;
    Add(places, skin, FrameSlice::Left, {0, m.top, m.left, sideHeight}, window);
    Add(places, skin, FrameSlice::Right, {w - m.right, m.top, m.right, sideHeight}, window);
    Add(places, skin, FrameSlice::BottomLeft, {0, h - m.bottom, m.left, m.bottom}, window);
    Add(places, skin, FrameSlice::Bottom, {m.left, h - m.bottom, w - m.left - m.right, m.bottom}, window);
    Add(places, skin, FrameSlice::BottomRight, {w - m.right, h - m.bottom, m.right, m.bottom}, window);
    return places;
}

FrameRect CaptionBand(const FrameSkin& skin, int windowWidth, int maximisedOffset)
{
    return {0, maximisedOffset, std::max(0, windowWidth), skin.captionHeight};
}

FrameRect ButtonPlace(const FrameButton& button, const FrameRect& window, int maximisedOffset)
{
    return {window.Right() + button.x - maximisedOffset, window.y + button.y + maximisedOffset, button.width,
            button.height};
}

FrameRect IconPlace(const FrameSkin& skin, int maximisedOffset)
{
    const FrameRect& icon = skin.iconPlace;
    return {icon.x + maximisedOffset, icon.y + maximisedOffset, icon.width, icon.height};
}

FrameRect TitlePlace(const FrameSkin& skin, int windowWidth, int maximisedOffset)
{
    const FrameRect icon = IconPlace(skin, maximisedOffset);
    const int left = icon.Right() + skin.titleGap;
    int right = windowWidth - maximisedOffset - skin.titleRightMargin;
    // A long title would otherwise be drawn over the buttons.
    const FrameRect window{0, 0, windowWidth, 0};
    for (const FrameButton& b : skin.buttons)
        right = std::min(right, ButtonPlace(b, window, maximisedOffset).x - skin.titleGap);
    return {left, skin.titleTop + maximisedOffset, std::max(0, right - left), skin.titleHeight};
}

int ImageColumn(const FrameButton& button, bool windowMaximised)
{
    int column = std::clamp(button.state, 0, 3);
    if (windowMaximised && button.message == kFrameMsgMaximise && button.columns >= 8)
        column += 4;
    return std::min(column, std::max(0, button.columns - 1));
}

FrameRect ImageColumnSource(const FrameButton& button, bool windowMaximised, int imageWidth, int imageHeight)
{
    if (button.columns <= 0 || imageHeight <= 0)
        return {};
    const int columnWidth = imageWidth / button.columns;
    if (columnWidth <= 0)
        return {};
    return {ImageColumn(button, windowMaximised) * columnWidth, 0, columnWidth, imageHeight};
}

int ButtonAt(const std::vector<FrameButton>& buttons, int windowWidth, int maximisedOffset, int px, int py)
{
    const FrameRect window{0, 0, windowWidth, 0};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (ButtonPlace(buttons[i], window, maximisedOffset).Contains(px, py))
            return static_cast<int>(i);
    }
    return -1;
}

bool UpdateHoverStates(std::vector<FrameButton>& buttons, int windowWidth, int maximisedOffset, int px,
                       int py)
{
    const int hovered = ButtonAt(buttons, windowWidth, maximisedOffset, px, py);
    bool changed = false;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        FrameButton& b = buttons[i];
        if (b.state == kButtonDisabled)
            continue;
        const int state = static_cast<int>(i) == hovered ? kButtonHover : kButtonNormal;
        changed = changed || b.state != state;
        b.state = state;
    }
    return changed;
}

bool ResetButtonStates(std::vector<FrameButton>& buttons)
{
    bool changed = false;
    for (FrameButton& b : buttons) {
        if (b.state != kButtonDisabled && b.state != kButtonNormal) {
            b.state = kButtonNormal;
            changed = true;
        }
    }
    return changed;
}

FrameHitResult HitTest(const FrameSkin& skin, int windowWidth, int windowHeight, int px, int py,
                       const FrameHitOptions& options)
{
    const int w = windowWidth;
    const int h = windowHeight;
    if (!FrameRect{0, 0, w, h}.Contains(px, py))
        return {};
    const int button = ButtonAt(skin.buttons, w, options.maximisedOffset, px, py);
    if (button >= 0)
        return {FrameHit::Button, button};

    if (options.resizable && !options.maximised) {
        bool left = px < options.grip;
        bool right = !left && px >= w - options.grip;
        bool top = py < options.grip;
        bool bottom = !top && py >= h - options.grip;
        // Near a corner, a point on either edge sizes both ways: a one-pixel target is hard to hit.
        if (left || right) {
            top = top || py < options.cornerGrip;
            bottom = !top && (bottom || py >= h - options.cornerGrip);
        }
        if (top || bottom) {
            left = left || px < options.cornerGrip;
            right = !left && (right || px >= w - options.cornerGrip);
        }
        if (top && left)
            return {FrameHit::TopLeft};
        if (top && right)
            return {FrameHit::TopRight};
        if (bottom && left)
            return {FrameHit::BottomLeft};
        if (bottom && right)
            return {FrameHit::BottomRight};
        if (left)
            return {FrameHit::Left};
        if (right)
            return {FrameHit::Right};
        if (top)
            return {FrameHit::Top};
        if (bottom)
            return {FrameHit::Bottom};
    }

    const FrameMargins m = ClientMargins(skin, options.maximised, options.maximisedOffset);
    if (py < m.top)
        return {FrameHit::Caption};
    if (ClientRect(skin, w, h, options.maximised, options.maximisedOffset).Contains(px, py))
        return {FrameHit::Client};
    return {FrameHit::Border};
}

FrameRect DragResize(const FrameRect& start, FrameHit edge, int dx, int dy, int minWidth, int minHeight)
{
    const bool left = edge == FrameHit::Left || edge == FrameHit::TopLeft || edge == FrameHit::BottomLeft;
    const bool right = edge == FrameHit::Right || edge == FrameHit::TopRight || edge == FrameHit::BottomRight;
    const bool top = edge == FrameHit::Top || edge == FrameHit::TopLeft || edge == FrameHit::TopRight;
    const bool bottom =
        edge == FrameHit::Bottom || edge == FrameHit::BottomLeft || edge == FrameHit::BottomRight;
    const int minW = std::max(0, minWidth);
    const int minH = std::max(0, minHeight);

    FrameRect r = start;
    if (right)
        r.width = std::max(minW, start.width + dx);
    if (bottom)
        r.height = std::max(minH, start.height + dy);
    if (left) {
        r.width = std::max(minW, start.width - dx);
        r.x = start.Right() - r.width;
    }
    if (top) {
        r.height = std::max(minH, start.height - dy);
        r.y = start.Bottom() - r.height;
    }
    return r;
}

std::vector<std::pair<int, int>> CutCornerPixels(int windowWidth, int windowHeight)
{
    const int w = windowWidth;
    const std::pair<int, int> candidates[] = {{0, 0}, {1, 0}, {0, 1}, {w - 1, 0}, {w - 2, 0}, {w - 1, 1}};
    std::vector<std::pair<int, int>> cut;
    for (const auto& p : candidates) {
        const bool inside = p.first >= 0 && p.first < w && p.second >= 0 && p.second < windowHeight;
        if (inside && std::find(cut.begin(), cut.end(), p) == cut.end())
            cut.push_back(p);
    }
    return cut;
}

} // namespace zym
