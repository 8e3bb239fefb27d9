#include "codecs/png_codec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>

#include "codecs/png_pixels.h"
#include "support/png_builder.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::makeBitmap;
using test::patternColor;
using test::pngChunk;
using test::pngDeflate;
using test::pngFile;
using test::pngIdat;
using test::pngIend;
using test::pngIhdr;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;

using Bytes = std::vector<std::uint8_t>;
using Colors = std::vector<Color>;

// A file of the header, the given chunks and one IDAT of the rows.
Bytes png(std::uint32_t w, std::uint32_t h, int depth, int colorType, const Bytes& rows,
          std::initializer_list<Bytes> chunks = {}) {
    Bytes file = pngFile({pngIhdr(w, h, depth, colorType)});
    for (const Bytes& c : chunks) file.insert(file.end(), c.begin(), c.end());
    for (const Bytes& c : {pngIdat(rows), pngIend()}) file.insert(file.end(), c.begin(), c.end());
    return file;
}

std::string failureOf(const Bytes& file) {
    try {
        (void)decodePng(file);
    } catch (const EPNGImageException& e) {
        return e.what();
    }
    return "(loaded)";
}

std::string withPrefix(const std::string& text) {
    return std::string("Portable Graphics Network format handler error\r\n\r\n") + text;
}

TEST(PngDecoder, ConvertsSamplesByColourTypeAndDepth) {
    // 16-bit truecolour keeps the high bytes; alpha is dropped.
    const Bitmap rgb16 = decodePng(png(1, 1, 16, 6, {0, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0}));
    EXPECT_EQ(rgb16.pixelFormat(), PixelFormat::Bpp24);
    EXPECT_EQ(rgb16.pixel(0, 0), (Color{0x12, 0x56, 0x9A}));

    // 2-bit palette: 4-bit pixels 0, 5, 10, 15 and a palette of 16 repeating the first four.
    const Bytes pal{10, 0, 0, 20, 0, 0, 30, 0, 0, 40, 0, 0};
    const Bitmap p2 = decodePng(png(4, 1, 2, 3, {0, 0b00011011}, {pngChunk("PLTE", pal)}));
    EXPECT_EQ(p2.pixelFormat(), PixelFormat::Bpp4);
    ASSERT_EQ(p2.palette().size(), 16u);
    EXPECT_EQ(test::indexValues(p2), (Bytes{0, 5, 10, 15}));
    EXPECT_EQ(test::colours(p2), (Colors{{10, 0, 0}, {20, 0, 0}, {30, 0, 0}, {40, 0, 0}}));

    // Grey ramps: 2^depth levels spread over 0..255 (256 for 16-bit).
    const Bitmap g4 = decodePng(png(2, 1, 4, 0, {0, 0x1F}));
    EXPECT_EQ(g4.pixelFormat(), PixelFormat::Bpp4);
    EXPECT_EQ(test::colours(g4), (Colors{{17, 17, 17}, kWhite}));
    const Bitmap g2 = decodePng(png(2, 1, 2, 0, {0, 0b01100000}));
    EXPECT_EQ(test::colours(g2), (Colors{{85, 85, 85}, {170, 170, 170}}));
    const Bitmap ga16 = decodePng(png(1, 1, 16, 4, {0, 0xC8, 0x01, 0x00, 0x00}));
    EXPECT_EQ(ga16.pixelFormat(), PixelFormat::Bpp8);
    EXPECT_EQ(ga16.palette().size(), 256u);
    EXPECT_EQ(ga16.pixel(0, 0), (Color{200, 200, 200}));
    const Bitmap g1 = decodePng(png(9, 1, 1, 0, {0, 0b10000001, 0b10000000}));
    EXPECT_EQ(g1.pixelFormat(), PixelFormat::Bpp1);
    EXPECT_EQ(test::pixelsAt(g1, {{0, 0}, {1, 0}, {8, 0}}), (Colors{kWhite, kBlack, kWhite}));

    // An index beyond a short palette reads as black rather than past the palette.
    const Bitmap shortPal = decodePng(png(2, 1, 8, 3, {0, 0, 200}, {pngChunk("PLTE", {1, 2, 3})}));
    EXPECT_EQ(test::colours(shortPal), (Colors{{1, 2, 3}, kBlack}));
}

TEST(PngDecoder, UndoesEveryFilterAgainstThePreviousRow) {
    // Two 2 x 1 RGB rows; the second row repeats under each filter type, encoded by hand.
    const Bytes top{0, 10, 20, 30, 40, 50, 60};  // None: (10,20,30) (40,50,60)
    const std::map<int, Bytes> second{
        {1, {1, 5, 5, 5, 1, 1, 1}},              // Sub: (5,5,5) (6,6,6)
        {2, {2, 251, 241, 231, 222, 212, 202}},  // Up: (5,5,5) (6,6,6)
        {3, {3, 0, 251, 246, 240, 235, 230}},    // Average
        {4, {4, 251, 241, 231, 222, 212, 232}},  // Paeth: above, above, upper-left
    };
    for (const auto& [type, row] : second) {
        Bytes rows = top;
        rows.insert(rows.end(), row.begin(), row.end());
        const Bitmap b = decodePng(png(2, 2, 8, 2, rows));
        EXPECT_EQ(test::colours(b), (Colors{{10, 20, 30}, {40, 50, 60}, {5, 5, 5}, {6, 6, 6}})) << type;
    }
    Bytes bad = top;
    bad.insert(bad.end(), {5, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(failureOf(png(2, 2, 8, 2, bad)),
              withPrefix("The image could not be loaded because it uses an unknown set of filter types."));
}

TEST(PngDecoder, GammaCorrectsSamplesAndTheTransparentColour) {
    // g = 1.0: level = round(255 * (i / 255)^(1 / 2.2)); 128 -> 186.
    const Bytes gama1{0, 1, 0x86, 0xA0};
    const Bitmap grey = decodePng(png(1, 1, 8, 0, {0, 128}, {pngChunk("gAMA", gama1)}));
    EXPECT_EQ(grey.pixel(0, 0), (Color{186, 186, 186}));
    const Bytes file = png(2, 1, 8, 2, {0, 128, 0, 255, 1, 2, 3},
                           {pngChunk("gAMA", gama1), pngChunk("tRNS", {0, 128, 0, 0, 0, 255})});
    const Bitmap rgb = decodePng(file);
    EXPECT_EQ(rgb.pixel(0, 0), (Color{186, 0, 255}));
    ASSERT_TRUE(rgb.transparent());
    EXPECT_EQ(rgb.transparentColor(), rgb.pixel(0, 0));
    // Without correction (reference renderings) samples pass unchanged.
    EXPECT_EQ(decodePng(file, kDefaultDecodeLimits, false).pixel(0, 0), (Color{128, 0, 255}));
    // A gAMA after the image data comes too late to take part.
    EXPECT_EQ(decodePng(pngFile({pngIhdr(1, 1, 8, 0), pngIdat({0, 128}), pngChunk("gAMA", gama1), pngIend()}))
                  .pixel(0, 0),
              (Color{128, 128, 128}));
    // 16-bit tRNS keeps the high byte of each sample.
    const Bitmap deep =
        decodePng(png(1, 1, 16, 2, {0, 1, 0, 3, 0, 5, 0}, {pngChunk("tRNS", {1, 2, 3, 4, 5, 6})}));
    EXPECT_EQ(deep.transparentColor(), (Color{1, 3, 5}));
    // Grey and palette images do not take a transparent colour.
    EXPECT_FALSE(decodePng(png(1, 1, 8, 0, {0, 0}, {pngChunk("tRNS", {0, 0})})).transparent());
}

TEST(PngDecoder, ChunkRules) {
    const Bytes rows{0, 7};
    // Split IDAT data is one stream; ancillary unknown chunks survive, bytes after IEND are ignored.
    const Bytes z = pngDeflate(rows);
    Bytes file =
        pngFile({pngIhdr(1, 1, 8, 0), pngChunk("IDAT", Bytes(z.begin(), z.begin() + 3)),
                 pngChunk("teSt", {1, 2}), pngChunk("IDAT", Bytes(z.begin() + 3, z.end())), pngIend()});
    file.insert(file.end(), {1, 2, 3});
    TPNGImage img;
    img.loadFromBytes(file);
    EXPECT_EQ(img.pixel(0, 0), (Color{7, 7, 7}));
    ASSERT_EQ(img.chunks().count(), 4);
    EXPECT_EQ(img.chunks().item(1).chunkClass(), ChunkClass::IDAT);
    EXPECT_EQ(img.chunks().item(2).typeName(), "teSt");
    EXPECT_EQ(img.chunks().item(2).data(), (Bytes{1, 2}));

    EXPECT_EQ(failureOf(png(1, 1, 8, 0, rows, {pngChunk("QUUX", {})})),
              withPrefix("The currently being loaded image contains critical(s) chunk(s) not reconized by "
                         "the decoder."));
    EXPECT_EQ(
        failureOf(pngFile({pngIdat(rows), pngIhdr(1, 1, 8, 0), pngIend()})),
        withPrefix(
            "This PNG image is invalid, the IHDR chunk is either not present or it isn't the first chunk."));
    EXPECT_EQ(failureOf(png(1, 1, 8, 3, rows)),
              withPrefix("The current image requeries a palette but it is not avaliable."));
    EXPECT_EQ(failureOf(png(1, 1, 8, 3, rows, {pngChunk("PLTE", {1, 2})})),
              withPrefix("The current image being loaded has an invalid palette!"));
    EXPECT_THAT(failureOf(png(1, 1, 8, 3, rows, {pngChunk("PLTE", Bytes(257 * 3, 0))})),
                HasSubstr("257 entries"));
    EXPECT_EQ(failureOf(pngFile({pngIhdr(1, 1, 8, 0, 2), pngIdat(rows), pngIend()})),
              withPrefix("The image has an unknown interlace method."));
    // Too little data fails; more than the rows need is ignored.
    EXPECT_THAT(failureOf(png(1, 2, 8, 0, rows)), HasSubstr("ends before the last row"));
    EXPECT_EQ(decodePng(png(1, 1, 8, 0, {0, 9, 0, 1, 2, 3})).pixel(0, 0), (Color{9, 9, 9}));
    // A chunk claiming more bytes than the file holds fails before anything is allocated.
    Bytes huge = pngFile({pngIhdr(1, 1, 8, 0)});
    huge.insert(huge.end(), {0x7F, 0xFF, 0xFF, 0xFF, 'I', 'D', 'A', 'T', 0, 0});
    EXPECT_THAT(failureOf(huge), HasSubstr("claims 2147483647 bytes"));
    // Beyond the limits: refused before decoding.
    DecodeLimits tiny{16, 16, 256, 1};
    EXPECT_THROW(decodePng(png(17, 1, 8, 0, rows), tiny), DecodeError);
    // ... as soon as IHDR is read: what follows (here a chunk with a bad CRC) is never looked at.
    Bytes damagedAfterHeader = png(17, 1, 8, 0, rows);
    damagedAfterHeader[33 + 10] ^= 0xFF;
    EXPECT_THAT([&] { decodePng(damagedAfterHeader, tiny); },
                ::testing::ThrowsMessage<DecodeError>(HasSubstr("exceeds the limit")));
}

TEST(PngDecoder, DamagedAncillaryChunksAreDroppedCriticalOnesFail) {
    const Bytes rows{0, 7};
    // An iCCP chunk with an unknown compression method is kept uninterpreted; one whose CRC is
    // wrong is dropped. Either way the picture loads.
    Bytes badCrc = pngChunk("iCCP", {'p', 0, 9, 1, 2, 3});
    badCrc.back() ^= 0xFF;
    for (const Bytes& iccp : {pngChunk("iCCP", {'p', 0, 9, 1, 2, 3}), badCrc}) {
        TPNGImage img;
        img.loadFromBytes(png(1, 1, 8, 0, rows, {iccp}));
        EXPECT_EQ(img.pixel(0, 0), (Color{7, 7, 7}));
        EXPECT_EQ(img.chunks().count(), iccp == badCrc ? 3 : 4);
    }
    Bytes badPlte = pngChunk("PLTE", {1, 2, 3});
    badPlte.back() ^= 0xFF;
    EXPECT_EQ(failureOf(png(1, 1, 8, 3, rows, {badPlte})),
              withPrefix("Can't read the PNG image, it has corrupted data. "));
}

TEST(PngDecoder, ChunkListAndRegistryErrors) {
    TPNGImage img;
    ASSERT_EQ(img.chunks().count(), 3);  // IHDR, IDAT, IEND
    EXPECT_EQ(img.chunks().item(0).typeName(), "IHDR");
    EXPECT_EQ(static_cast<TChunkIHDR&>(img.chunks().item(0)).bitDepth(), 2);
    EXPECT_THAT([&] { img.chunks().item(3); }, ::testing::ThrowsMessage<EPNGImageException>(EndsWith(
                                                   "The chunk index especified is out of the range.")));
    EXPECT_THAT([&] { ChunkClassRegistry().item(8); },
                ::testing::ThrowsMessage<EPNGImageException>(
                    EndsWith("The chunk class index especified is  out of range.")));
    TPNGImage other;
    EXPECT_THAT([&] { img.chunks().remove(other.chunks().item(0)); },
                ::testing::ThrowsMessage<EPNGImageException>(HasSubstr("is not inside the chunk list")));
    EXPECT_EQ(ChunkClassRegistry().item(ChunkClassRegistry().findType(pngChunkType("tIME"))).chunkClass,
              ChunkClass::Generic);
    auto& trns = static_cast<TChunkTRNS&>(img.chunks().create(ChunkClass::TRNS));
    EXPECT_THAT([&] { trns.transparentColor(); },
                ::testing::ThrowsMessage<EPNGImageException>(EndsWith("color type is not RGB (value 3)")));
}

// The chunk types of a PNG file in order.
std::vector<std::string> chunkNames(const Bytes& file) {
    std::vector<std::string> names;
    for (std::size_t at = 8; at + 12 <= file.size();) {
        const std::uint32_t len =
            (std::uint32_t(file[at]) << 24) | (file[at + 1] << 16) | (file[at + 2] << 8) | file[at + 3];
        names.emplace_back(file.begin() + static_cast<std::ptrdiff_t>(at + 4),
                           file.begin() + static_cast<std::ptrdiff_t>(at + 8));
        at += 12 + len;
    }
    return names;
}

TEST(PngEncoder, RoundTripsEveryFormatAndWritesTheExpectedChunks) {
    const std::pair<int, int> sizes[] = {{1, 1}, {3, 2}, {9, 1}, {1, 7}, {33, 5}};
    for (PixelFormat f : {PixelFormat::Bpp1, PixelFormat::Bpp4, PixelFormat::Bpp8, PixelFormat::Bpp15,
                          PixelFormat::Bpp24, PixelFormat::Bpp32, PixelFormat::Device}) {
        for (auto [w, h] : sizes) {
            for (bool interlaced : {false, true}) {
                const Bitmap b = makeBitmap(w, h, f, patternColor);
                TPNGImage img;
                img.assign(b);
                img.Interlaced = interlaced;
                const Bytes file = img.saveToBytes();
                const Bitmap back = decodePng(file);
                EXPECT_TRUE(test::samePixels(back, b)) << bitsPerPixel(f) << "bpp " << w << "x" << h;
                if (isIndexed(f)) {
                    EXPECT_EQ(back.pixelFormat(), f);
                    EXPECT_EQ(chunkNames(file), (std::vector<std::string>{"IHDR", "PLTE", "IDAT", "IEND"}));
                    EXPECT_EQ(back.palette(), b.palette());
                } else {
                    EXPECT_EQ(back.pixelFormat(), PixelFormat::Bpp24);
                    EXPECT_EQ(chunkNames(file), (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
                }
            }
        }
    }
    // Transparent truecolour writes its key colour in tRNS and gets it back.
    Bitmap t = makeBitmap(4, 4, PixelFormat::Bpp24, patternColor);
    t.setTransparent(true);
    t.setTransparentColor(t.pixel(1, 1));
    const Bytes file = encodePng(t);
    EXPECT_EQ(chunkNames(file), (std::vector<std::string>{"IHDR", "tRNS", "IDAT", "IEND"}));
    const Bitmap back = decodePng(file);
    EXPECT_TRUE(back.transparent());
    EXPECT_EQ(back.transparentColor(), t.pixel(1, 1));
    EXPECT_THROW(encodePng(Bitmap()), ImageError);
}

TEST(PngEncoder, ChoosesFiltersByRunsOfFiveEqualBytes) {
    const PngFilterSet all{PngFilter::None, PngFilter::Sub, PngFilter::Up, PngFilter::Average,
                           PngFilter::Paeth};
    const Bytes zeros(16, 0);
    Bytes ramp(16);
    for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<std::uint8_t>(i * 3);
    // A ramp has no run as it is, but every Sub difference is 3.
    EXPECT_EQ(png::chooseFilter(ramp.data(), zeros.data(), ramp.size(), 1, kDefaultPngFilters),
              PngFilter::Sub);
    // A flat row: None already holds every run, and later filters only tie.
    const Bytes flat(16, 9);
    EXPECT_EQ(png::chooseFilter(flat.data(), zeros.data(), flat.size(), 1, all), PngFilter::None);
    // The same row twice: Up gives all zeros; Paeth ties it but comes later.
    EXPECT_EQ(png::chooseFilter(ramp.data(), ramp.data(), ramp.size(), 1, all), PngFilter::Up);
    Bytes noise{1, 200, 3, 77, 5, 91, 7, 13, 250, 4};
    const Bytes noiseAbove{9, 8, 100, 6, 5, 44, 3, 2, 1, 0};
    EXPECT_EQ(png::chooseFilter(noise.data(), noiseAbove.data(), noise.size(), 1, kDefaultPngFilters),
              PngFilter::None);
    EXPECT_EQ(png::chooseFilter(ramp.data(), zeros.data(), 4, 1, kDefaultPngFilters), PngFilter::None);
    EXPECT_EQ(png::chooseFilter(ramp.data(), zeros.data(), ramp.size(), 1, PngFilterSet{}), PngFilter::None);

    // Saved files never use Up under the default filters.
    const Bitmap b = makeBitmap(40, 40, PixelFormat::Bpp24, [](int x, int) {
        return Color{static_cast<std::uint8_t>(x), 0, 0};
    });
    const Bytes file = encodePng(b);
    TPNGImage img;
    img.loadFromBytes(file);
    const auto& data = img.chunks().findClass(ChunkClass::IDAT)->data();
    uLongf rawSize = 40 * (40 * 3 + 1);
    Bytes raw(rawSize);
    ASSERT_EQ(uncompress(raw.data(), &rawSize, data.data(), static_cast<uLong>(data.size())), Z_OK);
    for (std::size_t row = 0; row < 40; ++row) EXPECT_NE(raw[row * 121], 2) << row;
}

TEST(PngEncoder, WrittenFilesPassPngcheck) {
    if (std::system("command -v pngcheck >/dev/null 2>&1") != 0) GTEST_SKIP() << "pngcheck is not installed";
    test::TempDir dir;
    int n = 0;
    for (PixelFormat f : {PixelFormat::Bpp1, PixelFormat::Bpp4, PixelFormat::Bpp8, PixelFormat::Bpp24}) {
        for (bool interlaced : {false, true}) {
            TPNGImage img;
            img.assign(makeBitmap(13, 7, f, patternColor));
            img.setTransparent(f == PixelFormat::Bpp24);
            img.Interlaced = interlaced;
            const std::string path = dir.file("out" + std::to_string(n++) + ".png");
            img.saveToFile(path);
            EXPECT_EQ(std::system(("pngcheck -q " + path + " >/dev/null").c_str()), 0) << path;
        }
    }
}

TEST(PngAlpha, KeepsAlphaChannelsAndTransparency) {
    const auto rgba = readPngWithAlpha(png(2, 1, 8, 6, {0, 1, 2, 3, 40, 5, 6, 7, 255}));
    EXPECT_EQ(rgba.color.pixelFormat(), PixelFormat::Device);
    EXPECT_EQ(rgba.color.pixel(0, 0), (Color{1, 2, 3}));
    EXPECT_EQ(rgba.alpha, (Bytes{40, 255}));
    const auto ga16 = readPngWithAlpha(png(1, 1, 16, 4, {0, 9, 9, 0x80, 0x01}));
    EXPECT_EQ(ga16.alpha, (Bytes{0x80}));
    const auto pal =
        readPngWithAlpha(png(3, 1, 8, 3, {0, 0, 1, 2},
                             {pngChunk("PLTE", {1, 1, 1, 2, 2, 2, 3, 3, 3}), pngChunk("tRNS", {0, 128})}));
    EXPECT_EQ(pal.alpha, (Bytes{0, 128, 255}));
    EXPECT_EQ(pal.color.pixel(2, 0), (Color{3, 3, 3}));
    const auto grey =
        readPngWithAlpha(png(2, 1, 16, 0, {0, 0x12, 0x34, 0x12, 0x35}, {pngChunk("tRNS", {0x12, 0x34})}));
    EXPECT_EQ(grey.alpha, (Bytes{0, 255}));
    const auto rgb =
        readPngWithAlpha(png(2, 1, 8, 2, {0, 1, 2, 3, 1, 2, 4}, {pngChunk("tRNS", {0, 1, 0, 2, 0, 3})}));
    EXPECT_EQ(rgb.alpha, (Bytes{0, 255}));
    EXPECT_FALSE(rgb.color.transparent());
    EXPECT_TRUE(readPngWithAlpha(png(1, 1, 8, 2, {0, 1, 2, 3})).alpha.empty());
}

TEST(PngDecoder, SurvivesEveryCorruption) {
    TPNGImage img;
    img.assign(makeBitmap(5, 4, PixelFormat::Bpp24, patternColor));
    img.Interlaced = true;
    const Bytes file = img.saveToBytes();
    test::corruptionSweep(file, [](std::span<const std::uint8_t> bytes) {
        (void)decodePng(bytes, DecodeLimits::forFuzzing());
        (void)readPngWithAlpha(bytes, DecodeLimits::forFuzzing());
    });
}

// ---- the public conformance suite ----------------------------------------------------------

std::filesystem::path suiteFile(const std::string& name) {
    return test::corpusDir() / "pngsuite" / name;
}

TEST(PngSuite, ValidFilesLoadInTheFormatTheirColourTypeGives) {
    VEXILO_REQUIRE_CORPUS("pngsuite");
    int loaded = 0;
    for (const auto& entry : std::filesystem::directory_iterator(test::corpusDir() / "pngsuite")) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".png" || name[0] == 'x' || name.size() != 12 ||
            (name[3] != 'n' && name[3] != 'i'))
            continue;
        const int colorType = name[4] - '0';
        const int depth = std::stoi(name.substr(6, 2));
        SCOPED_TRACE(name);
        Bitmap b;
        ASSERT_NO_THROW(b = decodePng(test::readFile(entry.path())));
        PixelFormat expected = PixelFormat::Bpp24;
        if (colorType != 2 && colorType != 6)
            expected = depth == 1 ? PixelFormat::Bpp1 : depth <= 4 ? PixelFormat::Bpp4 : PixelFormat::Bpp8;
        EXPECT_EQ(b.pixelFormat(), expected);
        if (depth == 2) {
            EXPECT_EQ(b.palette().size(), 16u);
        }
        ++loaded;
    }
    EXPECT_GE(loaded, 150);
}

TEST(PngSuite, SameImagesStoredDifferentlyDecodeAlike) {
    VEXILO_REQUIRE_CORPUS("pngsuite");
    auto load = [](const std::string& name) { return decodePng(test::readFile(suiteFile(name + ".png"))); };
    // Files written at several chunk sizes and compression levels, and every file beside its
    // interlaced twin (an 'i' for the 'n' at index 3).
    std::vector<std::vector<std::string>> groups{{"oi1n0g16", "oi2n0g16", "oi4n0g16", "oi9n0g16"},
                                                 {"oi1n2c16", "oi2n2c16", "oi4n2c16", "oi9n2c16"},
                                                 {"z00n2c08", "z03n2c08", "z06n2c08", "z09n2c08"}};
    for (std::string name : {"basn0g01", "basn0g02", "basn0g16", "basn2c08", "basn2c16", "basn3p02",
                             "basn3p04", "basn4a16", "basn6a08", "s09n3p02", "s35n3p04", "s40n3p04"})
        groups.push_back({name, name.substr(0, 3) + "i" + name.substr(4)});
    for (const auto& group : groups) {
        const Bitmap first = load(group[0]);
        for (std::size_t i = 1; i < group.size(); ++i) {
            EXPECT_TRUE(test::samePixels(first, load(group[i]))) << group[0] << " vs " << group[i];
        }
    }
    // 2-bit grey: the four levels of the ramp in a known left-to-right order.
    const Bitmap g2 = load("basn0g02");
    EXPECT_EQ(g2.pixel(0, 0), kBlack);
    // 16-bit grey keeps the high byte: basn0g16 is a ramp whose high bytes cover 0..255.
    const Bitmap g16 = load("basn0g16");
    EXPECT_EQ(g16.pixel(0, 0), kBlack);
}

// Image data inflated in one piece and streamed through zlib give the same pixels, alpha and
// failures on every corpus file (a limit of 0 forces the stream).
TEST(PngSuite, OnePieceAndStreamedImageDataDecodeAlike) {
    VEXILO_REQUIRE_CORPUS("pngsuite");
    auto load = [](const Bytes& file, std::size_t wholeLimit) {
        TPNGImage img;
        img.setKeepAlpha(true);
        img.WholeInflateLimit = wholeLimit;
        try {
            img.loadFromBytes(file);
        } catch (const EPNGImageException& e) {
            return std::make_pair(Bitmap(),
                                  std::vector<std::uint8_t>(e.what(), e.what() + std::strlen(e.what())));
        }
        return std::make_pair(Bitmap(img), img.alphaPlane());
    };
    int compared = 0;
    for (const char* set : {"pngsuite", "png-extra"}) {
        if (!std::filesystem::is_directory(test::corpusDir() / set)) continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(test::corpusDir() / set)) {
            if (entry.path().extension() != ".png") continue;
            SCOPED_TRACE(entry.path().string());
            const Bytes file = test::readFile(entry.path());
            const auto whole = load(file, std::size_t{64} << 20), streamed = load(file, 0);
            EXPECT_TRUE(test::samePixels(whole.first, streamed.first));
            EXPECT_EQ(whole.second, streamed.second);
            ++compared;
        }
    }
    EXPECT_GE(compared, 150);
}

TEST(PngSuite, CorruptFilesFailWithTheirMessage) {
    VEXILO_REQUIRE_CORPUS("pngsuite");
    const std::map<std::string, std::string> expected{
        {"xc1n0g08.png", "Could not read the image because it has an unknown color type."},
        {"xc9n2c08.png", "Could not read the image because it has an unknown color type."},
        {"xcrn0g04.png", "Invalid Portable Graphics Network image, it has an invalid file header."},
        {"xlfn0g04.png", "Invalid Portable Graphics Network image, it has an invalid file header."},
        {"xs1n0g01.png", "Invalid Portable Graphics Network image, it has an invalid file header."},
        {"xs2n0g01.png", "Invalid Portable Graphics Network image, it has an invalid file header."},
        {"xs4n0g01.png", "Invalid Portable Graphics Network image, it has an invalid file header."},
        {"xs7n0g01.png", "Invalid Portable Graphics Network image, it has an invalid file header."},
        {"xcsn0g01.png", "Can't read the PNG image, it has corrupted data. "},
        {"xhdn0g08.png", "Can't read the PNG image, it has corrupted data. "},
        {"xdtn0g01.png", "The current image being loaded has no data and could not be loaded."},
        {"xd0n2c08.png", "The bit depth 0 is not valid for color type 2."},
        {"xd3n2c08.png", "The bit depth 3 is not valid for color type 2."},
        {"xd9n2c08.png", "The bit depth 99 is not valid for color type 2."},
    };
    for (const auto& [name, text] : expected)
        EXPECT_EQ(failureOf(test::readFile(suiteFile(name))), withPrefix(text)) << name;
}

TEST(PngSuite, MalformedFilesFromOtherReadersAreRejected) {
    VEXILO_REQUIRE_CORPUS("png-extra/libpng-crashers");
    for (const auto& entry :
         std::filesystem::directory_iterator(test::corpusDir() / "png-extra/libpng-crashers")) {
        const std::string name = entry.path().filename().string();
        const std::string failure = failureOf(test::readFile(entry.path()));
        if (name.starts_with("huge_")) {
            EXPECT_THAT(failure, HasSubstr("but the file ends first")) << name;
        } else if (name == "empty_ancillary_chunks.png") {
            EXPECT_EQ(failure, "(loaded)") << name;
        } else {
            EXPECT_THAT(failure, StartsWith(EPNGImageException::prefix())) << name;
        }
    }
}

}  // namespace
}  // namespace vexilo
