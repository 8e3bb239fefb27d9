// What the player hands a canvas: text placement, pens, clip steps and transforms, seen through
// a canvas that records its calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "codecs/metafile/metafile_player.h"
#include "support/metafile_builders.h"

namespace vexilo {
namespace {

using test::EmfBuilder;
using test::floatBits;
using test::rgb;
using test::WmfBuilder;

struct RecordingCanvas : MetafileCanvas {
    std::vector<std::vector<ClipStep>> clips;
    std::vector<DrawPath> fills, strokes;
    std::vector<DrawPen> pens;
    std::vector<DrawText> texts;
    std::vector<DrawImage> images;
    void setClip(const std::vector<ClipStep>& steps) override { clips.push_back(steps); }
    void fillPath(const DrawPath& p, FillRule, const DrawBrush&) override { fills.push_back(p); }
    void strokePath(const DrawPath& p, const DrawPen& pen) override {
        strokes.push_back(p);
        pens.push_back(pen);
    }
    void patternBlit(const DrawPath&, const DrawBrush&, BlitOp) override {}
    void drawText(const DrawText& t) override { texts.push_back(t); }
    void drawImage(const DrawImage& d) override { images.push_back(d); }
    Bitmap result() override { return {}; }
};

RecordingCanvas record(const std::vector<std::uint8_t>& bytes) {
    const Metafile mf = parseMetafile(bytes);
    RecordingCanvas canvas;
    playMetafile(mf, canvas, mf.width, mf.height);
    return canvas;
}

// Bounds of all points of a path.
Rect box(const DrawPath& p) {
    double l = 1e9, t = 1e9, r = -1e9, b = -1e9;
    for (const PointF& q : p.points())
        l = std::min(l, q.x), t = std::min(t, q.y), r = std::max(r, q.x), b = std::max(b, q.y);
    return {static_cast<int>(std::lround(l)), static_cast<int>(std::lround(t)),
            static_cast<int>(std::lround(r)), static_cast<int>(std::lround(b))};
}

TEST(MetafileModel, WmfTextIsPlacedScaledAndAligned) {
    // Window 50 x 50 onto 100 x 100 pixels: everything doubles. Font height -10 (em), escapement
    // 90 degrees, centred on the baseline; ExtTextOut with spacing 6 units per character.
    std::vector<std::uint8_t> font{0xF6, 0xFF, 0, 0, 0x84, 0x03, 0, 0, 0xBC, 0x02, 1, 0, 0, 0, 0, 0, 0, 0};
    for (char c : std::string("Serif")) font.push_back(static_cast<std::uint8_t>(c));
    font.push_back(0);
    const auto bytes = WmfBuilder()
                           .objects(1)
                           .record(0x020C, {50, 50})
                           .raw(0x02FB, font)
                           .record(0x012D, {0})
                           .record(0x012E, {6 | 24})
                           .record(0x0209, {0x00FF, 0})
                           .record(0x0A32, {20, 10, 2, 0, 'A' | ('B' << 8), 6, 6})
                           .build(100, 100);
    const auto canvas = record(bytes);
    ASSERT_EQ(canvas.texts.size(), 1u);
    const DrawText& t = canvas.texts[0];
    EXPECT_EQ(t.text, u"AB");
    EXPECT_NEAR(t.anchor.x, 20, 1e-9);
    EXPECT_NEAR(t.anchor.y, 40, 1e-9);
    EXPECT_NEAR(t.font.height, 20, 1e-9);
    EXPECT_FALSE(t.font.cellHeight);
    EXPECT_EQ(t.font.face, "Serif");
    EXPECT_EQ(t.font.weight, 700);
    EXPECT_TRUE(t.font.italic);
    EXPECT_NEAR(t.angle, 90, 1e-9);
    EXPECT_EQ(t.hAlign, DrawText::HAlign::Center);
    EXPECT_EQ(t.vAlign, DrawText::VAlign::Baseline);
    EXPECT_EQ(t.color, (Color{255, 0, 0}));
    ASSERT_EQ(t.advances.size(), 2u);
    EXPECT_NEAR(t.advances[0], 12, 1e-9);
}

TEST(MetafileModel, PensFollowTheirStyleAndScale) {
    const auto bytes = EmfBuilder()
                           .record(17, {8})
                           .record(9, {10, 10})
                           .record(11, {40, 40})                      // 4 pixels per unit
                           .record(38, {1, 1, 2, 0, rgb(0, 0, 255)})  // dashed, 2 units: wide, so solid
                           .record(37, {1})
                           .record(54, {5, 5})
                           .record(38, {2, 2, 0, 0, rgb(0, 255, 0)})  // dotted, cosmetic
                           .record(37, {2})
                           .record(54, {1, 5})
                           .record(95, {3, 0, 0, 0, 0, 0x00010000 | 0x200 | 0x1000, 1, 0, rgb(1, 2, 3), 0,
                                        0})  // geometric, flat, bevel
                           .record(37, {3})
                           .record(54, {2, 2})
                           .record(37, {0x80000008})  // null pen: nothing stroked
                           .record(54, {3, 3})
                           .build(40, 40);
    const auto canvas = record(bytes);
    ASSERT_EQ(canvas.pens.size(), 3u);
    EXPECT_EQ(canvas.pens[0].dash, PenDash::Solid);
    EXPECT_NEAR(canvas.pens[0].width, 8, 0.02);  // the frame's 0.01 mm units round a little
    EXPECT_EQ(box(canvas.strokes[0]).right, 20);
    EXPECT_EQ(canvas.pens[1].dash, PenDash::Dot);
    EXPECT_EQ(canvas.pens[1].width, 0);
    EXPECT_EQ(canvas.pens[2].cap, PenCap::Flat);
    EXPECT_EQ(canvas.pens[2].join, PenJoin::Bevel);
    EXPECT_NEAR(canvas.pens[2].width, 4, 0.02);
}

TEST(MetafileModel, ClipStepsSaveRestoreAndOffset) {
    const auto bytes = EmfBuilder()
                           .record(30, {0, 0, 10, 10})
                           .record(33, {})
                           .record(29, {2, 2, 4, 4})
                           .record(26, {5, 0})  // offset the clip region
                           .record(34, {0xFFFFFFFF})
                           .record(75, {0, 5})  // RGN_COPY without data: no clip
                           .build(20, 20);
    const auto canvas = record(bytes);
    ASSERT_EQ(canvas.clips.size(), 5u);
    EXPECT_EQ(canvas.clips[1].size(), 2u);
    EXPECT_EQ(canvas.clips[1][1].op, ClipStep::Op::Exclude);
    EXPECT_EQ(box(canvas.clips[2][1].path).left, 7);
    ASSERT_EQ(canvas.clips[3].size(), 1u);  // restored: the intersection alone, unmoved
    EXPECT_EQ(box(canvas.clips[3][0].path).left, 0);
    EXPECT_TRUE(canvas.clips[4].empty());
}

TEST(MetafileModel, WorldTransformAndArcDirection) {
    const auto bytes = EmfBuilder()
                           .record(35, {floatBits(2), 0, 0, floatBits(3), floatBits(1), floatBits(0)})
                           .record(43, {0, 0, 4, 4})
                           .record(36, {0, 0, 0, 0, 0, 0, 1})  // back to identity
                           .record(57, {2})                    // clockwise arcs
                           .record(47, {0, 0, 20, 20, 10, 0, 0, 10})
                           .build(40, 40);
    const auto canvas = record(bytes);
    ASSERT_EQ(canvas.fills.size(), 2u);
    EXPECT_EQ(box(canvas.fills[0]).left, 1);
    EXPECT_EQ(box(canvas.fills[0]).right, 9);
    EXPECT_EQ(box(canvas.fills[0]).bottom, 12);
    // Clockwise from the top to the left: three quarters of the circle.
    const Rect pie = box(canvas.fills[1]);
    EXPECT_EQ(pie.right, 20);
    EXPECT_EQ(pie.bottom, 20);
}

TEST(MetafileModel, ManyClippedTextsAllArrive) {
    // Charts clip every label to its box: thousands of them must not use up the drawing budget.
    EmfBuilder builder;
    for (int i = 0; i < 3000; ++i) {
        ByteWriter text;
        text.zeros(16 + 4 + 8);
        // Reference point, two characters at offset 76, clipped to the box 0,0 - 30,20; "42".
        test::le32(text, i % 200, i % 150, 2, 8 + 68, 4, 0, 0, 30, 20, 0);
        test::le16(text, '4', '2');
        builder.raw(84, text.take());
    }
    const auto canvas = record(builder.build(200, 150));
    EXPECT_EQ(canvas.texts.size(), 3000u);
    EXPECT_EQ(canvas.clips.size(), 6000u);
}

}  // namespace
}  // namespace vexilo
