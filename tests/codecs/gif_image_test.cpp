#include "codecs/gif_image.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "base/errors.h"
#include "codecs/gif_animation.h"
#include "support/gif_builder.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::GifBuilder;
using test::indexValues;
using test::makeBitmap;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

const std::vector<Color>& kFour = test::kFourColours;

TGIFImage loaded(const std::vector<std::uint8_t>& bytes, const DecodeLimits& limits = kDefaultDecodeLimits) {
    TGIFImage gif;
    gif.loadFromBytes(bytes, limits);
    return gif;
}

std::vector<std::uint8_t> ramp(int count, int modulo) {
    std::vector<std::uint8_t> v(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        v[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i * 7 + i / 5) % modulo);
    return v;
}

// ---- reading ----

TEST(GifReader, ReadsFramesTablesAndTiming) {
    const auto first = ramp(12, 4), second = ramp(6, 2);
    const std::vector<Color> local{{10, 20, 30}, {40, 50, 60}};
    const auto file = GifBuilder(4, 3, kFour, "89a", 2)
                          .application("NETSCAPE2.0", {1, 0xFF, 0xFF})
                          .gce(7, 2, 3)
                          .image(0, 0, 4, 3, first)
                          .gce(25, 3)
                          .gce(4, 1, 1)
                          .image(1, 2, 3, 2, second, local)
                          .end();
    TGIFImage gif = loaded(file);
    ASSERT_EQ(gif.frameCount(), 2);
    // Version, screen, background, current frame, looping and its count (65535 is capped).
    EXPECT_EQ(std::tuple(gif.version(), gif.screenWidth(), gif.screenHeight(), gif.background(),
                         gif.currentFrame(), gif.looping(), gif.loopCount()),
              std::tuple(GifVersion::V89a, 4, 3, kFour[2], 0, true, 30000));
    EXPECT_EQ(gif.data().colorTable, kFour);
    EXPECT_EQ(gif.data().bitsPerPixel, 2);

    // Frame 0 is decoded at once; its delay, disposal, transparent colour and global table.
    TGIFFrame& a = gif.frame(0);
    EXPECT_EQ(std::tuple(a.hasBitmap(), a.delayMs, a.disposal, a.transparentColor, a.localColorTable),
              std::tuple(true, 70, 2, kFour[3], false));
    EXPECT_EQ(a.bitmap().pixelFormat(), PixelFormat::Bpp4);
    EXPECT_EQ(indexValues(a.bitmap()), first);
    // A 2-bit table fills a 16-entry palette with grey.
    ASSERT_EQ(a.bitmap().palette().size(), 16u);
    EXPECT_EQ(a.bitmap().palette()[1], kFour[1]);
    EXPECT_EQ(a.bitmap().palette()[4], (Color{128, 128, 128}));

    // Later frames wait until they are needed. The largest delay of the graphic control blocks
    // counts, and the last block's disposal.
    TGIFFrame& b = gif.frame(1);
    EXPECT_EQ(std::tuple(b.hasBitmap(), b.left, b.top, b.delayMs, b.disposal, b.transparentColor,
                         b.localColorTable),
              std::tuple(false, 1, 2, 250, 1, local[1], true));
    EXPECT_EQ(b.bitmap().pixelFormat(), PixelFormat::Bpp1);
    EXPECT_EQ(indexValues(b.bitmap()), second);
    EXPECT_EQ(b.bitmap().palette(), local);
    EXPECT_EQ(b.extensions.size(), 2u);
}

TEST(GifReader, InterlacedRowsFollowTheFourPasses) {
    // Row y holds the value of its stored position: stored order 0, 8, 4, 2, 6, 1, 3, 5, 7, 9.
    const int h = 10;
    std::vector<std::uint8_t> stored;
    const int order[] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
    for (int y : order)
        for (int x = 0; x < 3; ++x) stored.push_back(static_cast<std::uint8_t>(y));
    const auto file = GifBuilder(3, h, {}).image(0, 0, 3, h, stored, defaultPalette(4), true, 4).end();
    const Bitmap b = readGif(file);
    for (int y = 0; y < h; ++y) EXPECT_EQ(b.raw(2, y), static_cast<std::uint32_t>(y)) << y;
}

TEST(GifReader, CommentsLoopIdentifiersAndPlainText) {
    // Comments before an image go with the frame; comments that no image follows become the
    // image comment.
    TGIFImage a = loaded(GifBuilder(2, 1)
                             .comment({"frame note"})
                             .image(0, 0, 2, 1, {1, 2})
                             .comment({"made by", "hand"})
                             .end());
    EXPECT_EQ(a.data().comment, (std::vector<std::string>{"made by", "hand"}));
    ASSERT_EQ(a.frame(0).extensions.size(), 1u);
    EXPECT_EQ(a.frame(0).extensions[0].kind, GifExtensionKind::Comment);
    EXPECT_FALSE(a.looping());
    EXPECT_EQ(a.loopCount(), 1);
    // ANIMEXTS1.0 counts as a loop block too; other application blocks are dropped.
    TGIFImage b = loaded(GifBuilder(2, 1)
                             .application("ANIMEXTS1.0", {1, 3, 0})
                             .application("XMP DataXMP", {9, 9, 9})
                             .image(0, 0, 2, 1, {1, 2})
                             .end());
    EXPECT_TRUE(b.looping());
    EXPECT_EQ(b.loopCount(), 3);
    EXPECT_TRUE(b.frame(0).extensions.empty());
    // A loop block whose sub-block does not start with 1 is no loop block.
    EXPECT_FALSE(
        loaded(GifBuilder(2, 1).application("NETSCAPE2.0", {2, 3, 0}).image(0, 0, 2, 1, {1, 2}).end())
            .looping());
    // Plain text drops itself and what was gathered before it.
    TGIFImage c =
        loaded(GifBuilder(2, 1).gce(5, 1).comment({"x"}).plainText().image(0, 0, 2, 1, {1, 2}).end());
    EXPECT_TRUE(c.frame(0).extensions.empty());
    EXPECT_EQ(c.frame(0).delayMs, 0);
}

TEST(GifReader, FailuresCarryTheirMessages) {
    auto load = [](const std::vector<std::uint8_t>& bytes) { (void)loaded(bytes); };
    auto good = GifBuilder(2, 1).image(0, 0, 2, 1, {1, 2}).end();
    auto bad = good;
    bad[4] = '8';  // "GIF88a"
    EXPECT_THAT([&] { load(bad); }, ThrowsMessage<DecodeError>("Unknown GIF version"));
    EXPECT_THAT([&] { load({'G', 'I', 'F'}); }, ThrowsMessage<DecodeError>("Unknown GIF version"));
    auto lower = good;
    lower[0] = 'g', lower[1] = 'i', lower[5] = 'A';  // the codec ignores letter case
    EXPECT_NO_THROW(load(lower));

    const auto unknown = GifBuilder(2, 1).raw({0x21, 0x2A, 0}).image(0, 0, 2, 1, {1, 2}).end();
    EXPECT_THAT([&] { load(unknown); }, ThrowsMessage<DecodeError>("Unrecognized extension block: 2a"));

    // Once the image has a comment, orphan extensions followed by anything but 0 or the trailer
    // are an error.
    const auto twice = GifBuilder(2, 1).comment({"one"}).raw({0x77}).comment({"two"}).raw({0x77}).end();
    EXPECT_THAT([&] { load(twice); }, ThrowsMessage<DecodeError>("Stream read error"));
    TGIFImage calm = loaded(GifBuilder(2, 1).comment({"one"}).raw({0x77}).comment({"two"}).raw({0}).end());
    EXPECT_EQ(calm.data().comment, std::vector<std::string>{"one"});
    EXPECT_EQ(calm.frameCount(), 0);
    // A byte that starts no block ends the reading; what was read stays.
    EXPECT_EQ(loaded(GifBuilder(2, 1).image(0, 0, 2, 1, {1, 2}).raw({0x99}).image(0, 0, 2, 1, {1, 2}).end())
                  .frameCount(),
              1);
}

TEST(GifReader, DamagedDataMarksTheFrame) {
    const auto good = GifBuilder(8, 8).image(0, 0, 8, 8, ramp(64, 4)).end();
    // Cut inside the data sub-block: the frame loads, corrupted, with the pixels decoded so far.
    TGIFImage gif = loaded(std::vector<std::uint8_t>(good.begin(), good.end() - 8));
    ASSERT_EQ(gif.frameCount(), 1);
    EXPECT_TRUE(gif.frame(0).corrupted);
    EXPECT_EQ(gif.frame(0).bitmap().raw(1, 0), ramp(64, 4)[1]);

    // A minimum code size outside 2 to 9 is clamped and marks the frame.
    EXPECT_TRUE(loaded(GifBuilder(2, 1).raw({0x2C, 0, 0, 0, 0, 2, 0, 1, 0, 0, 12, 1, 0xFF, 0}).end())
                    .frame(0)
                    .corrupted);

    // Width 0 in the descriptor takes the logical screen's.
    TGIFImage z = loaded(GifBuilder(5, 3).image(0, 0, 0, 3, ramp(15, 4)).end());
    EXPECT_EQ(z.frame(0).width(), 5);
    EXPECT_EQ(indexValues(z.frame(0).bitmap()), ramp(15, 4));
    EXPECT_FALSE(z.frame(0).corrupted);
}

TEST(GifReader, LimitsBoundFramesAndSizes) {
    DecodeLimits limits;
    limits.maxFrames = 3;
    GifBuilder many(2, 1);
    for (int i = 0; i < 10; ++i) many.image(0, 0, 2, 1, {1, 2});
    TGIFImage gif = loaded(many.end(), limits);
    EXPECT_EQ(gif.frameCount(), 3);
    EXPECT_TRUE(gif.framesDropped());

    // A huge frame with almost no data is refused before its pixels are allocated.
    limits = DecodeLimits::forFuzzing();
    const auto huge = GifBuilder(65535, 65535).raw({0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 2, 0}).end();
    TGIFImage h;
    EXPECT_THAT([&] { h.loadFromBytes(huge, limits); }, ThrowsMessage<DecodeError>(HasSubstr("exceeds")));
    EXPECT_EQ(h.frameCount(), 0);  // the frame that failed to decode is removed
}

// A loop block, delays, an interlaced frame, a comment and a frame with its own table.
std::vector<std::uint8_t> richGif() {
    return GifBuilder(6, 5, kFour, "89a", 1)
        .application("NETSCAPE2.0", {1, 5, 0})
        .gce(3, 2, 1)
        .image(0, 0, 6, 5, ramp(30, 4), {}, true)
        .comment({"c"})
        .gce(9, 1)
        .image(0, 0, 6, 5, ramp(30, 2), {{1, 2, 3}, {4, 5, 6}})
        .end();
}

TEST(GifReader, CorruptionSweepNeverCrashes) {
    test::corruptionSweep(richGif(), [](std::span<const std::uint8_t> bytes) {
        TGIFImage gif;
        gif.loadFromBytes(bytes, DecodeLimits::forFuzzing());
        for (int i = 0; i < gif.frameCount(); ++i) (void)gif.frame(i).bitmap();
        GifAnimator player(gif);
        if (gif.frameCount() > 0) player.showFrame(gif.frameCount() - 1);
    });
}

// ---- writing ----

TEST(GifWriter, TrueColourBitmapGives87aWithOneGlobalTable) {
    const Bitmap src = makeBitmap(7, 5, PixelFormat::Bpp24, [](int x, int y) {
        return Color{static_cast<std::uint8_t>(x * 30), static_cast<std::uint8_t>(y * 40), 77};
    });
    const auto bytes = writeGif(src);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");
    // A global table of 256 entries at colour resolution 8; the image right after it (no
    // extension) without a local table, not interlaced; the trailer.
    EXPECT_EQ((std::vector{bytes[10], bytes[13 + 768], bytes[13 + 768 + 9], bytes.back()}),
              (std::vector<std::uint8_t>{0xF7, 0x2C, 0, 0x3B}));
    TGIFImage back = loaded(bytes);
    EXPECT_EQ(back.data().colorTable.size(), 256u);
    // 35 colours fit the table: the pixels come back exactly.
    EXPECT_TRUE(test::samePixels(back.frame(0).bitmap(), src));
}

TEST(GifWriter, TransparentColourNeedsATableEntry) {
    Bitmap src = makeBitmap(4, 4, PixelFormat::Bpp24, [](int x, int) {
        return x < 2 ? Color{255, 0, 255} : Color{0, 0, 0};
    });
    src.setTransparent(true);
    src.setTransparentColor({255, 0, 255});
    auto bytes = writeGif(src);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    const std::size_t gce = 13 + 768;  // a graphic control block with its transparency flag
    EXPECT_EQ((std::vector{bytes[gce], bytes[gce + 1], bytes[gce + 3]}),
              (std::vector<std::uint8_t>{0x21, 0xF9, 1}));
    EXPECT_EQ(loaded(bytes).frame(0).transparentColor, (Color{255, 0, 255}));

    src.setTransparentColor({1, 2, 3});  // not in the picture, so not in the table
    bytes = writeGif(src);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    EXPECT_EQ(bytes[gce + 3] & 1, 0);
}

TEST(GifWriter, IndexedRastersKeepTheirDepth) {
    const Bitmap mono =
        makeBitmap(9, 3, PixelFormat::Bpp1, [](int x, int y) { return (x + y) % 2 ? kWhite : kBlack; });
    auto bytes = writeGif(mono);
    EXPECT_EQ(bytes[10], 0x80);  // two-entry global table
    const std::size_t data = 13 + 6 + 10;
    EXPECT_EQ(bytes[data], 2);  // 1-bit images use minimum code size 2
    for (PixelFormat f : {PixelFormat::Bpp1, PixelFormat::Bpp4, PixelFormat::Bpp8}) {
        const Bitmap src = f == PixelFormat::Bpp1
                               ? mono
                               : makeBitmap(13, 11, f, test::patternColor, defaultPalette(bitsPerPixel(f)));
        TGIFImage back = loaded(writeGif(src));
        EXPECT_EQ(back.frame(0).bitmap().pixelFormat(), f);
        EXPECT_EQ(indexValues(back.frame(0).bitmap()), indexValues(src));
        EXPECT_EQ(back.frame(0).bitmap().palette(), src.palette());
    }
}

TEST(GifWriter, FramesVersionsLoopsAndExtensions) {
    TGIFImage gif;
    const Bitmap a = makeBitmap(3, 2, PixelFormat::Bpp8, test::patternColor, defaultPalette(8));
    const Bitmap b = makeBitmap(5, 4, PixelFormat::Bpp4, test::patternColor, defaultPalette(4));
    gif.addFrame(a);
    EXPECT_EQ(gif.version(), GifVersion::V87a);
    TGIFFrame& second = gif.addFrame(b);
    EXPECT_EQ(gif.version(), GifVersion::V89a);
    EXPECT_EQ(gif.currentFrame(), 1);
    second.left = 2;
    second.top = 1;
    second.delayMs = 70;
    second.disposal = 3;
    gif.mutableData().comment = {"hello", std::string(300, 'x')};

    auto bytes = gif.saveToBytes();
    EXPECT_EQ(bytes.end() - std::search(bytes.begin(), bytes.end(), "NETSCAPE", "NETSCAPE" + 8),
              0);  // no loop block without looping
    TGIFImage back = loaded(bytes);
    ASSERT_EQ(back.frameCount(), 2);
    EXPECT_EQ(std::pair(back.screenWidth(), back.screenHeight()), std::pair(7, 5));
    EXPECT_EQ(back.frame(1).delayMs, 70);
    EXPECT_EQ(back.frame(1).disposal, 3);
    EXPECT_EQ(back.frame(1).left, 2);
    EXPECT_TRUE(back.frame(1).localColorTable);  // the first frame's table became the global one
    EXPECT_FALSE(back.frame(0).localColorTable);
    EXPECT_EQ(indexValues(back.frame(1).bitmap()), indexValues(b));
    // Long comment lines are split into 255-byte sub-blocks.
    EXPECT_EQ(back.data().comment,
              (std::vector<std::string>{"hello", std::string(255, 'x'), std::string(45, 'x')}));

    gif.setLooping(true);
    gif.setLoopCount(0);
    back.loadFromBytes(gif.saveToBytes());
    EXPECT_TRUE(back.looping());
    EXPECT_EQ(back.loopCount(), 0);
}

// Delays in hundredths, loop counts, tables and extensions: a read file comes back byte for byte.
TEST(GifWriter, ReadFilesComeBackIdentically) {
    const auto file = richGif();
    EXPECT_EQ(loaded(file).saveToBytes(), file);
}

TEST(GifWriter, FailuresCarryTheirMessages) {
    TGIFImage empty;
    EXPECT_THAT([&] { empty.saveToBytes(); }, ThrowsMessage<ImageError>("No GIF Data to write"));
    EXPECT_THAT([&] { writeGif(Bitmap()); }, ThrowsMessage<ImageError>("No GIF Data to write"));
    EXPECT_THAT([&] { empty.setSize(3, 3); },
                ThrowsMessage<ImageError>("Cannot change the Size of a GIF image"));

    TGIFImage gif;
    gif.addFrame(makeBitmap(2, 2, PixelFormat::Bpp8, test::patternColor, defaultPalette(8)));
    gif.saveToBytes();
    gif.mutableData().colorTable.resize(3);
    EXPECT_THAT([&] { gif.saveToBytes(); },
                ThrowsMessage<ImageError>("Wrong number of colors; must be a power of 2"));
}

TEST(GifWriter, SharedDataIsCopiedBeforeChange) {
    TGIFImage a = loaded(GifBuilder(2, 1).image(0, 0, 2, 1, {1, 2}).end());
    TGIFImage b(a);
    EXPECT_EQ(&a.data(), &b.data());  // copies share the image-wide data
    b.mutableData().comment = {"only b"};
    EXPECT_TRUE(a.data().comment.empty());
    EXPECT_EQ(b.frame(0).item().encoded, a.frame(0).item().encoded);
}

// ---- drawing and playing ----

TEST(GifAnimator, ComposesWithDisposalAndClipsOffScreenFrames) {
    const std::vector<Color> t{{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    const auto file =
        GifBuilder(4, 4, t)
            .gce(10, 1)
            .image(0, 0, 4, 4, std::vector<std::uint8_t>(16, 1))
            .gce(10, 2, 0)  // index 0 transparent, disposal: restore background
            .image(2, 2, 4, 4, {2, 0, 2, 0, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2})  // past the edge
            .gce(10, 3)
            .image(0, 0, 1, 1, {3})
            .image(1, 0, 1, 1, {2})
            .end();
    TGIFImage gif = loaded(file);
    GifAnimator player(gif);
    EXPECT_EQ(player.canvas().width(), 4);  // frame 1 reaches past the screen and is clipped
    // At (3, 2) index 0 is transparent: frame 0 shows through.
    EXPECT_EQ(test::pixelsAt(player.showFrame(1), {{2, 2}, {3, 2}}), (std::vector<Color>{t[2], t[1]}));
    EXPECT_EQ(player.canvas().alpha(3, 3), 0xFF);
    EXPECT_EQ(player.showFrame(2).alpha(2, 2), 0);  // frame 1 was cleared to the background
    EXPECT_EQ(player.canvas().pixel(0, 0), t[3]);
    // Frame 2 restored what was before it.
    EXPECT_EQ(test::pixelsAt(player.showFrame(3), {{0, 0}, {1, 0}}), (std::vector<Color>{t[1], t[2]}));
    EXPECT_EQ(player.delayOfShownFrame(), 100);
    EXPECT_EQ(player.nextFrame(), 0);
    EXPECT_EQ(player.showFrame(0).pixel(3, 3), t[1]);  // going back starts again
}

// ---- outside readers and the conformance corpus ----

bool haveTool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// The screen as giflib's converter renders it (three bytes a pixel, top row first), `width`
// pixels a row; empty when the converter refuses the file.
Bitmap giflibScreen(const std::string& path, int width, const test::TempDir& dir) {
    const std::string out = dir.file("out.rgb");
    const std::string cmd = "gif2rgb -1 -o '" + out + "' '" + path + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return {};
    const auto rgb = test::readFile(out);
    const int height = static_cast<int>(rgb.size() / (3 * static_cast<std::size_t>(width)));
    return makeBitmap(width, height, PixelFormat::Bpp24, [&](int x, int y) {
        const auto i = static_cast<std::size_t>(3 * (y * width + x));
        return Color{rgb[i], rgb[i + 1], rgb[i + 2]};
    });
}

TEST(GifOutsideReader, GiflibReadsWhatWeWrite) {
    if (!haveTool("gif2rgb")) GTEST_SKIP() << "gif2rgb (giflib-tools) is not installed";
    test::TempDir dir;
    std::mt19937 rng(5);
    std::vector<Bitmap> cases;
    cases.push_back(makeBitmap(1, 1, PixelFormat::Bpp24, test::patternColor));
    cases.push_back(
        makeBitmap(37, 3, PixelFormat::Bpp1, [](int x, int y) { return (x * y) % 3 ? kWhite : kBlack; }));
    cases.push_back(makeBitmap(
        300, 200, PixelFormat::Bpp8,
        [&](int, int) {
            return Color{static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                         static_cast<std::uint8_t>(rng())};
        },
        defaultPalette(8)));
    cases.push_back(makeBitmap(64, 48, PixelFormat::Bpp24, [](int x, int y) {
        return Color{static_cast<std::uint8_t>(x * 4), static_cast<std::uint8_t>(y * 5),
                     static_cast<std::uint8_t>(x ^ y)};
    }));
    for (const Bitmap& src : cases) {
        const std::string path = dir.file("w.gif");
        test::writeFile(path, writeGif(src));
        const Bitmap theirs = giflibScreen(path, src.width(), dir);
        ASSERT_FALSE(theirs.empty()) << "gif2rgb rejected a " << src.width() << " x " << src.height()
                                     << " file";
        TGIFImage ours;
        ours.loadFromFile(path);
        EXPECT_TRUE(test::samePixels(ours.frame(0).bitmap(), theirs)) << src.width() << " x " << src.height();
    }
}

TEST(GifCorpus, LoadsEverySampleOrFailsWithAKnownMessage) {
    VEXILO_REQUIRE_CORPUS("gif");
    int loaded = 0, failed = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(test::corpusDir() / "gif")) {
        if (!entry.is_regular_file() || entry.path().extension() != ".gif") continue;
        const auto bytes = test::readFile(entry.path());
        TGIFImage gif;
        try {
            gif.loadFromBytes(bytes);
            ++loaded;
        } catch (const DecodeError& e) {
            ++failed;
            const std::string m = e.what();
            EXPECT_TRUE(m == "Unknown GIF version" || m.starts_with("Unrecognized extension block: ") ||
                        m == "Stream read error" || m.starts_with("GIF: "))
                << entry.path() << ": " << m;
            continue;
        }
        for (int i = 0; i < gif.frameCount(); ++i) {
            try {
                (void)gif.frame(i).bitmap();
                gif.frame(i).releaseBitmap();
            } catch (const DecodeError&) {
            }
        }
        if (gif.frameCount() > 0) (void)gif.saveToBytes();
    }
    EXPECT_GT(loaded, 150);
    EXPECT_GT(failed, 0);
}

TEST(GifCorpus, SamplesDecodeAsGiflibShowsThem) {
    VEXILO_REQUIRE_CORPUS("gif/giflib");
    if (!haveTool("gif2rgb")) GTEST_SKIP() << "gif2rgb (giflib-tools) is not installed";
    test::TempDir dir;
    struct Expect {
        const char* name;
        int frames;
        bool loops;
    };
    for (const Expect& e :
         {Expect{"giflib/porsche.gif", 1, false}, Expect{"giflib/solid2.gif", 1, false},
          Expect{"giflib/treescap.gif", 1, false}, Expect{"giflib/treescap-interlaced.gif", 1, false},
          Expect{"giflib/wedge.gif", 1, false}, Expect{"giflib/gifgrid.gif", 1, false},
          Expect{"image-gif/samples-interlaced.gif", 1, false}, Expect{"giflib/fire.gif", 33, true},
          Expect{"giflib/welcome2.gif", 6, true}}) {
        const auto path = test::corpusDir() / "gif" / e.name;
        TGIFImage gif;
        gif.loadFromFile(path.string());
        EXPECT_EQ(gif.frameCount(), e.frames) << e.name;
        EXPECT_EQ(gif.looping(), e.loops) << e.name;
        if (e.frames == 1) {
            const Bitmap& ours = gif.frame(0).bitmap();
            EXPECT_TRUE(test::samePixels(ours, giflibScreen(path.string(), ours.width(), dir))) << e.name;
        }
    }
    // The interlaced treescap (drawn as giflib draws it above) says it is interlaced; x-trans
    // has a transparent colour.
    TGIFImage interlaced, xt;
    interlaced.loadFromFile((test::corpusDir() / "gif/giflib/treescap-interlaced.gif").string());
    xt.loadFromFile((test::corpusDir() / "gif/giflib/x-trans.gif").string());
    EXPECT_TRUE(interlaced.frame(0).interlaced);
    EXPECT_TRUE(xt.frame(0).transparentColor.has_value());
}

}  // namespace
}  // namespace vexilo
