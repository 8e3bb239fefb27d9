// vexilo-cli convert and the exit statuses of the other commands, run as a user would; the icon
// options: every image listed, the largest size, transparency kept, and all-sizes icon files
// that other programs read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "base/file_io.h"
#include "codecs/pe_icons.h"
#include "codecs/png_codec.h"
#include "imageio/loaders.h"
#include "support/file_fixture.h"
#include "support/icon_fixtures.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

namespace fs = std::filesystem;
using test::q;
using test::runCli;

using CliConvert = test::CliTest;

TEST_F(CliConvert, NamesSizesAndIcons) {
    const std::string a = png("a.png", 40, 20), b = png("b.png", 10, 10);
    auto r = runCli("convert --to bmp --percent 50 --out half " + q(a) + " " + q(b), true);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Converted: 2;\nNot loaded: 0;\nFailed: 0.\n");  // on standard error
    EXPECT_EQ(load(dir.file("half/a.bmp")).width(), 20);
    // --fit keeps the aspect inside the box; --quiet drops the summary.
    // (The sizes in both directions: BatchJob.NamesAndPaths.)
    r = runCli("convert --to bmp --width 30 --height 30 --fit --quiet " + q(a), true);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(test::sizeOf(load(dir.file("a.bmp"))), std::pair(30, 15));

    // A plain library converts every icon, numbered; FILE#N one icon, unnumbered when alone.
    const std::string dll = dir.file("tools.dll");
    test::writeFile(dll, test::oneIconPerGroupLibrary({test::solidIconDib(32, 32, {255, 0, 0}),
                                                       test::solidIconDib(32, 32, {0, 0, 255})}));
    EXPECT_EQ(runCli("convert --to png " + q(dll)).status, 0);
    EXPECT_TRUE(fs::exists(dir.path() / "0_tools.png"));
    EXPECT_EQ(load(dir.file("1_tools.png")).pixel(5, 5), (Color{0, 0, 255}));
    EXPECT_EQ(runCli("convert --to tga --jobs 1 " + q(dll + "#1")).status, 0);
    EXPECT_EQ(load(dir.file("tools.tga")).pixel(5, 5), (Color{0, 0, 255}));

    // "tiff" is another name for "tif"; WebP is lossy unless asked otherwise.
    EXPECT_EQ(runCli("convert --to tiff " + q(b)).status, 0);
    EXPECT_EQ(runCli("convert --to webp --lossless " + q(b)).status, 0);
    EXPECT_TRUE(test::samePixels(load(dir.file("b.tif")), load(b)));
    EXPECT_TRUE(test::samePixels(load(dir.file("b.webp")), load(b)));
}

TEST_F(CliConvert, ExistingOutputsFilesNotConvertedAndExitStatuses) {
    const std::string a = png("a.png", 4, 4);
    test::writeFile(dir.path() / "a.jpg", std::vector<std::uint8_t>{7});
    // Without a terminal an existing output is skipped; so it is with --skip-existing.
    for (const char* how : {"", "--skip-existing "}) {
        const auto r = runCli(std::string("convert --to jpg ") + how + q(a), true);
        EXPECT_EQ(r.status, 0) << how;
        EXPECT_EQ(r.out, "vexilo-cli convert: Skipped, the file exists: " + dir.file("a.jpg") +
                             "\nConverted: 0;\nNot loaded: 0;\nFailed: 0.\n");
        EXPECT_EQ(test::readFile(dir.path() / "a.jpg"), std::vector<std::uint8_t>{7});
    }
    EXPECT_EQ(runCli("convert --to jpg --overwrite " + q(a)).status, 0);
    EXPECT_EQ(load(dir.file("a.jpg")).width(), 4);

    // Every file not converted is named and fails the run (which files do not load, and the
    // clashes: BatchRun.AFileNoDecoderReadsIsNotLoadedUnlessItsIconWasAskedFor and
    // BatchRun.OutputsAreKnownBeforeAnythingIsWritten).
    auto r = runCli("convert --to tga " + q(dir.file("none.png")) + " " + q(a), true);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "vexilo-cli convert: Not loaded: " + dir.file("none.png") +
                         "\nConverted: 1;\nNot loaded: 1;\nFailed: 0.\n");
    r = runCli("convert --to png --overwrite " + q(dir.file("a.jpg")) + " " + q(a), true);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find(dir.file("a.jpg") + " -> " + a), std::string::npos) << r.out;
    test::writeFile(dir.path() / "notes.txt", std::vector<std::uint8_t>{'h', 'i'});
    EXPECT_EQ(runCli("convert --to png --associated-icons " + q(dir.file("notes.txt"))).status, 0);

    for (const char* bad : {"--to xyz", "--to png --quality 0", "--to png --width 5", "--to png --frob",
                            "--to png --percent 5 --width 2 --height 2",
                            "--to png --overwrite --skip-existing", "--quality", "--to png --fit"}) {
        r = runCli(std::string("convert ") + bad + " " + q(a), true);
        EXPECT_EQ(r.status, 2) << bad;
        EXPECT_NE(r.out.find("vexilo-cli convert: "), std::string::npos) << bad << r.out;
    }
    EXPECT_EQ(runCli("convert --to png").status, 2);  // no file
}

TEST_F(CliConvert, AKilledRunLeavesNoDamagedOutputAndTheNextRunNoLeftover) {
    // exec: the shell's background job is the tool itself, which the kill then hits.
    std::string run =
        "exec " + q(test::cliPath().string()) + " convert --to png --overwrite --jobs 2 --out out";
    for (int i = 0; i < 16; ++i) {
        const std::string name = "p" + std::to_string(i) + ".png";
        run += " " + q(png(name, 300, 200));
        test::writeFile(dir.path() / "out" / name,
                        encodePng(test::makeBitmap(3, 3, PixelFormat::Bpp24, test::patternColor)));
    }
    run += " </dev/null >/dev/null 2>&1";
    // Kills spread over the time a whole run takes.
    const auto started = std::chrono::steady_clock::now();
    test::runShell(run);
    const std::chrono::duration<double> whole = std::chrono::steady_clock::now() - started;
    constexpr int kMoments = 12;
    for (int moment = 0; moment < kMoments; ++moment) {
        const std::string pause = std::to_string(whole.count() * moment / kMoments);
        test::runShell("{ " + run + "; } & sleep " + pause + "; kill -9 $! 2>/dev/null; wait");
        for (const auto& e : fs::directory_iterator(dir.path() / "out")) {
            if (isTemporaryName(e.path().filename().string())) continue;
            Bitmap b;
            FileKind k = 0;
            LoadRequest own;
            own.associatedIcon = false;
            ASSERT_TRUE(ProbeImageKind(e.path().string(), &b, k, own)) << e.path() << " after " << moment;
            EXPECT_TRUE(b.width() == 3 || b.width() == 300) << e.path();
        }
    }
    EXPECT_EQ(test::runShell(run).status, 0);
    for (const auto& e : fs::directory_iterator(dir.path() / "out"))
        EXPECT_FALSE(isTemporaryName(e.path().filename().string())) << e.path();
}

TEST_F(CliConvert, IconImagesLargestSizeTransparencyAndAllSizes) {
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
    if (test::runShell("command -v identify-im6.q16").status == 0) {
        EXPECT_EQ(test::runShell("identify-im6.q16 -format '%wx%h,' " + q(written) + " 2>/dev/null").out,
                  "16x16,24x24,32x32,48x48,64x64,128x128,256x256,");
    }
    if (test::runShell("command -v icotool").status == 0) {
        const std::string listed = test::runShell("icotool -l " + q(written)).out;
        EXPECT_EQ(std::count(listed.begin(), listed.end(), '\n'), 7) << listed;
        EXPECT_NE(listed.find("--width=256"), std::string::npos) << listed;
    }
}

}  // namespace
}  // namespace vexilo
