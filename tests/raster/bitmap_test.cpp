#include "raster/bitmap.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "raster/icon.h"
#include "raster/raster_ops.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::makeBitmap;
using test::patternColor;

TEST(Bitmap, GrowingKeepsPixelsAndFillsWhite) {
    for (PixelFormat f : {PixelFormat::Device, PixelFormat::Bpp1, PixelFormat::Bpp4, PixelFormat::Bpp8,
                          PixelFormat::Bpp15, PixelFormat::Bpp16, PixelFormat::Bpp24}) {
        Bitmap b(2, 2, f);
        b.setPixel(1, 1, kBlack);
        b.setWidth(4);
        b.setHeight(3);
        ASSERT_EQ(b.width(), 4);
        ASSERT_EQ(b.height(), 3);
        EXPECT_EQ(b.pixel(1, 1), kBlack) << bitsPerPixel(f);
        EXPECT_EQ(b.pixel(3, 0), kWhite) << bitsPerPixel(f);
        EXPECT_EQ(b.pixel(0, 2), kWhite) << bitsPerPixel(f);
        b.setSize(1, 1);
        EXPECT_EQ(b.pixel(0, 0), kWhite);
    }
}

TEST(Bitmap, NarrowFormatsQuantiseAndSurviveConversion) {
    Bitmap b(1, 1, PixelFormat::Bpp15);
    b.setPixel(0, 0, {255, 9, 130});
    EXPECT_EQ(b.pixel(0, 0), (Color{255, 8, 132}));
    Bitmap c(1, 1, PixelFormat::Bpp16);
    c.setPixel(0, 0, {255, 9, 130});
    EXPECT_EQ(c.pixel(0, 0), (Color{255, 8, 132}));

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
    Bitmap c(2, 1, PixelFormat::Device);
    c.setPixel(0, 0, {250, 10, 10});
    c.setPixel(1, 0, {190, 190, 200});
    c.setPixelFormat(PixelFormat::Bpp4);
    EXPECT_EQ(c.raw(0, 0), 9u);
    EXPECT_EQ(c.raw(1, 0), 8u);
    ASSERT_EQ(defaultPalette(8).size(), 256u);

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
    dest.draw(src, 2, 2);
    EXPECT_EQ(dest.pixel(2, 2), kBlack);
    EXPECT_EQ(dest.pixel(3, 3), kWhite);  // transparent column left undrawn
    EXPECT_EQ(dest.pixel(1, 1), kWhite);
    dest.draw(src, -2, -2);  // only src (2,2) lands, at (0,0)
    EXPECT_EQ(dest.pixel(0, 0), kBlack);
    EXPECT_EQ(dest.pixel(1, 0), kWhite);
}

TEST(Bitmap, BrushCopyXorAndMonochrome) {
    Bitmap src = makeBitmap(2, 1, PixelFormat::Device, [](int x, int) {
        return x ? kBlack : Color{9, 9, 9};
    });
    Bitmap w(2, 1);
    w.brushCopy({0, 0, 2, 1}, src, {0, 0, 2, 1}, kBlack, {250, 249, 248});
    EXPECT_EQ(w.pixel(0, 0), (Color{9, 9, 9}));
    EXPECT_EQ(w.pixel(1, 0), (Color{250, 249, 248}));

    Bitmap m(2, 1);  // white
    m.xorCopy({0, 0, 2, 1}, src, {0, 0, 2, 1});
    EXPECT_EQ(m.pixel(0, 0), (Color{246, 246, 246}));
    EXPECT_EQ(m.pixel(1, 0), kWhite);
    m.convertToMonochrome();
    EXPECT_EQ(m.pixelFormat(), PixelFormat::Bpp1);
    EXPECT_EQ(m.raw(0, 0), 0u);
    EXPECT_EQ(m.raw(1, 0), 1u);
}

TEST(StretchInto, NearestPixelWithoutAspect) {
    Bitmap src = makeBitmap(4, 2, PixelFormat::Bpp24, patternColor);
    Bitmap out;
    StretchInto(src, out, 8, 1);
    ASSERT_EQ(out.width(), 8);
    ASSERT_EQ(out.height(), 1);
    for (int x = 0; x < 8; ++x) EXPECT_EQ(out.pixel(x, 0), patternColor(x / 2, 1)) << x;
    StretchInto(src, out, 2, 2);  // every other column
    EXPECT_EQ(out.pixel(0, 0), patternColor(1, 0));
    EXPECT_EQ(out.pixel(1, 1), patternColor(3, 1));
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
        EXPECT_EQ(b.pixel(k, k), kButtonHighlight);  // top-left
        EXPECT_EQ(b.pixel(r, k), kButtonShadow);     // top-right
        EXPECT_EQ(b.pixel(r, bot), kButtonShadow);   // bottom-right
        EXPECT_EQ(b.pixel(k, bot), kButtonShadow);   // bottom-left
        EXPECT_EQ(b.pixel(k, bot - 1), kButtonHighlight);
        EXPECT_EQ(b.pixel(r - 1, k), kButtonHighlight);
    }
    EXPECT_EQ(b.pixel(2, 2), (Color{10, 20, 30}));
    EXPECT_EQ(b.pixel(3, 2), (Color{10, 20, 30}));

    Bitmap one(1, 1);
    DrawButtonFrame(one);
    EXPECT_EQ(one.pixel(0, 0), kButtonShadow);
    Bitmap three(3, 3);
    DrawButtonFrame(three);
    EXPECT_EQ(three.pixel(1, 1), kButtonShadow);
    EXPECT_EQ(three.pixel(0, 0), kButtonHighlight);
}

TEST(Icon, AndThenXorAndAlphaBlend) {
    Icon icon = Icon::blank(2, 2);
    icon.color.setPixel(0, 0, {255, 0, 0});
    icon.mask.setRaw(0, 0, 0);               // opaque red
    icon.color.setPixel(1, 0, {0, 255, 0});  // mask 1 with colour: XOR over the background
    Bitmap dest(2, 2);
    dest.fillRect({0, 0, 2, 2}, {0, 0, 255});
    icon.drawOnto(dest);
    EXPECT_EQ(dest.pixel(0, 0), (Color{255, 0, 0}));
    EXPECT_EQ(dest.pixel(1, 0), (Color{0, 255, 255}));
    EXPECT_EQ(dest.pixel(0, 1), (Color{0, 0, 255}));

    icon.alpha = {255, 128, 0, 0};
    dest.fillRect({0, 0, 2, 2}, kWhite);
    icon.drawOnto(dest);
    EXPECT_EQ(dest.pixel(0, 0), (Color{255, 0, 0}));
    EXPECT_EQ(dest.pixel(1, 0), (Color{127, 255, 127}));
    EXPECT_EQ(dest.pixel(1, 1), kWhite);
}

}  // namespace
}  // namespace vexilo
