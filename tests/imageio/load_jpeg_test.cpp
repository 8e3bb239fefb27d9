#include <gtest/gtest.h>

#include "codecs/jpeg_codec.h"
#include "imageio/loaders.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::makeBitmap;

TEST(JpegLoader, DrawsIntoTheCallersRaster) {
    test::TempDir dir;
    const Bitmap src = makeBitmap(33, 7, PixelFormat::Device, test::gradientColor);
    const std::string path = dir.file("photo.jpg");
    TJPEGImage jpeg;
    jpeg.assign(src);
    jpeg.saveToFile(path);

    Bitmap fresh;
    ASSERT_TRUE(LoadJpegFile(path, &fresh));
    EXPECT_EQ(fresh.width(), 33);
    EXPECT_EQ(fresh.height(), 7);
    EXPECT_EQ(fresh.pixelFormat(), PixelFormat::Device);  // drawn into, so the raster keeps its format
    EXPECT_TRUE(test::samePixels(fresh, src, 12));
    EXPECT_EQ(fresh.raw(3, 3) >> 24, 0u);

    // An indexed raster receives the picture by drawing, with its own palette.
    Bitmap indexed(2, 2, PixelFormat::Bpp4);
    ASSERT_TRUE(LoadJpegFile(path, &indexed));
    EXPECT_EQ(indexed.pixelFormat(), PixelFormat::Bpp4);
    EXPECT_EQ(indexed.width(), 33);
}

}  // namespace
}  // namespace vexilo
