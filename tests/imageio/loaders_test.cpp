#include "imageio/loaders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "codecs/bmp_codec.h"
#include "codecs/gif_image.h"
#include "codecs/jpeg_codec.h"
#include "codecs/metafile/metafile_writer.h"
#include "codecs/png_codec.h"
#include "codecs/tga_codec.h"
#include "imageio/savers.h"
#include "support/gif_builder.h"
#include "support/png_builder.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::makeBitmap;
using test::patternColor;

Color blocks(int x, int y) {
    return (x / 8 + y / 8) % 2 ? Color{200, 30, 30} : Color{20, 20, 220};
}

std::vector<std::uint8_t> jpegBytes(const Bitmap& b) {
    TJPEGImage jpeg;
    jpeg.assign(b);
    return jpeg.data();
}

class LoadersTest : public ::testing::Test {
protected:
    std::string put(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        test::writeFile(m_dir.path() / name, bytes);
        return m_dir.file(name);
    }
    std::string missing() const { return m_dir.file("missing.png"); }

    test::TempDir m_dir;
    const Bitmap m_picture = makeBitmap(16, 8, PixelFormat::Device, blocks);
};

TEST_F(LoadersTest, ProbingTakesTheFirstKindWhoseDecoderAccepts) {
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        FileKind expected;
        bool exact;  // the loaded pixels are the picture's
    } cases[] = {
        {"plain.bmp", writeBmp(m_picture), kind::Bmp, true},
        // The BMP reader is tried before the JPEG decoder and ignores the extension.
        {"photo.jpg", writeBmp(m_picture), kind::Bmp, true},
        {"photo2.jpg", jpegBytes(m_picture), kind::Jpeg, false},
        {"noname", jpegBytes(m_picture), kind::Jpeg, false},
        {"pic.tga", encodeTga(m_picture), kind::Tga, true},
        {"pic.png", encodePng(m_picture), kind::Png, true},
        {"pic.gif", writeGif(m_picture), kind::Gif, true},
        {"pic.ico", EncodeImageAs(kind::Ico, "pic.ico", m_picture, {}), kind::Ico, false},
        // Kinds 1 to 4 look only at the extension: any piece of ".EXE.DLL.CPL.CUR" counts.
        {"tool.cu", {1, 2, 3}, kind::Exe, false},
        {"tool.DLL", writeBmp(m_picture), kind::Exe, false},
        // Nothing decodes these: the file's associated icon.
        {"notes.txt", {'h', 'e', 'l', 'l', 'o'}, kind::AllFiles, false},
        {"README", {1, 2, 3}, kind::AllFiles, false},
    };
    for (const auto& c : cases) {
        Bitmap b;
        FileKind k = 99;
        ASSERT_TRUE(ProbeImageKind(put(c.name, c.bytes), &b, k)) << c.name;
        EXPECT_EQ(int(k), int(c.expected)) << c.name;
        EXPECT_FALSE(b.empty()) << c.name;
        if (c.exact) {
            EXPECT_TRUE(test::samePixels(b, m_picture)) << c.name;
        }
    }
}

TEST_F(LoadersTest, ProbingRefusalsLeaveTheKindAlone) {
    FileKind k = 42;
    Bitmap b;
    EXPECT_FALSE(ProbeImageKind(put("a.bmp", writeBmp(m_picture)), nullptr, k));
    EXPECT_FALSE(ProbeImageKind(missing(), &b, k));
    EXPECT_FALSE(ProbeImageKind("", &b, k));
    EXPECT_EQ(k, 42);
}

TEST_F(LoadersTest, MetafilesAreChosenByTheirExtension) {
    const auto wmf = writeMetafile(m_picture, false);
    const auto emf = writeMetafile(m_picture, true);
    const struct {
        const char* name;
        const std::vector<std::uint8_t>& bytes;
        FileKind expected;
    } cases[] = {
        {"picture.wmf", wmf, kind::Wmf},
        // Drawn as kind 5 first, which then fails on the extension; kind 6 takes it.
        {"picture.EMF", emf, kind::Emf},
        // The extension picks the BMP decoder, which refuses a metafile.
        {"x.bmp", emf, kind::AllFiles},
    };
    for (const auto& c : cases) {
        Bitmap b;
        FileKind k = 99;
        ASSERT_TRUE(ProbeImageKind(put(c.name, c.bytes), &b, k)) << c.name;
        EXPECT_EQ(int(k), int(c.expected)) << c.name;
        if (c.expected != kind::AllFiles) {
            EXPECT_TRUE(test::samePixels(b, m_picture)) << c.name;
        }
    }
    Bitmap drawn;
    EXPECT_FALSE(LoadImageAs(kind::Wmf, m_dir.file("picture.EMF"), &drawn));
    EXPECT_EQ(drawn.width(), m_picture.width());  // drawn before the extension test fails
}

TEST_F(LoadersTest, GifSignatureIsCaseSensitive) {
    auto gif = writeGif(m_picture);
    Bitmap b;
    EXPECT_TRUE(LoadGifFile(put("anim.gif", gif), &b));
    gif[0] = 'g';
    gif[1] = 'i';
    gif[2] = 'f';
    Bitmap c;
    EXPECT_FALSE(LoadImageAs(kind::Gif, put("lower.gif", gif), &c));
    EXPECT_FALSE(LoadGifFile(put("short.gif", {'G', 'I'}), &c));
    FileKind k = 99;
    ASSERT_TRUE(ProbeImageKind(m_dir.file("lower.gif"), &c, k));
    EXPECT_EQ(k, kind::AllFiles);
}

TEST_F(LoadersTest, DispatchUsesTheLowSevenBitsOfTheKind) {
    const std::string bmp = put("x.bmp", writeBmp(m_picture));
    Bitmap b;
    EXPECT_TRUE(LoadImageAs(static_cast<FileKind>(0x80 | kind::Bmp), bmp, &b));
    for (int k : {13, 14, 127, 0x80 | 13}) EXPECT_FALSE(LoadImageAs(static_cast<FileKind>(k), bmp, &b)) << k;
    // The executable kinds all take the extension test, whatever the kind number.
    for (FileKind k : {kind::Exe, kind::Dll, kind::Cpl, kind::Cur}) {
        EXPECT_FALSE(LoadImageAs(k, bmp, &b));
        EXPECT_TRUE(LoadImageAs(k, put("y.cpl", {0}), &b));
    }
}

TEST_F(LoadersTest, FormatLoadersRefuseNullRastersEmptyPathsAndMissingFiles) {
    using Loader = bool (*)(const std::string&, Bitmap*, const LoadRequest&);
    const std::string jpg = put("ok.jpg", jpegBytes(m_picture));
    for (Loader load : {LoadBitmapFile, LoadIconFile, LoadJpegFile, LoadTgaFile, LoadPngFile, LoadGifFile,
                        LoadWmfFile, LoadEmfFile}) {
        Bitmap b;
        EXPECT_FALSE(load(jpg, nullptr, {}));
        EXPECT_FALSE(load("", &b, {}));
        EXPECT_FALSE(load(missing(), &b, {}));
        EXPECT_TRUE(b.empty());
    }
    std::uint16_t index = 0;
    Bitmap b;
    EXPECT_FALSE(LoadExecutableIcon(missing(), index, &b));
    EXPECT_FALSE(LoadExecutableIcon(put("z.exe", {0}), index, nullptr));
    EXPECT_FALSE(LoadAssociatedIcon(missing(), &b));
    for (const FileFormat& f : fileFormats()) EXPECT_FALSE(LoadImageAs(f.kind, "", &b)) << int(f.kind);
}

TEST_F(LoadersTest, AFailedFormatLoadLeavesTheRasterAsItWas) {
    const Bitmap before = makeBitmap(3, 2, PixelFormat::Bpp24, patternColor);
    auto damaged = jpegBytes(m_picture);
    damaged.resize(30);
    const std::string path = put("bad.jpg", damaged);
    auto emf = writeMetafile(m_picture, true);
    emf.resize(60);
    const std::string damagedEmf = put("bad.emf", emf);
    for (FileKind k : {kind::Ico, kind::Jpeg, kind::Tga, kind::Png, kind::Gif, kind::Emf}) {
        Bitmap b = before;
        EXPECT_FALSE(LoadImageAs(k, k == kind::Emf ? damagedEmf : path, &b)) << int(k);
        EXPECT_EQ(b.width(), 3) << int(k);
        EXPECT_TRUE(test::samePixels(b, before)) << int(k);
    }
}

TEST_F(LoadersTest, PipesAndDevicesAreNotRead) {
    // A named pipe would wait for a writer; /dev/zero would never end.
    const std::string pipe = m_dir.file("pipe.jpg");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    using Loader = bool (*)(const std::string&, Bitmap*, const LoadRequest&);
    for (const std::string& path : {pipe, std::string("/dev/zero")})
        for (Loader load :
             {LoadBitmapFile, LoadIconFile, LoadJpegFile, LoadTgaFile, LoadPngFile, LoadGifFile}) {
            Bitmap b;
            EXPECT_FALSE(load(path, &b, {})) << path;
        }
}

TEST_F(LoadersTest, LargeBitmapFilesReadInBlocksLoadAsTheirBytes) {
    const auto bytes = writeBmp(makeBitmap(400, 300, PixelFormat::Bpp24, patternColor));
    ASSERT_GT(bytes.size(), 256u * 1024);
    Bitmap probed, loaded;
    FileKind k = 0;
    ASSERT_TRUE(ProbeImageKind(put("large.bmp", bytes), &probed, k));
    ASSERT_TRUE(LoadBitmapFile(m_dir.file("large.bmp"), &loaded, {}));
    EXPECT_TRUE(probed.pixels() == readBmp(bytes).pixels());
    EXPECT_TRUE(loaded.pixels() == probed.pixels());
    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.end() - 100);
    EXPECT_FALSE(LoadBitmapFile(put("cut.bmp", cut), &loaded, {}));
}

TEST_F(LoadersTest, PathsAreNotCut) {
    std::filesystem::path deep = m_dir.path();
    for (int i = 0; i < 4; ++i) deep /= std::string(70, static_cast<char>('a' + i));
    std::filesystem::create_directories(deep);
    const std::string path = (deep / "picture.png").string();
    ASSERT_GT(path.size(), 255u);
    test::writeFile(path, encodePng(m_picture));
    Bitmap b;
    FileKind k = 0;
    ASSERT_TRUE(ProbeImageKind(path, &b, k));
    EXPECT_EQ(k, kind::Png);
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

TEST(LoadersCorpus, FilesTheirOwnLoaderRefusesAreNotTakenAsTga) {
    VEXILO_REQUIRE_CORPUS("");
    // TGA comes after the readers of BMP, icons and JPEG in the probe and has no signature:
    // what those refuse must not turn into a picture of noise.
    int checked = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(test::corpusDir())) {
        if (!entry.is_regular_file()) continue;
        const std::string path = entry.path().string();
        std::string ext = entry.path().extension().string();
        for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        Bitmap b;
        std::uint16_t index = 0;
        bool own;
        if (ext == ".bmp" || ext == ".dib")
            own = LoadBitmapFile(path, &b);
        else if (ext == ".ico")
            own = LoadIconFile(path, &b);
        else if (ext == ".cur")
            own = LoadExecutableIcon(path, index, &b);
        else if (ext == ".jpg" || ext == ".jpeg")
            own = LoadJpegFile(path, &b);
        else if (ext == ".png")
            own = LoadPngFile(path, &b);
        else if (ext == ".gif")
            own = LoadGifFile(path, &b);
        else if (ext == ".wmf" || ext == ".emf")
            own = LoadMetafile(path, &b, ext);
        else
            continue;
        if (own) continue;
        ++checked;
        Bitmap tga;
        EXPECT_FALSE(LoadTgaFile(path, &tga))
            << path << " reads as a " << tga.width() << " x " << tga.height() << " TGA";
    }
    EXPECT_GT(checked, 50);
}

}  // namespace
}  // namespace vexilo
