// A JPEG of each of the eight EXIF orientations (big- and little-endian EXIF alternating), turned
// as ImageMagick's -auto-orient turns it.
#include "codecs/exif_orientation.h"

#include <gtest/gtest.h>

#include <string>

#include "codecs/jpeg_codec.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

TEST(ExifOrientation, EveryOrientationStandsAsOtherViewersShowIt) {
    const std::filesystem::path dir = std::filesystem::path(VEXILO_TEST_DATA_DIR) / "orientation";
    for (int o = 1; o <= 8; ++o) {
        const std::string name = std::to_string(o) + ".jpg";
        const auto bytes = test::readFile(dir / name);
        ASSERT_EQ(jpegExifOrientation(bytes), o);
        TJPEGImage jpeg;
        jpeg.loadFromBytes(bytes);
        const Bitmap turned = applyOrientation(jpeg.bitmap(), o);
        // Turned a quarter (5 to 8), the 8 x 6 picture stands 6 wide.
        const AlphaImage reference = test::readRgba(dir / (name + ".rgba"), o >= 5 ? 6 : 8);
        EXPECT_TRUE(test::samePixels(turned, reference.color, 2)) << name;
    }
}

TEST(ExifOrientation, DamagedOrAbsentExifMeansAsStored) {
    const auto bytes = test::readFile(std::filesystem::path(VEXILO_TEST_DATA_DIR) / "orientation" / "6.jpg");
    test::corruptionSweep(bytes, [](std::span<const std::uint8_t> b) {
        const int o = jpegExifOrientation(b);
        if (o < 1 || o > 8) throw std::logic_error("orientation out of range");
    });
    const std::uint8_t noExif[] = {0xFF, 0xD8, 0xFF, 0xDA, 0, 2};
    EXPECT_EQ(jpegExifOrientation(noExif), 1);
}

}  // namespace
}  // namespace vexilo
