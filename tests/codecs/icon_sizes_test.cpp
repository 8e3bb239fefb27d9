// Every image of an icon, the largest one, and icon files written at all sizes with alpha.
#include <gtest/gtest.h>

#include <cstdlib>

#include "codecs/icon_file.h"
#include "codecs/icon_writer.h"
#include "codecs/pe_icons.h"
#include "support/icon_fixtures.h"

namespace vexilo {
namespace {

std::vector<std::pair<int, int>> sizesAndBits(const IconGroup& g) {
    std::vector<std::pair<int, int>> out;
    for (const auto& im : g.images) out.emplace_back(im.width * 1000 + im.height, im.bits);
    return out;
}

TEST(IconSizes, EveryImageOfIconFilesAndPe32PlusGroups) {
    // Entries in file order: a 256 PNG, 48 at 32 bits, 32 at 4 bits (colour word 16), 16 at 8 bits.
    const auto ico = test::makeIcoFile({{0, test::makeRgbaPng(256, 256, {10, 20, 30}, 200)},
                                        {0, test::solidIconDib(48, 32, {255, 255, 0})},
                                        {16, test::solidIconDib(32, 4, {0, 255, 0})},
                                        {0, test::solidIconDib(16, 8, {255, 0, 0})}});
    const IconResources file(ico);
    ASSERT_EQ(file.groupCount(), 1u);
    EXPECT_EQ(sizesAndBits(file.group(0)),
              (std::vector<std::pair<int, int>>{{256256, 32}, {48048, 32}, {32032, 4}, {16016, 8}}));

    // "Largest size" takes the 256 PNG entry at its own size with its alpha.
    const auto largest = extractFileIcon(ico, 0, 32, kDefaultDecodeLimits, IconImageChoice::Largest);
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->width(), 256);
    ASSERT_TRUE(largest->hasAlpha());
    EXPECT_EQ(largest->alpha[1000], 200);
    // For a thumbnail the image closest to the cell.
    const auto closest = extractFileIcon(ico, 0, 40, kDefaultDecodeLimits, IconImageChoice::ClosestOwnSize);
    ASSERT_TRUE(closest);
    EXPECT_EQ(closest->width(), 48);

    const auto pe = test::threeGroupPeFile(test::PeKind::Pe64, test::kMachineAmd64);
    const IconResources exe(pe);
    ASSERT_EQ(exe.groupCount(), 3u);
    EXPECT_EQ(sizesAndBits(exe.group(0)),
              (std::vector<std::pair<int, int>>{{16016, 8}, {32032, 4}, {32032, 32}, {48048, 32}}));
    const std::vector<Icon> images = decodeFileIconImages(pe, 2);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[1].width(), 48);
    ASSERT_TRUE(images[1].hasAlpha());
    EXPECT_EQ(images[1].alpha[0], 128);
}

TEST(IconSizes, AllSizesFileReadsBackWithSevenEntriesAndItsSoftEdge) {
    // A 64-pixel picture whose alpha falls off to the right: a soft edge.
    Bitmap picture(64, 64);
    std::vector<std::uint8_t> alpha(64 * 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            picture.setPixel(x, y, {200, 100, 50});
            alpha[static_cast<std::size_t>(y * 64 + x)] = static_cast<std::uint8_t>(x * 4);
        }
    const auto bytes = encodeAllSizesIconFile(picture, alpha);
    const IconResources file(bytes);
    const IconGroup group = file.group(0);
    ASSERT_EQ(group.images.size(), 7u);
    for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(group.images[i].width, kAllIconSizes[i]);
    EXPECT_EQ(group.images[6].data[1], 'P');  // the 256 entry is a PNG
    EXPECT_EQ(bytes[6 + 6 * 16], 0);          // and its width byte says 256 as 0

    const std::vector<Icon> images = decodeFileIconImages(bytes, 0);
    ASSERT_EQ(images.size(), 7u);
    const Icon& same = images[4];  // 64 px: the picture itself
    const Icon& large = images[6];
    ASSERT_TRUE(same.hasAlpha() && large.hasAlpha());
    for (int x = 0; x < 64; ++x) {
        EXPECT_LE(std::abs(same.alpha[static_cast<std::size_t>(10 * 64 + x)] - x * 4), 1) << x;
        EXPECT_LE(std::abs(large.alpha[static_cast<std::size_t>(40 * 256 + 4 * x + 1)] - x * 4), 1) << x;
    }
    EXPECT_EQ(same.color.pixel(30, 30), (Color{200, 100, 50}));
    // 16 px: each pixel the mean of four alpha steps.
    EXPECT_LE(std::abs(images[0].alpha[5] - (20 + 21 + 22 + 23) * 4 / 4), 1);
}

}  // namespace
}  // namespace vexilo
