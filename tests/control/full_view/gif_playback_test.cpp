#include "control/full_view/gif_playback.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/test_util.h"

namespace vexilo {
namespace {

struct FrameSpec {
    int delayMs;
    Color colour;
    int left = 0;
};

// A 4 x 2 animation of flat frames with the given delays, 2 x 2 frames placed at `left`.
std::string writeAnimation(const test::TempDir& dir, const std::vector<FrameSpec>& frames, bool looping,
                           std::uint16_t loops) {
    TGIFImage gif;
    for (const FrameSpec& f : frames) {
        TGIFFrame& frame = gif.addFrame(test::makeBitmap(
            2, 2, PixelFormat::Bpp8, [&](int, int) { return f.colour; }, {f.colour, kBlack}));
        frame.delayMs = f.delayMs;
        frame.left = f.left;
    }
    gif.recomputeScreenSize();
    gif.setLooping(looping);
    gif.setLoopCount(loops);
    const std::string path = dir.file("anim.gif");
    gif.saveToFile(path);
    return path;
}

TEST(GifPlayback, DelaysOffsetsAndTheEndOfOnePass) {
    test::TempDir dir;
    const Color red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255};
    const auto path = writeAnimation(dir, {{0, red}, {10, green, 2}, {50, blue, 1}}, false, 1);
    GifPlayback play;
    ASSERT_TRUE(play.load(path));
    EXPECT_EQ(play.width(), 4);
    EXPECT_EQ(play.start(), 100);  // no delay plays at 10 hundredths
    EXPECT_EQ(play.step(), 100);   // and so does 1 hundredth
    EXPECT_EQ(play.canvas().pixel(0, 0), red);
    EXPECT_EQ(play.canvas().pixel(3, 1), green);
    EXPECT_EQ(play.step(), 50);
    EXPECT_EQ(play.canvas().pixel(1, 0), blue);
    EXPECT_EQ(play.canvas().pixel(3, 0), green);
    // Without a loop extension one pass ends on the last frame.
    EXPECT_EQ(play.step(), -1);
    EXPECT_EQ(play.shownFrame(), 2);
    EXPECT_EQ(GifPlayback::playbackDelayMs(20), 20);
}

TEST(GifPlayback, LoopCountRepeatsAndZeroLoopsForever) {
    test::TempDir dir;
    const std::vector<FrameSpec> two{{30, kWhite}, {40, kBlack}};
    GifPlayback twice;
    ASSERT_TRUE(twice.load(writeAnimation(dir, two, true, 1)));
    std::vector<int> shown;
    for (int d = twice.start(); d >= 0; d = twice.step()) shown.push_back(twice.shownFrame());
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 0, 1}));

    GifPlayback forever;
    ASSERT_TRUE(forever.load(writeAnimation(dir, two, true, 0)));
    forever.start();
    for (int i = 0; i < 25; ++i) ASSERT_GE(forever.step(), 0);
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

TEST(GifPlayback, UnreadableFilesLoadNothing) {
    test::TempDir dir;
    test::writeFile(dir.file("bad.gif"), std::vector<std::uint8_t>{'G', 'I', 'F', '8', '9', 'a', 1});
    GifPlayback play;
    std::string error;
    EXPECT_FALSE(play.load(dir.file("bad.gif"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(play.start(), -1);
    EXPECT_TRUE(play.canvas().empty());
    // A cut animation plays what it holds and never crashes.
    const auto path = writeAnimation(dir, {{30, kWhite}, {30, kBlack}, {30, kWhite}}, true, 0);
    auto bytes = test::readFile(path);
    bytes.resize(bytes.size() - 12);
    test::writeFile(dir.file("cut.gif"), bytes);
    if (play.load(dir.file("cut.gif"))) {
        play.start();
        for (int i = 0; i < 10; ++i) play.step();
    }
}

}  // namespace
}  // namespace vexilo
