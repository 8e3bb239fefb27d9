#include "control/main_window/save_names.h"

#include <gtest/gtest.h>

namespace vexilo {
namespace {

TEST(SaveNames, ProposedNameAndFolderOfTheChoice) {
    EXPECT_EQ(ProposedSaveName("/home/u/pics/photo.bmp", ".jpg"), "photo.jpg");
    EXPECT_EQ(ProposedSaveName("/home/u.x/noext", ".ico"), "noext.ico");
    EXPECT_EQ(ProposedSaveName("/home/u/.hidden", ".gif"), ".hidden.gif");
    EXPECT_EQ(SaveFolderOf("/home/u/pics/photo.jpg"), "/home/u/pics/");
    EXPECT_EQ(SaveFolderOf("photo.jpg"), "");
}

}  // namespace
}  // namespace vexilo
