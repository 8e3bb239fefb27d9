#include "codecs/gif_lzw.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "codecs/gif_image.h"
#include "support/test_util.h"

namespace vexilo::gif {
namespace {

std::vector<std::uint8_t> decodeAll(const std::vector<std::uint8_t>& encoded, std::size_t count,
                                    LzwDecodeResult* result = nullptr, std::uint8_t mask = 0xFF) {
    std::vector<std::uint8_t> out(count, 0xEE);
    const auto codes = joinSubBlocks(std::span<const std::uint8_t>(encoded).subspan(1));
    const LzwDecodeResult r = lzwDecode(codes, encoded[0], mask, out);
    if (result) *result = r;
    return out;
}

// Packs codes of the given widths least significant bit first, as a GIF stream stores them.
std::vector<std::uint8_t> packCodes(const std::vector<std::pair<unsigned, int>>& codes) {
    std::vector<std::uint8_t> bytes;
    std::uint32_t acc = 0;
    int bits = 0;
    for (auto [code, width] : codes) {
        acc |= code << bits;
        bits += width;
        while (bits >= 8) {
            bytes.push_back(static_cast<std::uint8_t>(acc));
            acc >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0) bytes.push_back(static_cast<std::uint8_t>(acc));
    return bytes;
}

TEST(GifLzw, EncodesTheTenByTenSampleExactly) {
    // The image data of a well-known 10 x 10 four-colour sample: minimum code size 2, one
    // 22-byte sub-block. Decoding and encoding again must give the same bytes.
    const std::vector<std::uint8_t> data{0x02, 0x16, 0x8c, 0x2d, 0x99, 0x87, 0x2a, 0x1c, 0xdc,
                                         0x33, 0xa0, 0x02, 0x75, 0xec, 0x95, 0xfa, 0xa8, 0xde,
                                         0x60, 0x8c, 0x04, 0x91, 0x4c, 0x01, 0x00};
    LzwDecodeResult r;
    const auto pixels = decodeAll(data, 100, &r);
    EXPECT_FALSE(r.corrupted);
    EXPECT_EQ(r.written, 100u);
    // Four quarters of colours 1 and 2 around a centre of colour 0.
    EXPECT_EQ((std::vector<int>{pixels[0], pixels[9], pixels[90], pixels[99], pixels[44]}),
              (std::vector<int>{1, 2, 2, 1, 0}));
    std::vector<std::uint8_t> again;
    lzwEncode(pixels, 2, again);
    EXPECT_EQ(again, data);
}

TEST(GifLzw, RoundTripsEveryCodeSizeThroughTableResets) {
    std::mt19937 rng(7);
    for (int size = 2; size <= 8; ++size) {
        const unsigned values = 1u << size;
        // Noise fills the table quickly (clears past code 4093, widths 9 to 12); long runs
        // make long strings; a mixture crosses both.
        std::vector<std::vector<std::uint8_t>> inputs;
        std::vector<std::uint8_t> noise(70000), runs(50000), mixed(30001);
        for (auto& v : noise) v = static_cast<std::uint8_t>(rng() % values);
        for (std::size_t i = 0; i < runs.size(); ++i) runs[i] = static_cast<std::uint8_t>((i / 997) % values);
        for (std::size_t i = 0; i < mixed.size(); ++i)
            mixed[i] = static_cast<std::uint8_t>(i % 3 ? (i / 50) % values : rng() % values);
        inputs = {noise, runs, mixed, {0}, {static_cast<std::uint8_t>(values - 1), 0}};
        for (const auto& in : inputs) {
            std::vector<std::uint8_t> encoded;
            lzwEncode(in, size, encoded);
            ASSERT_EQ(encoded[0], size);
            // Sub-blocks hold at most 255 bytes and the data ends with a zero terminator.
            std::size_t pos = 1;
            while (encoded[pos] != 0) {
                ASSERT_LE(encoded[pos], 255);
                pos += encoded[pos] + 1u;
                ASSERT_LT(pos, encoded.size());
            }
            EXPECT_EQ(pos + 1, encoded.size());
            LzwDecodeResult r;
            EXPECT_EQ(decodeAll(encoded, in.size(), &r), in) << "code size " << size << ", " << in.size();
            // One pixel more than encoded: the decoder must meet the end code before it.
            std::vector<std::uint8_t> spare(in.size() + 1);
            const auto codes = joinSubBlocks(std::span<const std::uint8_t>(encoded).subspan(1));
            r = lzwDecode(codes, size, 0xFF, spare);
            EXPECT_EQ(r.written, in.size());
            EXPECT_TRUE(r.sawEndCode);
            EXPECT_FALSE(r.corrupted);
        }
    }
}

TEST(GifLzw, DecoderFollowsTheStandardRulesAndHostileCodesStayInside) {
    // Minimum code size 2: clear 4, end 5, first free 6. Outputs start as 9s; -1: not checked.
    const struct {
        std::vector<std::pair<unsigned, int>> codes;
        std::uint8_t mask;
        std::vector<std::uint8_t> out;
        int written, sawEndCode;
    } cases[] = {
        // "1 6 6" is 1, then 11 (code 6 = previous + its own first pixel), then 11 again. Entry 7
        // makes the next free code 8, so the end code has 4 bits.
        {{{4, 3}, {1, 3}, {6, 3}, {6, 3}, {5, 4}}, 0xFF, {1, 1, 1, 1, 1, 9}, 5, 1},
        // A clear code in the middle resets the table; the code after it stands alone.
        {{{4, 3}, {2, 3}, {3, 3}, {6, 3}, {4, 4}, {1, 3}, {6, 3}, {5, 3}},
         0xFF,
         {2, 3, 2, 3, 1, 1, 1},
         -1,
         -1},
        // Without an end code decoding stops when the codes run out; the rest stays as it was.
        {{{4, 3}, {3, 3}}, 0xFF, {3, 9, 9, 9}, 1, 0},
        // Pixel values are masked to the frame's depth.
        {{{4, 3}, {3, 3}, {5, 3}}, 0x01, {1}, -1, -1},
        // Code 7 where only 6 may come next: taken as the previous string plus its first pixel.
        {{{4, 3}, {2, 3}, {7, 3}, {5, 3}}, 0xFF, {2, 2, 2}, 3, -1},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> out(c.out.size(), 9);
        const auto r = lzwDecode(packCodes(c.codes), 2, c.mask, out);
        EXPECT_EQ(out, c.out);
        if (c.written >= 0) {
            EXPECT_EQ(r.written, static_cast<std::size_t>(c.written));
        }
        if (c.sawEndCode >= 0) {
            EXPECT_EQ(r.sawEndCode, c.sawEndCode == 1);
        }
    }
    // A first code that is not a pixel marks the data damaged.
    std::vector<std::uint8_t> four(4, 0);
    EXPECT_TRUE(lzwDecode(packCodes({{4, 3}, {7, 3}}), 2, 0xFF, four).corrupted);
    // A long string that runs past the output is cut at its end.
    std::vector<std::uint8_t> in(5000, 1);
    std::vector<std::uint8_t> encoded;
    lzwEncode(in, 2, encoded);
    const auto codes = joinSubBlocks(std::span<const std::uint8_t>(encoded).subspan(1));
    std::vector<std::uint8_t> small(37, 0);
    const auto r = lzwDecode(codes, 2, 0xFF, small);
    EXPECT_EQ(r.written, 37u);
    EXPECT_EQ(small, std::vector<std::uint8_t>(37, 1));
    // Random bytes at every code size: the decoder ends and stays inside the output.
    std::mt19937 rng(3);
    for (int size = 2; size <= 9; ++size) {
        for (int round = 0; round < 50; ++round) {
            std::vector<std::uint8_t> junk(1 + rng() % 3000);
            for (auto& v : junk) v = static_cast<std::uint8_t>(rng());
            std::vector<std::uint8_t> out(1 + rng() % 20000);
            const auto res = lzwDecode(junk, size, 0xFF, out);
            EXPECT_LE(res.written, out.size());
        }
    }
}

TEST(GifLzw, JoinSubBlocksKeepsWhatACutBlockHolds) {
    bool cut = false;
    const std::vector<std::uint8_t> blocks{2, 10, 11, 3, 20, 21, 22, 0, 99};
    EXPECT_EQ(joinSubBlocks(blocks, &cut), (std::vector<std::uint8_t>{10, 11, 20, 21, 22}));
    EXPECT_FALSE(cut);
    const std::vector<std::uint8_t> truncated{2, 10, 11, 5, 20, 21};
    EXPECT_EQ(joinSubBlocks(truncated, &cut), (std::vector<std::uint8_t>{10, 11, 20, 21}));
    EXPECT_TRUE(cut);
}

TEST(GifLzw, AFullTableGoesOnAtTwelveBitsUntilAClearCode) {
    // An encoder that never clears: once the table holds 4096 entries it keeps sending 12-bit
    // codes and adds nothing (the deferred clear the format allows). 100 x 100 of noise fills
    // the table after a third of the picture.
    std::mt19937 rng(11);
    for (const auto& [size, count] : {std::pair{8, 100 * 100}, std::pair{2, 400 * 100}}) {
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(count));
        for (auto& p : pixels) p = static_cast<std::uint8_t>(rng() % (1u << size));
        std::map<std::pair<unsigned, unsigned>, unsigned> table;
        const unsigned clear = 1u << size;
        unsigned next = clear + 2;
        int width = size + 1;
        std::vector<std::pair<unsigned, int>> codes{{clear, width}};
        unsigned current = pixels[0];
        bool filled = false;
        for (std::size_t i = 1; i < pixels.size(); ++i) {
            if (i == pixels.size() * 9 / 10) {
                // Long after the table filled, a clear code starts a fresh one.
                codes.emplace_back(current, width);
                codes.emplace_back(clear, width);
                table.clear();
                next = clear + 2;
                width = size + 1;
                current = pixels[i];
                continue;
            }
            if (const auto it = table.find({current, pixels[i]}); it != table.end()) {
                current = it->second;
                continue;
            }
            codes.emplace_back(current, width);
            if (next == 4095) filled = true;
            if (next < 4096) {
                table[{current, pixels[i]}] = next;
                if (next == (1u << width) && width < 12) ++width;
                ++next;
            }
            current = pixels[i];
        }
        codes.emplace_back(current, width);
        codes.emplace_back(clear + 1, width);
        ASSERT_TRUE(filled) << "the table must fill before the clear code";
        std::vector<std::uint8_t> out(pixels.size() + 1, 0xEE);
        const auto r = lzwDecode(packCodes(codes), size, 0xFF, out);
        out.pop_back();
        EXPECT_EQ(out, pixels) << "code size " << size;
        EXPECT_FALSE(r.corrupted);
        EXPECT_TRUE(r.sawEndCode);
    }
}

// Files whose minimum code size is 9, 10 or 11 (made by a plain literal-code writer; ImageMagick
// reads all three as the same picture) decode like any other.
TEST(GifLzw, MinimumCodeSizesAboveEightDecodeAsOtherReadersDecodeThem) {
    const Color palette[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};
    for (const char* name : {"lzw9.gif", "lzw10.gif", "lzw11.gif"}) {
        const Bitmap b =
            readGif(test::readFile(std::filesystem::path(VEXILO_TEST_DATA_DIR) / "formats" / name));
        const auto stripes = [&](int x, int y) { return palette[(x / 3 + y / 2) % 4]; };
        EXPECT_TRUE(test::samePixels(b, test::makeBitmap(20, 10, PixelFormat::Bpp24, stripes))) << name;
    }
}

}  // namespace
}  // namespace vexilo::gif
