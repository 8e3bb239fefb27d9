#include "imageio/file_kind.h"

#include <gtest/gtest.h>

namespace vexilo {
namespace {

TEST(FileKind, FixedTables) {
    EXPECT_STREQ(fileKindName(0), "All files as Windows Icons");
    EXPECT_STREQ(fileKindExtension(0), "All files as Windows Icons");
    EXPECT_STREQ(fileKindName(5), "Windows Metafile (.wmf)");
    EXPECT_STREQ(fileKindName(6), "Enhanced Metafile (.emf)");
    EXPECT_STREQ(fileKindExtension(9), ".jpg");
    EXPECT_STREQ(fileKindName(12), "Gif");
    EXPECT_STREQ(fileKindName(13), "");
    EXPECT_FALSE(isOutputKind(4));
    EXPECT_TRUE(isOutputKind(5));
    EXPECT_TRUE(isOutputKind(12));
}

}  // namespace
}  // namespace vexilo
