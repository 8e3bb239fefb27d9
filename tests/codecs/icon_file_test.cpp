#include "codecs/icon_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/errors.h"
#include "codecs/pe_icons.h"
#include "codecs/png_codec.h"
#include "support/icon_fixtures.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::makeBitmap;
using test::pixelsAt;
using test::rawAt;
using Colors = std::vector<Color>;
using Raw = std::vector<std::uint32_t>;
using test::makeIcoFile;
using test::makeIconDib;
using test::solidIconDib;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

constexpr Color kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

TEST(IconChoice, WantedColourWordFollowsTheDisplayDepth) {
    // 1 << 16 does not fit in 16 bits; the shift count is taken modulo 32.
    for (auto [bits, word] : {std::pair{1, 2}, {4, 16}, {8, 256}, {16, 0}, {24, 0}, {32, 1}})
        EXPECT_EQ(wantedColorWord(bits), word) << bits;
}

TEST(IconChoice, PicksByColourWordOnly) {
    using W = std::vector<std::uint16_t>;
    auto choose = [](W words, std::uint16_t wanted) { return chooseIconEntry(words, wanted); };
    // 32-bit display (wanted 1): 256 colours (0) then true colour (0) keeps the first.
    EXPECT_EQ(choose({0, 0}, 1), 0u);
    // 256 colours (0) then 16 colours (16): 16 beats the first candidate's word.
    EXPECT_EQ(choose({0, 16}, 1), 1u);
    // Every later word above the first candidate's moves the choice, even a smaller one.
    EXPECT_EQ(choose({0, 16, 2}, 1), 2u);
    // Words above wanted before the first candidate do not count.
    EXPECT_EQ(choose({16, 0}, 1), 1u);
    // 8-bit display: exact match wins.
    EXPECT_EQ(choose({16, 256}, 256), 1u);
    // Nothing at or below wanted and no exact match: entry 0.
    EXPECT_EQ(choose({16, 256}, 1), 0u);
    EXPECT_EQ(choose({}, 1), 0u);
}

// A file of one 32 x 32 image at each depth, colour given through the palette or directly,
// with the top-left quarter masked; the icon shows colour where opaque and black where masked.
TEST(IconFile, DecodesEveryDepthWithItsMask) {
    for (int bits : {1, 4, 8, 24, 32}) {
        // Masked pixels are black in the colour image, as icon writers store them.
        auto masked = [](int x, int y) { return x < 16 && y < 16; };
        const auto dib = makeIconDib(
            32, 32, bits, {kBlack, kRed, kGreen, kBlue},
            [&](int x, int y) -> std::uint32_t {
                if (masked(x, y)) return bits <= 8 ? 0u : packRgb(kBlack);
                return bits <= 8 ? static_cast<std::uint32_t>(1 + (bits > 1 ? x % 3 : 0)) : packRgb(kRed);
            },
            masked);
        const Icon icon = ReadIconFile(makeIcoFile({{0, dib}}));
        ASSERT_EQ(test::sizeOf(icon.color), std::pair(32, 32)) << bits;
        EXPECT_FALSE(icon.hasAlpha()) << bits;
        // Masked pixels are black under their mask bit (drawing them is Icon.AndThenXorAndAlphaBlend's).
        EXPECT_EQ(rawAt(icon.mask, {{0, 0}, {20, 0}, {0, 20}}), (Raw{1, 0, 0})) << bits;
        EXPECT_EQ(icon.color.pixel(3, 3), kBlack) << bits;
        const bool palette = bits > 1 && bits <= 8;
        EXPECT_EQ(pixelsAt(icon.color, {{19, 31}, {20, 31}, {21, 31}}),
                  palette ? (Colors{kGreen, kBlue, kRed}) : (Colors{kRed, kRed, kRed}))
            << bits;
    }
}

TEST(IconFile, RowsAreBottomUpAndSmallImagesAreScaledToTheSystemSize) {
    // 16 x 16, 24-bit: a red top row, a green bottom row, blue elsewhere.
    const auto dib = makeIconDib(
        16, 16, 24, {}, [](int, int y) { return packRgb(y == 0    ? kRed
                                                        : y == 15 ? kGreen
                                                                  : kBlue); },
        [](int x, int) { return x == 15; });
    const Icon icon = ReadIconFile(makeIcoFile({{0, dib}}));
    ASSERT_EQ(icon.width(), kSystemIconSize);
    // Each source pixel covers 2 x 2.
    EXPECT_EQ(pixelsAt(icon.color, {{0, 0}, {5, 1}, {5, 2}, {31, 31}}), (Colors{kRed, kRed, kBlue, kGreen}));
    EXPECT_EQ(rawAt(icon.mask, {{29, 10}, {30, 10}, {31, 10}}), (Raw{0, 1, 1}));
}

TEST(IconFile, ThirtyTwoBitImagesKeepAlphaUnlessItIsAllZero) {
    const auto withAlpha = makeIconDib(
        32, 32, 32, {}, [](int x, int) { return packRgb(kRed, static_cast<std::uint8_t>(x * 8)); },
        [](int, int) { return false; });
    const Icon a = ReadIconFile(makeIcoFile({{0, withAlpha}}));
    ASSERT_TRUE(a.hasAlpha());
    EXPECT_EQ(a.alpha[0], 0);
    EXPECT_EQ(a.alpha[31], 248);
    EXPECT_EQ(a.color.pixel(31, 0), kRed);

    const auto zeroAlpha = makeIconDib(
        32, 32, 32, {}, [](int, int) { return packRgb(kGreen, 0); }, [](int x, int) { return x < 4; });
    const Icon z = ReadIconFile(makeIcoFile({{0, zeroAlpha}}));
    EXPECT_FALSE(z.hasAlpha());
    // Without alpha the mask decides (drawing by mask is Icon.AndThenXorAndAlphaBlend's).
    EXPECT_EQ(rawAt(z.mask, {{1, 10}, {10, 10}}), (Raw{1, 0}));
    EXPECT_EQ(pixelsAt(z.color, {{1, 10}, {10, 10}}), (Colors{kGreen, kGreen}));
}

TEST(IconFile, ChoosesTheEntryByColourWordInTheFile) {
    // The words of the file and the display depth go to chooseIconEntry (its rules are
    // IconChoice's): on a 32-bit display entry 0, on an 8-bit one the exact 256-colour match.
    const auto file = makeIcoFile({{16, solidIconDib(32, 4, kGreen)}, {256, solidIconDib(32, 8, kRed)}});
    EXPECT_EQ(ReadIconFile(file).color.pixel(5, 5), kGreen);
    EXPECT_EQ(ReadIconFile(file, kDefaultDecodeLimits, 8).color.pixel(5, 5), kRed);
    // A missing mask leaves the image opaque.
    const auto noMask = makeIconDib(
        8, 8, 24, {}, [](int, int) { return packRgb(kBlue); }, [](int, int) { return true; }, false);
    const Icon open = ReadIconFile(makeIcoFile({{0, noMask}}));
    EXPECT_EQ(open.mask.raw(0, 0), 0u);
}

// The DIB with its 40-byte header grown to `size` bytes (the added fields zero).
std::vector<std::uint8_t> withHeaderSize(std::vector<std::uint8_t> dib, std::uint32_t size) {
    dib.insert(dib.begin() + 40, size - 40, 0);
    test::setLe32(dib, 0, size);
    return dib;
}

TEST(IconFile, LongHeadersProfilesAndDirectorySizesThatDoNotFit) {
    auto blueOrRed = [](int x, int) { return packRgb(x < 2 ? kBlue : kRed); };
    // A 124-byte header with a colour profile after the pixels and no mask: the profile's bytes
    // are not a mask, so the icon is opaque.
    auto v5 = withHeaderSize(makeIconDib(
                                 4, 4, 24, {}, blueOrRed, [](int, int) { return true; }, false),
                             124);
    test::setLe32(v5, 56, 0x4D424544);                              // embedded profile
    test::setLe32(v5, 112, static_cast<std::uint32_t>(v5.size()));  // right after the pixels
    test::setLe32(v5, 116, 64);
    v5.insert(v5.end(), 64, 0xFF);
    const Icon profiled = decodeIconImage(v5);
    EXPECT_EQ(pixelsAt(profiled.color, {{0, 0}, {3, 3}}), (Colors{kBlue, kRed}));
    EXPECT_EQ(test::indexValues(profiled.mask), std::vector<std::uint8_t>(16, 0));
    // 108- and 124-byte headers without a profile find their mask after the pixels.
    for (std::uint32_t size : {108u, 124u}) {
        const Icon masked =
            decodeIconImage(withHeaderSize(makeIconDib(
                                               4, 4, 8, {kGreen, kRed}, [](int x, int) { return x & 1u; },
                                               [](int x, int y) { return x == y; }),
                                           size));
        EXPECT_EQ(masked.color.pixel(1, 0), kRed) << size;
        EXPECT_EQ(rawAt(masked.mask, {{2, 2}, {1, 2}}), (Raw{1, 0})) << size;
    }

    // Directory sizes that do not fit the image: too small (8 bytes), and past the file's end.
    const auto dib = makeIconDib(4, 4, 24, {}, blueOrRed, [](int x, int) { return x == 3; });
    for (std::uint32_t claimed : {8u, 100000u}) {
        auto file = makeIcoFile({{0, dib}});
        test::setLe32(file, 14, claimed);
        const Icon icon = ReadIconFile(file);
        EXPECT_EQ(icon.color.pixel(0, 0), kBlue) << claimed;
        EXPECT_EQ(icon.mask.raw(31, 0), 1u) << claimed;
        auto cursor = makeIcoFile({{0, dib, 4, 4, 1, 2}}, 2);
        test::setLe32(cursor, 14, claimed);
        const auto cur = extractFileIcon(cursor, 0, 32);
        ASSERT_TRUE(cur) << claimed;
        EXPECT_EQ(cur->color.pixel(0, 0), kBlue);
        EXPECT_EQ(cur->hotspotX, 8);
    }
    // The same for a PNG entry: its own chunks say where it ends.
    const auto png = encodePng(makeBitmap(3, 3, PixelFormat::Bpp24, [](int, int) { return kGreen; }));
    for (std::uint32_t claimed : {20u, 100000u}) {
        auto file = makeIcoFile({{0, png}});
        test::setLe32(file, 14, claimed);
        EXPECT_EQ(ReadIconFile(file).color.pixel(31, 31), kGreen) << claimed;
    }
}

TEST(IconFile, RejectsCursorsEmptyDirectoriesAndShortFilesAndSurvivesCorruption) {
    const auto cursor = makeIcoFile({{0, solidIconDib(32, 4, kRed)}}, 2);
    EXPECT_THAT([&] { ReadIconFile(cursor); }, ThrowsMessage<DecodeError>(std::string(kInvalidIconMessage)));
    const std::vector<std::uint8_t> empty{0, 0, 1, 0, 0, 0};
    EXPECT_THAT([&] { ReadIconFile(empty); }, ThrowsMessage<DecodeError>(std::string(kInvalidIconMessage)));

    auto file = makeIcoFile({{0, solidIconDib(32, 4, kRed)}, {0, solidIconDib(16, 4, kRed)}});
    EXPECT_THAT([&] { ReadIconFile(std::span(file).first(4)); },
                ThrowsMessage<DecodeError>(HasSubstr("truncated")));
    EXPECT_THAT([&] { ReadIconFile(std::span(file).first(30)); },
                ThrowsMessage<DecodeError>(HasSubstr("truncated directory")));
    // The chosen (first) image claims more bytes than the file holds.
    EXPECT_THAT([&] { ReadIconFile(std::span(file).first(100)); },
                ThrowsMessage<DecodeError>(HasSubstr("truncated image data")));
    // An image whose data is not an image fails with the decoder's error.
    auto bad = makeIcoFile({{0, std::vector<std::uint8_t>(60, 0x11)}});
    EXPECT_THROW(ReadIconFile(bad), DecodeError);
    // An absurd size in the image header is refused before anything is allocated.
    auto huge = solidIconDib(4, 24, kRed);
    test::setLe32(huge, 4, 65535);  // width
    EXPECT_THAT(
        [&] {
            ReadIconFile(makeIcoFile({{0, huge}}));
        },
        ThrowsMessage<DecodeError>(HasSubstr("BMP")));

    // Every corruption fails cleanly or reads.
    test::corruptionSweep(makeIcoFile({{0, solidIconDib(8, 4, kRed)}, {16, solidIconDib(4, 32, kBlue)}}),
                          [](std::span<const std::uint8_t> bytes) { (void)ReadIconFile(bytes); });
}

}  // namespace
}  // namespace vexilo
