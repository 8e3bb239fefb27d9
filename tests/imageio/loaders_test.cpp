// The loaders: dispatch by kind, refusals, thumbnails, the raster they draw into, the sample
// folder; the probe that skips loaders by the file's first bytes against the one that tries every
// loader in turn, and the loaders' ways of keeping the decoded raster.
#include "imageio/loaders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <set>
#include <tuple>

#include "base/errors.h"
#include "codecs/bmp_codec.h"
#include "codecs/gif_image.h"
#include "codecs/jpeg_codec.h"
#include "codecs/metafile/metafile_writer.h"
#include "codecs/png_codec.h"
#include "codecs/tga_codec.h"
#include "imageio/load_source.h"
#include "imageio/savers.h"
#include "raster/raster_ops.h"
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

// The table the loaders dispatch by.
TEST(FileFormats, EveryRowIsFoundByItsKindAndComplete) {
    std::set<int> kinds;
    for (const FileFormat& f : fileFormats()) {
        SCOPED_TRACE(f.name);
        EXPECT_TRUE(kinds.insert(f.kind).second);  // a stored kind names one row
        EXPECT_EQ(fileFormat(f.kind), &f);
        EXPECT_EQ(fileFormats()[static_cast<std::size_t>(fileFormatPosition(f.kind))].kind, f.kind);
        EXPECT_TRUE(f.load || f.probe);
        EXPECT_EQ(f.probe == nullptr, f.mayAccept == nullptr);
        EXPECT_EQ(f.output, f.encode != nullptr);
        EXPECT_TRUE(f.save.place <= 0 || f.output);  // only output kinds are in the save menu
    }
    EXPECT_EQ(fileFormats().front().kind, kind::AllFiles);  // the view-as list starts with it
    EXPECT_EQ(fileFormat(200), nullptr);
    EXPECT_STREQ(fileKindName(200), "");
    EXPECT_STREQ(fileKindExtension(200), "");
    EXPECT_EQ(fileFormatPosition(-1), -1);

    // The menu holds each place once, in order.
    int place = 0;
    for (const FileFormat* f : saveMenuFormats()) EXPECT_EQ(f->save.place, ++place);
}

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

// The format row of an extension, as the table names it.
const FileFormat* formatOf(const std::string& extension) {
    for (const FileFormat& f : fileFormats())
        if (f.kind != kind::AllFiles && extension == f.extension) return &f;
    return nullptr;
}

// The sample folder of a first run: every file loads as its kind, the folder holds every format
// the program reads, and it stays small.

TEST(Samples, EveryFileLoadsAsItsKindAndEveryFormatIsThere) {
    const std::filesystem::path folder = std::filesystem::path(VEXILO_SOURCE_DIR) / "samples";
    ASSERT_TRUE(std::filesystem::is_directory(folder));
    std::uintmax_t total = 0;
    std::set<std::string> seen;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        total += entry.file_size();
        const std::string ext = entry.path().extension().string();
        if (entry.path().filename() == "README.md") continue;
        SCOPED_TRACE(entry.path().filename().string());
        const FileFormat* format = formatOf(ext);
        ASSERT_NE(format, nullptr);
        seen.insert(ext);
        Bitmap bitmap;
        EXPECT_TRUE(LoadImageAs(format->kind, entry.path().string(), &bitmap));
        EXPECT_FALSE(bitmap.empty());
    }
    // Every output format, and the executables' icons.
    for (const FileFormat& f : fileFormats())
        EXPECT_TRUE(!f.output || seen.count(f.extension)) << f.extension;
    EXPECT_TRUE(seen.count(".exe") && seen.count(".dll") && seen.count(".cur"));
    EXPECT_LT(total, 1024u * 1024u);

    std::uint16_t icons = 0;
    Bitmap bitmap;
    ASSERT_TRUE(LoadExecutableIcon((folder / "toolbox.exe").string(), icons, &bitmap));
    EXPECT_GE(icons, 4);
    TGIFImage gif;
    gif.loadFromFile((folder / "spinner.gif").string());
    EXPECT_GT(gif.frameCount(), 1);
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
        const FileFormat* own = formatOf(ext);
        if (!own || own->kind == kind::Tga) continue;
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

namespace fs = std::filesystem;

// Everything a loaded raster holds, for one comparison.
auto whole(const Bitmap& b) {
    return std::tuple(test::sizeOf(b), b.pixelFormat(), b.palette(), b.transparent(),
                      b.transparent() ? b.transparentColor() : Color{}, b.pixels());
}

struct Quirk {
    std::string name;
    std::vector<std::uint8_t> bytes;
    FileKind kind;  // what the probe calls it
    bool exact;     // the loaded pixels are the picture's
};

// Hand-made files that sit on the edges of the refusal tests.
std::vector<Quirk> quirkFiles(const Bitmap& picture) {
    const auto jpegBytes = EncodeImageAs(kind::Jpeg, "x.jpg", picture, {});
    auto shortJpeg = jpegBytes;
    shortJpeg.resize(40);
    const auto gif = writeGif(picture);
    auto lowerGif = gif;
    std::copy_n("gif", 3, lowerGif.begin());
    std::vector<std::uint8_t> tgaLike(18 + 20 * 12 * 3, 7);  // no signature: only the header decides
    tgaLike[2] = 2;
    tgaLike[12] = 20;
    tgaLike[14] = 12;
    tgaLike[16] = 24;
    const auto emf = writeMetafile(picture, true);
    return {
        {"plain.bmp", writeBmp(picture), kind::Bmp, true},
        // The BMP reader is tried before the JPEG decoder and ignores the extension.
        {"bmp-as.jpg", writeBmp(picture), kind::Bmp, true},
        {"photo.jpg", jpegBytes, kind::Jpeg, false},
        {"jpeg-noname", jpegBytes, kind::Jpeg, false},
        {"short.jpg", shortJpeg, kind::AllFiles, false},
        {"pic.tga", encodeTga(picture), kind::Tga, true},
        {"raw.tga", tgaLike, kind::AllFiles, false},
        {"raw.bin", tgaLike, kind::AllFiles, false},
        {"pic.png", encodePng(picture), kind::Png, true},
        {"png-as.tga", encodePng(picture), kind::Png, true},
        {"pic.gif", gif, kind::Gif, true},
        {"gif.png", gif, kind::Gif, true},
        // The GIF loader wants "GIF" exactly, although the codec ignores its letter case.
        {"lower.gif", lowerGif, kind::AllFiles, false},
        {"gi.gif", {'G', 'I'}, kind::AllFiles, false},
        {"pic.ico", EncodeImageAs(kind::Ico, "pic.ico", picture, {}), kind::Ico, false},
        // Kinds 1 to 4 look only at the extension: any piece of ".EXE.DLL.CPL.CUR" counts.
        {"tool.cu", {1, 2, 3}, kind::Exe, false},
        {"tool.DLL", writeBmp(picture), kind::Exe, false},
        // Metafiles go by their extension: an EMF is drawn as kind 5 first, which then fails on
        // the extension unless it is ".wmf", and kind 6 takes it; the BMP decoder refuses it.
        {"picture.wmf", writeMetafile(picture, false), kind::Wmf, true},
        {"picture.EMF", emf, kind::Emf, true},
        {"emf-as.wmf", emf, kind::Wmf, true},
        {"emf-as.bmp", emf, kind::AllFiles, false},
        // Nothing decodes these: the file's associated icon.
        {"notes.txt", {'h', 'i'}, kind::AllFiles, false},
        {"empty.png", {}, kind::AllFiles, false},
        {"one.bmp", {'B'}, kind::AllFiles, false},
        {"bm.ico", {'B', 'M', 0, 0, 1, 0}, kind::AllFiles, false},
        {"ico.ico", {0, 0, 1, 0, 0, 0}, kind::AllFiles, false},
        {"ff.jpg", {0xFF}, kind::AllFiles, false},
    };
}

std::vector<fs::path> filesUnder(const fs::path& root) {
    std::vector<fs::path> files;
    if (root.empty() || !fs::exists(root)) return files;
    for (const auto& e : fs::recursive_directory_iterator(root)) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(ProbeByContent, GivesTheKindAndPixelsOfTryingEveryLoader) {
    test::TempDir quirks;
    const Bitmap picture = test::makeBitmap(20, 12, PixelFormat::Device, test::patternColor);
    for (const Quirk& q : quirkFiles(picture)) {
        test::writeFile(quirks.path() / q.name, q.bytes);
        Bitmap b;
        FileKind k = 99;
        ASSERT_TRUE(ProbeImageKind(quirks.file(q.name), &b, k)) << q.name;
        EXPECT_EQ(int(k), int(q.kind)) << q.name;
        EXPECT_FALSE(b.empty()) << q.name;
        if (q.exact) {
            EXPECT_TRUE(test::samePixels(b, picture)) << q.name;
        }
    }
    fs::create_directories(quirks.path() / "folder.png");
    ::mkfifo((quirks.path() / "pipe.gif").c_str(), 0600);
    std::vector<fs::path> files = filesUnder(quirks.path());
    const auto regress = filesUnder(fs::path(VEXILO_TEST_DATA_DIR) / "regress");
    const auto corpus = filesUnder(test::corpusDir());
    files.insert(files.end(), regress.begin(), regress.end());
    files.insert(files.end(), corpus.begin(), corpus.end());
    if (corpus.empty()) std::cout << "conformance corpus absent: quirk and regression files only\n";

    LoadBuffers buffers;  // shared as a scan shares them, so nothing of one file may reach the next
    std::size_t decoded = 0;
    for (const auto& file : files) {
        for (const LoadRequest& request : {LoadRequest::full(), LoadRequest::thumbnail(32, 32, &buffers)}) {
            Bitmap tried, probed;
            FileKind triedKind = 99, probedKind = 99;
            const bool triedOk = ProbeImageKindByTrying(file.string(), &tried, triedKind, request);
            const bool probedOk = ProbeImageKind(file.string(), &probed, probedKind, request);
            ASSERT_EQ(triedOk, probedOk) << file;
            ASSERT_EQ(int(triedKind), int(probedKind)) << file;
            ASSERT_EQ(whole(tried), whole(probed)) << file;
            decoded += probedKind != kind::AllFiles;
        }
    }
    EXPECT_GT(decoded, 20u);
}

TEST(ProbeByContent, KeepingTheDecodedRasterShowsWhatDrawingItShows) {
    const auto pattern = test::patternColor;
    Bitmap indexed = test::makeBitmap(5, 3, PixelFormat::Bpp8, pattern, {{1, 2, 3}, {250, 0, 9}, {7, 7, 7}});
    indexed.setRaw(4, 2, 200);  // beyond the palette: black
    Bitmap keyed = test::makeBitmap(4, 4, PixelFormat::Bpp24, pattern);
    keyed.setTransparent(true);
    keyed.setTransparentColor(keyed.pixel(1, 1));
    Bitmap keyedIndexed = indexed;
    keyedIndexed.setTransparent(true);
    keyedIndexed.setTransparentColor(kBlack);
    Bitmap alpha = test::makeBitmap(3, 3, PixelFormat::Bpp32, pattern);
    alpha.setRaw(0, 0, 0x80112233u);
    for (const Bitmap& picture : {indexed, keyed, keyedIndexed, alpha,
                                  test::makeBitmap(3, 2, PixelFormat::Bpp15, pattern), Bitmap()}) {
        Bitmap drawn, kept;
        drawLoaded(picture, drawn);
        keepLoaded(Bitmap(picture), kept);
        EXPECT_EQ(whole(drawn), whole(kept));
    }
    // A raster that is not fresh keeps its own format, as drawing into it does.
    Bitmap into(0, 0, PixelFormat::Bpp8);
    keepLoaded(Bitmap(keyed), into);
    EXPECT_EQ(into.pixelFormat(), PixelFormat::Bpp8);
}

// A reduced decode looks like the full picture made small: on a photograph's gentle slopes a
// reduced pixel is the mean of the full ones it covers.
TEST(ProbeByContent, JpegThumbnailsDecodeAtTheSmallestScaleThatCoversTheCell) {
    test::TempDir dir;
    const struct {
        int width, height, thumbWidth, thumbHeight;
    } cases[] = {
        {1920, 1080, 240, 135},                        // 1/8 still covers 32 x 32
        {100, 50, 63, 32},                             // 4/8 would give 25 rows
        {64, 64, 32, 32},                              // 1/2 exactly covers it
        {130, 70, 65, 35},                             // 1/4 gives 33 x 18, too short
        {20, 200, 20, 200},     {67, 2000, 34, 1000},  // rounded up: 4/8 of 67 is 34; 3/8 would be too narrow
    };
    for (const auto& c : cases) {
        TJPEGImage jpeg;
        jpeg.assign(test::makeBitmap(c.width, c.height, PixelFormat::Bpp24, [&](int x, int y) {
            return Color{static_cast<std::uint8_t>(60 + x * 100 / c.width),
                         static_cast<std::uint8_t>(60 + y * 100 / c.height), 128};
        }));
        const std::string path = dir.file(std::to_string(c.width) + "x" + std::to_string(c.height) + ".jpg");
        test::writeFile(path, jpeg.data());
        Bitmap thumb, full, fromThumb(0, 0, PixelFormat::Bpp24), fromFull(0, 0, PixelFormat::Bpp24);
        ASSERT_TRUE(LoadJpegFile(path, &thumb, LoadRequest::thumbnail(32, 32)));
        EXPECT_EQ(test::sizeOf(thumb), std::pair(c.thumbWidth, c.thumbHeight));
        // The target and the batch job keep the full size.
        ASSERT_TRUE(LoadImageAs(kind::Jpeg, path, &full));
        EXPECT_EQ(test::sizeOf(full), std::pair(c.width, c.height));
        StretchInto(thumb, fromThumb, 32, 32);
        StretchInto(full, fromFull, 32, 32);
        EXPECT_TRUE(test::samePixels(fromThumb, fromFull, 6)) << c.width;
    }
}

TEST(ProbeByContent, ASourceReadsTheHeadAndTheRestIntoOneBuffer) {
    test::TempDir dir;
    std::vector<std::uint8_t> bytes(3 * LoadSource::kHeadSize + 17);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    test::writeFile(dir.path() / "big", bytes);
    test::writeFile(dir.path() / "small", std::vector<std::uint8_t>{1, 2, 3});
    LoadBuffers buffers;
    for (int round = 0; round < 2; ++round) {  // the second round reuses the first one's buffer
        LoadSource big(dir.file("big"), &buffers);
        const auto head = big.head();
        ASSERT_EQ(head.size(), LoadSource::kHeadSize);
        const auto all = big.bytes();
        EXPECT_TRUE(std::equal(all.begin(), all.end(), bytes.begin(), bytes.end()));
        EXPECT_THROW(big.bytes(100), ImageError);
        LoadSource small(dir.file("small"), &buffers);
        EXPECT_EQ(small.head().size(), 3u);
        EXPECT_EQ(small.bytes().size(), 3u);
    }
    LoadSource folder(dir.path().string());
    EXPECT_TRUE(folder.head().empty());
    EXPECT_THROW(folder.bytes(), ImageError);
}

}  // namespace
}  // namespace vexilo
