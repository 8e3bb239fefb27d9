// WebP, TIFF, HEIF, AVIF and SVG, each file made by the format's own tools (cwebp, img2webp,
// libtiff through ImageMagick, heif-enc, hand-written SVG) and compared with what the format's
// own reader (dwebp, ImageMagick, heif-convert, rsvg-convert) makes of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "base/errors.h"
#include "codecs/heif_codec.h"
#include "codecs/svg_codec.h"
#include "codecs/tiff_codec.h"
#include "codecs/webp_codec.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

const std::filesystem::path kData = std::filesystem::path(VEXILO_TEST_DATA_DIR) / "formats";

AlphaImage decodeAny(std::span<const std::uint8_t> bytes, const DecodeLimits& limits = kDefaultDecodeLimits) {
    if (looksLikeWebp(bytes)) return decodeWebp(bytes, limits);
    if (looksLikeTiff(bytes)) return decodeTiff(bytes, limits);
    if (heifBrand(bytes) != HeifBrand::None) return decodeHeif(bytes, limits);
    if (looksLikeSvg(bytes)) return decodeSvg(bytes, limits);
    throw DecodeError("unknown");
}

// The reference RGBA file beside a test file, as a raster and its alpha.
AlphaImage reference(const std::string& name, int width) {
    return test::readRgba(kData / (name + ".rgba"), width);
}

void expectLike(const AlphaImage& decoded, const AlphaImage& ref, int tolerance, const std::string& name) {
    EXPECT_TRUE(test::samePixels(decoded.color, ref.color, tolerance, ref.alpha)) << name;
    const bool opaque = std::all_of(ref.alpha.begin(), ref.alpha.end(), [](auto a) { return a == 255; });
    if (!opaque) {
        ASSERT_EQ(decoded.alpha.size(), ref.alpha.size()) << name;
        for (std::size_t i = 0; i < ref.alpha.size(); ++i)
            ASSERT_NEAR(decoded.alpha[i], ref.alpha[i], 1) << name << " pixel " << i;
    }
}

TEST(LibraryFormats, EveryFileDecodesAsItsOwnToolsReadIt) {
    const struct {
        const char* name;
        int width, tolerance;
    } files[] = {{"lossless.webp", 16, 0}, {"lossy.webp", 16, 0},  {"rgba-zip.tif", 16, 0},
                 {"rgb-tiled.tif", 16, 0}, {"gray16.tif", 16, 1},  {"cmyk.tif", 16, 1},
                 {"palette.tif", 16, 1},   {"turned6.tif", 12, 0}, {"picture.heic", 16, 2},
                 {"picture.avif", 16, 2},  {"drawing.svg", 20, 1}, {"drawing.svgz", 20, 1}};
    for (const auto& f : files) {
        const std::string refName = std::string(f.name) == "drawing.svgz" ? "drawing.svg" : f.name;
        expectLike(decodeAny(test::readFile(kData / f.name)), reference(refName, f.width), f.tolerance,
                   f.name);
    }
    // A drawing without a size of its own takes the default size in its view box's shape; a
    // wanted box fits it.
    const auto sizeless = test::readFile(kData / "sizeless.svg");
    const AlphaImage big = decodeSvg(sizeless);
    EXPECT_EQ(big.color.width(), kSvgDefaultSize);
    EXPECT_EQ(big.color.height(), kSvgDefaultSize / 2);
    EXPECT_EQ(big.color.pixel(10, 10), (Color{0, 255, 0}));
    const AlphaImage thumb = decodeSvg(test::readFile(kData / "drawing.svg"), kDefaultDecodeLimits, 32, 32);
    EXPECT_EQ(thumb.color.width(), 32);
    EXPECT_EQ(thumb.color.height(), 16);
}

TEST(LibraryFormats, AnAnimatedWebpGivesItsFirstFrameAndPlaysEveryFrame) {
    const auto bytes = test::readFile(kData / "animated.webp");
    const AlphaImage first = decodeWebp(bytes);
    const AlphaImage opaque = reference("lossless.webp", 16);
    EXPECT_TRUE(test::samePixels(first.color, opaque.color, 0, opaque.alpha));
    const WebpAnimation animation = decodeWebpAnimation(bytes);
    ASSERT_EQ(animation.frames.size(), 2u);
    EXPECT_EQ(animation.durationsMs, (std::vector<int>{100, 250}));
    EXPECT_EQ(animation.frames[1].color.pixel(15, 0), opaque.color.pixel(0, 0));
}

TEST(LibraryFormats, DamagedFilesAndSizesBeyondTheLimitsAreRefusedCleanly) {
    for (const char* name : {"lossless.webp", "animated.webp", "rgba-zip.tif", "palette.tif", "picture.heic",
                             "picture.avif", "drawing.svg", "drawing.svgz"}) {
        const auto bytes = test::readFile(kData / name);
        test::corruptionSweep(
            bytes, [](std::span<const std::uint8_t> b) { (void)decodeAny(b); }, 3);
        // Refused from the declared size, before the pixels are decoded.
        const DecodeLimits tiny{8, 8, 64, 4};
        EXPECT_THROW((void)decodeAny(bytes, tiny), LimitError) << name;
    }
}

TEST(LibraryFormats, WrittenWebpAndTiffReadBackHereAndInImageMagick) {
    const AlphaImage source = reference("rgba-zip.tif", 16);
    test::TempDir dir;
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        int tolerance;
    } written[] = {{"lossless.webp", encodeWebp(source.color, source.alpha, 75, true), 0},
                   {"lossy.webp", encodeWebp(source.color, {}, 90, false), 24},
                   {"deflate.tif", encodeTiff(source.color, source.alpha), 0},
                   {"rgb.tif", encodeTiff(source.color, {}), 0}};
    for (const auto& w : written) {
        const AlphaImage back = decodeAny(w.bytes);
        EXPECT_TRUE(test::samePixels(back.color, source.color, w.tolerance, source.alpha)) << w.name;
        if (w.tolerance == 0 && std::string(w.name) != "rgb.tif") {
            EXPECT_EQ(back.alpha, source.alpha) << w.name;
        }
        test::writeFile(dir.path() / w.name, w.bytes);
        const std::string command =
            "convert " + (dir.path() / w.name).string() + " " + dir.file("x.png") + " 2>/dev/null";
        if (std::system("command -v convert >/dev/null 2>&1") == 0) {
            EXPECT_EQ(std::system(command.c_str()), 0) << w.name;
        }
    }
}

}  // namespace
}  // namespace vexilo
