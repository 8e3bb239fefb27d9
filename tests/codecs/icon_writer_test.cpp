#include "codecs/icon_writer.h"

#include <gtest/gtest.h>

#include "base/errors.h"
#include "codecs/icon_file.h"
#include "raster/raster_ops.h"
#include "support/byte_fields.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::makeBitmap;
using test::pixelsAt;
using test::rawAt;
using Colors = std::vector<Color>;
using Raw = std::vector<std::uint32_t>;

constexpr Color kRed{255, 0, 0}, kBlue{0, 0, 255};

// Mask bit of the written file at (x, y), rows bottom-up after the colour rows.
int maskBit(const std::vector<std::uint8_t>& file, int bits, int x, int y) {
    const std::size_t colourRow = (32u * static_cast<std::size_t>(bits) + 31) / 32 * 4;
    const std::size_t start = 22 + 40 + 4 * (std::size_t{1} << bits) + colourRow * 32;
    const std::uint8_t byte =
        file[start + static_cast<std::size_t>(31 - y) * 4 + static_cast<std::size_t>(x) / 8];
    return (byte >> (7 - x % 8)) & 1;
}

TEST(IconWriter, WritesTheExactLayoutAtBothDepths) {
    const Icon icon = BitmapToIcon(makeBitmap(32, 32, PixelFormat::Device, test::patternColor));
    const auto file256 = encodeIconFile(icon, 8);
    ASSERT_EQ(file256.size(), 2238u);
    const std::vector<std::uint8_t> head256{0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x20, 0x20, 0x08, 0x00, 0x00,
                                            0x00, 0x00, 0x00, 0xA8, 0x08, 0x00, 0x00, 0x16, 0x00, 0x00, 0x00};
    EXPECT_TRUE(std::equal(head256.begin(), head256.end(), file256.begin()));
    const auto file16 = encodeIconFile(icon, 4);
    ASSERT_EQ(file16.size(), 766u);
    const std::vector<std::uint8_t> entry16{0x20, 0x20, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00,
                                            0xE8, 0x02, 0x00, 0x00, 0x16, 0x00, 0x00, 0x00};
    EXPECT_TRUE(std::equal(entry16.begin(), entry16.end(), file16.begin() + 6));

    // Info header: size 40, 32 wide, 64 high (colour and mask rows), 1 plane, 4 bits, image
    // size 512, the rest 0; then the standard 16 colours as blue, green, red, 0.
    ByteWriter info;
    test::le32(info, 40, 32, 64);
    test::le16(info, 1, 4);
    test::le32(info, 0, 512, 0, 0, 0, 0);
    for (const Color& c : defaultPalette(4)) test::le32(info, c.b | c.g << 8 | c.r << 16);
    EXPECT_EQ(std::vector(file16.begin() + 22, file16.begin() + 22 + 40 + 64), info.buffer());

    const auto prefixed = encodeIconFile(icon, 8, true);
    ASSERT_EQ(prefixed.size(), 2242u);
    EXPECT_EQ(prefixed[0] | (prefixed[1] << 8), 2238);
    EXPECT_TRUE(std::equal(file256.begin(), file256.end(), prefixed.begin() + 4));

    EXPECT_THROW(encodeIconFile(icon, 24), ImageError);
    EXPECT_THROW(encodeIconFile(Icon{}, 8), ImageError);
}

TEST(IconWriter, TheBottomLeftColourBecomesTransparent) {
    // White corner: white is transparent (black colour, mask 1); black stays opaque black.
    const Bitmap whiteCorner = makeBitmap(32, 32, PixelFormat::Device, [](int x, int) {
        return x < 10 ? kWhite : x < 20 ? kBlack : kRed;
    });
    const Icon a = BitmapToIcon(whiteCorner);
    EXPECT_EQ(rawAt(a.mask, {{0, 0}, {15, 0}, {25, 0}}), (Raw{1, 0, 0}));
    EXPECT_EQ(pixelsAt(a.color, {{0, 0}, {15, 0}, {25, 0}}), (Colors{kBlack, kBlack, kRed}));
    const auto file = encodeIconFile(a, 4);
    EXPECT_EQ(maskBit(file, 4, 0, 0), 1);
    EXPECT_EQ(maskBit(file, 4, 15, 31), 0);

    // Black corner: black is transparent.
    const Bitmap blackCorner =
        makeBitmap(32, 32, PixelFormat::Device, [](int x, int) { return x < 16 ? kBlack : kBlue; });
    const Icon b = BitmapToIcon(blackCorner);
    EXPECT_EQ(rawAt(b.mask, {{3, 3}, {20, 3}}), (Raw{1, 0}));
    EXPECT_EQ(b.color.pixel(20, 3), kBlue);

    // One colour throughout: all transparent.
    const Icon c = BitmapToIcon(makeBitmap(32, 32, PixelFormat::Device, [](int, int) { return kRed; }));
    EXPECT_EQ(test::indexValues(c.mask), std::vector<std::uint8_t>(32 * 32, 1));

    // The stand-in colour itself comes out opaque black.
    Bitmap stand = makeBitmap(32, 32, PixelFormat::Device, [](int, int) { return kWhite; });
    stand.setPixel(5, 5, kSubstituteBlack);
    const Icon d = BitmapToIcon(stand);
    EXPECT_EQ(std::pair(d.mask.raw(5, 5), d.color.pixel(5, 5)), std::pair(0u, kBlack));
}

TEST(IconWriter, SourcesOfOtherSizesAreCutOrPaddedWithWhite) {
    // Larger: cut at the right and bottom, so the corner is the source's (0, 31), red.
    const Bitmap big =
        makeBitmap(100, 50, PixelFormat::Device, [](int, int y) { return y >= 28 && y < 34 ? kRed : kBlue; });
    const Icon cut = BitmapToIcon(big);
    EXPECT_EQ(cut.width(), 32);
    EXPECT_EQ(rawAt(cut.mask, {{0, 31}, {0, 28}, {0, 27}}), (Raw{1, 1, 0}));
    // Smaller: the white padding is the corner colour, so it is transparent.
    const Icon padded = BitmapToIcon(makeBitmap(10, 10, PixelFormat::Device, [](int, int) { return kBlue; }));
    EXPECT_EQ(rawAt(padded.mask, {{20, 20}, {5, 5}}), (Raw{1, 0}));
    // Stretched first, as the icon saver does, the corner is that of the stretched image.
    Bitmap stretched;
    StretchInto(big, stretched, 32, 32);
    // The corner comes from near the source's bottom row, blue; the red row moved up.
    const Icon fromStretched = BitmapToIcon(stretched);
    int redRow = -1;
    for (int y = 0; y < 32; ++y)
        if (stretched.pixel(0, y) == kRed) redRow = y;
    ASSERT_GE(redRow, 0);
    ASSERT_LT(redRow, 31);
    EXPECT_EQ(rawAt(fromStretched.mask, {{0, 31}, {0, redRow}}), (Raw{1, 0}));
    EXPECT_EQ(fromStretched.color.pixel(0, redRow), kRed);
}

TEST(IconWriter, WrittenFilesReadBackWithNearestColours) {
    const Bitmap source = makeBitmap(32, 32, PixelFormat::Device, [](int x, int y) {
        if (x == 0 && y == 31) return kWhite;
        return Color{static_cast<std::uint8_t>(x * 8), static_cast<std::uint8_t>(y * 8), 100};
    });
    const Icon icon = BitmapToIcon(source);
    for (int bits : {4, 8}) {
        const Icon back = ReadIconFile(encodeIconFile(icon, bits));
        const auto& palette = defaultPalette(bits);
        EXPECT_EQ(test::indexValues(back.mask), test::indexValues(icon.mask)) << bits;
        const Bitmap nearest = makeBitmap(32, 32, PixelFormat::Bpp24, [&](int x, int y) {
            return palette[nearestIndex(palette, icon.color.pixel(x, y))];
        });
        EXPECT_TRUE(test::samePixels(back.color, nearest)) << bits;
    }
}

}  // namespace
}  // namespace vexilo
