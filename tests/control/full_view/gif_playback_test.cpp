#include "control/full_view/gif_playback.h"

#include <gtest/gtest.h>

#include <vector>

#include "imageio/loaders.h"
#include "support/gif_builder.h"
#include "support/icon_fixtures.h"

namespace vexilo {
namespace {

using test::AnimationFrame;

// An animation of 2 x 2 frames.
std::string writeAnimation(const test::TempDir& dir, const std::vector<AnimationFrame>& frames, bool looping,
                           std::uint16_t loops) {
    test::writeAnimation(dir.file("anim.gif"), 2, 2, frames, looping, loops);
    return dir.file("anim.gif");
}

TEST(GifPlayback, DelaysOffsetsTheEndOfOnePassAndLoopCounts) {
    test::TempDir dir;
    const Color red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255};
    const auto path = writeAnimation(dir, {{0, red}, {10, green, 2}, {50, blue, 1}}, false, 1);
    GifPlayback play;
    ASSERT_TRUE(play.load(path));
    EXPECT_EQ(play.width(), 4);
    EXPECT_EQ(play.start(), 100);  // no delay plays at 10 hundredths
    EXPECT_EQ(play.step(), 100);   // and so does 1 hundredth
    EXPECT_EQ(test::pixelsAt(play.canvas(), {{0, 0}, {3, 1}}), (std::vector{red, green}));
    EXPECT_EQ(play.step(), 50);
    EXPECT_EQ(test::pixelsAt(play.canvas(), {{1, 0}, {3, 0}}), (std::vector{blue, green}));
    // Without a loop extension one pass ends on the last frame.
    EXPECT_EQ(play.step(), -1);
    EXPECT_EQ(play.shownFrame(), 2);
    EXPECT_EQ(GifPlayback::playbackDelayMs(20), 20);

    // With one: its loop count repeats the pass, and zero loops for ever.
    const std::vector<AnimationFrame> two{{30, kWhite}, {40, kBlack}};
    GifPlayback twice;
    ASSERT_TRUE(twice.load(writeAnimation(dir, two, true, 1)));
    std::vector<int> shown;
    for (int d = twice.start(); d >= 0; d = twice.step()) shown.push_back(twice.shownFrame());
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 0, 1}));

    GifPlayback forever;
    ASSERT_TRUE(forever.load(writeAnimation(dir, two, true, 0)));
    forever.start();
    for (int i = 0; i < 25; ++i) ASSERT_GE(forever.step(), 0);

    // Unreadable files load nothing.
    test::writeFile(dir.file("bad.gif"), std::vector<std::uint8_t>{'G', 'I', 'F', '8', '9', 'a', 1});
    GifPlayback bad;
    std::string error;
    EXPECT_FALSE(bad.load(dir.file("bad.gif"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(bad.start(), -1);
    EXPECT_TRUE(bad.canvas().empty());
    // A cut animation plays what it holds and never crashes.
    auto bytes = test::readFile(writeAnimation(dir, {{30, kWhite}, {30, kBlack}, {30, kWhite}}, true, 0));
    bytes.erase(bytes.end() - 12, bytes.end());
    test::writeFile(dir.file("cut.gif"), bytes);
    if (bad.load(dir.file("cut.gif"))) {
        bad.start();
        for (int i = 0; i < 10; ++i) bad.step();
    }
}

TEST(GifPlayback, AnAnimatedWebpPlaysItsOwnDelaysAndAStillOneIsLeftToThePicture) {
    const auto formats = std::filesystem::path(VEXILO_TEST_DATA_DIR) / "formats";
    EXPECT_TRUE(GifPlayback::plays(kind::Webp));
    GifPlayback play;
    ASSERT_TRUE(play.load((formats / "animated.webp").string()));
    EXPECT_EQ(play.frameCount(), 2);
    EXPECT_EQ(play.width(), 16);
    EXPECT_EQ(play.start(), 100);
    EXPECT_EQ(play.canvas().alpha(3, 3), 255);
    EXPECT_EQ(play.step(), 250);
    EXPECT_EQ(play.shownFrame(), 1);
    EXPECT_EQ(play.step(), 100);  // a loop count of 0 plays for ever
    EXPECT_EQ(play.shownFrame(), 0);
    std::string error;
    EXPECT_FALSE(play.load((formats / "lossless.webp").string(), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(play.loaded());
}

TEST(GifPlayback, AnAnimatedCursorIsACursorRowAndPlaysItsOwnRates) {
    test::TempDir dir;
    const std::string path = dir.file("busy.ani");
    test::writeFile(path, test::makeAniFile());
    Bitmap shown;
    FileKind kind = 0;
    ASSERT_TRUE(ProbeImageKind(path, &shown, kind));
    EXPECT_EQ(kind, kind::Cur);
    EXPECT_EQ(shown.pixel(16, 16), (Color{255, 0, 0}));
    ASSERT_TRUE(LoadImageAs(kind::Cur, path, &shown));
    EXPECT_EQ(shown.pixel(16, 16), (Color{255, 0, 0}));

    ASSERT_TRUE(GifPlayback::plays(kind::Cur));
    GifPlayback play;
    ASSERT_TRUE(play.load(path));
    EXPECT_EQ(play.start(), 100);
    EXPECT_EQ(play.step(), 200);
    EXPECT_EQ(play.canvas().pixels()[0], 0xFF00FF00u);
    EXPECT_EQ(play.step(), 50);
    EXPECT_EQ(play.shownFrame(), 2);
}

}  // namespace
}  // namespace vexilo
