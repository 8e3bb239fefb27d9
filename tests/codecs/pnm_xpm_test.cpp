// The portable anymaps and XPM, each variant written by ImageMagick and compared with the RGBA
// ImageMagick reads back from the same file.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/errors.h"
#include "codecs/pnm_codec.h"
#include "codecs/xpm_codec.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

const std::filesystem::path kData = std::filesystem::path(VEXILO_TEST_DATA_DIR) / "formats";

AlphaImage decode(std::span<const std::uint8_t> bytes) {
    return looksLikeXpm(bytes) ? decodeXpm(bytes) : decodePnm(bytes);
}

TEST(PnmXpm, EveryVariantDecodesToThePixelsImageMagickReads) {
    for (const char* name : {"plain.pbm", "raw.pbm", "plain.pgm", "raw.pgm", "plain.ppm", "raw.ppm",
                             "raw16.ppm", "rgba.pam", "picture.xpm"}) {
        const AlphaImage d = decode(test::readFile(kData / name));
        const AlphaImage ref = test::readRgba(kData / (std::string(name) + ".rgba"), d.color.width());
        EXPECT_TRUE(test::samePixels(d.color, ref.color, 0, ref.alpha)) << name;
        const bool opaque = std::all_of(ref.alpha.begin(), ref.alpha.end(), [](auto a) { return a == 255; });
        EXPECT_EQ(d.alpha, opaque ? std::vector<std::uint8_t>{} : ref.alpha) << name;
    }
}

TEST(PnmXpm, DamagedAndHostileFilesAreRefusedCleanly) {
    for (const char* name : {"plain.ppm", "raw16.ppm", "rgba.pam", "picture.xpm"}) {
        const auto bytes = test::readFile(kData / name);
        test::corruptionSweep(bytes, [](std::span<const std::uint8_t> b) { (void)decode(b); });
    }
    // A size far beyond the limits, or beyond what the bytes can hold, is refused before anything
    // is allocated for it.
    for (const std::string text : {"P6\n100000 100000\n255\n", "P5 60000 60000 255 ", "P1 3000 3000 1",
                                   "P7\nWIDTH 9000\nHEIGHT 9000\nDEPTH 4\nMAXVAL 255\nENDHDR\n",
                                   "/* XPM */\n\"40000 40000 1 1\",\n\". c red\",\n"}) {
        const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        EXPECT_THROW((void)decode(bytes), DecodeError) << text;
    }
}

}  // namespace
}  // namespace vexilo
