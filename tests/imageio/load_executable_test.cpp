// The icon a file shows: the associated icon (the desktop's or a built-in one), and the icons of
// executables, libraries, control panel items and cursor files through the loader: the icon
// walk's count in the index, the associated icon for files without icons.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "imageio/associated_icon.h"
#include "imageio/desktop_services.h"
#include "imageio/loaders.h"
#include "support/icon_fixtures.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::makePeFile;
using test::PeKind;

constexpr Color kRed{255, 0, 0}, kBlue{0, 0, 255};

// Installs an associated-icon service for one test (none for an empty one) and puts the
// previous services back.
class ProviderScope {
public:
    explicit ProviderScope(decltype(DesktopServices::associatedIcon) provider) {
        DesktopServices services;
        services.associatedIcon = std::move(provider);
        m_previous = installDesktopServices(std::move(services));
    }
    ~ProviderScope() { installDesktopServices(std::move(m_previous)); }

private:
    DesktopServices m_previous;
};

TEST(AssociatedIcon, BuiltInIconsForFilesAndFolders) {
    ProviderScope none(nullptr);
    test::TempDir dir;
    test::writeFile(dir.file("notes.txt"), std::vector<std::uint8_t>{'h', 'i'});
    const auto doc = associatedIcon(dir.file("notes.txt"), 32);
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->width(), 32);
    // Transparent around the page, the page itself opaque.
    EXPECT_EQ((std::vector<std::uint32_t>{doc->mask.raw(0, 0), doc->mask.raw(12, 20)}),
              (std::vector<std::uint32_t>{1, 0}));
    const auto folder = associatedIcon(dir.path().string(), 32);
    ASSERT_TRUE(folder);
    EXPECT_FALSE(test::samePixels(folder->color, doc->color));

    Bitmap b;
    ASSERT_TRUE(LoadAssociatedIcon(dir.file("notes.txt"), &b));
    // Drawn over white as any icon (LoadersTest.LoadersDrawIntoTheCallersRaster); its look:
    // PeIcons.FilesWithoutIconsShowTheirAssociatedIcon.
    EXPECT_EQ(b.width(), kSystemIconSize);

    Bitmap untouched;
    EXPECT_FALSE(associatedIcon(dir.file("missing"), 32));
    EXPECT_FALSE(LoadAssociatedIcon(dir.file("missing"), &untouched));
    EXPECT_FALSE(LoadAssociatedIcon(dir.file("notes.txt"), nullptr));
    EXPECT_TRUE(untouched.empty());
    // The built-in icons draw at any size.
    EXPECT_EQ(genericDocumentIcon(16).width(), 16);
    EXPECT_EQ(genericFolderIcon(48).height(), 48);
}

TEST(AssociatedIcon, AsksTheInstalledProviderFirst) {
    test::TempDir dir;
    test::writeFile(dir.file("a.bin"), std::vector<std::uint8_t>{1});
    Icon red = Icon::blank(16, 16);
    red.color.fillRect({0, 0, 16, 16}, kRed);
    red.mask.fillRect({0, 0, 16, 16}, kBlack);  // opaque
    std::string asked;
    {
        ProviderScope scope([&](const std::string& path, int) {
            asked = path;
            return std::optional(red);
        });
        Bitmap b;
        ASSERT_TRUE(LoadAssociatedIcon(dir.file("a.bin"), &b));
        EXPECT_EQ(asked, dir.file("a.bin"));
        EXPECT_EQ(b.width(), 32);  // scaled to the system icon size
        EXPECT_EQ(b.pixel(31, 31), kRed);
        // A missing file never reaches the provider.
        asked.clear();
        EXPECT_FALSE(LoadAssociatedIcon(dir.file("gone"), &b));
        EXPECT_TRUE(asked.empty());
    }
    // A provider with no answer: the built-in icon.
    ProviderScope silent([](const std::string&, int) { return std::optional<Icon>(); });
    const auto icon = associatedIcon(dir.file("a.bin"), 32);
    ASSERT_TRUE(icon);
    EXPECT_TRUE(test::samePixels(icon->color, genericDocumentIcon(32).color));
}

// The loader's answer and the index it hands back, asked from `index`.
std::pair<bool, int> loadIcon(const std::string& path, std::uint16_t index = 0, Bitmap* into = nullptr) {
    Bitmap scratch;
    const bool ok = LoadExecutableIcon(path, index, into ? into : &scratch);
    return {ok, index};
}

TEST(PeIcons, WalkHandsBackTheCountAndEndsPastTheLastIcon) {
    test::TempDir dir;
    std::vector<test::PeResource> groups;
    for (std::uint32_t i = 1; i <= 5; ++i)
        groups.push_back({i, "", test::makeGroupDirectory({{32, 32, 0, 32, 3}})});
    test::writeFile(dir.file("five.dll"), makePeFile({test::peIconImages(), {test::kRtGroupIcon, groups}},
                                                     PeKind::Pe32, test::kMachineI386));
    Bitmap b;
    ASSERT_EQ(loadIcon(dir.file("five.dll"), 0, &b), std::pair(true, 5));
    EXPECT_EQ(b.width(), kSystemIconSize);
    EXPECT_EQ(b.pixel(0, 0), kBlue);
    // Only index 0 hands the count back.
    for (std::uint16_t i = 1; i < 5; ++i)
        EXPECT_EQ(loadIcon(dir.file("five.dll"), i), std::pair(true, int(i)));
    // The walk of the scan and the command line: every icon in order, then the count.
    std::vector<int> seen;
    const auto walk = [&](std::uint16_t i, const Bitmap* icon) {
        seen.push_back(icon ? i : -1);
        return i < 2;  // the third answer stops it
    };
    EXPECT_EQ(ForEachExecutableIcon(dir.file("five.dll"), walk), 5);
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(ForEachExecutableIcon(dir.file("five.png"), walk));
    Bitmap none;
    EXPECT_FALSE(loadIcon(dir.file("five.dll"), 5, &none).first);
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
    EXPECT_EQ(loadIcon(dir.file("three.exe"), 7), std::pair(true, 7));
}

TEST(PeIcons, FilesWithoutIconsShowTheirAssociatedIcon) {
    test::TempDir dir;
    test::writeFile(dir.file("plain.exe"),
                    makePeFile({test::peIconImages()}, PeKind::Pe32, test::kMachineI386));
    test::writeFile(dir.file("text.dll"), std::vector<std::uint8_t>{'h', 'e', 'l', 'l', 'o'});
    test::writeFile(dir.file("empty.cur"), std::vector<std::uint8_t>{0, 0, 2, 0, 0, 0});  // no images
    for (const char* name : {"plain.exe", "text.dll", "empty.cur"}) {
        Bitmap b, expected(32, 32);
        ASSERT_EQ(loadIcon(dir.file(name), 0, &b), std::pair(true, 0)) << name;
        genericDocumentIcon(32).drawOnto(expected);
        EXPECT_TRUE(test::samePixels(b, expected)) << name;
        EXPECT_TRUE(loadIcon(dir.file(name), 1).first) << name;  // count 0 <= 0: the associated icon again
    }
}

TEST(PeIcons, OnlyIconFileExtensionsAndExistingFilesQualify) {
    test::TempDir dir;
    const auto file = test::threeGroupPeFile(PeKind::Pe32, test::kMachineI386);
    for (const char* name : {"tool.cu", "UPPER.EXE", "x.Cpl", "lib.dll", "odd.", "icon.png", "noext", "exe"})
        test::writeFile(dir.file(name), file);
    for (const char* name : {"tool.cu", "UPPER.EXE", "x.Cpl", "lib.dll", "odd."})
        EXPECT_EQ(loadIcon(dir.file(name)), std::pair(true, 3)) << name;
    for (const char* name : {"icon.png", "noext", "exe", "missing.exe"})
        EXPECT_EQ(loadIcon(dir.file(name)), std::pair(false, 0)) << name;
    std::uint16_t index = 0;
    EXPECT_FALSE(LoadExecutableIcon(dir.file("lib.dll"), index, nullptr));
    // A named pipe under an executable's name has no icons and does not block the reader.
    ASSERT_EQ(::mkfifo(dir.file("pipe.exe").c_str(), 0600), 0);
    EXPECT_EQ(loadIcon(dir.file("pipe.exe")), std::pair(true, 0));
    std::uint16_t missing = 4;
    EXPECT_FALSE(ExtractIconAt(dir.file("missing.exe"), missing));
    EXPECT_EQ(missing, 4);
}

}  // namespace
}  // namespace vexilo
