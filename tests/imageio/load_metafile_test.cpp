#include <gtest/gtest.h>

#include "codecs/metafile/metafile_writer.h"
#include "imageio/loaders.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

TEST(LoadMetafile, ExtensionRulesOfTheLoader) {
    test::TempDir dir;
    const Bitmap b = test::makeBitmap(4, 3, PixelFormat::Bpp24, test::patternColor);
    const auto emf = writeMetafile(b, true);
    test::writeFile(dir.file("picture.EMF"), emf);
    test::writeFile(dir.file("x.bmp"), emf);
    test::writeFile(dir.file("pic.wmf"), writeMetafile(b, false));

    Bitmap out;
    EXPECT_TRUE(LoadMetafile(dir.file("picture.EMF"), &out, ".emf"));
    EXPECT_TRUE(test::samePixels(out, b));
    // Loaded as the other kind: drawn, yet false.
    Bitmap drawn;
    EXPECT_FALSE(LoadMetafile(dir.file("picture.EMF"), &drawn, ".wmf"));
    EXPECT_EQ(drawn.width(), 4);
    // The extension picks the decoder: a metafile named .bmp is no metafile.
    Bitmap none;
    EXPECT_FALSE(LoadMetafile(dir.file("x.bmp"), &none, ".emf"));
    EXPECT_TRUE(none.empty());
    EXPECT_TRUE(LoadMetafile(dir.file("pic.wmf"), &out, ".wmf"));
    EXPECT_FALSE(LoadMetafile(dir.file("missing.wmf"), &out, ".wmf"));
    EXPECT_FALSE(LoadMetafile("", &out, ".wmf"));
    EXPECT_FALSE(LoadMetafile(dir.file("pic.wmf"), nullptr, ".wmf"));
    // A damaged file fails cleanly.
    test::writeFile(dir.file("bad.emf"), std::vector<std::uint8_t>(emf.begin(), emf.begin() + 60));
    EXPECT_FALSE(LoadMetafile(dir.file("bad.emf"), &out, ".emf"));
}

}  // namespace
}  // namespace vexilo
