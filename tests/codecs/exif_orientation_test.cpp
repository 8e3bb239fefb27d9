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
        const auto rgba = test::readFile(dir / (name + ".rgba"));
        const int w = o >= 5 ? 6 : 8, h = o >= 5 ? 8 : 6;
        ASSERT_EQ(rgba.size(), std::size_t(w * h * 4));
        Bitmap reference(w, h);
        for (int i = 0; i < w * h; ++i)
            reference.setPixel(i % w, i / w, {rgba[i * 4u], rgba[i * 4u + 1], rgba[i * 4u + 2]});
        EXPECT_TRUE(test::samePixels(turned, reference, 2)) << name;
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
