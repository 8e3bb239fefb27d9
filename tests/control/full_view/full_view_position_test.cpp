#include "control/full_view/full_view_position.h"

#include <gtest/gtest.h>

namespace vexilo {
namespace {

TEST(FullView, SizesToThePictureOrScrollsWithinTheScreen) {
    const FullViewLayout small = fullViewLayout("/p/a.bmp", false, 300, 200, 1400, 900);
    EXPECT_EQ(small.caption, "/p/a.bmp [300 x 200]");
    EXPECT_EQ(small.clientWidth, 300);
    EXPECT_EQ(small.clientHeight, 200);
    EXPECT_EQ(small.horizontalRange + small.verticalRange, 0);

    // A still picture scrolls once it needs more than the screen less 20 across or 50 down.
    const FullViewLayout tall = fullViewLayout("x", false, 1381, 851, 1400, 900);
    EXPECT_EQ(tall.clientWidth, 1380);
    EXPECT_EQ(tall.horizontalRange, 1381);
    EXPECT_EQ(tall.clientHeight, 850);
    EXPECT_EQ(tall.verticalRange, 851);
    const FullViewLayout fits = fullViewLayout("x", false, 1380, 850, 1400, 900);
    EXPECT_EQ(fits.clientHeight, 850);
    EXPECT_EQ(fits.verticalRange, 0);

    // The GIF player takes up to the whole screen.
    const FullViewLayout gif = fullViewLayout("x", true, 1381, 881, 1400, 900);
    EXPECT_EQ(gif.clientWidth, 1400);
    EXPECT_EQ(gif.clientHeight, 900);
    EXPECT_EQ(gif.verticalRange, 881);
    EXPECT_EQ(fullViewLayout("x", true, 1380, 880, 1400, 900).verticalRange, 0);
}

}  // namespace
}  // namespace vexilo
