// The GIF loader: frame 0 on its logical screen.
#include <gtest/gtest.h>

#include "base/errors.h"
#include "codecs/gif_image.h"
#include "imageio/loaders.h"
#include "support/gif_builder.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::GifBuilder;
using test::indexValues;

const std::vector<Color>& kFour = test::kFourColours;

TEST(GifLoader, FrameZeroShowsOnItsLogicalScreen) {
    test::TempDir dir;
    // A 4 x 2 frame at (5, 3) of a 12 x 8 screen whose background is colour 2; frame 1 is not
    // drawn.
    const std::vector<std::uint8_t> px{1, 3, 1, 3, 3, 1, 3, 1};
    test::writeFile(dir.file("offset.gif"),
                    GifBuilder(12, 8, kFour, "89a", 2).image(5, 3, 4, 2, px).image(0, 0, 1, 1, {0}).end());
    Bitmap b;
    ASSERT_TRUE(LoadGifFile(dir.file("offset.gif"), &b));
    EXPECT_EQ(b.width(), 12);
    EXPECT_EQ(b.height(), 8);
    EXPECT_EQ(b.pixelFormat(), PixelFormat::Bpp4);  // the frame's own format and palette
    EXPECT_EQ(b.raw(5, 3), 1u);
    EXPECT_EQ(b.raw(8, 4), 1u);
    EXPECT_EQ(b.raw(6, 3), 3u);
    EXPECT_EQ(b.raw(4, 3), 2u);
    EXPECT_EQ(b.raw(0, 0), 2u);
    EXPECT_EQ(b.raw(11, 7), 2u);

    // With a transparent index the uncovered screen takes it instead of the background.
    Bitmap keyed = readGif(GifBuilder(6, 6, kFour, "89a", 2).gce(0, 0, 3).image(1, 1, 2, 1, {0, 1}).end());
    EXPECT_EQ(keyed.raw(0, 0), 3u);
    EXPECT_EQ(keyed.raw(1, 1), 0u);
    EXPECT_EQ(keyed.raw(2, 1), 1u);

    // A frame reaching past the screen, and one larger than it, are clipped to the screen.
    Bitmap past = readGif(GifBuilder(4, 4).image(3, 2, 2, 3, {1, 2, 3, 1, 2, 3}).end());
    EXPECT_EQ(past.width(), 4);
    EXPECT_EQ(past.height(), 4);
    EXPECT_EQ(past.raw(3, 2), 1u);
    EXPECT_EQ(past.raw(3, 3), 3u);
    Bitmap larger = readGif(GifBuilder(2, 1).image(0, 0, 3, 2, {1, 2, 3, 3, 2, 1}).end());
    EXPECT_EQ(larger.width(), 2);
    EXPECT_EQ(indexValues(larger), (std::vector<std::uint8_t>{1, 2}));

    // A screen of 0 x 0 takes frame 0's size, offset or not.
    Bitmap noScreen = readGif(GifBuilder(0, 0).image(7, 7, 3, 1, {3, 2, 1}).end());
    EXPECT_EQ(noScreen.width(), 3);
    EXPECT_EQ(indexValues(noScreen), (std::vector<std::uint8_t>{3, 2, 1}));

    // A screen over the limits is refused before anything is allocated.
    DecodeLimits small;
    small.maxPixels = 1000;
    EXPECT_THROW(readGif(GifBuilder(65535, 1321).image(0, 0, 1, 1, {1}).end(), small), DecodeError);
}

}  // namespace
}  // namespace vexilo
