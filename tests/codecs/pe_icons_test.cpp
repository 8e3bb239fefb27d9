#include "codecs/pe_icons.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/errors.h"
#include "imageio/associated_icon.h"
#include "imageio/loaders.h"
#include "support/icon_fixtures.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::GroupEntry;
using test::makeGroupDirectory;
using test::makePeFile;
using test::PeKind;
using test::PeResource;
using test::PeResourceType;
using test::solidIconDib;

constexpr Color kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0},
    kMagenta{255, 0, 255}, kCyan{0, 255, 255};
constexpr std::uint32_t kRtIcon = 3, kRtGroupIcon = 14;

PeResourceType iconImages() {
    return {kRtIcon,
            {{1, "", solidIconDib(16, 8, kRed)},
             {2, "", solidIconDib(32, 4, kGreen)},
             {3, "", solidIconDib(32, 32, kBlue)},
             {4, "", solidIconDib(48, 32, kYellow)},
             {5, "", test::makeRgbaPng(48, 48, kMagenta, 128)},
             {6, "", solidIconDib(16, 24, kCyan)}}};
}

// Three groups: a named one first, then numbers ascending, as resource directories list them.
std::vector<std::uint8_t> threeGroupFile(PeKind kind, std::uint16_t machine) {
    const PeResourceType groups{
        kRtGroupIcon,
        {{0, "MAINICON",
          makeGroupDirectory(
              {{16, 16, 0, 8, 1}, {32, 32, 16, 4, 2}, {32, 32, 0, 32, 3}, {48, 48, 0, 32, 4}})},
         {1, "", makeGroupDirectory({{48, 48, 0, 32, 4}, {16, 16, 0, 8, 1}})},
         {7, "", makeGroupDirectory({{16, 16, 0, 24, 6}, {48, 48, 0, 32, 5}})}}};
    return makePeFile({iconImages(), groups}, kind, machine);
}

TEST(PeIcons, ReadsGroupsInDirectoryOrderAndPicksTheDesktopsImage) {
    const std::pair<PeKind, std::uint16_t> variants[] = {{PeKind::Pe32, test::kMachineI386},
                                                         {PeKind::Pe64, test::kMachineAmd64},
                                                         {PeKind::Pe64, test::kMachineArm64}};
    for (auto [kind, machine] : variants) {
        SCOPED_TRACE(machine);
        const auto file = threeGroupFile(kind, machine);
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
        Bitmap onto(32, 32);
        third->drawOnto(onto);
        EXPECT_EQ(onto.pixel(3, 3), (Color{255, 127, 255}));

        EXPECT_FALSE(extractFileIcon(file, 3, 32));
        EXPECT_FALSE(extractFileIcon(file, -1, 32));
    }
}

TEST(PeIcons, WalkHandsBackTheCountAndEndsPastTheLastIcon) {
    test::TempDir dir;
    std::vector<PeResource> groups;
    for (std::uint32_t i = 1; i <= 5; ++i)
        groups.push_back({i, "", makeGroupDirectory({{32, 32, 0, 32, 3}})});
    test::writeFile(dir.file("five.dll"),
                    makePeFile({iconImages(), {kRtGroupIcon, groups}}, PeKind::Pe32, test::kMachineI386));
    std::uint16_t index = 0;
    Bitmap b;
    ASSERT_TRUE(LoadExecutableIcon(dir.file("five.dll"), index, &b));
    EXPECT_EQ(index, 5);
    EXPECT_EQ(b.width(), kSystemIconSize);
    EXPECT_EQ(b.pixel(0, 0), kBlue);
    for (std::uint16_t i = 1; i < 5; ++i) {
        std::uint16_t at = i;
        Bitmap each;
        EXPECT_TRUE(LoadExecutableIcon(dir.file("five.dll"), at, &each)) << i;
        EXPECT_EQ(at, i);  // only index 0 hands the count back
    }
    std::uint16_t past = 5;
    Bitmap none;
    EXPECT_FALSE(LoadExecutableIcon(dir.file("five.dll"), past, &none));
    EXPECT_TRUE(none.empty());
    // ExtractIconAt itself leaves the count in the index after an in-range call.
    std::uint16_t raw = 2;
    EXPECT_TRUE(ExtractIconAt(dir.file("five.dll"), raw));
    EXPECT_EQ(raw, 5);

    // Index 7 of a 3-icon file: the associated icon, and the index comes back as 0.
    test::writeFile(dir.file("three.exe"), threeGroupFile(PeKind::Pe64, test::kMachineAmd64));
    std::uint16_t seven = 7;
    const auto assoc = ExtractIconAt(dir.file("three.exe"), seven);
    ASSERT_TRUE(assoc);
    EXPECT_EQ(seven, 0);
    std::string why;
    EXPECT_TRUE(test::sameColours(assoc->color, genericDocumentIcon(kSystemIconSize).color, &why)) << why;
    std::uint16_t sevenAgain = 7;
    EXPECT_TRUE(LoadExecutableIcon(dir.file("three.exe"), sevenAgain, &b));
    EXPECT_EQ(sevenAgain, 7);
}

TEST(PeIcons, FilesWithoutIconsShowTheirAssociatedIcon) {
    test::TempDir dir;
    test::writeFile(dir.file("plain.exe"), makePeFile({iconImages()}, PeKind::Pe32, test::kMachineI386));
    test::writeFile(dir.file("text.dll"), std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o'});
    for (const char* name : {"plain.exe", "text.dll"}) {
        std::uint16_t index = 0;
        Bitmap b;
        ASSERT_TRUE(LoadExecutableIcon(dir.file(name), index, &b)) << name;
        EXPECT_EQ(index, 0) << name;
        Bitmap expected(32, 32);
        genericDocumentIcon(32).drawOnto(expected);
        EXPECT_TRUE(test::sameColours(b, expected)) << name;
        std::uint16_t one = 1;  // count 0 <= 0: the associated icon again
        EXPECT_TRUE(LoadExecutableIcon(dir.file(name), one, &b)) << name;
    }
}

TEST(PeIcons, OnlyIconFileExtensionsAndExistingFilesQualify) {
    test::TempDir dir;
    const auto file = threeGroupFile(PeKind::Pe32, test::kMachineI386);
    for (const char* name : {"tool.cu", "UPPER.EXE", "x.Cpl", "lib.dll", "odd."})
        test::writeFile(dir.file(name), file);
    for (const char* name : {"icon.png", "noext", "exe"}) test::writeFile(dir.file(name), file);
    for (const char* name : {"tool.cu", "UPPER.EXE", "x.Cpl", "lib.dll", "odd."}) {
        std::uint16_t index = 0;
        Bitmap b;
        EXPECT_TRUE(LoadExecutableIcon(dir.file(name), index, &b)) << name;
        EXPECT_EQ(index, 3) << name;
    }
    for (const char* name : {"icon.png", "noext", "exe", "missing.exe"}) {
        std::uint16_t index = 0;
        Bitmap b;
        EXPECT_FALSE(LoadExecutableIcon(dir.file(name), index, &b)) << name;
        EXPECT_EQ(index, 0) << name;
    }
    std::uint16_t index = 0;
    EXPECT_FALSE(LoadExecutableIcon(dir.file("lib.dll"), index, nullptr));
    EXPECT_FALSE(LoadExecutableIcon("", index, nullptr));
    // A named pipe under an executable's name has no icons and does not block the reader.
    ASSERT_EQ(::mkfifo(dir.file("pipe.exe").c_str(), 0600), 0);
    std::uint16_t pipeIndex = 0;
    Bitmap pipe;
    EXPECT_TRUE(LoadExecutableIcon(dir.file("pipe.exe"), pipeIndex, &pipe));
    EXPECT_EQ(pipeIndex, 0);
    std::uint16_t missing = 4;
    EXPECT_FALSE(ExtractIconAt(dir.file("missing.exe"), missing));
    EXPECT_EQ(missing, 4);
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

    test::TempDir dir;
    test::writeFile(dir.file("arrow.cur"), cur);
    std::uint16_t index = 0;
    Bitmap b;
    ASSERT_TRUE(LoadExecutableIcon(dir.file("arrow.cur"), index, &b));
    EXPECT_EQ(index, 1);
    // A cursor file with no images has no icon: the associated one is shown.
    test::writeFile(dir.file("empty.cur"), std::vector<std::uint8_t>{0, 0, 2, 0, 0, 0});
    index = 0;
    EXPECT_TRUE(LoadExecutableIcon(dir.file("empty.cur"), index, &b));
    EXPECT_EQ(index, 0);
}

TEST(PeIcons, DamagedResourcesFailCleanly) {
    // A group naming a missing image skips it; a group naming only missing images has none.
    const PeResourceType groups{kRtGroupIcon,
                                {{1, "", makeGroupDirectory({{32, 32, 0, 32, 99}, {16, 16, 0, 8, 1}})},
                                 {2, "", makeGroupDirectory({{32, 32, 0, 32, 98}})},
                                 {3, "", {1, 2}}}};
    const auto file = makePeFile({iconImages(), groups}, PeKind::Pe32, test::kMachineI386);
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
    auto loop = makePeFile({iconImages(), groups}, PeKind::Pe32, test::kMachineI386);
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
    f.u8('M');
    f.u8('Z');
    f.zeros(0x3A);
    f.u32le(0x40);
    f.u8('N');
    f.u8('E');
    f.zeros(0x24 - 2);
    f.u16le(0x40);  // resource table at 0x80
    f.zeros(0x80 - f.size());
    f.u16le(4);
    const std::uint32_t dataStart = 0x100;
    std::vector<std::uint32_t> at;
    std::uint32_t pos = dataStart;
    for (const auto* blob : {&icons[0], &icons[1], &group}) {
        at.push_back(pos);
        pos += (static_cast<std::uint32_t>(blob->size()) + 15) & ~15u;
    }
    auto nameInfo = [&](std::size_t k, std::size_t size, std::uint16_t id) {
        f.u16le(static_cast<std::uint16_t>(at[k] >> 4));
        f.u16le(static_cast<std::uint16_t>((size + 15) >> 4));
        f.u16le(0x30);
        f.u16le(id);
        f.zeros(4);
    };
    f.u16le(0x8003);
    f.u16le(2);
    f.zeros(4);
    nameInfo(0, icons[0].size(), 0x8001);
    nameInfo(1, icons[1].size(), 0x8002);
    f.u16le(0x800E);
    f.u16le(1);
    f.zeros(4);
    nameInfo(2, group.size(), 0x8001);
    f.u16le(0);
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
