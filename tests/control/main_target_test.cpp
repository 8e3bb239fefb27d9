#include "control/main_target.h"

#include <gtest/gtest.h>

#include "support/test_util.h"

namespace vexilo {
namespace {

using test::makeBitmap;
using test::patternColor;
using test::readFile;

TEST(OutputFormats, TableAndDialogHelpers) {
    const auto& rows = outputFormats();
    EXPECT_STREQ(rows[6].filter, "Metafiles (*.emf,*.wmf)|*.emf;*.wmf");
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].startsInLastSaveFolder, i < 4) << i;
    EXPECT_EQ(outputFormatForKind(kind::Wmf), &rows[6]);
    EXPECT_EQ(outputFormatForKind(kind::Gif), &rows[3]);
    EXPECT_EQ(outputFormatForKind(kind::Dll), nullptr);

    EXPECT_EQ(ProposedSaveName("/home/u/pics/photo.bmp", ".jpg"), "photo.jpg");
    EXPECT_EQ(ProposedSaveName("/home/u.x/noext", ".ico"), "noext.ico");
    EXPECT_EQ(ProposedSaveName("/home/u/.hidden", ".gif"), ".hidden.gif");
    EXPECT_EQ(SaveFolderOf("/home/u/pics/photo.jpg"), "/home/u/pics/");
    EXPECT_EQ(SaveFolderOf("photo.jpg"), "");

    // The row's saver writes the format it names.
    test::TempDir dir;
    const Bitmap src = makeBitmap(4, 4, PixelFormat::Device, patternColor);
    ASSERT_TRUE(rows[1].save(&src, dir.file("r.jpg"), ExportOptions{}));
    const auto written = readFile(dir.file("r.jpg"));
    ASSERT_GE(written.size(), 2u);
    EXPECT_EQ(written[0], 0xFF);
    EXPECT_EQ(written[1], 0xD8);
}

}  // namespace
}  // namespace vexilo
