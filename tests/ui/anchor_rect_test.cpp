// Anchored layout rectangles and placeholder filling of the native dialogs.
#include "ui/anchor_rect.h"

#include <gtest/gtest.h>

using zym::AnchorLayout;
using zym::AnchorRect;
using zym::Box;

TEST(AnchorRect, EdgesSizesAndDistances)
{
    const Box dialog{0, 0, 400, 150};
    struct Case
    {
        AnchorLayout layout;
        Box expected;
    } cases[] = {
        {{0, 0, 0, 0}, {0, 0, 400, 150}},            // missing key: the whole container
        {{10, 10, -10, 40}, {10, 10, 390, 50}},      // text box: 10 from each side, 40 high
        {{-296, -42, 80, 28}, {104, 108, 184, 136}}, // from the bottom right corner, with a size
        {{16, -38, 130, 20}, {16, 112, 146, 132}},
        {{24, 64, -24, 22}, {24, 64, 376, 86}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AnchorRect(c.layout, dialog), c.expected) << c.layout.x << "," << c.layout.y;
    }
    // A container that does not start at 0 shifts positive offsets only from its own edges.
    EXPECT_EQ(AnchorRect({5, -5, 10, 0}, Box{100, 200, 300, 400}), (Box{105, 395, 115, 400}));
}

TEST(FillPlaceholders, ValuesInOrderAndNamesTakenAsTheyAre)
{
    EXPECT_EQ(zym::FillPlaceholders("Copying: %d of %d items done", {"3", "7"}),
              "Copying: 3 of 7 items done");
    EXPECT_EQ(zym::FillPlaceholders("“%s” exists", {"50%s off.txt"}), "“50%s off.txt” exists");
    EXPECT_EQ(zym::FillPlaceholders("100%% %d", {"1"}), "100% 1");
    EXPECT_EQ(zym::FillPlaceholders("%d and %d", {"1"}), "1 and ");
}
