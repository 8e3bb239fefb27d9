#include "raster/bitmap.h"

#include <gtest/gtest.h>

#include "raster/icon.h"
#include "raster/raster_ops.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::makeBitmap;
using test::patternColor;
using test::pixelsAt;
using Colors = std::vector<Color>;

TEST(Bitmap, GrowingKeepsPixelsAndFillsWhite) {
    for (PixelFormat f : {PixelFormat::Device, PixelFormat::Bpp1, PixelFormat::Bpp4, PixelFormat::Bpp8,
                          PixelFormat::Bpp15, PixelFormat::Bpp16, PixelFormat::Bpp24}) {
        Bitmap b(2, 2, f);
        b.setPixel(1, 1, kBlack);
        b.setWidth(4);
        b.setHeight(3);
        ASSERT_EQ(std::pair(b.width(), b.height()), std::pair(4, 3));
        EXPECT_EQ(pixelsAt(b, {{1, 1}, {3, 0}, {0, 2}}), (Colors{kBlack, kWhite, kWhite})) << bitsPerPixel(f);
        b.setSize(1, 1);
        EXPECT_EQ(b.pixel(0, 0), kWhite);
    }
}

TEST(Bitmap, NarrowFormatsQuantiseAndSurviveConversion) {
    for (PixelFormat f : {PixelFormat::Bpp15, PixelFormat::Bpp16})
        EXPECT_EQ(makeBitmap(1, 1, f,
                             [](int, int) {
                                 return Color{255, 9, 130};
                             })
                      .pixel(0, 0),
                  (Color{255, 8, 132}));

    // Direct formats round-trip through each other without drift once quantised.
    Bitmap d = makeBitmap(7, 3, PixelFormat::Bpp15, patternColor);
    Bitmap e = d;
    e.setPixelFormat(PixelFormat::Bpp24);
    e.setPixelFormat(PixelFormat::Bpp32);
    e.setPixelFormat(PixelFormat::Bpp15);
    EXPECT_TRUE(test::samePixels(d, e));
}

TEST(Bitmap, IndexedConversionUsesPaletteOrDefaultTable) {
    // A 16-entry palette fits 4 bits: indices and palette kept.
    std::vector<Color> pal;
    for (int i = 0; i < 16; ++i) pal.push_back({static_cast<std::uint8_t>(i * 16), 0, 0});
    Bitmap b(4, 1, PixelFormat::Bpp8);
    b.setPalette(pal);
    for (int x = 0; x < 4; ++x) b.setRaw(x, 0, static_cast<std::uint32_t>(x * 5));
    b.setPixelFormat(PixelFormat::Bpp4);
    EXPECT_EQ(b.palette(), pal);
    EXPECT_EQ(b.raw(3, 0), 15u);

    // Direct colours go to the nearest entry of the standard 16 colours.
    Bitmap c = makeBitmap(2, 1, PixelFormat::Device, [](int x, int) {
        return x ? Color{190, 190, 200} : Color{250, 10, 10};
    });
    c.setPixelFormat(PixelFormat::Bpp4);
    EXPECT_EQ(test::indexValues(c), (std::vector<std::uint8_t>{9, 8}));

    // An index beyond a short palette reads as black instead of outside the table.
    Bitmap d(1, 1, PixelFormat::Bpp8);
    d.setPalette({kWhite});
    d.setRaw(0, 0, 200);
    EXPECT_EQ(d.pixel(0, 0), kBlack);
}

TEST(Bitmap, DrawHonoursTransparencyAndClips) {
    Bitmap dest(4, 4);
    Bitmap src = makeBitmap(3, 3, PixelFormat::Bpp24, [](int x, int) {
        return x == 1 ? Color{1, 2, 3} : kBlack;
    });
    src.setTransparent(true);
    src.setTransparentColor({1, 2, 3});
    dest.draw(src, 2, 2);  // (3, 3) is the transparent column, left undrawn
    EXPECT_EQ(pixelsAt(dest, {{2, 2}, {3, 3}, {1, 1}}), (Colors{kBlack, kWhite, kWhite}));
    dest.draw(src, -2, -2);  // only src (2,2) lands, at (0,0)
    EXPECT_EQ(pixelsAt(dest, {{0, 0}, {1, 0}}), (Colors{kBlack, kWhite}));
}

TEST(Bitmap, BrushCopyXorAndMonochrome) {
    Bitmap src = makeBitmap(2, 1, PixelFormat::Device, [](int x, int) {
        return x ? kBlack : Color{9, 9, 9};
    });
    Bitmap w(2, 1);
    w.brushCopy({0, 0, 2, 1}, src, {0, 0, 2, 1}, kBlack, {250, 249, 248});
    EXPECT_EQ(test::colours(w), (Colors{{9, 9, 9}, {250, 249, 248}}));

    Bitmap m(2, 1);  // white
    m.xorCopy({0, 0, 2, 1}, src, {0, 0, 2, 1});
    EXPECT_EQ(test::colours(m), (Colors{{246, 246, 246}, kWhite}));
    m.convertToMonochrome();
    EXPECT_EQ(m.pixelFormat(), PixelFormat::Bpp1);
    EXPECT_EQ(test::indexValues(m), (std::vector<std::uint8_t>{0, 1}));
}

TEST(StretchInto, NearestPixelWithoutAspect) {
    Bitmap src = makeBitmap(4, 2, PixelFormat::Bpp24, patternColor);
    Bitmap out;
    StretchInto(src, out, 8, 1);
    ASSERT_EQ(std::pair(out.width(), out.height()), std::pair(8, 1));
    for (int x = 0; x < 8; ++x) EXPECT_EQ(out.pixel(x, 0), patternColor(x / 2, 1)) << x;
    StretchInto(src, out, 2, 2);  // every other column
    EXPECT_EQ(pixelsAt(out, {{0, 0}, {1, 1}}), (Colors{patternColor(1, 0), patternColor(3, 1)}));
    // Indexed sources stretch into a display-format target through their palette.
    Bitmap pal =
        makeBitmap(3, 3, PixelFormat::Bpp8, [](int x, int y) { return defaultPalette(8)[x + y * 3]; });
    StretchInto(pal, out, 1, 1);
    EXPECT_EQ(out.pixel(0, 0), defaultPalette(8)[4]);
}

TEST(DrawButtonFrame, RingsAndCorners) {
    Bitmap b(6, 5);
    b.fillRect({0, 0, 6, 5}, {10, 20, 30});
    DrawButtonFrame(b);
    for (int k = 0; k < 2; ++k) {
        const int r = 5 - k, bot = 4 - k;
        // Top-left, top-right, bottom-right, bottom-left, then beside the two shadowed corners.
        EXPECT_EQ(pixelsAt(b, {{k, k}, {r, k}, {r, bot}, {k, bot}, {k, bot - 1}, {r - 1, k}}),
                  (Colors{kButtonHighlight, kButtonShadow, kButtonShadow, kButtonShadow, kButtonHighlight,
                          kButtonHighlight}))
            << k;
    }
    EXPECT_EQ(pixelsAt(b, {{2, 2}, {3, 2}}), (Colors{{10, 20, 30}, {10, 20, 30}}));

    Bitmap one(1, 1);
    DrawButtonFrame(one);
    EXPECT_EQ(one.pixel(0, 0), kButtonShadow);
    Bitmap three(3, 3);
    DrawButtonFrame(three);
    EXPECT_EQ(pixelsAt(three, {{1, 1}, {0, 0}}), (Colors{kButtonShadow, kButtonHighlight}));
}

TEST(Icon, AndThenXorAndAlphaBlend) {
    Icon icon = Icon::blank(2, 2);
    icon.color.setPixel(0, 0, {255, 0, 0});
    icon.mask.setRaw(0, 0, 0);               // opaque red
    icon.color.setPixel(1, 0, {0, 255, 0});  // mask 1 with colour: XOR over the background
    Bitmap dest(2, 2);
    dest.fillRect({0, 0, 2, 2}, {0, 0, 255});
    icon.drawOnto(dest);
    EXPECT_EQ(pixelsAt(dest, {{0, 0}, {1, 0}, {0, 1}}), (Colors{{255, 0, 0}, {0, 255, 255}, {0, 0, 255}}));

    icon.alpha = {255, 128, 0, 0};
    dest.fillRect({0, 0, 2, 2}, kWhite);
    icon.drawOnto(dest);
    EXPECT_EQ(pixelsAt(dest, {{0, 0}, {1, 0}, {1, 1}}), (Colors{{255, 0, 0}, {127, 255, 127}, kWhite}));
}

}  // namespace
}  // namespace vexilo
