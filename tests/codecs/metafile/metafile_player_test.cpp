// Playback through the core's plain canvas: mapping, objects, clipping, paths and bitmaps.
#include "codecs/metafile/metafile_player.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "codecs/bmp_codec.h"
#include "codecs/metafile/metafile_writer.h"
#include "support/metafile_builders.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::EmfBuilder;
using test::rgb;
using test::WmfBuilder;

constexpr Color kRed{255, 0, 0}, kBlue{0, 0, 255};

Bitmap play(const std::vector<std::uint8_t>& bytes) {
    return renderMetafile(parseMetafile(bytes));
}

TEST(MetafilePlayer, WrittenFilesPlayBackToTheSamePixels) {
    for (auto [w, h] : {std::pair{1, 1}, {3, 2}, {33, 4}, {1, 9}}) {
        for (PixelFormat f : {PixelFormat::Bpp24, PixelFormat::Bpp8, PixelFormat::Device}) {
            const Bitmap b = test::makeBitmap(w, h, f, test::patternColor);
            for (bool enhanced : {false, true}) {
                const Bitmap back = play(writeMetafile(b, enhanced));
                EXPECT_TRUE(test::samePixels(back, b)) << w << "x" << h << (enhanced ? " EMF " : " WMF ");
            }
        }
    }
}

TEST(MetafilePlayer, WmfWithoutPlaceableHeaderPlaysTheSame) {
    const Bitmap b = test::makeBitmap(9, 7, PixelFormat::Bpp24, test::patternColor);
    const auto wmf = writeMetafile(b, false);
    const Bitmap back = play(std::vector<std::uint8_t>(wmf.begin() + 22, wmf.end()));
    EXPECT_TRUE(test::samePixels(back, b));
}

TEST(MetafilePlayer, WmfMonoBitmapAndDibPatternBrush) {
    // META_BITBLT with a 1-bit Bitmap16: 0 bits take the text colour, 1 bits the background.
    std::vector<std::uint8_t> blt{0x20, 0x00, 0xCC, 0x00};  // SRCCOPY
    for (int v : {0, 0, 1, 4, 0, 0})
        blt.insert(blt.end(), {static_cast<std::uint8_t>(v), 0});  // ySrc xSrc h w yDst xDst
    for (int v : {0, 4, 1, 2})
        blt.insert(blt.end(), {static_cast<std::uint8_t>(v), 0});  // type w h row bytes
    blt.insert(blt.end(), {1, 1, 0b10100000, 0});                  // planes, bits, one row
    // A 2 x 1 DIB pattern brush, red then blue.
    const Bitmap pat =
        test::makeBitmap(2, 1, PixelFormat::Bpp24, [](int x, int) { return x ? kBlue : kRed; });
    const auto bmp = writeBmp(pat);
    std::vector<std::uint8_t> brush{5, 0, 0, 0};
    brush.insert(brush.end(), bmp.begin() + 14, bmp.end());
    const auto bytes = WmfBuilder()
                           .objects(2)
                           .record(0x0209, {0x00FF, 0})  // text colour red
                           .record(0x0201, {0, 0x00FF})  // background blue
                           .raw(0x0922, blt)
                           .raw(0x0142, brush)
                           .record(0x012D, {0})
                           .record(0x02FA, {5, 0, 0, 0, 0})
                           .record(0x012D, {1})
                           .record(0x041B, {4, 4, 2, 0})
                           .build(4, 4);
    const Bitmap b = play(bytes);
    EXPECT_EQ(b.pixel(0, 0), kBlue);
    EXPECT_EQ(b.pixel(1, 0), kRed);
    EXPECT_EQ(b.pixel(2, 0), kBlue);
    EXPECT_EQ(b.pixel(3, 0), kRed);
    EXPECT_EQ(b.pixel(0, 2), kRed);
    EXPECT_EQ(b.pixel(1, 3), kBlue);
}

// WMF: a 20 x 20 picture whose window is 10 x 10 units, so each unit is two pixels.
TEST(MetafilePlayer, WmfWindowObjectsAndShapes) {
    const auto bytes = WmfBuilder()
                           .objects(3)
                           .record(0x020B, {0, 0})                  // window origin
                           .record(0x020C, {10, 10})                // window extent
                           .record(0x02FC, {0, 0x00FF, 0x0000, 0})  // red solid brush -> slot 0
                           .record(0x02FA, {5, 0, 0, 0, 0})         // null pen -> slot 1
                           .record(0x012D, {0})
                           .record(0x012D, {1})
                           .record(0x041B, {5, 5, 0, 0})            // rectangle 0,0 - 5,5
                           .record(0x01F0, {0})                     // delete: the next brush reuses slot 0
                           .record(0x02FC, {0, 0x0000, 0x00FF, 0})  // blue
                           .record(0x012D, {0})
                           .record(0x0418, {10, 10, 6, 6})  // ellipse 6,6 - 10,10
                           .build(20, 20);
    const Bitmap b = play(bytes);
    ASSERT_EQ(b.width(), 20);
    EXPECT_EQ(b.pixel(1, 1), kRed);
    EXPECT_EQ(b.pixel(9, 9), kRed);
    EXPECT_EQ(b.pixel(11, 11), kWhite);
    EXPECT_EQ(b.pixel(16, 16), kBlue);
    EXPECT_EQ(b.pixel(12, 19), kWhite);  // outside the ellipse, inside its box
}

TEST(MetafilePlayer, WmfStretchDibAndPatBlt) {
    const Bitmap src =
        test::makeBitmap(2, 2, PixelFormat::Bpp24, [](int x, int y) { return x == y ? kRed : kBlue; });
    auto bmp = writeBmp(src);
    std::vector<std::uint8_t> params{0x20, 0x00, 0xCC, 0x00, 0, 0};  // SRCCOPY, RGB colours
    for (int v : {2, 2, 0, 0, 8, 8, 0, 0}) params.insert(params.end(), {static_cast<std::uint8_t>(v), 0});
    params.insert(params.end(), bmp.begin() + 14, bmp.end());
    const auto bytes = WmfBuilder()
                           .raw(0x0F43, params)
                           .record(0x0001 + 0x061C, {})                   // an unknown record is skipped
                           .record(0x061D, {0x0009, 0x0055, 2, 2, 8, 8})  // DSTINVERT 8,8 2x2
                           .build(10, 10);
    const Bitmap b = play(bytes);
    EXPECT_EQ(b.pixel(0, 0), kRed);
    EXPECT_EQ(b.pixel(3, 3), kRed);
    EXPECT_EQ(b.pixel(4, 0), kBlue);
    EXPECT_EQ(b.pixel(7, 7), kRed);
    EXPECT_EQ(b.pixel(8, 8), kBlack);  // white inverted
    EXPECT_EQ(b.pixel(9, 0), kWhite);
}

TEST(MetafilePlayer, EmfMappingModesScaleAndFlip) {
    // Anisotropic: window 100 x 100 onto a 20 x 20 viewport.
    const auto aniso = EmfBuilder()
                           .record(17, {8})
                           .record(9, {100, 100})
                           .record(11, {20, 20})
                           .record(39, {1, 0, rgb(255, 0, 0), 0})
                           .record(37, {1})
                           .record(37, {0x80000008})  // null pen
                           .record(43, {50, 50, 100, 100})
                           .build(20, 20);
    Bitmap b = play(aniso);
    EXPECT_EQ(b.pixel(15, 15), kRed);
    EXPECT_EQ(b.pixel(5, 5), kWhite);

    // Low metric: 0.1 mm units, y up. With the origin at the bottom-left a 2.54 mm square
    // (about 10 pixels at 96 per inch) sits in the bottom-left corner.
    const auto lometric = EmfBuilder()
                              .record(17, {2})
                              .record(12, {0, 40})
                              .record(39, {1, 0, rgb(0, 0, 255), 0})
                              .record(37, {1})
                              .record(37, {0x80000008})
                              .record(43, {0, 0, 25, 25})
                              .build(40, 40);
    b = play(lometric);
    EXPECT_EQ(b.pixel(3, 36), kBlue);
    EXPECT_EQ(b.pixel(3, 25), kWhite);
    EXPECT_EQ(b.pixel(15, 36), kWhite);
}

TEST(MetafilePlayer, EmfClipSaveRestoreAndPaths) {
    const auto bytes = EmfBuilder()
                           .record(39, {1, 0, rgb(255, 0, 0), 0})
                           .record(37, {1})
                           .record(37, {0x80000008})
                           .record(33, {})              // save
                           .record(30, {0, 0, 10, 10})  // intersect clip
                           .record(29, {0, 0, 5, 5})    // exclude the top-left quarter
                           .record(43, {0, 0, 20, 20})
                           .record(34, {0xFFFFFFFF})  // restore: no clip
                           .record(39, {2, 0, rgb(0, 0, 255), 0})
                           .record(37, {2})
                           .record(59, {})  // path: a triangle
                           .record(27, {10, 12})
                           .record(54, {19, 12})
                           .record(54, {19, 19})
                           .record(61, {})
                           .record(60, {})
                           .record(62, {0, 0, 0, 0})  // fill path
                           .build(20, 20);
    const Bitmap b = play(bytes);
    EXPECT_EQ(b.pixel(2, 2), kWhite);  // excluded
    EXPECT_EQ(b.pixel(7, 2), kRed);
    EXPECT_EQ(b.pixel(12, 2), kWhite);  // outside the clip rectangle
    EXPECT_EQ(b.pixel(17, 14), kBlue);
    EXPECT_EQ(b.pixel(11, 17), kWhite);  // the other side of the diagonal
}

TEST(MetafilePlayer, EmfBitmapRecordsAndPatternBrush) {
    const Bitmap src =
        test::makeBitmap(2, 1, PixelFormat::Bpp24, [](int x, int) { return x ? kBlue : kRed; });
    const auto dibBytes = writeBmp(src);
    const std::vector<std::uint8_t> info(dibBytes.begin() + 14, dibBytes.begin() + 54);
    const std::vector<std::uint8_t> bits(dibBytes.begin() + 54, dibBytes.end());
    // EMR_BITBLT, SRCINVERT, the 2 x 1 image at 0,0 over a black fill.
    ByteWriter blt;
    for (int v : {0, 0, 1, 0}) blt.i32le(v);  // bounds
    for (int v : {0, 0, 2, 1}) blt.i32le(v);  // destination
    blt.u32le(0x00660046);                    // SRCINVERT
    blt.i32le(0);
    blt.i32le(0);
    for (float f : {1.f, 0.f, 0.f, 1.f, 0.f, 0.f}) {
        std::uint32_t u;
        std::memcpy(&u, &f, 4);
        blt.u32le(u);
    }
    blt.u32le(0);
    blt.u32le(0);
    blt.u32le(100);
    blt.u32le(40);
    blt.u32le(140);
    blt.u32le(static_cast<std::uint32_t>(bits.size()));
    blt.bytes(info);
    blt.bytes(bits);
    // A DIB pattern brush of the same image, filling a rectangle on the second row.
    ByteWriter brush;
    brush.u32le(1);
    brush.u32le(0);
    brush.u32le(32);
    brush.u32le(40);
    brush.u32le(72);
    brush.u32le(static_cast<std::uint32_t>(bits.size()));
    brush.bytes(info);
    brush.bytes(bits);
    const auto bytes = EmfBuilder()
                           .record(76, {0, 0, 0, 0, 0, 0, 2, 1, 0x00000042})  // BLACKNESS without a source
                           .raw(76, blt.take())
                           .raw(94, brush.take())
                           .record(37, {1})
                           .record(37, {0x80000008})
                           .record(43, {0, 1, 4, 3})
                           .build(4, 3);
    const Bitmap b = play(bytes);
    EXPECT_EQ(b.pixel(0, 0), kRed);  // black XOR red
    EXPECT_EQ(b.pixel(1, 0), kBlue);
    EXPECT_EQ(b.pixel(2, 0), kWhite);
    EXPECT_EQ(b.pixel(0, 1), kRed);  // the pattern tiles from the output's origin
    EXPECT_EQ(b.pixel(1, 1), kBlue);
    EXPECT_EQ(b.pixel(2, 1), kRed);
}

TEST(MetafilePlayer, EmfMaskBltDrawsItsSourceWhereTheRecordSays) {
    const Bitmap src =
        test::makeBitmap(2, 1, PixelFormat::Bpp24, [](int x, int) { return x ? kBlue : kRed; });
    const auto dibBytes = writeBmp(src);
    // EMR_MASKBLT, SRCCOPY, the 2 x 1 image at 1,1; the mask fields name no mask.
    ByteWriter blt;
    for (int v : {1, 1, 2, 1}) blt.i32le(v);  // bounds
    for (int v : {1, 1, 2, 1}) blt.i32le(v);  // destination
    blt.u32le(0x00CC0020);
    blt.i32le(0);
    blt.i32le(0);
    for (float f : {1.f, 0.f, 0.f, 1.f, 0.f, 0.f}) {
        std::uint32_t u;
        std::memcpy(&u, &f, 4);
        blt.u32le(u);
    }
    for (std::uint32_t v : {0u, 0u, 128u, 40u, 168u, static_cast<std::uint32_t>(dibBytes.size() - 54)})
        blt.u32le(v);
    blt.zeros(7 * 4);  // mask position, usage, offsets and sizes
    blt.bytes(std::vector<std::uint8_t>(dibBytes.begin() + 14, dibBytes.end()));
    const Bitmap b = play(EmfBuilder().raw(78, blt.take()).build(4, 3));
    EXPECT_EQ(b.pixel(1, 1), kRed);
    EXPECT_EQ(b.pixel(2, 1), kBlue);
    EXPECT_EQ(b.pixel(0, 0), kWhite);
}

TEST(MetafilePlayer, ArcsRoundRectsAndPolyPolygons) {
    // A pie from the top of a circle anticlockwise to its left: the top-left quarter.
    const auto bytes = EmfBuilder()
                           .record(39, {1, 0, rgb(255, 0, 0), 0})
                           .record(37, {1})
                           .record(37, {0x80000008})
                           .record(47, {0, 0, 20, 20, 10, 0, 0, 10})
                           .record(44, {20, 0, 40, 20, 8, 8})
                           .build(40, 40);
    const Bitmap b = play(bytes);
    EXPECT_EQ(b.pixel(6, 6), kRed);
    EXPECT_EQ(b.pixel(14, 6), kWhite);
    EXPECT_EQ(b.pixel(6, 14), kWhite);
    EXPECT_EQ(b.pixel(30, 10), kRed);
    EXPECT_EQ(b.pixel(20, 0), kWhite);  // rounded corner

    // Two squares in one poly-polygon record, alternate fill.
    const auto wmf = WmfBuilder()
                         .objects(2)
                         .record(0x02FC, {0, 0x00FF, 0, 0})
                         .record(0x012D, {0})
                         .record(0x0538, {2, 4, 4, 0, 0, 4, 0, 4, 4, 0, 4, 6, 6, 9, 6, 9, 9, 6, 9})
                         .build(10, 10);
    const Bitmap p = play(wmf);
    EXPECT_EQ(p.pixel(2, 2), kRed);
    EXPECT_EQ(p.pixel(7, 7), kRed);
    EXPECT_EQ(p.pixel(5, 2), kWhite);
}

TEST(MetafilePlayer, EmfGradientRectangleShadesAcross) {
    // Two vertices, black at 0,0 and red at 10,4; one rectangle, horizontal mode.
    const auto bytes =
        EmfBuilder().record(118, {0, 0, 10, 4, 2, 1, 0, 0, 0, 0, 0, 10, 4, 0xFF00, 0, 0, 1}).build(10, 4);
    const Bitmap b = play(bytes);
    EXPECT_LT(b.pixel(0, 2).r, 30);
    EXPECT_GT(b.pixel(9, 2).r, 225);
    for (int x = 1; x < 10; ++x) EXPECT_GE(b.pixel(x, 1).r, b.pixel(x - 1, 1).r);
    EXPECT_EQ(b.pixel(5, 0).g, 0);
}

TEST(MetafilePlayer, FollowsTheLimitsItIsGiven) {
    const Bitmap b = test::makeBitmap(40, 30, PixelFormat::Bpp24, [](int, int) { return kRed; });
    DecodeLimits small;
    small.maxWidth = small.maxHeight = 16;
    for (bool enhanced : {false, true}) {
        const auto bytes = writeMetafile(b, enhanced);
        // A picture is fitted inside the limits it is read under, keeping its shape...
        const Metafile fitted = parseMetafile(bytes, small);
        EXPECT_EQ(fitted.width, 16);
        EXPECT_EQ(fitted.height, 12);
        // ...and one read under larger limits is refused by smaller ones.
        EXPECT_THROW(renderMetafile(parseMetafile(bytes, DecodeLimits{}), small), ImageError);
        // The 40 x 30 bitmap inside is beyond the small limits: it is left undrawn.
        EXPECT_NE(renderMetafile(fitted, small).pixel(8, 6), kRed) << enhanced;
        EXPECT_EQ(renderMetafile(fitted, DecodeLimits{}).pixel(8, 6), kRed) << enhanced;
    }
}

TEST(MetafilePlayer, ThumbnailsAreRenderedAtABoundedSize) {
    // A 3000 x 1500 picture whose left half is red: the thumbnail is 1024 x 512, same shape.
    const auto bytes = WmfBuilder()
                           .objects(2)
                           .record(0x020B, {0, 0})
                           .record(0x020C, {1500, 3000})
                           .record(0x02FC, {0, 0x00FF, 0x0000, 0})
                           .record(0x02FA, {5, 0, 0, 0, 0})
                           .record(0x012D, {0})
                           .record(0x012D, {1})
                           .record(0x041B, {1500, 1500, 0, 0})
                           .build(3000, 1500);
    const Metafile mf = parseMetafile(bytes);
    const Bitmap thumb = renderMetafileThumbnail(mf);
    EXPECT_EQ(thumb.width(), kMetafileThumbnailSide);
    EXPECT_EQ(thumb.height(), 512);
    EXPECT_EQ(thumb.pixel(10, 10), kRed);
    EXPECT_EQ(thumb.pixel(500, 500), kRed);
    EXPECT_EQ(thumb.pixel(530, 10), kWhite);
    // A picture smaller than the bound keeps its own size.
    EXPECT_EQ(renderMetafileThumbnail(mf, 4000).width(), 3000);
}

TEST(MetafilePlayer, EndlessOverdrawStopsEarly) {
    // 200000 rectangles covering a 500 x 500 picture: playback gives up after a bounded
    // amount of work instead of filling 5e10 pixels.
    EmfBuilder builder;
    builder.record(39, {1, 0, rgb(255, 0, 0), 0}).record(37, {1});
    for (int i = 0; i < 200000; ++i) builder.record(43, {0, 0, 500, 500});
    const auto start = std::chrono::steady_clock::now();
    const Bitmap b = play(builder.build(500, 500));
    EXPECT_EQ(b.pixel(250, 250), kRed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

TEST(MetafilePlayer, HostileCountsAndObjectsAreSkipped) {
    // Point counts beyond the record, selects of missing objects, a restore without a save,
    // huge extents and a zero window all pass without harm.
    const auto wmf = WmfBuilder()
                         .record(0x0324, {30000, 1, 1})
                         .record(0x012D, {500})
                         .record(0x01F0, {65535})
                         .record(0x0127, {-5})
                         .record(0x020C, {0, 0})
                         .record(0x041B, {5, 5, 0, 0})
                         .build(10, 10);
    EXPECT_EQ(play(wmf).width(), 10);
    const auto emf = EmfBuilder()
                         .record(3, {0, 0, 0, 0, 0x40000000, 1, 1})
                         .record(37, {70000})
                         .record(34, {12})
                         .record(9, {0, 0})
                         .record(17, {8})
                         .record(35, {0x7F800000, 0, 0, 0x7F800000, 0, 0})  // infinite transform
                         .record(43, {0, 0, 5, 5})
                         .build(10, 10);
    EXPECT_EQ(play(emf).width(), 10);
}

}  // namespace
}  // namespace vexilo
