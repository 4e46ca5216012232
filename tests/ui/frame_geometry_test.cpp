#include "ui/frame_geometry.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace zym;

namespace {

struct ButtonExpect
{
    const char* image;
    FrameRect place; // x, y, width, height as stored in the record
    int columns;
    int message;
};

void ExpectButtons(const FrameSkin& skin, const std::vector<ButtonExpect>& expected)
{
    ASSERT_EQ(skin.buttons.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const FrameButton& b = skin.buttons[i];
        const ButtonExpect& e = expected[i];
        SCOPED_TRACE(e.image);
        EXPECT_EQ(b.image, e.image);
        EXPECT_EQ((FrameRect{b.x, b.y, b.width, b.height}), e.place);
        EXPECT_EQ(b.columns, e.columns);
        EXPECT_EQ(b.message, e.message);
        EXPECT_EQ(b.state, kButtonNormal);
    }
}

FrameSkin NoButtons()
{
    FrameSkin skin = WebFrameSkin(true);
    skin.buttons.clear();
    return skin;
}

} // namespace

namespace zym {
// Readable failure messages for rectangles.
void PrintTo(const FrameRect& r, std::ostream* os)
{
    *os << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}
} // namespace zym

TEST(FrameSkin, WebWindowButtonsDependOnTheMaximiseBox)
{
    ExpectButtons(WebFrameSkin(true), {{"/image/menuclose.png", {-33, 2, 31, 24}, 4, 2027},
                                       {"/image/menumax.png", {-64, 2, 31, 24}, 8, 2026},
                                       {"/image/menumin.png", {-95, 2, 31, 24}, 4, 2025}});
    // Without a maximise box the minimise button moves into the maximise button's place.
    ExpectButtons(WebFrameSkin(false), {{"/image/menuclose.png", {-33, 2, 31, 24}, 4, 2027},
                                        {"/image/menumin.png", {-64, 2, 31, 24}, 4, 2025}});
    ExpectButtons(LoginFrameSkin(), {{"/image/loginmenuclose.png", {-28, 10, 16, 16}, 4, 2027}});
    EXPECT_EQ(WebFrameSkin(true).borderImage, "/image/border.png");
    EXPECT_EQ(LoginFrameSkin().borderImage, "/image/loginborder.png");
    EXPECT_EQ(LoginFrameSkin().titleColour, 0xFFFFFFu);
}

TEST(FrameSkin, SlicesOfTheBorderImage)
{
    const FrameSkin skin = WebFrameSkin(true);
    const FrameRect expected[kFrameSliceCount] = {{0, 0, 5, 30}, {5, 0, 5, 30},  {10, 0, 5, 30},
                                                  {0, 30, 1, 1}, {13, 30, 1, 1}, {0, 31, 1, 1},
                                                  {5, 31, 1, 1}, {13, 31, 1, 1}};
    for (int i = 0; i < kFrameSliceCount; ++i)
        EXPECT_EQ(skin.slices[i], expected[i]) << "slice " << i;
    EXPECT_EQ(skin.captionHeight, 30);
    EXPECT_EQ((FrameMargins{skin.leftBorder, skin.captionHeight, skin.rightBorder, skin.bottomBorder}),
              (FrameMargins{1, 30, 1, 1}));
}

TEST(FrameGeometry, ButtonPlacesAgainstTheWindowRectangle)
{
    const FrameSkin web = WebFrameSkin(true);
    const FrameSkin login = LoginFrameSkin();
    struct Case
    {
        const FrameButton& button;
        FrameRect window;
        int offset;
        FrameRect expected;
    } cases[] = {
        {web.buttons[0], {0, 0, 800, 600}, 0, {767, 2, 31, 24}},
        {web.buttons[1], {0, 0, 800, 600}, 0, {736, 2, 31, 24}},
        {web.buttons[2], {0, 0, 800, 600}, 0, {705, 2, 31, 24}},
        {web.buttons[0], {100, 200, 800, 600}, 0, {867, 202, 31, 24}},
        {web.buttons[0], {100, 200, 800, 600}, 8, {859, 210, 31, 24}},
        {web.buttons[2], {-8, -8, 1936, 1056}, 8, {1825, -6 + 8, 31, 24}},
        {login.buttons[0], {0, 0, 400, 500}, 0, {372, 10, 16, 16}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ButtonPlace(c.button, c.window, c.offset), c.expected)
            << c.button.image << " in " << c.window.x << "," << c.window.y << " offset " << c.offset;
}

TEST(FrameGeometry, ClientRectangle)
{
    const FrameSkin skin = WebFrameSkin(true);
    struct Case
    {
        int w, h;
        bool maximised;
        int offset;
        FrameRect expected;
    } cases[] = {
        {800, 600, false, 0, {1, 30, 798, 569}},
        {800, 600, false, 8, {1, 30, 798, 569}}, // the offset counts only while maximised
        {800, 600, true, 0, {2, 30, 796, 569}},
        {800, 600, true, 8, {10, 38, 780, 553}},
        {2, 31, false, 0, {1, 30, 0, 0}}, // a window of frame only has an empty client area
        {0, 0, false, 0, {1, 30, 0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClientRect(skin, c.w, c.h, c.maximised, c.offset), c.expected)
            << c.w << "x" << c.h << " maximised " << c.maximised << " offset " << c.offset;
}

TEST(FrameGeometry, SlicePlacesFillTheFrameAroundTheClient)
{
    const FrameSkin skin = WebFrameSkin(true);
    struct Case
    {
        bool maximised;
        int offset;
        FrameRect expected[kFrameSliceCount];
    } cases[] = {
        {false,
         0,
         {{0, 0, 5, 30},
          {5, 0, 790, 30},
          {795, 0, 5, 30},
          {0, 30, 1, 569},
          {799, 30, 1, 569},
          {0, 599, 1, 1},
          {1, 599, 798, 1},
          {799, 599, 1, 1}}},
        {true,
         8,
         {{0, 8, 5, 30},
          {5, 8, 790, 30},
          {795, 8, 5, 30},
          {0, 38, 10, 553},
          {790, 38, 10, 553},
          {0, 591, 10, 9},
          {10, 591, 780, 9},
          {790, 591, 10, 9}}},
    };
    for (const Case& c : cases) {
        const auto places = SlicePlaces(skin, 800, 600, c.maximised, c.offset);
        ASSERT_EQ(places.size(), static_cast<std::size_t>(kFrameSliceCount));
        for (int i = 0; i < kFrameSliceCount; ++i) {
            EXPECT_EQ(static_cast<int>(places[i].slice), i);
            EXPECT_EQ(places[i].source, skin.slices[i]);
            EXPECT_EQ(places[i].target, c.expected[i]) << "slice " << i << " maximised " << c.maximised;
        }
    }
    // The pieces tile the frame: together with the client they cover each pixel of the window once.
    for (bool maximised : {false, true}) {
        const int w = 120, h = 90, off = maximised ? 3 : 0;
        std::vector<int> cover(w * h, 0);
        auto paint = [&](const FrameRect& r) {
            for (int y = std::max(0, r.y); y < std::min(h, r.Bottom()); ++y)
                for (int x = std::max(0, r.x); x < std::min(w, r.Right()); ++x)
                    ++cover[y * w + x];
        };
        for (const auto& p : SlicePlaces(skin, w, h, maximised, off))
            paint(p.target);
        paint(ClientRect(skin, w, h, maximised, off));
        for (int y = off; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(cover[y * w + x], 1) << "pixel " << x << "," << y << " maximised " << maximised;
    }
}

TEST(FrameGeometry, TinyWindowsDropEmptyPieces)
{
    const auto places = SlicePlaces(WebFrameSkin(true), 6, 31, false, 0);
    for (const auto& p : places)
        EXPECT_FALSE(p.target.Empty()) << "slice " << static_cast<int>(p.slice);
    const auto none = SlicePlaces(WebFrameSkin(true), 0, 0, false, 0);
    EXPECT_TRUE(none.empty());
}

TEST(FrameGeometry, IconAndTitlePlaces)
{
    const FrameSkin web = WebFrameSkin(true);
    EXPECT_EQ(IconPlace(web, 0), (FrameRect{10, 8, 16, 16}));
    EXPECT_EQ(IconPlace(web, 8), (FrameRect{18, 16, 16, 16}));
    struct Case
    {
        FrameSkin skin;
        int width;
        int offset;
        FrameRect expected;
    } cases[] = {
        // The title starts 5 pixels after the icon and stops before the leftmost button.
        {WebFrameSkin(true), 800, 0, {31, 6, 800 - 95 - 5 - 31, 20}},
        {WebFrameSkin(false), 800, 0, {31, 6, 800 - 64 - 5 - 31, 20}},
        {LoginFrameSkin(), 800, 0, {31, 6, 800 - 28 - 5 - 31, 20}},
        {NoButtons(), 800, 0, {31, 6, 800 - 30 - 31, 20}}, // 30 from the right edge
        {WebFrameSkin(true), 800, 8, {39, 14, 800 - 95 - 8 - 5 - 39, 20}},
        {WebFrameSkin(true), 100, 0, {31, 6, 0, 20}}, // no room: empty, never negative
    };
    for (const Case& c : cases)
        EXPECT_EQ(TitlePlace(c.skin, c.width, c.offset), c.expected) << c.width << " offset " << c.offset;
}

TEST(FrameGeometry, ImageColumnsByStateAndMaximisedLook)
{
    const FrameSkin skin = WebFrameSkin(true);
    struct Case
    {
        int button; // 0 close, 1 maximise, 2 minimise
        int state;
        bool maximised;
        int column;
    } cases[] = {
        {0, kButtonNormal, false, 0}, {0, kButtonHover, false, 1},   {0, kButtonDisabled, false, 3},
        {0, kButtonHover, true, 1}, // only the maximise button has a maximised look
        {1, kButtonNormal, false, 0}, {1, kButtonHover, false, 1},   {1, kButtonNormal, true, 4},
        {1, kButtonHover, true, 5},   {1, kButtonDisabled, true, 7}, {2, kButtonHover, true, 1},
    };
    for (const Case& c : cases) {
        FrameButton b = skin.buttons[c.button];
        b.state = c.state;
        EXPECT_EQ(ImageColumn(b, c.maximised), c.column)
            << b.image << " state " << c.state << " maximised " << c.maximised;
    }

    FrameButton max = skin.buttons[1];
    max.state = kButtonHover;
    EXPECT_EQ(ImageColumnSource(max, true, 248, 24), (FrameRect{155, 0, 31, 24}));
    EXPECT_EQ(ImageColumnSource(max, false, 248, 24), (FrameRect{31, 0, 31, 24}));
    FrameButton close = LoginFrameSkin().buttons[0];
    close.state = kButtonDisabled;
    EXPECT_EQ(ImageColumnSource(close, false, 64, 16), (FrameRect{48, 0, 16, 16}));
    // A missing image gives nothing to draw.
    EXPECT_TRUE(ImageColumnSource(close, false, 0, 0).Empty());
    EXPECT_TRUE(ImageColumnSource(close, false, 3, 16).Empty());
}

TEST(FrameGeometry, HoverStatesFollowThePointer)
{
    std::vector<FrameButton> buttons = WebFrameSkin(true).buttons;
    auto states = [&buttons] {
        std::vector<int> s;
        for (const auto& b : buttons)
            s.push_back(b.state);
        return s;
    };
    EXPECT_TRUE(UpdateHoverStates(buttons, 800, 0, 780, 10)); // on close
    EXPECT_EQ(states(), (std::vector<int>{1, 0, 0}));
    EXPECT_FALSE(UpdateHoverStates(buttons, 800, 0, 781, 11)) << "still on close: nothing to repaint";
    EXPECT_TRUE(UpdateHoverStates(buttons, 800, 0, 710, 25)); // on minimise
    EXPECT_EQ(states(), (std::vector<int>{0, 0, 1}));

    buttons[1].state = kButtonDisabled;
    EXPECT_TRUE(UpdateHoverStates(buttons, 800, 0, 740, 10)); // on the disabled maximise button
    EXPECT_EQ(states(), (std::vector<int>{0, 3, 0}));
    EXPECT_FALSE(UpdateHoverStates(buttons, 800, 0, 400, 10));
    EXPECT_TRUE(UpdateHoverStates(buttons, 800, 0, 790, 3));
    EXPECT_TRUE(ResetButtonStates(buttons));
    EXPECT_EQ(states(), (std::vector<int>{0, 3, 0}));
    EXPECT_FALSE(ResetButtonStates(buttons));

    EXPECT_EQ(ButtonAt(buttons, 800, 0, 767, 2), 0);
    EXPECT_EQ(ButtonAt(buttons, 800, 0, 798, 2), -1) << "right edge is exclusive";
    EXPECT_EQ(ButtonAt(buttons, 800, 0, 767, 26), -1) << "bottom edge is exclusive";
    EXPECT_EQ(ButtonAt(buttons, 800, 0, 766, 10), 1);
    EXPECT_EQ(ButtonAt(buttons, 800, 8, 767 - 8, 2 + 8), 0);
}

TEST(FrameGeometry, HitTestResizableWindow)
{
    const FrameSkin skin = WebFrameSkin(true);
    FrameHitOptions resizable;
    resizable.resizable = true;
    FrameHitOptions fixed;
    FrameHitOptions maximised = resizable;
    maximised.maximised = true;
    struct Case
    {
        const FrameHitOptions& options;
        int x, y;
        FrameHitResult expected;
    } cases[] = {
        {resizable, 400, 15, {FrameHit::Caption}},
        {resizable, 400, 29, {FrameHit::Caption}},
        {resizable, 400, 30, {FrameHit::Client}},
        {resizable, 790, 10, {FrameHit::Button, 0}},
        {resizable, 770, 2, {FrameHit::Button, 0}}, // a button wins over the top sizing zone
        {resizable, 740, 20, {FrameHit::Button, 1}},
        {resizable, 705, 2, {FrameHit::Button, 2}},
        {resizable, 799, 0, {FrameHit::TopRight}},
        {resizable, 0, 0, {FrameHit::TopLeft}},
        {resizable, 0, 5, {FrameHit::TopLeft}}, // near the corner along the left edge
        {resizable, 5, 1, {FrameHit::TopLeft}},
        {resizable, 400, 1, {FrameHit::Top}},
        {resizable, 0, 300, {FrameHit::Left}},
        {resizable, 3, 300, {FrameHit::Left}}, // the zone reaches into the client area
        {resizable, 4, 300, {FrameHit::Client}},
        {resizable, 799, 300, {FrameHit::Right}},
        {resizable, 796, 300, {FrameHit::Right}},
        {resizable, 400, 599, {FrameHit::Bottom}},
        {resizable, 0, 599, {FrameHit::BottomLeft}},
        {resizable, 10, 598, {FrameHit::BottomLeft}},
        {resizable, 799, 599, {FrameHit::BottomRight}},
        {resizable, 797, 590, {FrameHit::BottomRight}},
        {resizable, 400, 300, {FrameHit::Client}},
        {resizable, -1, 5, {FrameHit::Outside}},
        {resizable, 800, 5, {FrameHit::Outside}},
        {resizable, 5, 600, {FrameHit::Outside}},
        // A window that cannot be resized has borders, not sizing edges.
        {fixed, 0, 300, {FrameHit::Border}},
        {fixed, 799, 300, {FrameHit::Border}},
        {fixed, 400, 599, {FrameHit::Border}},
        {fixed, 1, 300, {FrameHit::Client}},
        {fixed, 0, 0, {FrameHit::Caption}},
        {fixed, 799, 0, {FrameHit::Caption}},
        {fixed, 790, 10, {FrameHit::Button, 0}},
        // Nor does a maximised one; its borders widen by one pixel on each side.
        {maximised, 0, 300, {FrameHit::Border}},
        {maximised, 1, 300, {FrameHit::Border}},
        {maximised, 2, 300, {FrameHit::Client}},
        {maximised, 400, 0, {FrameHit::Caption}},
        {maximised, 740, 20, {FrameHit::Button, 1}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HitTest(skin, 800, 600, c.x, c.y, c.options), c.expected)
            << "point " << c.x << "," << c.y << " resizable " << c.options.resizable << " maximised "
            << c.options.maximised;
}

TEST(FrameGeometry, HitTestLoginWindowAndTinyWindows)
{
    const FrameSkin login = LoginFrameSkin();
    FrameHitOptions fixed;
    EXPECT_EQ(HitTest(login, 400, 500, 372, 10, fixed), (FrameHitResult{FrameHit::Button, 0}));
    EXPECT_EQ(HitTest(login, 400, 500, 371, 10, fixed), (FrameHitResult{FrameHit::Caption}));
    EXPECT_EQ(HitTest(login, 400, 500, 388, 26, fixed), (FrameHitResult{FrameHit::Caption}));

    // A window smaller than two sizing zones still gives one answer per point.
    FrameHitOptions resizable;
    resizable.resizable = true;
    EXPECT_EQ(HitTest(WebFrameSkin(false), 6, 100, 2, 50, resizable), (FrameHitResult{FrameHit::Left}));
    EXPECT_EQ(HitTest(WebFrameSkin(false), 6, 100, 5, 50, resizable), (FrameHitResult{FrameHit::Right}));
    EXPECT_EQ(HitTest(WebFrameSkin(false), 6, 100, 3, 99, resizable), (FrameHitResult{FrameHit::BottomLeft}));
}

TEST(FrameGeometry, RoundedTopCorners)
{
    using P = std::pair<int, int>;
    auto sorted = [](std::vector<P> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    EXPECT_EQ(sorted(CutCornerPixels(800, 600)),
              sorted({{0, 0}, {1, 0}, {0, 1}, {799, 0}, {798, 0}, {799, 1}}));
    EXPECT_EQ(sorted(CutCornerPixels(2, 2)), sorted({{0, 0}, {1, 0}, {0, 1}, {1, 1}}));
    EXPECT_EQ(sorted(CutCornerPixels(1, 1)), sorted({{0, 0}}));
    EXPECT_TRUE(CutCornerPixels(0, 0).empty());
}

TEST(FrameGeometry, DragResizeKeepsTheOppositeEdgesAndTheMinimum)
{
    const FrameRect start{100, 100, 400, 300};
    struct Case
    {
        FrameHit edge;
        int dx, dy;
        FrameRect expected;
    } cases[] = {
        {FrameHit::Right, 50, 99, {100, 100, 450, 300}},
        {FrameHit::Bottom, 99, 50, {100, 100, 400, 350}},
        {FrameHit::Left, -50, 0, {50, 100, 450, 300}},
        {FrameHit::Left, 50, 0, {150, 100, 350, 300}},
        {FrameHit::Top, 0, 20, {100, 120, 400, 280}},
        {FrameHit::TopLeft, 10, 10, {110, 110, 390, 290}},
        {FrameHit::BottomRight, -10, -10, {100, 100, 390, 290}},
        {FrameHit::TopRight, 10, -10, {100, 90, 410, 310}},
        {FrameHit::BottomLeft, -10, 10, {90, 100, 410, 310}},
        // Past the minimum the moving edge stops and the opposite one stays.
        {FrameHit::Left, 390, 0, {300, 100, 200, 300}},
        {FrameHit::Top, 0, 290, {100, 200, 400, 200}},
        {FrameHit::BottomRight, -1000, -1000, {100, 100, 200, 200}},
        // Not an edge: nothing changes.
        {FrameHit::Caption, 30, 30, {100, 100, 400, 300}},
        {FrameHit::Client, 30, 30, {100, 100, 400, 300}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DragResize(start, c.edge, c.dx, c.dy, 200, 200), c.expected)
            << "edge " << static_cast<int>(c.edge) << " by " << c.dx << "," << c.dy;
    EXPECT_EQ(DragResize(start, FrameHit::BottomRight, -1000, -1000, -5, 0), (FrameRect{100, 100, 0, 0}));
}
