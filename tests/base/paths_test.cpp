#include "base/paths.h"

#include <gtest/gtest.h>

namespace vexilo {
namespace {

TEST(Paths, ExtensionsOfTheFileNameOnly) {
    EXPECT_EQ(lowerExtension("/a/Photo.JPG"), ".jpg");
    EXPECT_EQ(fileExtension("/a/Photo.JPG"), ".JPG");
    EXPECT_EQ(lowerExtension("/a.b/noext"), "");
    EXPECT_EQ(lowerExtension("/a/.wmf"), ".wmf");  // a leading dot counts
    EXPECT_EQ(lowerExtension("x.tar.GZ"), ".gz");
    EXPECT_EQ(lowerExtension("name."), ".");
    EXPECT_EQ(fileNameOf("/a/b.c"), "b.c");
    EXPECT_EQ(fileNameOf("b.c"), "b.c");
    EXPECT_EQ(folderOf("/a/b.c"), "/a/");
    EXPECT_EQ(folderOf("/b.c"), "/");
    EXPECT_EQ(folderOf("b.c"), "");
    EXPECT_EQ(replaceExtension("/d.x/photo.jpg", ".png"), "/d.x/photo.png");
    EXPECT_EQ(replaceExtension("/d.x/photo", ".png"), "/d.x/photo.png");  // a dot of the folder stays
}

}  // namespace
}  // namespace vexilo
