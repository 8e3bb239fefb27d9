#include "codecs/tga_codec.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "codecs/png_codec.h"
#include "support/byte_fields.h"
#include "support/test_util.h"

// The file specs below name only the fields a case needs; the rest keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace vexilo {
namespace {

using test::makeBitmap;
using test::patternColor;
using ::testing::ThrowsMessage;
using Bytes = std::vector<std::uint8_t>;

struct TgaSpec {
    std::uint8_t type = 2;
    std::uint16_t width = 1, height = 1;
    std::uint8_t bits = 24;
    std::uint8_t descriptor = 0;
    std::string id;
    std::uint16_t mapFirst = 0;
    std::uint8_t mapEntryBits = 0;
    Bytes map;  // raw entry bytes; the entry count follows from mapEntryBits
};

Bytes makeTga(const TgaSpec& s, const Bytes& pixels) {
    ByteWriter w;
    w.u8(static_cast<std::uint8_t>(s.id.size()));
    w.u8(s.mapEntryBits ? 1 : 0);
    w.u8(s.type);
    test::le16(w, s.mapFirst, s.mapEntryBits ? s.map.size() / ((s.mapEntryBits + 7u) / 8u) : 0);
    w.u8(s.mapEntryBits);
    test::le16(w, 0, 0, s.width, s.height);
    w.u8(s.bits);
    w.u8(s.descriptor);
    w.bytes(Bytes(s.id.begin(), s.id.end()));
    w.bytes(s.map);
    w.bytes(pixels);
    return w.take();
}

constexpr Color kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

TEST(TgaDecoder, ReadsEveryTypeAndDepth) {
    const struct {
        TgaSpec spec;
        Bytes pixels;
        std::vector<Color> row;
    } cases[] = {
        {{.type = 2, .width = 2, .bits = 24}, {0, 0, 255, 255, 0, 0}, {kRed, kBlue}},
        // 16-bit 5-5-5 channels scale by 8: 0x7FFF is 248 grey, not white; 15-bit the same.
        {{.type = 2, .width = 2, .bits = 16}, {0xFF, 0x7F, 0x00, 0x7C}, {{248, 248, 248}, {248, 0, 0}}},
        {{.type = 2, .width = 1, .bits = 15}, {0x1F, 0x7C}, {{248, 0, 248}}},
        {{.type = 3, .width = 2, .bits = 8}, {7, 250}, {{7, 7, 7}, {250, 250, 250}}},
        // Colour-mapped with 24-bit and 15-bit entries.
        {{.type = 1, .width = 2, .bits = 8, .mapEntryBits = 24, .map = {0, 255, 0, 255, 0, 0}},
         {0, 1},
         {kGreen, kBlue}},
        {{.type = 1, .width = 2, .bits = 8, .mapEntryBits = 15, .map = {0x1F, 0x00, 0xE0, 0x03}},
         {0, 1},
         {{0, 0, 248}, {0, 248, 0}}},
        // Run-length variants of the three kinds; 16-bit grey+alpha keeps the grey byte.
        {{.type = 10, .width = 3, .bits = 24}, {0x82, 0, 0, 255}, {kRed, kRed, kRed}},
        {{.type = 11, .width = 3, .bits = 8}, {0x01, 1, 2, 0x80, 3}, {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}}},
        {{.type = 9, .width = 3, .bits = 8, .mapEntryBits = 32, .map = {1, 2, 3, 4}},
         {0x82, 0},
         std::vector<Color>(3, {3, 2, 1})},
        {{.type = 11, .width = 3, .bits = 16}, {0x82, 77, 200}, std::vector<Color>(3, {77, 77, 77})},
    };
    TTarga t;
    for (const auto& c : cases) {
        t.loadFromBytes(makeTga(c.spec, c.pixels));
        EXPECT_EQ(t.TargaType, c.spec.type - (c.spec.type >= 9 ? 5 : 0));  // run-length 9..11 are 4..6
        EXPECT_EQ(test::colours(t.colorRaster()), c.row) << int(c.spec.type) << " " << int(c.spec.bits);
        EXPECT_FALSE(t.HasAlpha);
    }
    t.loadFromBytes(makeTga(cases[1].spec, cases[1].pixels));
    EXPECT_EQ(t.ColorDepth, cd16bit);
    t.loadFromBytes(makeTga(cases[0].spec, cases[0].pixels));
    EXPECT_EQ(t.ColorDepth, cd24bit);
    EXPECT_EQ(t.colorRaster().pixelFormat(), PixelFormat::Bpp32);
    t.loadFromBytes(makeTga(cases[5].spec, cases[5].pixels));
    EXPECT_EQ(t.colorMap().size(), 2u);

    // 32-bit fills the alpha raster; the loader draws only the colours.
    t.loadFromBytes(makeTga({.type = 2, .width = 2, .bits = 32}, {0, 0, 255, 10, 255, 0, 0, 200}));
    EXPECT_TRUE(t.HasAlpha);
    EXPECT_EQ(t.ColorDepth, cd32bit);
    EXPECT_EQ(test::colours(t.alphaRaster()), (std::vector<Color>{{10, 10, 10}, {200, 200, 200}}));
    EXPECT_EQ(t.colorRaster().raw(0, 0) >> 24, 0u);
}

TEST(TgaDecoder, RefusesHeadersThatDoNotHoldTogether) {
    const Bytes row(6, 0);
    const Bytes map24{0, 0, 255, 0, 255, 0};
    auto withField = [](Bytes file, std::size_t offset, std::uint8_t value) {
        file[offset] = value;
        return file;
    };
    const Bytes good = makeTga({.type = 2, .width = 2, .bits = 24}, row);
    const std::vector<std::pair<const char*, Bytes>> cases{
        {"no image data", makeTga({.type = 0, .width = 2, .height = 2, .bits = 8}, row)},
        {"compressed image type 32",
         makeTga({.type = 32, .width = 2, .bits = 8, .mapEntryBits = 24, .map = map24}, row)},
        {"compressed image type 33",
         makeTga({.type = 33, .width = 2, .bits = 8, .mapEntryBits = 24, .map = map24}, row)},
        {"colour-map type 2", withField(good, 1, 2)},
        {"without a colour map", makeTga({.type = 1, .width = 2, .bits = 8}, row)},
        {"without a colour map", makeTga({.type = 9, .width = 2, .bits = 8}, row)},
        {"entry size 8 bits",
         makeTga({.type = 1, .width = 2, .bits = 8, .mapEntryBits = 8, .map = {1, 2}}, row)},
        {"8 bits per pixel for image type 2", makeTga({.type = 2, .width = 2, .bits = 8}, row)},
        {"24 bits per pixel for image type 1",
         makeTga({.type = 1, .width = 2, .bits = 24, .mapEntryBits = 24, .map = map24}, row)},
        {"32 bits per pixel for image type 11", makeTga({.type = 11, .width = 2, .bits = 32}, row)},
        {"9 alpha bits in 8-bit", makeTga({.type = 3, .width = 2, .bits = 8, .descriptor = 9}, row)},
        {"beyond the",
         withField(makeTga({.type = 1, .width = 2, .bits = 8, .mapEntryBits = 24, .map = map24}, {0, 1}), 5,
                   200)},
        {"ends before the first row", makeTga({.type = 2, .width = 2, .bits = 24}, {0, 0, 255, 0, 0})},
        {"ends before the first row",
         makeTga({.type = 10, .width = 200, .bits = 24}, {0x80, 1, 2, 3, 0x81, 4, 5, 6})},
    };
    for (const auto& [message, file] : cases)
        EXPECT_THAT([&] { (void)decodeTga(file); }, ThrowsMessage<DecodeError>(::testing::HasSubstr(message)))
            << message;
    // What is allowed stays allowed: a map beside true colour, 15-bit entries, 1 alpha bit in 16.
    EXPECT_NO_THROW(
        (void)decodeTga(makeTga({.type = 2, .width = 2, .bits = 24, .mapEntryBits = 24, .map = map24}, row)));
    EXPECT_NO_THROW((void)decodeTga(
        makeTga({.type = 10, .width = 200, .bits = 16, .descriptor = 1}, {0xFF, 1, 2, 0xC7, 1, 2})));
}

TEST(TgaDecoder, RowOrderFollowsTheDescriptor) {
    // 2 x 2: file rows "red green" then "blue white".
    const Bytes rows{0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};
    auto load = [&](std::uint8_t descriptor) {
        TTarga t;
        t.loadFromBytes(
            makeTga({.type = 2, .width = 2, .height = 2, .bits = 24, .descriptor = descriptor}, rows));
        return t.colorRaster();
    };
    using C = std::vector<Color>;
    EXPECT_EQ(test::colours(load(0)), (C{kBlue, kWhite, kRed, kGreen}));
    EXPECT_EQ(test::colours(load(0x20)), (C{kRed, kGreen, kBlue, kWhite}));
    // Bit 4 puts the first pixel of a row at the right.
    EXPECT_EQ(test::colours(load(0x30)), (C{kGreen, kRed, kWhite, kBlue}));
    EXPECT_EQ(test::colours(load(0x10)), (C{kWhite, kBlue, kGreen, kRed}));
}

TEST(TgaDecoder, HostileAndDamagedFiles) {
    TTarga t;
    EXPECT_THAT([&] { t.loadFromBytes(makeTga({.type = 5}, {})); },
                ThrowsMessage<TgaRangeError>("5 is not within the valid range of 0..33"));
    EXPECT_THAT([&] { t.loadFromBytes(makeTga({.type = 2, .width = 3001}, {})); },
                ThrowsMessage<TgaRangeError>("3001 is not within the valid range of 1..3000"));
    EXPECT_THROW(t.loadFromBytes(makeTga({.type = 2, .height = 0}, {})), TgaRangeError);
    EXPECT_THROW(t.loadFromBytes(Bytes(17, 0)), DecodeError);
    // 3000 x 3000 is the largest accepted: one grey run packet per 128 pixels.
    Bytes runs;
    for (int i = 0; i < 3000 * 3000 / 128 + 1; ++i) runs.insert(runs.end(), {0xFF, 9});
    t.loadFromBytes(makeTga({.type = 11, .width = 3000, .height = 3000, .bits = 8}, runs));
    EXPECT_EQ(t.colorRaster().pixel(2999, 0), (Color{9, 9, 9}));

    // A run crossing a row end continues on the next row; one past the image end stops there.
    t.loadFromBytes(makeTga({.type = 10, .width = 2, .height = 2, .bits = 24, .descriptor = 0x20},
                            {0x82, 0, 0, 255, 0x85, 255, 0, 0}));
    EXPECT_EQ(test::colours(t.colorRaster()), (std::vector<Color>{kRed, kRed, kRed, kBlue}));
    // Indices outside the map are black; pixel values count from the map's first index.
    t.loadFromBytes(makeTga(
        {.type = 1, .width = 3, .bits = 8, .mapFirst = 10, .mapEntryBits = 24, .map = {0, 0, 255, 0, 255, 0}},
        {10, 11, 3}));
    EXPECT_EQ(test::colours(t.colorRaster()), (std::vector<Color>{kRed, kGreen, kBlack}));
    // A file that ends early keeps what was read and leaves the rest black.
    t.loadFromBytes(makeTga({.type = 2, .width = 2, .height = 2, .bits = 24, .descriptor = 0x20},
                            {0, 0, 255, 0, 255, 0, 255, 0}));
    EXPECT_EQ(test::colours(t.colorRaster()), (std::vector<Color>{kRed, kGreen, kBlack, kBlack}));

    test::corruptionSweep(
        makeTga({.type = 9,
                 .width = 3,
                 .height = 2,
                 .bits = 8,
                 .id = "x",
                 .mapEntryBits = 16,
                 .map = {1, 2, 3, 4}},
                {0x81, 1, 0x00, 0, 0x82, 1}),
        [](std::span<const std::uint8_t> b) { (void)decodeTga(b, DecodeLimits::forFuzzing()); });
}

TEST(TgaEncoder, PacketsFollowTheRowRules) {
    const Color a{1, 2, 3}, b{4, 5, 6}, c{7, 8, 9}, d{10, 11, 12};
    auto packets = [](const std::vector<Color>& row) {
        const Bytes file =
            encodeTga(makeBitmap(static_cast<int>(row.size()), 1, PixelFormat::Bpp24,
                                 [&](int x, int) { return row[static_cast<std::size_t>(x)]; }));
        return Bytes(file.begin() + 18, file.end());
    };
    EXPECT_EQ(packets({a, a}), (Bytes{129, 3, 2, 1}));
    EXPECT_EQ(packets({a}), (Bytes{0, 3, 2, 1}));
    EXPECT_EQ(packets({a, b, c}), (Bytes{2, 3, 2, 1, 6, 5, 4, 9, 8, 7}));
    EXPECT_EQ(packets({a, a, b}), (Bytes{129, 3, 2, 1, 0, 6, 5, 4}));
    EXPECT_EQ(packets({a, b, b}), (Bytes{0, 3, 2, 1, 129, 6, 5, 4}));
    EXPECT_EQ(packets({a, b, c, c, d}), (Bytes{1, 3, 2, 1, 6, 5, 4, 129, 9, 8, 7, 0, 12, 11, 10}));
    EXPECT_EQ(packets(std::vector<Color>(130, a)), (Bytes{255, 3, 2, 1, 129, 3, 2, 1}));

    // Packets never span rows, and rows go bottom-up.
    const Bytes file = encodeTga(makeBitmap(1, 2, PixelFormat::Bpp24, [&](int, int) { return a; }));
    EXPECT_EQ(Bytes(file.begin() + 18, file.end()), (Bytes{0, 3, 2, 1, 0, 3, 2, 1}));
    EXPECT_EQ((Bytes{file[2], file[16], file[17]}), (Bytes{10, 24, 0}));  // type, depth, descriptor
    EXPECT_THROW(encodeTga(Bitmap()), ImageError);
}

TEST(TgaEncoder, RoundTripsRastersAndAlwaysSavesType10) {
    for (PixelFormat f : {PixelFormat::Bpp1, PixelFormat::Bpp4, PixelFormat::Bpp8, PixelFormat::Bpp16,
                          PixelFormat::Bpp24, PixelFormat::Bpp32, PixelFormat::Device}) {
        for (auto [w, h] : {std::pair{1, 1}, {3, 2}, {131, 1}, {1, 5}}) {
            const Bitmap b = makeBitmap(
                w, h, f, [](int x, int y) { return (x / 3 + y) % 2 ? patternColor(x, y) : kGreen; });
            EXPECT_TRUE(test::samePixels(decodeTga(encodeTga(b)), b))
                << bitsPerPixel(f) << " " << w << "x" << h;
        }
    }
    // The uncompressed writer of the other types reads back too.
    TTarga t;
    t.setColorRaster(makeBitmap(5, 3, PixelFormat::Bpp24, patternColor));
    for (auto depth : {cd16bit, cd24bit, cd32bit}) {
        t.TargaType = ttTrueColorImage;
        t.ColorDepth = depth;
        const Bytes file = t.saveToBytes();
        EXPECT_EQ(file[2], 2);
        TTarga back;
        back.loadFromBytes(file);
        // 16 bits keep the top five bits of each channel.
        const Bitmap want = makeBitmap(5, 3, PixelFormat::Bpp24, [&](int x, int y) {
            const Color c = t.colorRaster().pixel(x, y);
            if (depth != cd16bit) return c;
            return Color{static_cast<std::uint8_t>(c.r & 0xF8), static_cast<std::uint8_t>(c.g & 0xF8),
                         static_cast<std::uint8_t>(c.b & 0xF8)};
        });
        EXPECT_TRUE(test::samePixels(back.colorRaster(), want)) << int(depth);
    }
    // Saving through a file writes RLE 24-bit whatever was loaded before.
    test::TempDir dir;
    TTargaImage holder;
    holder.Targa().loadFromBytes(makeTga({.type = 3, .width = 2, .bits = 8}, {1, 2}));
    holder.Targa().saveToFile(dir.file("x.tga"));
    EXPECT_EQ(holder.targaType(), ttRLETrueColorImage);
    const Bytes saved = test::readFile(dir.path() / "x.tga");
    EXPECT_EQ((Bytes{saved[2], saved[16]}), (Bytes{10, 24}));
    EXPECT_EQ(decodeTga(saved).pixel(1, 0), (Color{2, 2, 2}));
}

TEST(TgaCorpus, DecodedFilesMatchTheirExpectedImages) {
    VEXILO_REQUIRE_CORPUS("tga");
    const auto dir = test::corpusDir() / "tga";
    // Counted, so a corpus folder that went missing or was renamed fails instead of passing empty.
    // Pixels the rendering shows fully transparent are skipped; 5-bit channels scale by 8 here,
    // so they may sit up to 7 below it.
    int compared = 0;
    auto compare = [&](const std::filesystem::path& tga, const std::filesystem::path& png, int tolerance) {
        const PngAlphaImage want = readPngWithAlpha(test::readFile(png));
        EXPECT_TRUE(test::samePixels(decodeTga(test::readFile(tga)), want.color, tolerance, want.alpha))
            << tga.filename() << " vs " << png.filename();
        ++compared;
    };
    for (const char* name : {"cbw8", "ubw8"})
        compare(dir / "truevision" / (std::string(name) + ".tga"), dir / "truevision/bw.png", 0);
    for (const char* name : {"ctc24", "utc24", "ctc32", "utc32"})
        compare(dir / "truevision" / (std::string(name) + ".tga"), dir / "truevision/color.png", 0);
    for (const char* name : {"ccm8", "ucm8", "ctc16", "utc16"})
        compare(dir / "truevision" / (std::string(name) + ".tga"), dir / "truevision/color.png", 7);
    for (const auto& entry : std::filesystem::directory_iterator(dir / "image-rs/reference")) {
        const std::string name = entry.path().stem().string();  // x.tga
        const auto source = dir / "image-rs" / name;
        if (std::filesystem::exists(source)) compare(source, entry.path(), name.starts_with("b5-") ? 7 : 0);
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir / "pillow/common")) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".tga") continue;
        const std::string stem = name.substr(0, name.rfind('_', name.rfind('_') - 1));
        compare(entry.path(), dir / "pillow/common" / (stem + ".png"), 0);
    }
    compare(dir / "go-tga/monochrome8_bottom_left.tga", dir / "go-tga/monochrome8.png", 0);
    compare(dir / "go-tga/monochrome8_bottom_left_rle.tga", dir / "go-tga/monochrome8.png", 0);
    compare(dir / "go-tga/rgb24_top_left.tga", dir / "go-tga/rgb24.0.png", 0);
    compare(dir / "go-tga/rgb24_bottom_left_rle.tga", dir / "go-tga/rgb24.0.png", 0);
    compare(dir / "go-tga/rgb24_top_left_colormap.tga", dir / "go-tga/rgb24.1.png", 0);
    compare(dir / "go-tga/rgb32_bottom_left.tga", dir / "go-tga/rgb32.0.png", 0);
    compare(dir / "go-tga/rgb32_top_left_rle.tga", dir / "go-tga/rgb32.0.png", 0);
    compare(dir / "go-tga/rgb32_top_left_rle_colormap.tga", dir / "go-tga/rgb32.1.png", 0);
    EXPECT_GE(compared, 50);
}

TEST(TgaCorpus, OriginsAgreeAndBrokenFilesNeverCrash) {
    VEXILO_REQUIRE_CORPUS("tga");
    const auto dir = test::corpusDir() / "tga/pillow";
    // The same pixel bytes under three descriptors: mirrored, then also turned upside down.
    const Bitmap plain = decodeTga(test::readFile(dir / "rgb32rle.tga"));
    const Bitmap right = decodeTga(test::readFile(dir / "rgb32rle_bottom_right.tga"));
    const Bitmap topRight = decodeTga(test::readFile(dir / "rgb32rle_top_right.tga"));
    const int w = plain.width(), h = plain.height();
    int bad = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bad += !(right.pixel(w - 1 - x, y) == plain.pixel(x, y)) +
                   !(topRight.pixel(w - 1 - x, h - 1 - y) == plain.pixel(x, y));
    EXPECT_EQ(bad, 0);
    int rejected = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(test::corpusDir() / "tga")) {
        if (entry.path().extension() != ".tga") continue;
        try {
            (void)decodeTga(test::readFile(entry.path()), DecodeLimits::forFuzzing());
        } catch (const ImageError&) {
            ++rejected;
        }
    }
    EXPECT_GE(rejected, 6);  // the zero-size and unknown-type regression files, the header-only file
}

}  // namespace
}  // namespace vexilo
