// Runs the built vexilo-cli as a user would and checks what `probe` prints and writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "codecs/bmp_codec.h"
#include "codecs/metafile/metafile_writer.h"
#include "codecs/png_codec.h"
#include "support/cli_run.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

namespace fs = std::filesystem;

using test::cliPath;

test::CliResult run(const std::string& args) {
    return test::runCli(args);
}

TEST(CliProbe, PrintsKindSizeAndDepthAndWritesPpm) {
    if (!fs::exists(cliPath())) GTEST_SKIP() << "vexilo-cli is not built at " << cliPath();
    test::TempDir dir;
    const Bitmap picture = test::makeBitmap(3, 2, PixelFormat::Bpp24, test::patternColor);
    test::writeFile(dir.path() / "a.png", encodePng(picture));
    test::writeFile(dir.path() / "photo.jpg", writeBmp(picture));  // a BMP under another name
    const std::string a = dir.file("a.png"), photo = dir.file("photo.jpg"), missing = dir.file("missing");

    const test::CliResult r =
        run("probe --ppm '" + dir.file("ppm") + "' '" + a + "' '" + photo + "' '" + missing + "'");
    EXPECT_EQ(r.status, 1);  // one file did not load
    EXPECT_EQ(r.out, "png\t3x2\t32\t" + a + "\nbmp\t3x2\t24\t" + photo + "\n-\t-\t-\t" + missing + "\n");

    const auto ppm = test::readFile(dir.path() / "ppm" / "a.png.ppm");
    const std::string header = "P6\n3 2\n255\n";
    ASSERT_EQ(ppm.size(), header.size() + 18);
    EXPECT_EQ(std::string(ppm.begin(), ppm.begin() + static_cast<std::ptrdiff_t>(header.size())), header);
    const Color last = test::patternColor(2, 1);
    EXPECT_EQ(ppm[ppm.size() - 3], last.r);
    EXPECT_EQ(ppm[ppm.size() - 1], last.b);
    EXPECT_TRUE(fs::exists(dir.path() / "ppm" / "photo.jpg.ppm"));

    EXPECT_EQ(run("probe '" + a + "'").status, 0);
    EXPECT_EQ(run("probe").status, 2);
    EXPECT_EQ(run("probe --ppm").status, 2);

    // A TIFF stored 16 x 12 with EXIF orientation 6 stands upright unless told otherwise.
    const std::string turned = "'" + (fs::path(VEXILO_TEST_DATA_DIR) / "formats/turned6.tif").string() + "'";
    EXPECT_NE(run("probe " + turned).out.find("\t12x16\t"), std::string::npos);
    EXPECT_NE(run("probe --no-orientation " + turned).out.find("\t16x12\t"), std::string::npos);
}

// The tool links no Qt; a metafile brings in the desktop module, which draws it with Qt.
TEST(CliProbe, AMetafileLoadsTheDesktopModule) {
    if (!fs::exists(cliPath())) GTEST_SKIP() << "vexilo-cli is not built at " << cliPath();
    test::TempDir dir;
    test::writeFile(dir.path() / "a.wmf",
                    writeMetafile(test::makeBitmap(4, 3, PixelFormat::Bpp24, test::patternColor), false));
    const test::CliResult r = test::runCli("probe '" + dir.file("a.wmf") + "'", true);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "wmf\t4x3\t32\t" + dir.file("a.wmf") + "\n");  // and nothing on standard error
}

}  // namespace
}  // namespace vexilo
