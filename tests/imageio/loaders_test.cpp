#include "imageio/loaders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "base/errors.h"
#include "codecs/bmp_codec.h"
#include "codecs/gif_image.h"
#include "codecs/icon_file.h"
#include "codecs/metafile/metafile_writer.h"
#include "codecs/png_codec.h"
#include "codecs/tga_codec.h"
#include "imageio/savers.h"
#include "support/gif_builder.h"
#include "support/icon_fixtures.h"
#include "support/png_builder.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::GifBuilder;
using test::indexValues;
using test::makeBitmap;
using test::patternColor;

const std::vector<Color>& kFour = test::kFourColours;

class LoadersTest : public ::testing::Test {
protected:
    std::string put(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        test::writeFile(m_dir.path() / name, bytes);
        return m_dir.file(name);
    }
    std::string missing() const { return m_dir.file("missing.png"); }

    test::TempDir m_dir;
    const Bitmap m_picture = makeBitmap(16, 8, PixelFormat::Device, patternColor);
};

TEST_F(LoadersTest, DispatchAndRefusals) {
    const std::string bmp = put("x.bmp", writeBmp(m_picture));
    Bitmap b;
    // A probe that refuses leaves the kind alone.
    FileKind k = 42;
    EXPECT_FALSE(ProbeImageKind(bmp, nullptr, k));
    EXPECT_FALSE(ProbeImageKind(missing(), &b, k));
    EXPECT_FALSE(ProbeImageKind("", &b, k));
    EXPECT_EQ(k, 42);

    // Loading as a kind uses the low seven bits of the number.
    EXPECT_TRUE(LoadImageAs(static_cast<FileKind>(0x80 | kind::Bmp), bmp, &b));
    for (int n : {13, 14, 127, 0x80 | 13}) EXPECT_FALSE(LoadImageAs(static_cast<FileKind>(n), bmp, &b)) << n;
    // The executable kinds all take the extension test, whatever the kind number.
    for (FileKind e : {kind::Exe, kind::Dll, kind::Cpl, kind::Cur}) {
        EXPECT_FALSE(LoadImageAs(e, bmp, &b));
        EXPECT_TRUE(LoadImageAs(e, put("y.cpl", {0}), &b));
    }
    // A metafile loaded as the other kind is drawn before the extension test fails.
    Bitmap drawn;
    EXPECT_FALSE(LoadImageAs(kind::Wmf, put("picture.EMF", writeMetafile(m_picture, true)), &drawn));
    EXPECT_EQ(drawn.width(), m_picture.width());
}

// Null rasters, empty paths and missing files are refused; a named pipe would wait for a
// writer and /dev/zero would never end, so they are not read. (The executable and associated
// icon loaders are checked so in their own tests.) Damaged files are refused too.
TEST_F(LoadersTest, FormatLoadersRefuseQuietly) {
    const std::string pipe = m_dir.file("pipe.jpg");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string jpg = put("ok.jpg", EncodeImageAs(kind::Jpeg, "x.jpg", m_picture, {}));
    for (auto load : {LoadBitmapFile, LoadIconFile, LoadJpegFile, LoadTgaFile, LoadPngFile, LoadGifFile,
                      LoadWmfFile, LoadEmfFile}) {
        Bitmap b;
        EXPECT_FALSE(load(jpg, nullptr, {}));
        for (const std::string& path : {std::string(), missing(), pipe, std::string("/dev/zero")})
            EXPECT_FALSE(load(path, &b, {})) << path;
        EXPECT_TRUE(b.empty());
    }
    Bitmap b;
    for (const FileFormat& f : fileFormats()) EXPECT_FALSE(LoadImageAs(f.kind, "", &b)) << int(f.kind);

    // A failed load leaves the raster as it was.
    const Bitmap before = makeBitmap(3, 2, PixelFormat::Bpp24, patternColor);
    auto damaged = EncodeImageAs(kind::Jpeg, "x.jpg", m_picture, {});
    damaged.resize(30);
    const std::string path = put("bad.jpg", damaged);
    auto emf = writeMetafile(m_picture, true);
    emf.resize(60);
    const std::string damagedEmf = put("bad.emf", emf);
    for (FileKind k : {kind::Ico, kind::Jpeg, kind::Tga, kind::Png, kind::Gif, kind::Emf}) {
        b = before;
        EXPECT_FALSE(LoadImageAs(k, k == kind::Emf ? damagedEmf : path, &b)) << int(k);
        EXPECT_TRUE(test::samePixels(b, before)) << int(k);  // its size too
    }
}

// A BMP over 256 KiB is read in blocks; a 400-character path is neither cut on saving nor on
// loading.
TEST_F(LoadersTest, LargeFilesAtLongPathsAreSavedAndLoadedWhole) {
    std::filesystem::path deep = m_dir.path();
    for (int i = 0; i < 5; ++i) deep /= std::string(60, static_cast<char>('a' + i));
    std::filesystem::create_directories(deep);
    const std::string path = (deep / (std::string(100, 'n') + ".bmp")).string();
    ASSERT_GT(path.size(), 400u);
    const Bitmap large = makeBitmap(400, 300, PixelFormat::Bpp24, patternColor);
    ASSERT_TRUE(SaveImageAs(kind::Bmp, path, &large, ExportOptions{}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(deep), {}), 1);  // no staging file left
    const auto bytes = test::readFile(path);
    ASSERT_GT(bytes.size(), 256u * 1024);
    Bitmap probed, loaded;
    FileKind k = 0;
    ASSERT_TRUE(ProbeImageKind(path, &probed, k));
    EXPECT_EQ(k, kind::Bmp);
    ASSERT_TRUE(LoadBitmapFile(path, &loaded, {}));
    EXPECT_TRUE(probed.pixels() == readBmp(bytes).pixels());
    EXPECT_TRUE(loaded.pixels() == probed.pixels());
}

TEST_F(LoadersTest, ThumbnailsDecodeNothingOfSmallFilesThatClaimHugeRasters) {
    // A 35-byte GIF whose screen and frame 0 claim 65535 x 1321, and a PNG whose header claims
    // 9000 x 9000 over a few bytes of data: a thumbnail load stops at their headers. The files
    // keep their kind (the row shows the placeholder) instead of falling to another loader.
    const auto gif = test::GifBuilder(65535, 1321, {kBlack, kWhite})
                         .raw({0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0x29, 0x05, 0, 2, 2, 0x4C, 0x01, 0})
                         .end();
    const auto png =
        test::pngFile({test::pngIhdr(9000, 9000, 8, 2), test::pngIdat({0, 1, 2, 3}), test::pngIend()});
    const LoadRequest thumbnail = LoadRequest::thumbnail(32, 32);
    Bitmap b(3, 3, PixelFormat::Bpp24);
    EXPECT_TRUE(LoadGifFile(put("huge.gif", gif), &b, thumbnail));
    EXPECT_TRUE(b.empty());
    for (const char* name : {"huge.gif", "huge.png"}) {
        FileKind k = kind::AllFiles;
        Bitmap picture;
        ASSERT_TRUE(ProbeImageKind(put(name, name[5] == 'g' ? gif : png), &picture, k, thumbnail));
        EXPECT_EQ(k, name[5] == 'g' ? kind::Gif : kind::Png) << name;
        EXPECT_TRUE(picture.empty()) << name;
    }
    // Pictures of an honest size load for thumbnails as for the target.
    EXPECT_TRUE(LoadPngFile(put("small.png", encodePng(m_picture)), &b, thumbnail));
    EXPECT_EQ(b.width(), 16);
}

// The GIF loader shows frame 0 on its logical screen.
TEST_F(LoadersTest, GifFrameZeroShowsOnItsLogicalScreen) {
    // A 4 x 2 frame at (5, 3) of a 12 x 8 screen whose background is colour 2; frame 1 is not
    // drawn.
    const std::vector<std::uint8_t> px{1, 3, 1, 3, 3, 1, 3, 1};
    Bitmap b;
    ASSERT_TRUE(LoadGifFile(
        put("offset.gif",
            GifBuilder(12, 8, kFour, "89a", 2).image(5, 3, 4, 2, px).image(0, 0, 1, 1, {0}).end()),
        &b));
    EXPECT_EQ(b.pixelFormat(), PixelFormat::Bpp4);  // the frame's own format and palette
    ASSERT_EQ(std::pair(b.width(), b.height()), std::pair(12, 8));
    std::vector<std::uint8_t> screen(12 * 8, 2);
    for (std::size_t i = 0; i < px.size(); ++i) screen[(3 + i / 4) * 12 + 5 + i % 4] = px[i];
    EXPECT_EQ(indexValues(b), screen);

    // With a transparent index the uncovered screen takes it instead of the background.
    Bitmap keyed = readGif(GifBuilder(6, 6, kFour, "89a", 2).gce(0, 0, 3).image(1, 1, 2, 1, {0, 1}).end());
    EXPECT_EQ((std::vector<std::uint32_t>{keyed.raw(0, 0), keyed.raw(1, 1), keyed.raw(2, 1)}),
              (std::vector<std::uint32_t>{3, 0, 1}));

    // A frame reaching past the screen, and one larger than it, are clipped to the screen.
    Bitmap past = readGif(GifBuilder(4, 4).image(3, 2, 2, 3, {1, 2, 3, 1, 2, 3}).end());
    EXPECT_EQ(test::sizeOf(past), std::pair(4, 4));
    EXPECT_EQ(indexValues(past), (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 3}));
    Bitmap larger = readGif(GifBuilder(2, 1).image(0, 0, 3, 2, {1, 2, 3, 3, 2, 1}).end());
    EXPECT_EQ(larger.width(), 2);
    EXPECT_EQ(indexValues(larger), (std::vector<std::uint8_t>{1, 2}));

    // A screen of 0 x 0 takes frame 0's size, offset or not.
    Bitmap noScreen = readGif(GifBuilder(0, 0).image(7, 7, 3, 1, {3, 2, 1}).end());
    EXPECT_EQ(noScreen.width(), 3);
    EXPECT_EQ(indexValues(noScreen), (std::vector<std::uint8_t>{3, 2, 1}));

    // A screen over the limits is refused before anything is allocated.
    DecodeLimits small;
    small.maxPixels = 1000;
    EXPECT_THROW(readGif(GifBuilder(65535, 1321).image(0, 0, 1, 1, {1}).end(), small), DecodeError);
}

// The loaders draw into the caller's raster: the decoded pixels are the codecs' (JpegCodec,
// IconFile tests); what is the loaders' own is the raster's format and the icon's white ground.
TEST_F(LoadersTest, LoadersDrawIntoTheCallersRaster) {
    const std::string path = put("photo.jpg", EncodeImageAs(kind::Jpeg, "x.jpg", m_picture, {}));
    Bitmap fresh;
    ASSERT_TRUE(LoadJpegFile(path, &fresh));
    EXPECT_EQ(test::sizeOf(fresh), std::pair(16, 8));
    EXPECT_EQ(fresh.pixelFormat(), PixelFormat::Device);
    EXPECT_EQ(fresh.raw(3, 3) >> 24, 0u);
    // An indexed raster receives the picture by drawing, with its own palette.
    Bitmap indexed(2, 2, PixelFormat::Bpp4);
    ASSERT_TRUE(LoadJpegFile(path, &indexed));
    EXPECT_EQ(indexed.pixelFormat(), PixelFormat::Bpp4);
    EXPECT_EQ(indexed.width(), 16);

    // An icon is drawn over white.
    const Color red{255, 0, 0};
    const auto dib = test::makeIconDib(
        32, 32, 4, {kBlack, red}, [](int x, int) { return x < 16 ? 1u : 0u; },
        [](int x, int) { return x >= 16; });
    Bitmap b;
    ASSERT_TRUE(LoadIconFile(put("a.ico", test::makeIcoFile({{0, dib}})), &b));
    EXPECT_EQ(b.width(), 32);
    EXPECT_EQ(test::pixelsAt(b, {{0, 0}, {31, 0}}), (std::vector<Color>{red, kWhite}));
}

// Every corpus file also goes through both probes in ProbeByContent.
TEST(LoadersCorpus, OwnLoadersTakeTheSyntheticIconsAndWhatTheyRefuseIsNotTakenAsTga) {
    VEXILO_REQUIRE_CORPUS("");
    // TGA comes after the readers of BMP, icons and JPEG in the probe and has no signature:
    // what those refuse must not turn into a picture of noise.
    int checked = 0, synthetic = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(test::corpusDir())) {
        if (!entry.is_regular_file()) continue;
        const std::string path = entry.path().string();
        std::string ext = entry.path().extension().string();
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const auto own = std::find_if(fileFormats().begin(), fileFormats().end(), [&](const FileFormat& f) {
            return f.kind != kind::AllFiles && f.kind != kind::Tga && ext == f.extension;
        });
        if (own == fileFormats().end()) continue;
        Bitmap b;
        const bool loaded = LoadWithFormat(*own, path, &b);
        if (entry.path().parent_path().filename() == "synthetic" && ext == ".ico") {
            ++synthetic;
            EXPECT_TRUE(loaded) << path;
        }
        if (loaded) continue;
        ++checked;
        Bitmap tga;
        EXPECT_FALSE(LoadTgaFile(path, &tga))
            << path << " reads as a " << tga.width() << " x " << tga.height() << " TGA";
    }
    EXPECT_GT(checked, 50);
    EXPECT_GE(synthetic, 5);  // icons at 1, 4, 8, 24 and 32 bits
}

}  // namespace
}  // namespace vexilo
