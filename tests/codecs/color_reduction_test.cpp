#include "codecs/color_reduction.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "base/errors.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::makeBitmap;
using ::testing::ThrowsMessage;

// A one-row raster holding the colours in order (left to right).
Bitmap rowOf(const std::vector<Color>& colours) {
    return makeBitmap(static_cast<int>(colours.size()), 1, PixelFormat::Bpp24,
                      [&](int x, int) { return colours[static_cast<std::size_t>(x)]; });
}

TEST(ColorReduction, FewColoursKeepTheirOwnEntriesAndGreyFillsTheRest) {
    const std::vector<Color> colours{{10, 20, 30}, {200, 100, 0}, {10, 20, 30}, {1, 2, 3}};
    const Bitmap b = reduceBitmapTo256(rowOf(colours));
    EXPECT_EQ(b.pixelFormat(), PixelFormat::Bpp8);
    ASSERT_EQ(b.palette().size(), 256u);
    // The most frequent colour first, then the others in the order they were met.
    std::vector<Color> palette{colours[0], colours[1], colours[3]};
    palette.resize(256, {128, 128, 128});
    EXPECT_EQ(b.palette(), palette);
    EXPECT_EQ(test::indexValues(b), (std::vector<std::uint8_t>{0, 1, 0, 2}));
}

TEST(ColorReduction, EqualCountsGoToTheColourMetFirstFromTheBottomRow) {
    // The bottom row is scanned first, so its colour wins the tie with the top row's.
    const Color top{9, 9, 9}, bottom{250, 1, 1};
    const Bitmap src =
        makeBitmap(3, 2, PixelFormat::Bpp24, [&](int, int y) { return y == 0 ? top : bottom; });
    const Bitmap b = reduceBitmapTo256(src);
    EXPECT_EQ(test::pixelsAt(b, {{0, 1}, {0, 0}}), (std::vector<Color>{bottom, top}));
    EXPECT_EQ((std::vector<std::uint32_t>{b.raw(0, 1), b.raw(0, 0)}), (std::vector<std::uint32_t>{0, 1}));
}

TEST(ColorReduction, UnpickedColoursMapToTheNearestPickedOne) {
    // 256 frequent colours (two pixels each) are picked; two rare ones are not.
    std::vector<Color> colours;
    for (int i = 0; i < 256; ++i) {
        const Color c{static_cast<std::uint8_t>(i), 0, 0};
        colours.push_back(c);
        colours.push_back(c);
    }
    colours.push_back({100, 1, 0});  // 1 from (100, 0, 0), 2 from its neighbours
    colours.push_back({100, 2, 0});  // 4 from (100, 0, 0), 5 from its neighbours
    const Bitmap b = reduceBitmapTo256(rowOf(colours));
    EXPECT_EQ(b.palette()[100], (Color{100, 0, 0}));
    EXPECT_EQ((std::vector<std::uint32_t>{b.raw(512, 0), b.raw(513, 0)}),
              (std::vector<std::uint32_t>{100, 100}));

    // A tie: (0, 0, 1) is 1 from both (0, 0, 0) and (0, 0, 2), picked as entries 0 and 1.
    std::vector<Color> tie;
    for (int i = 0; i < 256; ++i) {
        const Color c{0, static_cast<std::uint8_t>(i / 2), static_cast<std::uint8_t>((i % 2) * 2)};
        tie.insert(tie.end(), {c, c});
    }
    tie.push_back({0, 0, 1});
    const Bitmap t = reduceBitmapTo256(rowOf(tie));
    EXPECT_EQ(std::vector(t.palette().begin(), t.palette().begin() + 2),
              (std::vector<Color>{{0, 0, 0}, {0, 0, 2}}));
    EXPECT_EQ(t.raw(512, 0), 0u);
}

TEST(ColorReduction, OverflowRescansWithCoarserMasks) {
    // 2049 distinct colours fit the table at full resolution. A 2050th, (0, 0, 101), forces a
    // rescan with a blue mask of 0xFE, which merges it with (0, 0, 100).
    auto make = [](int count) {
        std::vector<Color> v;
        for (int i = 0; i < count; ++i)
            v.push_back(i == 2049 ? Color{0, 0, 101}
                                  : Color{static_cast<std::uint8_t>(i % 64 * 4),
                                          static_cast<std::uint8_t>(i / 64 * 4), 100});
        return v;
    };
    const Bitmap fits = reduceBitmapTo256(rowOf(make(2049)));
    const Bitmap over = reduceBitmapTo256(rowOf(make(2050)));
    // Merged, (0, 0, 100) counts twice and comes first; the others follow in scan order.
    for (const Bitmap* b : {&fits, &over})
        EXPECT_EQ(std::vector(b->palette().begin(), b->palette().begin() + 2),
                  (std::vector<Color>{{0, 0, 100}, {4, 0, 100}}));
    EXPECT_EQ(over.raw(2049, 0), 0u);
    EXPECT_EQ(fits.raw(2048, 0), over.raw(2048, 0));
}

// The popularity method written out plainly: pixel scans with a linear table search.
std::array<Color, 256> plainPopularity(const std::vector<std::uint8_t>& rows, int w, int h,
                                       std::size_t stride, std::vector<std::uint8_t>& out) {
    struct E {
        Color c;
        std::uint32_t n;
        int index;
    };
    int rm = 0xFF, gm = 0xFF, bm = 0xFF;
    std::vector<E> table;
    auto masked = [&](const std::uint8_t* p) {
        return Color{static_cast<std::uint8_t>(p[2] & rm), static_cast<std::uint8_t>(p[1] & gm),
                     static_cast<std::uint8_t>(p[0] & bm)};
    };
    auto lookup = [&](Color c) {
        return std::find_if(table.begin(), table.end(), [&](const E& e) { return e.c == c; });
    };
    for (bool fits = false; !fits;) {
        table.clear();
        fits = true;
        for (int y = 0; y < h && fits; ++y)
            for (int x = 0; x < w; ++x) {
                const Color c =
                    masked(&rows[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 3]);
                auto it = lookup(c);
                if (it != table.end()) {
                    ++it->n;
                } else if (table.size() == 2049) {
                    fits = false;
                    break;
                } else {
                    table.push_back({c, 1, 0});
                }
            }
        if (!fits) {
            if (rm < gm)
                gm = (gm << 1) & 0xFF;
            else if (rm > bm)
                rm = (rm << 1) & 0xFF;
            else
                bm = (bm << 1) & 0xFF;
        }
    }
    std::array<Color, 256> palette;
    palette.fill({128, 128, 128});
    for (std::size_t i = 0; i < 256 && i < table.size(); ++i) {
        auto best =
            std::max_element(table.begin(), table.end(), [](const E& a, const E& b) { return a.n < b.n; });
        best->index = static_cast<int>(i);
        best->n = 0;
        palette[i] = best->c;
    }
    for (E& e : table) {
        if (e.n == 0) continue;
        int bestD = 1 << 30;
        for (int j = 0; j < 256; ++j) {
            const int dr = palette[j].r - e.c.r, dg = palette[j].g - e.c.g, db = palette[j].b - e.c.b;
            if (dr * dr + dg * dg + db * db < bestD) bestD = dr * dr + dg * dg + db * db, e.index = j;
        }
    }
    out.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out[static_cast<std::size_t>(y * w + x)] = static_cast<std::uint8_t>(
                lookup(masked(&rows[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 3]))
                    ->index);
    return palette;
}

TEST(ColorReduction, MatchesThePlainMethodOnNoisyPictures) {
    // Noise of different strengths ends the coarsening at different masks, some only after
    // every channel has lost two bits or more.
    for (int spread : {4, 24, 90, 256}) {
        std::mt19937 rng(static_cast<unsigned>(spread));
        const int w = 61, h = 47;
        const std::size_t stride = (w * 3 + 3) & ~3;
        std::vector<std::uint8_t> rows(stride * h, 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w * 3; ++x)
                rows[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x)] =
                    static_cast<std::uint8_t>(
                        (x * 2 + y * 3 + static_cast<int>(rng() % static_cast<unsigned>(spread))) & 0xFF);
        std::vector<std::uint8_t> ours(static_cast<std::size_t>(w * h)), plain;
        const auto table = reducePopularity(rows, w, h, stride, ours);
        EXPECT_EQ(table, plainPopularity(rows, w, h, stride, plain)) << spread;
        EXPECT_EQ(ours, plain) << spread;
    }
}

TEST(ColorReduction, EightBitRastersComeBackUnchangedAndEmptyOnesFail) {
    const Bitmap eight = makeBitmap(5, 3, PixelFormat::Bpp8, test::patternColor, defaultPalette(8));
    const Bitmap same = reduceBitmapTo256(eight);
    EXPECT_EQ(same.palette(), eight.palette());
    EXPECT_EQ(same.pixels(), eight.pixels());
    EXPECT_THAT([] { reduceBitmapTo256(Bitmap()); }, ThrowsMessage<ImageError>("Bitmap image is not valid"));

    // Every depth reads out (few colours: each keeps its own entry).
    for (PixelFormat f : {PixelFormat::Bpp1, PixelFormat::Bpp4, PixelFormat::Bpp15, PixelFormat::Bpp16,
                          PixelFormat::Bpp24, PixelFormat::Bpp32, PixelFormat::Device}) {
        const Bitmap src = makeBitmap(5, 3, f, test::patternColor);
        EXPECT_TRUE(test::samePixels(reduceBitmapTo256(src), src)) << bitsPerPixel(f);
    }
}

}  // namespace
}  // namespace vexilo
