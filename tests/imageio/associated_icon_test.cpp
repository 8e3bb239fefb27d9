#include "imageio/associated_icon.h"

#include <gtest/gtest.h>

#include "imageio/desktop_services.h"
#include "imageio/loaders.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

constexpr Color kRed{255, 0, 0};

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
    EXPECT_EQ(b.width(), kSystemIconSize);
    // Outside, paper and outline.
    EXPECT_EQ(test::pixelsAt(b, {{0, 0}, {8, 20}, {6, 20}}),
              (std::vector<Color>{kWhite, kWhite, {96, 96, 96}}));

    Bitmap untouched;
    EXPECT_FALSE(associatedIcon(dir.file("missing"), 32));
    EXPECT_FALSE(LoadAssociatedIcon(dir.file("missing"), &untouched));
    EXPECT_FALSE(LoadAssociatedIcon("", &untouched));
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

}  // namespace
}  // namespace vexilo
