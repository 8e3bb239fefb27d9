#include <gtest/gtest.h>

#include "codecs/tga_codec.h"
#include "imageio/loaders.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

TEST(TgaLoader, LoadsWhatTheTgaSaverWritesAndRefusesTheRest) {
    test::TempDir dir;
    const Bitmap picture = test::makeBitmap(5, 3, PixelFormat::Bpp8, test::patternColor, defaultPalette(8));
    TTargaImage holder;
    holder.Targa().setColorRaster(picture);
    holder.Targa().saveToFile(dir.file("x.tga"));
    Bitmap loaded;
    ASSERT_TRUE(LoadTgaFile(dir.file("x.tga"), &loaded));
    EXPECT_TRUE(test::samePixels(loaded, picture));
    EXPECT_FALSE(LoadTgaFile(dir.file("none.tga"), &loaded));
    EXPECT_FALSE(LoadTgaFile("", &loaded));
    EXPECT_FALSE(LoadTgaFile(dir.file("x.tga"), nullptr));
}

}  // namespace
}  // namespace vexilo
