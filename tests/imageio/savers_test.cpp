#include "imageio/savers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "base/errors.h"
#include "codecs/bmp_codec.h"
#include "codecs/jpeg_codec.h"
#include "imageio/loaders.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

namespace fs = std::filesystem;
using test::makeBitmap;
using test::patternColor;
using test::readFile;

bool startsWith(const std::vector<std::uint8_t>& bytes, std::initializer_list<std::uint8_t> head) {
    return bytes.size() >= head.size() && std::equal(head.begin(), head.end(), bytes.begin());
}

// Bits per pixel of the one image of an icon file, from its info header.
int iconImageBits(const std::vector<std::uint8_t>& ico) {
    const std::size_t offset =
        ico[18] | ico[19] << 8 | ico[20] << 16 | static_cast<std::size_t>(ico[21]) << 24;
    return ico.at(offset + 14);
}

// The picture chunk a WebP file starts with: "VP8 " when lossy, "VP8L" when lossless.
std::string webpChunk(const std::string& path) {
    const auto bytes = readFile(path);
    return std::string(bytes.begin() + 12, bytes.begin() + 16);
}

TEST(EnsureFolder, CreatesOnlyTheLastMissingLevel) {
    test::TempDir dir;
    EXPECT_NO_THROW(EnsureFolder(dir.file("a.bmp")));  // folder exists
    EXPECT_NO_THROW(EnsureFolder("bare-name.bmp"));    // current folder
    EnsureFolder(dir.file("new/a.bmp"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "new"));
    EnsureFolder(dir.file("trail//a.bmp"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "trail"));
    EXPECT_THROW(EnsureFolder(dir.file("x/y/a.bmp")), ImageError);
    EXPECT_FALSE(fs::exists(dir.path() / "x"));
    // A plain file where the folder should be.
    test::writeFile(dir.path() / "file", std::vector<std::uint8_t>{1});
    EXPECT_THAT([&] { EnsureFolder(dir.file("file/a.bmp")); },
                ::testing::ThrowsMessage<ImageError>(::testing::HasSubstr("Cannot create folder")));
}

TEST(SaveImageAs, WritesEachOutputKindAndRefusesTheOthers) {
    test::TempDir dir;
    const Bitmap src = makeBitmap(24, 16, PixelFormat::Device, patternColor);
    ExportOptions options;
    // Each output kind reads back as that kind, in a folder made for it.
    for (const FileFormat& f : fileFormats()) {
        if (!f.output) continue;
        const std::string path = dir.file("k" + std::to_string(f.kind) + "/out" + f.extension);
        ASSERT_TRUE(SaveImageAs(f.kind, path, &src, options)) << path;
        Bitmap back;
        FileKind found = 0;
        ASSERT_TRUE(ProbeImageKind(path, &back, found)) << path;
        EXPECT_EQ(found, f.kind) << path;
    }
    // By default icons have 256 colours and WebP files are lossy.
    EXPECT_EQ(iconImageBits(readFile(dir.file("k8/out.ico"))), 8);
    EXPECT_EQ(webpChunk(dir.file("k" + std::to_string(kind::Webp) + "/out.webp")), "VP8 ");
    // An indexed raster is written as it is.
    const Bitmap indexed = makeBitmap(5, 3, PixelFormat::Bpp8, patternColor);
    ASSERT_TRUE(SaveImageAs(kind::Bmp, dir.file("p.bmp"), &indexed, options));
    const Bitmap back = loadBmpFile(dir.file("p.bmp"));
    EXPECT_EQ(back.pixelFormat(), PixelFormat::Bpp8);
    EXPECT_EQ(back.palette(), indexed.palette());

    for (FileKind k : {FileKind{0}, FileKind{1}, FileKind{4}, kind::Svg, FileKind{0x87}})
        EXPECT_FALSE(SaveImageAs(k, dir.file("other.bin"), &src, options)) << int(k);
    EXPECT_FALSE(fs::exists(dir.path() / "other.bin"));
    EXPECT_FALSE(SaveImageAs(kind::Png, dir.file("null.png"), nullptr, options));
    EXPECT_THROW(SaveImageAs(kind::Bmp, dir.file("a/b/c.bmp"), &src, options), ImageError);
}

TEST(SaveImageAs, UsesTheOptionsItIsGiven) {
    test::TempDir dir;
    const Bitmap src = makeBitmap(16, 16, PixelFormat::Device, patternColor);
    ExportOptions options;
    options.iconColors = IconColors::Colors16;
    options.jpeg.Grayscale = true;
    options.jpeg.ProgressiveEncoding = false;
    options.webpLossless = true;
    EXPECT_TRUE(SaveImageAs(kind::Ico, dir.file("a.ico"), &src, options));
    EXPECT_TRUE(SaveImageAs(kind::Jpeg, dir.file("a.jpg"), &src, options));
    EXPECT_TRUE(SaveImageAs(kind::Webp, dir.file("a.webp"), &src, options));
    EXPECT_EQ(iconImageBits(readFile(dir.file("a.ico"))), 4);
    TJPEGImage jpeg;
    jpeg.loadFromFile(dir.file("a.jpg"));
    EXPECT_TRUE(jpeg.grayscale());
    EXPECT_FALSE(jpeg.progressiveEncoding());
    EXPECT_EQ(webpChunk(dir.file("a.webp")), "VP8L");
}

TEST(SaveImageAs, TheNameChoosesTheMetafileKind) {
    test::TempDir dir;
    const Bitmap src = makeBitmap(12, 9, PixelFormat::Device, patternColor);
    const std::initializer_list<std::uint8_t> placeable{0xD7, 0xCD, 0xC6, 0x9A};
    for (const char* name : {"x.wmf", "X.WMF"}) {
        ASSERT_TRUE(SaveImageAs(kind::Emf, dir.file(name), &src, ExportOptions{})) << name;
        EXPECT_TRUE(startsWith(readFile(dir.file(name)), placeable)) << name;
    }
    for (const char* name : {"x.emf", "x.dat", "noext", "wmf"}) {
        ASSERT_TRUE(SaveImageAs(kind::Wmf, dir.file(name), &src, ExportOptions{})) << name;
        // The enhanced header record (the rest of the header: MetafileFormat.WrittenFilesCarry...).
        EXPECT_TRUE(startsWith(readFile(dir.file(name)), {1, 0, 0, 0})) << name;
    }
}

TEST(SaveImageAs, AFailedSaveLeavesTheOldFileWhole) {
    test::TempDir dir;
    const std::vector<std::uint8_t> old{'o', 'l', 'd'};
    // An empty raster fails every encoder but the icon's, which stretches it; the icon fails for
    // want of a colour depth.
    const Bitmap empty;
    ExportOptions noDepth;
    noDepth.iconColors = static_cast<IconColors>(2);
    std::size_t files = 0;
    for (const FileFormat& f : fileFormats()) {
        if (!f.output) continue;
        const std::string name = std::string("a") + f.extension;
        test::writeFile(dir.path() / name, old);
        ++files;
        if (f.failureIsQuiet)
            EXPECT_FALSE(SaveImageAs(f.kind, dir.file(name), &empty, noDepth)) << name;
        else
            EXPECT_THROW(SaveImageAs(f.kind, dir.file(name), &empty, noDepth), ImageError) << name;
        EXPECT_EQ(readFile(dir.path() / name), old) << name;
    }
    // No staging files are left.
    EXPECT_EQ(std::size_t(std::distance(fs::directory_iterator(dir.path()), {})), files);
}

}  // namespace
}  // namespace vexilo
