// Geometry of the self-drawn window frame: caption and border slices, button places, image columns,
// client margins, rounded corners and hit-testing. Pure functions over plain records, so the shell only
// paints and forwards pointer events, and every number can be tested without a display.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zym {

// Numbered window messages of the frame. The buttons post them; the window turns them into actions.
inline constexpr int kFrameMsgNothing = 2024;
inline constexpr int kFrameMsgMinimise = 2025;
inline constexpr int kFrameMsgMaximise = 2026;
inline constexpr int kFrameMsgClose = 2027;
inline constexpr int kFrameMsgRepaint = 1155; // sent after a title change

// Button states; each is also the image column drawn for it.
inline constexpr int kButtonNormal = 0;
inline constexpr int kButtonHover = 1;
inline constexpr int kButtonPressed = 2; // the images carry a column for it; nothing sets it
inline constexpr int kButtonDisabled = 3;

struct FrameRect
{
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int Right() const { return x + width; }   // exclusive
    int Bottom() const { return y + height; } // exclusive
    bool Empty() const { return width <= 0 || height <= 0; }
    bool Contains(int px, int py) const { return px >= x && px < Right() && py >= y && py < Bottom(); }
    bool operator==(const FrameRect&) const = default;
};

// The eight pieces cut from the border image.
enum class FrameSlice
{
    TopLeft,
    Top,
    TopRight,
    Left,
    Right,
    BottomLeft,
    Bottom,
    BottomRight,
};
inline constexpr int kFrameSliceCount = 8;

struct FrameButton
{
    std::string image; // path below the install folder, starting with "/"
    int x = 0;         // negative: from the window's right edge
    int y = 0;         // from the window's top edge
    int width = 0;
    int height = 0;
    int columns = 4; // 8 for the maximise button: four more for the maximised look
    int message = kFrameMsgNothing;
    int state = kButtonNormal;
};

struct FrameSkin
{
    int captionHeight = 30;
    int leftBorder = 1;
    int rightBorder = 1;
    int bottomBorder = 1;
    std::array<FrameRect, kFrameSliceCount> slices{}; // indexed by FrameSlice
    FrameRect iconPlace{10, 8, 16, 16};
    int titleGap = 5; // between icon and title
    int titleTop = 6;
    int titleHeight = 20;
    int titleRightMargin = 30;     // from the window's right edge
    std::uint32_t titleColour = 0; // 0xRRGGBB
    std::string borderImage;       // path below the install folder, starting with "/"
    std::vector<FrameButton> buttons;
};

// The frame of every web window; without a maximise box the minimise button takes the maximise place.
FrameSkin WebFrameSkin(bool hasMaximiseBox);
// The login window's frame: its own border image, a white title and a single small close button.
FrameSkin LoginFrameSkin();

struct FrameMargins
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const FrameMargins&) const = default;
};

// Distance of the client area from each window edge. While maximised the offset is added on every side
// and one more pixel on the left and right.
FrameMargins ClientMargins(const FrameSkin& skin, bool maximised, int maximisedOffset);
// Client rectangle in window coordinates; never negative in size.
FrameRect ClientRect(const FrameSkin& skin, int windowWidth, int windowHeight, bool maximised,
                     int maximisedOffset);

struct SlicePlace
{
    FrameSlice slice;
    FrameRect source; // in the border image
    FrameRect target; // in window coordinates
};

// Where each border slice goes for a window of the given size: corners at their size, edges stretched.
// The caption pieces sit at the maximised offset; the other edges fill the client margins.
std::vector<SlicePlace> SlicePlaces(const FrameSkin& skin, int windowWidth, int windowHeight, bool maximised,
                                    int maximisedOffset);

// The caption band: the whole window width, the caption height, at the maximised offset.
FrameRect CaptionBand(const FrameSkin& skin, int windowWidth, int maximisedOffset);

// A button's place against the window rectangle (screen or window coordinates alike):
// left = window right + x - offset, top = window top + y + offset.
FrameRect ButtonPlace(const FrameButton& button, const FrameRect& window, int maximisedOffset);

// Icon and title places in window coordinates for a window whose top-left is (0, 0).
FrameRect IconPlace(const FrameSkin& skin, int maximisedOffset);
// The title stops 30 pixels from the right edge and never runs under a button.
FrameRect TitlePlace(const FrameSkin& skin, int windowWidth, int maximisedOffset);

// The image column for a button's state; the maximise button uses its second set while maximised.
int ImageColumn(const FrameButton& button, bool windowMaximised);
// The source rectangle of that column in an image of the given size; empty when the image is empty.
FrameRect ImageColumnSource(const FrameButton& button, bool windowMaximised, int imageWidth, int imageHeight);

// Index of the button under a point (window coordinates of a window at (0, 0)), or -1.
int ButtonAt(const std::vector<FrameButton>& buttons, int windowWidth, int maximisedOffset, int px, int py);
// The button under the pointer gets hover, the others normal; disabled buttons keep their state.
// Returns whether any state changed (the frame then repaints).
bool UpdateHoverStates(std::vector<FrameButton>& buttons, int windowWidth, int maximisedOffset, int px,
                       int py);
// Every enabled button back to normal; returns whether any state changed.
bool ResetButtonStates(std::vector<FrameButton>& buttons);

enum class FrameHit
{
    Outside,
    Client,
    Caption,
    Button,
    Border, // the thin border of a window that cannot be resized
    Left,
    Right,
    Top,
    Bottom,
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight,
};

struct FrameHitOptions
{
    bool resizable = false;
    bool maximised = false;
    int maximisedOffset = 0;
    int grip = 4;        // thickness of the sizing zones at the window edges
    int cornerGrip = 12; // length along an edge that still counts as the corner
};

struct FrameHitResult
{
    FrameHit hit = FrameHit::Outside;
    int button = -1; // index into the skin's buttons when hit is Button
    bool operator==(const FrameHitResult&) const = default;
};

// What a point of the window (window coordinates) is: buttons first, then the sizing edges of a
// resizable window that is not maximised, then the caption band, then the borders, then the client.
FrameHitResult HitTest(const FrameSkin& skin, int windowWidth, int windowHeight, int px, int py,
                       const FrameHitOptions& options);

// The window rectangle after dragging a sizing edge or corner by (dx, dy) from where the drag began.
// The opposite edges stay put; the size never goes below the minimum (nor below zero).
FrameRect DragResize(const FrameRect& start, FrameHit edge, int dx, int dy, int minWidth, int minHeight);

// The pixels cut from the window region so that both top corners are rounded.
std::vector<std::pair<int, int>> CutCornerPixels(int windowWidth, int windowHeight);

} // namespace zym
