#include "codecs/bmp_codec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "base/errors.h"
#include "support/byte_fields.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::makeBitmap;
using test::patternColor;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

// A BMP file around the given info header fields and pixel bytes.
std::vector<std::uint8_t> makeBmp(std::int32_t width, std::int32_t height, int bits,
                                  std::uint32_t compression, const std::vector<Color>& palette,
                                  const std::vector<std::uint8_t>& pixels,
                                  const std::vector<std::uint32_t>& masks = {}) {
    ByteWriter w;
    const auto offset = static_cast<std::uint32_t>(14 + 40 + masks.size() * 4 + palette.size() * 4);
    w.u8('B');
    w.u8('M');
    test::le32(w, offset + pixels.size(), 0, offset, 40, width, height);
    test::le16(w, 1, bits);
    test::le32(w, compression, pixels.size(), 0, 0, palette.size(), 0);
    for (auto m : masks) w.u32le(m);
    for (auto c : palette) test::le32(w, c.b | c.g << 8 | c.r << 16);
    w.bytes(pixels);
    return w.take();
}

const std::vector<Color> kFour{{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};

TEST(BmpCodec, RoundTripsEveryFormatAtAwkwardSizes) {
    const std::pair<int, int> sizes[] = {{1, 1}, {3, 2}, {5, 1}, {1, 7}, {33, 4}};
    for (PixelFormat f : {PixelFormat::Bpp1, PixelFormat::Bpp4, PixelFormat::Bpp8, PixelFormat::Bpp15,
                          PixelFormat::Bpp16, PixelFormat::Bpp24, PixelFormat::Bpp32, PixelFormat::Device}) {
        for (auto [w, h] : sizes) {
            const Bitmap b = makeBitmap(
                w, h, f, patternColor, isIndexed(f) ? defaultPalette(bitsPerPixel(f)) : std::vector<Color>{});
            const Bitmap back = readBmp(writeBmp(b));
            EXPECT_EQ(back.pixelFormat(), f == PixelFormat::Device ? PixelFormat::Bpp32 : f)
                << bitsPerPixel(f);
            EXPECT_TRUE(test::samePixels(back, b)) << bitsPerPixel(f) << "bpp " << w << "x" << h;
            EXPECT_EQ(back.palette(), b.palette());
        }
    }
    Bitmap alpha(2, 1, PixelFormat::Bpp32);
    alpha.setRaw(0, 0, 0x80123456u);
    EXPECT_EQ(readBmp(writeBmp(alpha)).raw(0, 0), 0x80123456u);
    EXPECT_THROW(writeBmp(Bitmap()), ImageError);
}

TEST(BmpCodec, RowOrderAndShortPalette) {
    // 2 x 2, 8-bit, a two-entry palette; the first stored row is the bottom one.
    const std::vector<std::uint8_t> rows{0, 1, 0, 0, 1, 0, 0, 0};
    const Bitmap b = readBmp(makeBmp(2, 2, 8, 0, {kBlack, kWhite}, rows));
    EXPECT_EQ(b.palette().size(), 2u);
    EXPECT_EQ(test::colours(b), (std::vector<Color>{kWhite, kBlack, kBlack, kWhite}));
    const Bitmap topDown = readBmp(makeBmp(2, -2, 8, 0, {kBlack, kWhite}, rows));
    EXPECT_EQ(test::colours(topDown), (std::vector<Color>{kBlack, kWhite, kWhite, kBlack}));
    // A 2-bit image reads into a 4-bit raster with its four colours.
    const Bitmap c = readBmp(makeBmp(3, 1, 2, 0, kFour, {0b00011011, 0, 0, 0}));
    EXPECT_EQ(c.pixelFormat(), PixelFormat::Bpp4);
    EXPECT_EQ(test::colours(c), (std::vector<Color>{kFour[0], kFour[1], kFour[2]}));
}

TEST(BmpCodec, BitFieldMasks) {
    // 16-bit 5-6-5 and 4-4-4-4 layouts; 32-bit with channels swapped.
    auto f565 = makeBmp(1, 1, 16, 3, {}, {0x1F, 0xF8, 0, 0}, {0xF800, 0x07E0, 0x001F});
    Bitmap a = readBmp(f565);
    EXPECT_EQ(a.pixelFormat(), PixelFormat::Bpp16);
    EXPECT_EQ(a.pixel(0, 0), (Color{255, 0, 255}));
    auto f444 = makeBmp(1, 1, 16, 3, {}, {0x5F, 0x0A, 0, 0}, {0x0F00, 0x00F0, 0x000F});
    Bitmap b = readBmp(f444);
    EXPECT_EQ(b.pixel(0, 0), (Color{170, 85, 255}));
    auto swapped = makeBmp(1, 1, 32, 3, {}, {0x11, 0x22, 0x33, 0x44}, {0x000000FF, 0x0000FF00, 0x00FF0000});
    EXPECT_EQ(readBmp(swapped).pixel(0, 0), (Color{0x11, 0x22, 0x33}));
    auto plain16 = makeBmp(1, 1, 16, 0, {}, {0xFF, 0x7F, 0, 0});
    EXPECT_EQ(readBmp(plain16).pixelFormat(), PixelFormat::Bpp15);
    EXPECT_EQ(readBmp(plain16).pixel(0, 0), kWhite);
}

TEST(BmpCodec, RleEscapesAndOverrunsAreClipped) {
    // RLE8, 4 x 3: a run crossing the row end, end of line, a delta, a literal run, end of bitmap.
    const std::vector<std::uint8_t> rle8{6, 1,              // run of 6 (two clipped at the row end)
                                         0, 0,              // end of line
                                         0, 2, 1, 1,        // delta: right 1, up 1
                                         0, 3, 2, 3, 2, 0,  // literal 2 3 2, padded
                                         0, 1};             // end of bitmap
    // Top row: x = 1 after the delta; the middle row skipped by the end-of-line; the bottom row
    // full of colour 1.
    const Bitmap b = readBmp(makeBmp(4, 3, 8, 1, kFour, rle8));
    EXPECT_EQ(b.palette(), kFour);
    EXPECT_EQ(test::indexValues(b), (std::vector<std::uint8_t>{0, 2, 3, 2, 0, 0, 0, 0, 1, 1, 1, 1}));

    // RLE4 alternates nibbles in runs and literals.
    const std::vector<std::uint8_t> rle4{3, 0x12, 0, 0, 0, 3, 0x31, 0x20, 0, 1};
    const Bitmap c = readBmp(makeBmp(3, 2, 4, 2, kFour, rle4));
    EXPECT_EQ(c.palette(), kFour);
    EXPECT_EQ(test::indexValues(c), (std::vector<std::uint8_t>{3, 1, 2, 1, 2, 1}));

    // Deltas and runs far beyond the image stop at its edge; a missing end keeps what was read.
    const std::vector<std::uint8_t> wild{0, 2, 255, 255, 255, 1, 0, 0, 255, 2};
    EXPECT_NO_THROW(readBmp(makeBmp(2, 2, 8, 1, kFour, wild)));
}

TEST(BmpCodec, BlockReadsEqualWholeReads) {
    const auto blocks = [](std::vector<std::uint8_t> file, std::size_t head) {
        const FileReadAt readAt = [&](std::uint64_t offset, std::span<std::uint8_t> into) {
            const std::size_t n = std::min<std::size_t>(into.size(), file.size() - offset);
            std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(offset), n, into.begin());
            return n;
        };
        return readBmpBlocks(std::span(file).first(std::min(head, file.size())), file.size(), readAt);
    };
    // Rows over several blocks, an odd width, every row layout with its own conversion.
    for (PixelFormat f : {PixelFormat::Bpp8, PixelFormat::Bpp15, PixelFormat::Bpp24, PixelFormat::Bpp32}) {
        const Bitmap b = makeBitmap(301, 250, f, patternColor,
                                    isIndexed(f) ? defaultPalette(bitsPerPixel(f)) : std::vector<Color>{});
        auto file = writeBmp(b);
        const Bitmap whole = readBmp(file);
        EXPECT_TRUE(blocks(file, 4096).pixels() == whole.pixels()) << bitsPerPixel(f);
        file.resize(file.size() - 1000);
        EXPECT_THROW(blocks(file, 4096), DecodeError);
    }
    // Run-length data is read whole.
    const auto rle = makeBmp(2, 2, 8, 1, kFour, {2, 1, 0, 0, 1, 3, 0, 1});
    EXPECT_TRUE(blocks(rle, 60).pixels() == readBmp(rle).pixels());
}

TEST(BmpCodec, RejectsLyingHeadersWithClearMessagesAndSurvivesCorruption) {
    const std::vector<std::uint8_t> px(4, 0);
    auto rejects = [](const std::vector<std::uint8_t>& file, const char* text) {
        EXPECT_THAT([&] { readBmp(file); }, ThrowsMessage<DecodeError>(HasSubstr(text)));
    };
    rejects(makeBmp(0, 1, 8, 0, {}, px), "width");
    rejects(makeBmp(1, 0, 8, 0, {}, px), "height");
    rejects(makeBmp(1, 1, 7, 0, {}, px), "bit count 7");
    rejects(makeBmp(1, 1, 8, 5, {}, px), "PNG");
    rejects(makeBmp(1, 1, 24, 1, {}, px), "RLE8");
    rejects(makeBmp(1, -1, 8, 1, {}, px), "top-down");
    rejects(makeBmp(100000, 100000, 24, 0, {}, px), "exceeds the limit");
    rejects(makeBmp(4, 4, 24, 0, {}, px), "truncated pixel data");
    std::vector<std::uint8_t> notBmp{'G', 'I', 'F', '8', '9', 'a'};
    rejects(notBmp, "signature");
    auto badPalette = makeBmp(1, 1, 1, 0, {}, px);
    badPalette[14 + 32] = 3;  // 3 colours claimed for 1 bit per pixel
    rejects(badPalette, "palette of 3");
    // The last row may lack its padding.
    EXPECT_NO_THROW(readBmp(makeBmp(1, 2, 24, 0, {}, {1, 2, 3, 0, 4, 5, 6})));

    // Every corruption of small files fails cleanly or reads.
    const auto limits = DecodeLimits::forFuzzing();
    auto decode = [&](std::span<const std::uint8_t> b) { (void)readBmp(b, limits); };
    test::corruptionSweep(makeBmp(3, 2, 8, 1, kFour, {2, 1, 0, 0, 0, 3, 1, 2, 3, 0, 0, 1}), decode);
    test::corruptionSweep(makeBmp(3, 2, 4, 2, kFour, {3, 0x12, 0, 0, 0, 3, 0x31, 0x20, 0, 1}), decode);
    test::corruptionSweep(writeBmp(makeBitmap(3, 3, PixelFormat::Bpp16, patternColor)), decode);
}

TEST(BmpCodec, ReadsOs2TwentyFourBitRunLengths) {
    // OS/2 2.x: compression 4 under a 64-byte header is RLE24, not JPEG. 4 x 2, bottom row first:
    // a run of 4 red; then 3 literal pixels (odd: 9 bytes and a pad byte) and a run of 1 blue.
    ByteWriter w;
    const std::vector<std::uint8_t> rle{4,   0,   0, 255, 0, 0, 0, 3,   0, 255, 0, 255,
                                        255, 255, 0, 0,   0, 0, 1, 255, 0, 0,   0, 1};
    w.u8('B');
    w.u8('M');
    test::le32(w, 14 + 64 + rle.size(), 0, 14 + 64, 64, 4, 2);
    test::le16(w, 1, 24);
    w.u32le(4);
    w.zeros(64 - 20);
    w.bytes(rle);
    const Bitmap b = readBmp(w.take());
    EXPECT_EQ(b.pixelFormat(), PixelFormat::Bpp24);
    const Color red{255, 0, 0};
    EXPECT_EQ(test::colours(b),
              (std::vector<Color>{{0, 255, 0}, kWhite, kBlack, {0, 0, 255}, red, red, red, red}));
    // Under a 40-byte header compression 4 stays embedded JPEG.
    EXPECT_THAT([&] { readBmp(makeBmp(1, 1, 24, 4, {}, std::vector<std::uint8_t>(4, 0))); },
                ThrowsMessage<DecodeError>(HasSubstr("JPEG")));
    if (!test::corpusDir().empty() &&
        std::filesystem::exists(test::corpusDir() / "bmpsuite/q/rgb24rle24.bmp")) {
        // The suite's RLE24 file holds its rgb24 picture with fewer colours, so runs form.
        const Bitmap suite = readBmp(test::readFile(test::corpusDir() / "bmpsuite/q/rgb24rle24.bmp"));
        const Bitmap full = readBmp(test::readFile(test::corpusDir() / "bmpsuite/g/rgb24.bmp"));
        EXPECT_TRUE(test::samePixels(suite, full, 64));
    }
}

// The good files are decoded and compared in bmp_reference_test.cpp (every file of bmp-extra
// but the bad and the lenient ones has a rendering there); here the others fail cleanly or read,
// and the broken ones fail.
TEST(BmpCorpus, BadOnesFailCleanly) {
    VEXILO_REQUIRE_CORPUS("bmpsuite");
    VEXILO_REQUIRE_CORPUS("bmp-extra");
    const auto dir = test::corpusDir();
    for (const char* sub : {"bmpsuite/b", "bmpsuite/q", "bmpsuite/x", "bmp-extra"})
        for (const auto& e : std::filesystem::directory_iterator(dir / sub)) {
            if (e.path().extension() != ".bmp") continue;
            try {
                (void)readBmp(test::readFile(e.path()));
                EXPECT_FALSE(e.path().filename().string().starts_with("bad-")) << e.path();
            } catch (const DecodeError&) {
            }
        }
    for (const char* name :
         {"badbitcount", "badheadersize", "badplanes", "badwidth", "reallybig", "rletopdown"})
        EXPECT_THROW(readBmp(test::readFile(dir / "bmpsuite/b" / (std::string(name) + ".bmp"))), DecodeError)
            << name;
}

}  // namespace
}  // namespace vexilo
