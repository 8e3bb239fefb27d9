// The probe that skips loaders by the file's first bytes against the one that tries every
// loader in turn, and the loaders' ways of keeping the decoded raster.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <tuple>

#include "codecs/bmp_codec.h"
#include "codecs/gif_image.h"
#include "codecs/jpeg_codec.h"
#include "codecs/metafile/metafile_writer.h"
#include "codecs/png_codec.h"
#include "codecs/tga_codec.h"
#include "imageio/load_source.h"
#include "imageio/loaders.h"
#include "imageio/savers.h"
#include "raster/raster_ops.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

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
