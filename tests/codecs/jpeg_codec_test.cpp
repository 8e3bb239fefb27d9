#include "codecs/jpeg_codec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

// jpeglib.h needs FILE and size_t declared before it.
// clang-format off
#include <jpeglib.h>
// clang-format on

#include "base/errors.h"
#include "base/file_io.h"
#include "support/test_util.h"

// The options below name only the fields a case changes; the rest keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace vexilo {
namespace {

using test::makeBitmap;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

std::vector<std::uint8_t> encode(const Bitmap& b, const JpegOptions& options) {
    TJPEGImage jpeg;
    jpeg.applyOptions(options);
    jpeg.assign(b);
    return jpeg.data();
}

struct Segment {
    std::uint8_t marker;
    std::size_t offset;  // of the 0xFF
    std::size_t length;  // of the whole segment including marker bytes
};

// The marker segments up to and including the first SOS.
std::vector<Segment> headerSegments(const std::vector<std::uint8_t>& f) {
    std::vector<Segment> out;
    std::size_t i = 2;
    while (i + 4 <= f.size() && f[i] == 0xFF) {
        const std::uint8_t m = f[i + 1];
        const std::size_t len = static_cast<std::size_t>(f[i + 2] << 8 | f[i + 3]);
        out.push_back({m, i, len + 2});
        if (m == 0xDA) break;
        i += len + 2;
    }
    return out;
}

const Segment* find(const std::vector<Segment>& s, std::uint8_t marker) {
    for (const auto& seg : s)
        if (seg.marker == marker) return &seg;
    return nullptr;
}

TEST(JpegCodec, DefaultOptionsWriteProgressiveColourAtQuality80) {
    const Bitmap src = makeBitmap(24, 17, PixelFormat::Device, test::gradientColor);
    const auto file = encode(src, JpegOptions{});
    ASSERT_GE(file.size(), 4u);
    EXPECT_EQ(std::vector(file.begin(), file.begin() + 2), (std::vector<std::uint8_t>{0xFF, 0xD8}));
    // Quality 80 scales the standard luminance DC step 16 by 40%: 6.
    const auto segs = headerSegments(file);
    const Segment* dqt = find(segs, 0xDB);
    ASSERT_NE(dqt, nullptr);
    EXPECT_EQ(file[dqt->offset + 5], 6);

    TJPEGImage back;
    back.loadFromBytes(file);
    EXPECT_EQ(std::pair(back.width(), back.height()), std::pair(24, 17));
    EXPECT_TRUE(back.progressiveEncoding());
    EXPECT_FALSE(back.grayscale());
    EXPECT_EQ(back.bitmap().pixelFormat(), PixelFormat::Bpp24);
    EXPECT_TRUE(test::samePixels(back.bitmap(), src, 12));
}

TEST(JpegCodec, OptionsTakeEffectInTheirOrder) {
    const Bitmap src = makeBitmap(16, 16, PixelFormat::Device, test::gradientColor);
    const auto plain = encode(src, {.ProgressiveEncoding = false});
    TJPEGImage back;
    back.loadFromBytes(plain);
    EXPECT_FALSE(back.progressiveEncoding());

    // The 8-bit pixel format changes only how a decode is held, never the file.
    EXPECT_EQ(encode(src, {.PixelFormat = 1, .ProgressiveEncoding = false}), plain);

    // Quality 1 keeps baseline tables (every step fits in 8 bits); quality 100 is all ones.
    for (int q : {1, 100}) {
        const auto f =
            encode(src, {.CompressionQuality = static_cast<std::uint8_t>(q), .ProgressiveEncoding = false});
        const auto segs = headerSegments(f);
        const Segment* dqt = find(segs, 0xDB);
        ASSERT_NE(dqt, nullptr);
        EXPECT_EQ(f[dqt->offset + 4] >> 4, 0) << "8-bit table precision at quality " << q;
        EXPECT_EQ(f[dqt->offset + 5], q == 1 ? 255 : 1);
        EXPECT_NO_THROW(back.loadFromBytes(f));
    }
    // Out-of-range stored qualities are clamped, not rejected.
    EXPECT_EQ(encode(src, {.CompressionQuality = 0}), encode(src, {.CompressionQuality = 1}));
}

TEST(JpegCodec, GreyscaleFilesCarryTheirFlagAndDecodeToAPalette) {
    const Bitmap src = makeBitmap(20, 9, PixelFormat::Device, test::gradientColor);
    const auto file = encode(src, {.Grayscale = true});
    TJPEGImage back;
    back.setGrayscale(false);
    back.loadFromBytes(file);
    EXPECT_TRUE(back.grayscale());
    EXPECT_TRUE(back.progressiveEncoding());
    const Bitmap& b = back.bitmap();
    EXPECT_EQ(b.pixelFormat(), PixelFormat::Bpp8);
    EXPECT_LE(b.palette().size(), static_cast<std::size_t>(TJPEGImage::kQuantizedColors));
    for (const Color& c : b.palette()) {
        EXPECT_EQ(c.r, c.g);
        EXPECT_EQ(c.g, c.b);
    }
    // A colour file asked to decode at 8 bits also gets a palette.
    TJPEGImage colour;
    colour.loadFromBytes(encode(src, JpegOptions{}));
    colour.setPixelFormat(JpegPixelFormat::Bits8);
    EXPECT_EQ(colour.bitmap().pixelFormat(), PixelFormat::Bpp8);
    EXPECT_LE(colour.bitmap().palette().size(), 236u);
    EXPECT_TRUE(test::samePixels(colour.bitmap(), src, 40));
}

TEST(JpegCodec, IndexedAndNarrowRastersAreWrittenThroughColour) {
    // Stripes a block wide, so compression keeps them nearly exact.
    auto stripes = [](int x, int) { return (x / 8) % 2 ? kWhite : kBlack; };
    for (PixelFormat f : {PixelFormat::Bpp1, PixelFormat::Bpp4, PixelFormat::Bpp8, PixelFormat::Bpp15,
                          PixelFormat::Bpp16, PixelFormat::Bpp32}) {
        const Bitmap src = makeBitmap(32, 8, f, stripes);
        TJPEGImage back;
        back.loadFromBytes(encode(src, JpegOptions{}));
        EXPECT_TRUE(test::samePixels(back.bitmap(), src, 24)) << bitsPerPixel(f);
    }
}

TEST(JpegCodec, ErrorsAndRefusals) {
    TJPEGImage jpeg;
    EXPECT_THAT(
        [&] {
            jpeg.loadFromBytes({1, 2, 3, 4, 5});
        },
        ThrowsMessage<ImageError>(HasSubstr("JPEG error #")));
    EXPECT_THAT([&] { jpeg.loadFromBytes({}); }, ThrowsMessage<ImageError>(HasSubstr("JPEG error #")));
    EXPECT_TRUE(jpeg.empty());
    EXPECT_THAT([&] { jpeg.setSize(3, 3); },
                ThrowsMessage<ImageError>(HasSubstr("Cannot change the size of a JPEG image")));
    TJPEGImage blank;
    blank.assign(Bitmap());
    EXPECT_THROW((void)blank.data(), ImageError);
    test::TempDir dir;
    EXPECT_THROW(blank.saveToFile(dir.file("x.jpg")), ImageError);
    EXPECT_FALSE(fileExists(dir.file("x.jpg")));
}

TEST(JpegCodec, DamagedDataStillGivesAPicture) {
    const auto file =
        encode(makeBitmap(64, 64, PixelFormat::Device, test::gradientColor), {.ProgressiveEncoding = false});
    const auto segs = headerSegments(file);
    const std::size_t dataStart = segs.back().offset + segs.back().length;
    std::vector<std::uint8_t> cut(
        file.begin(), file.begin() + static_cast<std::ptrdiff_t>(dataStart + (file.size() - dataStart) / 2));
    TJPEGImage jpeg;
    jpeg.loadFromBytes(cut);
    const Bitmap& b = jpeg.bitmap();
    EXPECT_EQ(std::pair(b.width(), b.height()), std::pair(64, 64));
    EXPECT_GT(jpeg.lastWarnings(), 0);
    Bitmap top(64, 8);  // the rows before the cut
    top.draw(b);
    EXPECT_TRUE(test::samePixels(top, makeBitmap(64, 8, PixelFormat::Device, test::gradientColor), 12));
}

TEST(JpegCodec, HeaderSizesBeyondTheLimitsAreRefused) {
    const auto file = encode(makeBitmap(40, 30, PixelFormat::Device, test::gradientColor), JpegOptions{});
    TJPEGImage jpeg;
    jpeg.setLimits({39, 100, 1u << 20, 1});
    EXPECT_THAT([&] { jpeg.loadFromBytes(file); }, ThrowsMessage<DecodeError>(HasSubstr("JPEG")));
    TJPEGImage small;
    small.setLimits({100, 100, 1199, 1});
    EXPECT_THROW(small.loadFromBytes(file), DecodeError);
}

TEST(JpegCodec, EndlessScansAreCutOff) {
    // A progressive file whose first scan is repeated past the scan limit: libjpeg only warns
    // about the bogus progression, so the limit is what ends the decode.
    const auto file = encode(makeBitmap(8, 8, PixelFormat::Device, test::gradientColor), JpegOptions{});
    const auto segs = headerSegments(file);
    ASSERT_EQ(segs.back().marker, 0xDA);
    std::size_t end = segs.back().offset + segs.back().length;
    while (end + 1 < file.size() &&
           !(file[end] == 0xFF && file[end + 1] != 0 && (file[end + 1] < 0xD0 || file[end + 1] > 0xD7)))
        ++end;
    std::size_t start = segs.back().offset;
    // Take the tables written just before the scan with it.
    if (segs.size() >= 2 && segs[segs.size() - 2].marker == 0xC4) start = segs[segs.size() - 2].offset;
    std::vector<std::uint8_t> many(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(end));
    for (int i = 0; i < TJPEGImage::kMaxScans + 5; ++i)
        many.insert(many.end(), file.begin() + static_cast<std::ptrdiff_t>(start),
                    file.begin() + static_cast<std::ptrdiff_t>(end));
    many.insert(many.end(), file.begin() + static_cast<std::ptrdiff_t>(end), file.end());
    TJPEGImage jpeg;
    jpeg.loadFromBytes(many);
    EXPECT_THAT([&] { (void)jpeg.bitmap(); }, ThrowsMessage<DecodeError>(HasSubstr("scans")));
}

// A CMYK file as Adobe software writes it (inverted values, APP14 marker).
std::vector<std::uint8_t> cmykJpeg(int w, int h, const std::uint8_t ink[4]) {
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = 4;
    c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(w) * 4);
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = ink[i % 4];
    JSAMPROW p = row.data();
    while (c.next_scanline < c.image_height) jpeg_write_scanlines(&c, &p, 1);
    jpeg_finish_compress(&c);
    std::vector<std::uint8_t> out(buf, buf + size);
    jpeg_destroy_compress(&c);
    std::free(buf);
    return out;
}

TEST(JpegCodec, CmykFilesDecodeToColour) {
    const std::uint8_t magenta[4] = {255, 0, 255,
                                     255};  // inverted: no cyan, full magenta, no yellow or black
    TJPEGImage jpeg;
    jpeg.loadFromBytes(cmykJpeg(16, 16, magenta));
    const Color c = jpeg.bitmap().pixel(5, 5);
    EXPECT_NEAR(c.r, 255, 4);
    EXPECT_NEAR(c.g, 0, 4);
    EXPECT_NEAR(c.b, 255, 4);
}

TEST(JpegCodec, CorruptionSweepNeverCrashes) {
    const Bitmap src = makeBitmap(16, 16, PixelFormat::Device, test::gradientColor);
    const auto plain = encode(src, {.ProgressiveEncoding = false}), progressive = encode(src, {});
    auto decode = [](std::span<const std::uint8_t> bytes) {
        TJPEGImage jpeg;
        jpeg.setLimits(DecodeLimits::forFuzzing());
        jpeg.loadFromBytes({bytes.begin(), bytes.end()});
        (void)jpeg.bitmap();
    };
    test::corruptionSweep(plain, decode, 3);
    test::corruptionSweep(progressive, decode, 5);
}

}  // namespace
}  // namespace vexilo
