#include <gtest/gtest.h>

#include "codecs/bmp_codec.h"
#include "control/main_window/image_search.h"
#include "support/test_util.h"

namespace vexilo::search {
namespace {

// The window shows the end's count as "Found: N": the rows still being made on the workers
// must be in the list by then.
TEST(ScanEnd, TheListHoldsEveryRowWhenTheEndIsTold) {
    test::ScopedCacheHome cache;
    test::TempDir dir;
    for (int i = 0; i < 40; ++i)
        test::writeFile(dir.path() / ("p" + std::to_string(i) + ".bmp"),
                        writeBmp(test::makeBitmap(64, 64, PixelFormat::Bpp24, test::patternColor)));
    ImageSearch search;
    search.scanSubfolders = false;
    search.thumbnailThreads = 2;
    search.SBAddPathClick(dir.path().string() + "/");
    std::size_t atEnd = 0;
    search.onEndScan = [&] { atEnd = search.list().size(); };
    search.RunScan();
    EXPECT_EQ(search.list().size(), 40u);
    EXPECT_EQ(atEnd, 40u);
}

}  // namespace
}  // namespace vexilo::search
