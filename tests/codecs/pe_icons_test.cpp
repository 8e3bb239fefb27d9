#include "codecs/pe_icons.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/errors.h"
#include "support/byte_fields.h"
#include "support/icon_fixtures.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::GroupEntry;
using test::kRtGroupIcon;
using test::kRtIcon;
using test::makeGroupDirectory;
using test::makePeFile;
using test::PeKind;
using test::PeResourceType;
using test::solidIconDib;

constexpr Color kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0},
    kCyan{0, 255, 255};

TEST(PeIcons, ReadsGroupsInDirectoryOrderAndPicksTheDesktopsImage) {
    const std::pair<PeKind, std::uint16_t> variants[] = {{PeKind::Pe32, test::kMachineI386},
                                                         {PeKind::Pe64, test::kMachineAmd64},
                                                         {PeKind::Pe64, test::kMachineArm64}};
    for (auto [kind, machine] : variants) {
        SCOPED_TRACE(machine);
        const auto file = test::threeGroupPeFile(kind, machine);
        const IconResources resources(file);
        ASSERT_EQ(resources.groupCount(), 3u);
        EXPECT_EQ(resources.group(0).images.size(), 4u);
        EXPECT_EQ(countFileIcons(file), 3);

        // 32 x 32 at 32 bits beats 32 x 32 at 4 bits and the 16 and 48 pixel images.
        const auto first = extractFileIcon(file, 0, 32);
        ASSERT_TRUE(first);
        EXPECT_EQ(first->width(), 32);
        EXPECT_EQ(first->color.pixel(7, 7), kBlue);
        // 16 and 48 are equally far from 32: the deeper 48-pixel image wins, scaled down.
        const auto second = extractFileIcon(file, 1, 32);
        ASSERT_TRUE(second);
        EXPECT_EQ(second->width(), 32);
        EXPECT_EQ(second->color.pixel(31, 31), kYellow);
        // A PNG image keeps its alpha.
        const auto third = extractFileIcon(file, 2, 32);
        ASSERT_TRUE(third);
        EXPECT_TRUE(third->hasAlpha());
        EXPECT_EQ(third->alpha[100], 128);
        EXPECT_EQ(third->color.pixel(3, 3), (Color{255, 0, 255}));

        EXPECT_FALSE(extractFileIcon(file, 3, 32));
        EXPECT_FALSE(extractFileIcon(file, -1, 32));
    }
}

TEST(PeIcons, CursorFilesHaveOneIconWithTheirHotspot) {
    test::IcoEntry small{0, solidIconDib(16, 4, kRed), 16, 16, 3, 4};
    test::IcoEntry large{0, solidIconDib(32, 4, kGreen), 32, 32, 10, 12};
    const auto cur = test::makeIcoFile({small, large}, 2);
    EXPECT_EQ(countFileIcons(cur), 1);
    const auto icon = extractFileIcon(cur, 0, 32);
    ASSERT_TRUE(icon);
    EXPECT_TRUE(icon->isCursor);
    EXPECT_EQ(icon->hotspotX, 10);
    EXPECT_EQ(icon->hotspotY, 12);
    EXPECT_EQ(icon->color.pixel(5, 5), kGreen);
    EXPECT_FALSE(extractFileIcon(cur, 1, 32));
}

TEST(PeIcons, DamagedResourcesFailCleanly) {
    // A group naming a missing image skips it; a group naming only missing images has none.
    const PeResourceType groups{kRtGroupIcon,
                                {{1, "", makeGroupDirectory({{32, 32, 0, 32, 99}, {16, 16, 0, 8, 1}})},
                                 {2, "", makeGroupDirectory({{32, 32, 0, 32, 98}})},
                                 {3, "", {1, 2}}}};
    const auto file = makePeFile({test::peIconImages(), groups}, PeKind::Pe32, test::kMachineI386);
    const IconResources resources(file);
    ASSERT_EQ(resources.groupCount(), 3u);
    EXPECT_EQ(resources.group(0).images.size(), 1u);
    EXPECT_EQ(extractFileIcon(file, 0, 32)->color.pixel(0, 0), kRed);
    EXPECT_FALSE(extractFileIcon(file, 1, 32));
    EXPECT_FALSE(extractFileIcon(file, 2, 32));

    // An image that cannot be decoded gives way to the next best one.
    const PeResourceType brokenImages{
        kRtIcon, {{1, "", std::vector<std::uint8_t>(40, 0xEE)}, {2, "", solidIconDib(16, 4, kCyan)}}};
    const PeResourceType oneGroup{kRtGroupIcon,
                                  {{1, "", makeGroupDirectory({{32, 32, 0, 32, 1}, {16, 16, 0, 4, 2}})}}};
    const auto fallback = makePeFile({brokenImages, oneGroup}, PeKind::Pe64, test::kMachineAmd64);
    EXPECT_EQ(extractFileIcon(fallback, 0, 32)->color.pixel(0, 0), kCyan);

    // A name-level entry that points back at the root directory cannot loop the reader.
    auto loop = makePeFile({test::peIconImages(), groups}, PeKind::Pe32, test::kMachineI386);
    const std::size_t rsrc = 0x400;
    const std::size_t groupTypeDir = rsrc + (loop[rsrc + 16 + 8 + 4] | (loop[rsrc + 16 + 8 + 5] << 8));
    for (int k = 0; k < 3; ++k) {
        const std::size_t entry = groupTypeDir + 16 + 8 * static_cast<std::size_t>(k) + 4;
        loop[entry] = 0, loop[entry + 1] = 0, loop[entry + 2] = 0, loop[entry + 3] = 0x80;
    }
    EXPECT_NO_THROW((void)countFileIcons(loop));
    EXPECT_FALSE(extractFileIcon(loop, 0, 32));

    // Headers that point outside the file.
    auto outside = file;
    outside[0x3C] = 0xF0, outside[0x3D] = 0xFF;
    EXPECT_EQ(countFileIcons(outside), 0);
    EXPECT_THROW(IconResources{outside}, DecodeError);
    EXPECT_EQ(countFileIcons(std::span(file).first(0x300)), 0);
    EXPECT_THROW(IconResources{std::vector<std::uint8_t>(100, 'M')}, DecodeError);
}

// A 16-bit executable: resource table of type blocks, offsets and lengths in 16-byte units.
std::vector<std::uint8_t> makeNeFile() {
    const std::vector<std::vector<std::uint8_t>> icons{solidIconDib(16, 4, kRed),
                                                       solidIconDib(32, 4, kGreen)};
    const auto group = makeGroupDirectory({{16, 16, 16, 4, 1}, {32, 32, 16, 4, 2}});
    ByteWriter f;
    test::le16(f, 'M' | 'Z' << 8);
    f.zeros(0x3A);
    test::le32(f, 0x40, 'N' | 'E' << 8);
    f.zeros(0x24 - 4);
    test::le16(f, 0x40);  // resource table at 0x80
    f.zeros(0x80 - f.size());
    test::le16(f, 4);
    const std::uint32_t dataStart = 0x100;
    std::vector<std::uint32_t> at;
    std::uint32_t pos = dataStart;
    for (const auto* blob : {&icons[0], &icons[1], &group}) {
        at.push_back(pos);
        pos += (static_cast<std::uint32_t>(blob->size()) + 15) & ~15u;
    }
    auto nameInfo = [&](std::size_t k, std::size_t size, std::uint16_t id) {
        test::le16(f, at[k] >> 4, (size + 15) >> 4, 0x30, id, 0, 0);
    };
    test::le16(f, 0x8003, 2, 0, 0);
    nameInfo(0, icons[0].size(), 0x8001);
    nameInfo(1, icons[1].size(), 0x8002);
    test::le16(f, 0x800E, 1, 0, 0);
    nameInfo(2, group.size(), 0x8001);
    test::le16(f, 0);
    for (std::size_t k = 0; k < 3; ++k) {
        f.zeros(at[k] - f.size());
        f.bytes(k < 2 ? icons[k] : group);
    }
    f.zeros(pos - f.size());
    return f.take();
}

TEST(PeIcons, ReadsSixteenBitExecutables) {
    const auto file = makeNeFile();
    ASSERT_EQ(countFileIcons(file), 1);
    const auto icon = extractFileIcon(file, 0, 32);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->color.pixel(9, 9), kGreen);
    test::corruptionSweep(
        file,
        [](std::span<const std::uint8_t> bytes) {
            if (countFileIcons(bytes) > 0) (void)extractFileIcon(bytes, 0, 32);
        },
        3);
}

TEST(PeIcons, SurvivesEveryCorruption) {
    const PeResourceType images{kRtIcon,
                                {{1, "", solidIconDib(4, 4, kRed)}, {2, "", solidIconDib(2, 32, kBlue)}}};
    const PeResourceType groups{kRtGroupIcon,
                                {{1, "", makeGroupDirectory({{4, 4, 16, 4, 1}, {2, 2, 0, 32, 2}})}}};
    for (PeKind kind : {PeKind::Pe32, PeKind::Pe64}) {
        const auto file = makePeFile({images, groups}, kind, test::kMachineAmd64);
        ASSERT_EQ(countFileIcons(file), 1);
        test::corruptionSweep(file, [](std::span<const std::uint8_t> bytes) {
            const int n = countFileIcons(bytes);
            for (int i = 0; i < std::min(n, 3); ++i) (void)extractFileIcon(bytes, i, 32);
        });
    }
}

}  // namespace
}  // namespace vexilo
