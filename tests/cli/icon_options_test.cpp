// The icon options of the command line: every image listed, the largest size, transparency kept,
// and all-sizes icon files that other programs read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "codecs/pe_icons.h"
#include "codecs/png_codec.h"
#include "support/cli_fixture.h"
#include "support/icon_fixtures.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

namespace fs = std::filesystem;
using test::q;
using test::runCli;
using test::runShell;

using CliIcons = test::CliTest;

TEST_F(CliIcons, ImagesLargestSizeTransparencyAndAllSizes) {
    // A 256 PNG entry at alpha 200, a 48-pixel 32-bit image and a 16-pixel 8-bit one.
    const std::string ico = dir.file("app.ico");
    test::writeFile(ico, test::makeIcoFile({{0, test::makeRgbaPng(256, 256, {10, 20, 30}, 200)},
                                            {0, test::solidIconDib(48, 32, {0, 0, 255})},
                                            {0, test::solidIconDib(16, 8, {255, 0, 0})}}));

    EXPECT_EQ(runCli("icons " + q(ico)).out, "1\n0\t32x32\n256x256\t32\n48x48\t32\n16x16\t8\n");
    EXPECT_EQ(runCli("probe " + q(ico)).out, "ico\t32x32\t32\t" + ico + "\n");
    EXPECT_EQ(runCli("probe --icon-size largest " + q(ico)).out, "ico\t256x256\t32\t" + ico + "\n");

    // The default image (by colour word the first entry, the PNG, at 32 x 32) keeps its alpha
    // only when asked to.
    const std::string out = dir.file("out");
    ASSERT_EQ(runCli("convert --to png --keep-transparency --out " + q(out) + " " + q(ico)).status, 0);
    const PngAlphaImage kept = readPngWithAlpha(test::readFile(fs::path(out) / "app.png"));
    ASSERT_EQ(kept.alpha.size(), 32u * 32u);
    EXPECT_EQ(kept.alpha[0], 200);
    ASSERT_EQ(runCli("convert --to png --overwrite --out " + q(out) + " " + q(ico)).status, 0);
    EXPECT_TRUE(readPngWithAlpha(test::readFile(fs::path(out) / "app.png")).alpha.empty());

    // Seven sizes (the entries themselves: IconSizes.AllSizesFileReadsBack...), made from the
    // largest image: the 256 entry keeps its alpha of 200.
    ASSERT_EQ(runCli("convert --to ico --icon-colors 32 --out " + q(out) + " " + q(ico)).status, 0);
    const std::string written = (fs::path(out) / "app.ico").string();
    EXPECT_EQ(
        runCli("icons " + q(written)).out,
        "1\n0\t32x32\n16x16\t32\n24x24\t32\n32x32\t32\n48x48\t32\n64x64\t32\n128x128\t32\n256x256\t32\n");
    const auto big =
        extractFileIcon(test::readFile(written), 0, 256, kDefaultDecodeLimits, IconImageChoice::Largest);
    ASSERT_TRUE(big && big->hasAlpha());
    EXPECT_EQ(big->alpha[5000], 200);

    // Other programs read all seven entries, when they are installed.
    if (runShell("command -v identify-im6.q16").status == 0) {
        EXPECT_EQ(runShell("identify-im6.q16 -format '%wx%h,' " + q(written) + " 2>/dev/null").out,
                  "16x16,24x24,32x32,48x48,64x64,128x128,256x256,");
    }
    if (runShell("command -v icotool").status == 0) {
        const std::string listed = runShell("icotool -l " + q(written)).out;
        EXPECT_EQ(std::count(listed.begin(), listed.end(), '\n'), 7) << listed;
        EXPECT_NE(listed.find("--width=256"), std::string::npos) << listed;
    }
}

}  // namespace
}  // namespace vexilo
