#include <gtest/gtest.h>

#include "codecs/png_codec.h"
#include "imageio/loaders.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using test::makeBitmap;
using test::patternColor;
using Bytes = std::vector<std::uint8_t>;

TEST(PngLoader, LoadsIntoTheCallersBitmapOrAnswersFalse) {
    test::TempDir dir;
    const Bitmap b = makeBitmap(5, 3, PixelFormat::Bpp8, patternColor);
    savePngFile(b, dir.file("a.png"));
    Bitmap target;
    ASSERT_TRUE(LoadPngFile(dir.file("a.png"), &target));
    EXPECT_TRUE(test::samePixels(target, b));
    test::writeFile(dir.path() / "bad.png", Bytes{1, 2, 3});
    Bitmap untouched(2, 2);
    EXPECT_FALSE(LoadPngFile(dir.file("bad.png"), &untouched));
    EXPECT_EQ(untouched.width(), 2);
    EXPECT_FALSE(LoadPngFile(dir.file("missing.png"), &untouched));
    EXPECT_FALSE(LoadPngFile("", &untouched));
    EXPECT_FALSE(LoadPngFile(dir.file("a.png"), nullptr));
}

}  // namespace
}  // namespace vexilo
