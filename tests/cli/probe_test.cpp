// Runs the built vexilo-cli as a user would and checks what `probe` prints and writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "codecs/bmp_codec.h"
#include "codecs/metafile/metafile_writer.h"
#include "support/cli_fixture.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

namespace fs = std::filesystem;
using test::q;
using test::runCli;

using CliProbe = test::CliTest;

TEST_F(CliProbe, PrintsKindSizeAndDepthAndWritesPpm) {
    const Bitmap picture = test::makeBitmap(3, 2, PixelFormat::Bpp24, test::patternColor);
    const std::string a = png("a.png", 3, 2), photo = dir.file("photo.jpg"), missing = dir.file("missing");
    test::writeFile(photo, writeBmp(picture));  // a BMP under another name

    const test::CliResult r =
        runCli("probe --ppm " + q(dir.file("ppm")) + " " + q(a) + " " + q(photo) + " " + q(missing));
    EXPECT_EQ(r.status, 1);  // one file did not load
    EXPECT_EQ(r.out, "png\t3x2\t32\t" + a + "\nbmp\t3x2\t24\t" + photo + "\n-\t-\t-\t" + missing + "\n");

    std::string ppm = "P6\n3 2\n255\n";
    for (const Color& c : test::colours(picture)) ppm += {char(c.r), char(c.g), char(c.b)};
    EXPECT_EQ(test::readText(dir.path() / "ppm" / "a.png.ppm"), ppm);
    EXPECT_TRUE(fs::exists(dir.path() / "ppm" / "photo.jpg.ppm"));

    EXPECT_EQ(runCli("probe " + q(a)).status, 0);
    EXPECT_EQ(runCli("probe").status, 2);
    EXPECT_EQ(runCli("probe --ppm").status, 2);

    // A TIFF stored 16 x 12 with EXIF orientation 6 stands upright unless told otherwise.
    const std::string turned = q((fs::path(VEXILO_TEST_DATA_DIR) / "formats/turned6.tif").string());
    EXPECT_NE(runCli("probe " + turned).out.find("\t12x16\t"), std::string::npos);
    EXPECT_NE(runCli("probe --no-orientation " + turned).out.find("\t16x12\t"), std::string::npos);

    // The tool links no Qt; a metafile brings in the desktop module, which draws it with Qt, and
    // nothing goes to standard error.
    test::writeFile(dir.path() / "a.wmf", writeMetafile(picture, false));
    const test::CliResult wmf = runCli("probe " + q(dir.file("a.wmf")), true);
    EXPECT_EQ(wmf.status, 0);
    EXPECT_EQ(wmf.out, "wmf\t3x2\t32\t" + dir.file("a.wmf") + "\n");
}

}  // namespace
}  // namespace vexilo
