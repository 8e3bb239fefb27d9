// Playback through the core's plain canvas: mapping, objects, clipping, paths and bitmaps.
#include "codecs/metafile/metafile_player.h"

#include <gtest/gtest.h>

#include <chrono>

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

using Colors = std::vector<Color>;

// A 2 x 1 DIB, red then blue, as bitmap records and pattern brushes carry it (no file header).
std::vector<std::uint8_t> redBlueDib() {
    const auto bmp =
        writeBmp(test::makeBitmap(2, 1, PixelFormat::Bpp24, [](int x, int) { return x ? kBlue : kRed; }));
    return {bmp.begin() + 14, bmp.end()};
}

// The fields of an EMR_BITBLT or EMR_MASKBLT up to its source colour: bounds and destination
// (x, y, w, h), the raster operation, the source origin 0,0 and an identity transform.
ByteWriter bltHead(std::initializer_list<int> bounds, std::initializer_list<int> dest, std::uint32_t rop) {
    ByteWriter w;
    for (int v : bounds) w.i32le(v);
    for (int v : dest) w.i32le(v);
    w.u32le(rop);
    w.zeros(8);
    for (float f : {1.f, 0.f, 0.f, 1.f, 0.f, 0.f}) w.u32le(test::floatBits(f));
    return w;
}

TEST(MetafilePlayer, WrittenFilesPlayBackToTheSamePixels) {
    for (auto [w, h] : {std::pair{1, 1}, {3, 2}, {33, 4}, {1, 9}}) {
        for (PixelFormat f : {PixelFormat::Bpp24, PixelFormat::Bpp8, PixelFormat::Device}) {
            const Bitmap b = test::makeBitmap(w, h, f, test::patternColor);
            // EMF, WMF, and the WMF without its placeable header.
            const auto wmf = writeMetafile(b, false);
            for (const auto& file : {writeMetafile(b, true), wmf, std::vector(wmf.begin() + 22, wmf.end())})
                EXPECT_TRUE(test::samePixels(play(file), b))
                    << w << "x" << h << ", " << file.size() << " bytes";
        }
    }
}

TEST(MetafilePlayer, WmfMonoBitmapAndDibPatternBrush) {
    // META_BITBLT with a 1-bit Bitmap16: 0 bits take the text colour, 1 bits the background.
    ByteWriter blt;
    test::le32(blt, 0x00CC0020);                                // SRCCOPY
    test::le16(blt, 0, 0, 1, 4, 0, 0, 0, 4, 1, 2);              // ySrc xSrc h w yDst xDst, type w h row bytes
    blt.bytes(std::vector<std::uint8_t>{1, 1, 0b10100000, 0});  // planes, bits, one row
    // A 2 x 1 DIB pattern brush, red then blue.
    ByteWriter brush;
    test::le32(brush, 5);
    brush.bytes(redBlueDib());
    const auto bytes = WmfBuilder()
                           .objects(2)
                           .record(0x0209, {0x00FF, 0})  // text colour red
                           .record(0x0201, {0, 0x00FF})  // background blue
                           .raw(0x0922, blt.take())
                           .raw(0x0142, brush.take())
                           .record(0x012D, {0})
                           .record(0x02FA, {5, 0, 0, 0, 0})
                           .record(0x012D, {1})
                           .record(0x041B, {4, 4, 2, 0})
                           .build(4, 4);
    EXPECT_EQ(test::pixelsAt(play(bytes), {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 2}, {1, 3}}),
              (Colors{kBlue, kRed, kBlue, kRed, kRed, kBlue}));
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
    // (12, 19) is outside the ellipse, inside its box.
    const Bitmap b = play(bytes);
    ASSERT_EQ(b.width(), 20);
    EXPECT_EQ(test::pixelsAt(b, {{1, 1}, {9, 9}, {11, 11}, {16, 16}, {12, 19}}),
              (Colors{kRed, kRed, kWhite, kBlue, kWhite}));
}

TEST(MetafilePlayer, WmfStretchDibAndPatBlt) {
    const Bitmap src =
        test::makeBitmap(2, 2, PixelFormat::Bpp24, [](int x, int y) { return x == y ? kRed : kBlue; });
    const auto bmp = writeBmp(src);
    ByteWriter params;
    test::le32(params, 0x00CC0020);                 // SRCCOPY
    test::le16(params, 0, 2, 2, 0, 0, 8, 8, 0, 0);  // RGB colours, source and destination boxes
    params.bytes(std::span(bmp).subspan(14));
    const auto bytes = WmfBuilder()
                           .raw(0x0F43, params.take())
                           .record(0x0001 + 0x061C, {})                   // an unknown record is skipped
                           .record(0x061D, {0x0009, 0x0055, 2, 2, 8, 8})  // DSTINVERT 8,8 2x2
                           .build(10, 10);
    // (8, 8) is white inverted.
    EXPECT_EQ(test::pixelsAt(play(bytes), {{0, 0}, {3, 3}, {4, 0}, {7, 7}, {8, 8}, {9, 0}}),
              (Colors{kRed, kRed, kBlue, kRed, kBlack, kWhite}));
}

TEST(MetafilePlayer, EmfMappingModesScaleAndFlip) {
    // Anisotropic: window 100 x 100 onto a 20 x 20 viewport.
    const auto aniso = EmfBuilder()
                           .record(17, {8})
                           .record(9, {100, 100})
                           .record(11, {20, 20})
                           .solidFill(rgb(255, 0, 0))
                           .record(43, {50, 50, 100, 100})
                           .build(20, 20);
    EXPECT_EQ(test::pixelsAt(play(aniso), {{15, 15}, {5, 5}}), (Colors{kRed, kWhite}));

    // Low metric: 0.1 mm units, y up. With the origin at the bottom-left a 2.54 mm square
    // (about 10 pixels at 96 per inch) sits in the bottom-left corner.
    const auto lometric = EmfBuilder()
                              .record(17, {2})
                              .record(12, {0, 40})
                              .solidFill(rgb(0, 0, 255))
                              .record(43, {0, 0, 25, 25})
                              .build(40, 40);
    EXPECT_EQ(test::pixelsAt(play(lometric), {{3, 36}, {3, 25}, {15, 36}}), (Colors{kBlue, kWhite, kWhite}));
}

TEST(MetafilePlayer, EmfClipSaveRestoreAndPaths) {
    const auto bytes = EmfBuilder()
                           .solidFill(rgb(255, 0, 0))
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
    // (2, 2) excluded, (12, 2) outside the clip rectangle, (11, 17) the other side of the diagonal.
    EXPECT_EQ(test::pixelsAt(play(bytes), {{2, 2}, {7, 2}, {12, 2}, {17, 14}, {11, 17}}),
              (Colors{kWhite, kRed, kWhite, kBlue, kWhite}));
}

TEST(MetafilePlayer, EmfBitmapRecordsAndPatternBrush) {
    const auto dib = redBlueDib();
    // EMR_BITBLT, SRCINVERT, the 2 x 1 image at 0,0 over a black fill.
    ByteWriter blt = bltHead({0, 0, 1, 0}, {0, 0, 2, 1}, 0x00660046);
    test::le32(blt, 0, 0, 100, 40, 140, dib.size() - 40);
    blt.bytes(dib);
    // A DIB pattern brush of the same image, filling a rectangle on the second row.
    ByteWriter brush;
    test::le32(brush, 1, 0, 32, 40, 72, dib.size() - 40);
    brush.bytes(dib);
    const auto bytes = EmfBuilder()
                           .record(76, {0, 0, 0, 0, 0, 0, 2, 1, 0x00000042})  // BLACKNESS without a source
                           .raw(76, blt.take())
                           .raw(94, brush.take())
                           .record(37, {1})
                           .record(37, {0x80000008})
                           .record(43, {0, 1, 4, 3})
                           .build(4, 3);
    // Black XOR red, then the pattern tiled from the output's origin.
    EXPECT_EQ(test::pixelsAt(play(bytes), {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 1}, {2, 1}}),
              (Colors{kRed, kBlue, kWhite, kRed, kBlue, kRed}));
}

TEST(MetafilePlayer, EmfMaskBltDrawsItsSourceWhereTheRecordSays) {
    const auto dib = redBlueDib();
    // EMR_MASKBLT, SRCCOPY, the 2 x 1 image at 1,1; the mask fields name no mask.
    ByteWriter blt = bltHead({1, 1, 2, 1}, {1, 1, 2, 1}, 0x00CC0020);
    test::le32(blt, 0, 0, 128, 40, 168, dib.size() - 40);
    blt.zeros(7 * 4);  // mask position, usage, offsets and sizes
    blt.bytes(dib);
    EXPECT_EQ(test::pixelsAt(play(EmfBuilder().raw(78, blt.take()).build(4, 3)), {{1, 1}, {2, 1}, {0, 0}}),
              (Colors{kRed, kBlue, kWhite}));
}

TEST(MetafilePlayer, ArcsRoundRectsAndPolyPolygons) {
    // A pie from the top of a circle anticlockwise to its left: the top-left quarter.
    const auto bytes = EmfBuilder()
                           .solidFill(rgb(255, 0, 0))
                           .record(47, {0, 0, 20, 20, 10, 0, 0, 10})
                           .record(44, {20, 0, 40, 20, 8, 8})
                           .build(40, 40);
    // (20, 0) is the round rectangle's rounded corner.
    EXPECT_EQ(test::pixelsAt(play(bytes), {{6, 6}, {14, 6}, {6, 14}, {30, 10}, {20, 0}}),
              (Colors{kRed, kWhite, kWhite, kRed, kWhite}));

    // Two squares in one poly-polygon record, alternate fill.
    const auto wmf = WmfBuilder()
                         .objects(2)
                         .record(0x02FC, {0, 0x00FF, 0, 0})
                         .record(0x012D, {0})
                         .record(0x0538, {2, 4, 4, 0, 0, 4, 0, 4, 4, 0, 4, 6, 6, 9, 6, 9, 9, 6, 9})
                         .build(10, 10);
    EXPECT_EQ(test::pixelsAt(play(wmf), {{2, 2}, {7, 7}, {5, 2}}), (Colors{kRed, kRed, kWhite}));
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
        EXPECT_EQ(std::pair(fitted.width, fitted.height), std::pair(16, 12));
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
    EXPECT_EQ(std::pair(thumb.width(), thumb.height()), std::pair(kMetafileThumbnailSide, 512));
    EXPECT_EQ(test::pixelsAt(thumb, {{10, 10}, {500, 500}, {530, 10}}), (Colors{kRed, kRed, kWhite}));
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
