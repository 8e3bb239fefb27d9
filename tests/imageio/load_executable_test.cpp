// Icons of executables, libraries, control panel items and cursor files through the loader:
// the icon walk's count in the index, the associated icon for files without icons.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "imageio/associated_icon.h"
#include "imageio/loaders.h"
#include "support/icon_fixtures.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::kRtGroupIcon;
using test::makeGroupDirectory;
using test::makePeFile;
using test::PeKind;
using test::PeResource;
using test::solidIconDib;

constexpr Color kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

TEST(PeIcons, WalkHandsBackTheCountAndEndsPastTheLastIcon) {
    test::TempDir dir;
    std::vector<PeResource> groups;
    for (std::uint32_t i = 1; i <= 5; ++i)
        groups.push_back({i, "", makeGroupDirectory({{32, 32, 0, 32, 3}})});
    test::writeFile(dir.file("five.dll"), makePeFile({test::peIconImages(), {kRtGroupIcon, groups}},
                                                     PeKind::Pe32, test::kMachineI386));
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
    // The walk of the scan and the command line: every icon in order, then the count.
    std::vector<int> seen;
    const auto walk = [&](std::uint16_t i, const Bitmap* icon) {
        seen.push_back(icon ? i : -1);
        return i < 2;  // the third answer stops it
    };
    EXPECT_EQ(ForEachExecutableIcon(dir.file("five.dll"), walk), 5);
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(ForEachExecutableIcon(dir.file("five.png"), walk));
    std::uint16_t past = 5;
    Bitmap none;
    EXPECT_FALSE(LoadExecutableIcon(dir.file("five.dll"), past, &none));
    EXPECT_TRUE(none.empty());
    // ExtractIconAt itself leaves the count in the index after an in-range call.
    std::uint16_t raw = 2;
    EXPECT_TRUE(ExtractIconAt(dir.file("five.dll"), raw));
    EXPECT_EQ(raw, 5);

    // Index 7 of a 3-icon file: the associated icon, and the index comes back as 0.
    test::writeFile(dir.file("three.exe"), test::threeGroupPeFile(PeKind::Pe64, test::kMachineAmd64));
    std::uint16_t seven = 7;
    const auto assoc = ExtractIconAt(dir.file("three.exe"), seven);
    ASSERT_TRUE(assoc);
    EXPECT_EQ(seven, 0);
    EXPECT_TRUE(test::samePixels(assoc->color, genericDocumentIcon(kSystemIconSize).color));
    std::uint16_t sevenAgain = 7;
    EXPECT_TRUE(LoadExecutableIcon(dir.file("three.exe"), sevenAgain, &b));
    EXPECT_EQ(sevenAgain, 7);
}

TEST(PeIcons, FilesWithoutIconsShowTheirAssociatedIcon) {
    test::TempDir dir;
    test::writeFile(dir.file("plain.exe"),
                    makePeFile({test::peIconImages()}, PeKind::Pe32, test::kMachineI386));
    test::writeFile(dir.file("text.dll"), std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o'});
    for (const char* name : {"plain.exe", "text.dll"}) {
        std::uint16_t index = 0;
        Bitmap b;
        ASSERT_TRUE(LoadExecutableIcon(dir.file(name), index, &b)) << name;
        EXPECT_EQ(index, 0) << name;
        Bitmap expected(32, 32);
        genericDocumentIcon(32).drawOnto(expected);
        EXPECT_TRUE(test::samePixels(b, expected)) << name;
        std::uint16_t one = 1;  // count 0 <= 0: the associated icon again
        EXPECT_TRUE(LoadExecutableIcon(dir.file(name), one, &b)) << name;
    }
}

TEST(PeIcons, OnlyIconFileExtensionsAndExistingFilesQualify) {
    test::TempDir dir;
    const auto file = test::threeGroupPeFile(PeKind::Pe32, test::kMachineI386);
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

TEST(PeIcons, CursorFilesLoadAsTheirOneIcon) {
    test::IcoEntry small{0, solidIconDib(16, 4, kRed), 16, 16, 3, 4};
    test::IcoEntry large{0, solidIconDib(32, 4, kGreen), 32, 32, 10, 12};
    test::TempDir dir;
    test::writeFile(dir.file("arrow.cur"), test::makeIcoFile({small, large}, 2));
    std::uint16_t index = 0;
    Bitmap b;
    ASSERT_TRUE(LoadExecutableIcon(dir.file("arrow.cur"), index, &b));
    EXPECT_EQ(index, 1);
    EXPECT_EQ(b.pixel(5, 5), kGreen);
    // A cursor file with no images has no icon: the associated one is shown.
    test::writeFile(dir.file("empty.cur"), std::vector<std::uint8_t>{0, 0, 2, 0, 0, 0});
    index = 0;
    EXPECT_TRUE(LoadExecutableIcon(dir.file("empty.cur"), index, &b));
    EXPECT_EQ(index, 0);
}

}  // namespace
}  // namespace vexilo
