// Playback with the desktop canvas (QPainter), under the offscreen platform.
#include "ui/platform/metafile_player_qt.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

#include "codecs/metafile/metafile_player.h"
#include "codecs/metafile/metafile_writer.h"
#include "imageio/desktop_services.h"
#include "imageio/loaders.h"
#include "support/byte_fields.h"
#include "support/metafile_builders.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::EmfBuilder;
using test::rgb;

constexpr Color kRed{255, 0, 0}, kBlue{0, 0, 255};

class QtMetafilePlayer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "metafile_player_test";
            static char* argv[] = {name, nullptr};
            static QGuiApplication app(argc, argv);
        }
        // The loader test below reaches the canvas through the installed services.
        DesktopServices services;
        services.metafileCanvas = makeQtMetafileCanvas;
        s_previous = installDesktopServices(std::move(services));
    }
    static void TearDownTestSuite() { installDesktopServices(std::move(s_previous)); }

    static Bitmap play(const std::vector<std::uint8_t>& bytes) {
        return renderMetafile(parseMetafile(bytes), kDefaultDecodeLimits, makeQtMetafileCanvas);
    }
    static inline DesktopServices s_previous;
};

TEST_F(QtMetafilePlayer, WrittenFilesPlayBackToTheSamePixels) {
    ASSERT_TRUE(desktopServices().metafileCanvas);
    for (auto [w, h] : {std::pair{1, 1}, {3, 2}, {33, 4}, {97, 61}}) {
        const Bitmap b = test::makeBitmap(w, h, PixelFormat::Bpp24, test::patternColor);
        for (bool enhanced : {false, true}) {
            EXPECT_TRUE(test::samePixels(play(writeMetafile(b, enhanced)), b))
                << w << "x" << h << (enhanced ? " EMF " : " WMF ");
        }
    }
}

TEST_F(QtMetafilePlayer, ShapesClipsAndBitmapsMatchTheCoreCanvas) {
    const auto bytes = EmfBuilder()
                           .solidFill(rgb(255, 0, 0))
                           .record(33, {})
                           .record(30, {0, 0, 10, 10})
                           .record(29, {0, 0, 5, 5})
                           .record(43, {0, 0, 20, 20})
                           .record(34, {0xFFFFFFFF})
                           .record(39, {2, 2, rgb(0, 0, 255), 4})  // blue cross hatch
                           .record(37, {2})
                           .record(18, {1})  // transparent background
                           .record(43, {10, 10, 20, 20})
                           .build(20, 20);
    const Bitmap b = play(bytes);
    EXPECT_EQ(b.pixel(2, 2), kWhite);
    EXPECT_EQ(b.pixel(7, 2), kRed);
    EXPECT_EQ(b.pixel(12, 2), kWhite);
    int blue = 0, white = 0;
    for (int y = 10; y < 20; ++y)
        for (int x = 10; x < 20; ++x)
            (b.pixel(x, y) == kBlue ? blue : white) += b.pixel(x, y) == kWhite || b.pixel(x, y) == kBlue;
    EXPECT_GT(blue, 10);
    EXPECT_GT(white, 40);  // the hatch leaves the background where its lines are not
}

TEST_F(QtMetafilePlayer, TextLeavesInkInTheTextColour) {
    // Bounds, graphics mode 1, scales; the reference point 4,4; two characters at offset 76 from
    // the record's start, no options, no clip, no spacing: "HI".
    ByteWriter text;
    test::le32(text, 0, 0, 0, 0, 1, 0, 0, 4, 4, 2, 8 + 68, 0, 0, 0, 0, 0, 0);
    test::le16(text, 'H', 'I');
    // Object 1: a bold font 24 pixels high.
    ByteWriter font;
    test::le32(font, 1, -24, 0, 0, 0, 700);
    font.zeros(8 + 64);
    const auto bytes = EmfBuilder()
                           .raw(82, font.take())
                           .record(37, {1})
                           .record(24, {rgb(255, 0, 0)})
                           .record(18, {1})
                           .raw(84, text.take())
                           .build(60, 40);
    const Bitmap b = play(bytes);
    int ink = 0;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) ink += b.pixel(x, y).r > 200 && b.pixel(x, y).g < 80;
    EXPECT_GT(ink, 20);
}

TEST_F(QtMetafilePlayer, CorpusPicturesDrawSomething) {
    VEXILO_REQUIRE_CORPUS("metafile");
    for (const char* name :
         {"pillow/drawing.wmf", "pillow/drawing.emf", "libgdiplus/test.wmf", "libgdiplus/test.emf",
          "libuemf/test_libuemf_ref.wmf", "libuemf/test_libuemf_ref.emf", "libuemf/test_mm_twips_ref.emf"}) {
        SCOPED_TRACE(name);
        Bitmap b;
        const auto path = (test::corpusDir() / "metafile" / name).string();
        ASSERT_TRUE(LoadMetafile(path, &b, path.substr(path.size() - 4)));
        int drawn = 0;
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width(); ++x) drawn += b.pixel(x, y) != kWhite;
        EXPECT_GT(drawn, b.width() * b.height() / 200);
    }
}

}  // namespace
}  // namespace vexilo
