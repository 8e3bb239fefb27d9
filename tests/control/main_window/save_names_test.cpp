#include "control/main_window/save_names.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "control/main_window/main_commands.h"
#include "imageio/file_kind.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

TEST(SaveMenuFormats, EachRowIsTheCommandWithItsText) {
    // The command table and the format table name the same save commands: a row whose text
    // number or caption drifted from its command would be reached by no menu entry.
    const auto& rows = saveMenuFormats();
    for (const FileFormat* row : rows) {
        SCOPED_TRACE(row->name);
        const auto commands = commandTable();
        const auto it = std::find_if(commands.begin(), commands.end(),
                                     [&](const Command& c) { return c.textNumber == row->save.textNumber; });
        ASSERT_NE(it, commands.end());
        EXPECT_EQ(it->english, row->save.caption);
        EXPECT_EQ(saveMenuFormatWithText(row->save.textNumber), row);
        EXPECT_TRUE(row->output);
    }
    EXPECT_EQ(saveMenuFormatWithText(21), nullptr);  // the clipboard command

    EXPECT_EQ(ProposedSaveName("/home/u/pics/photo.bmp", ".jpg"), "photo.jpg");
    EXPECT_EQ(ProposedSaveName("/home/u.x/noext", ".ico"), "noext.ico");
    EXPECT_EQ(ProposedSaveName("/home/u/.hidden", ".gif"), ".hidden.gif");
    EXPECT_EQ(SaveFolderOf("/home/u/pics/photo.jpg"), "/home/u/pics/");
    EXPECT_EQ(SaveFolderOf("photo.jpg"), "");
}

}  // namespace
}  // namespace vexilo
