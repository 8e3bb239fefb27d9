#include "base/xdg_folders.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/test_util.h"

namespace vexilo {
namespace {

using test::ScopedEnv;
using ::testing::ElementsAre;

TEST(XdgFolders, RelativeValuesAreIgnored) {
    ScopedEnv home("HOME", "/home/anna/");
    ScopedEnv data("XDG_DATA_HOME", "relative/data");
    ScopedEnv config("XDG_CONFIG_HOME", "/tmp/cfg/");
    ScopedEnv dirs("XDG_DATA_DIRS", "share:/opt/share/::/usr/share");
    ScopedEnv configDirs("XDG_CONFIG_DIRS", "etc");
    ScopedEnv cache("XDG_CACHE_HOME", "cache");
    EXPECT_EQ(xdgDataHome(), "/home/anna/.local/share");
    EXPECT_EQ(xdgConfigHome(), "/tmp/cfg");
    EXPECT_EQ(xdgCacheHome(), "/home/anna/.cache");
    EXPECT_THAT(xdgDataDirs(), ElementsAre("/opt/share", "/usr/share"));
    EXPECT_THAT(xdgConfigDirs(), ElementsAre("/etc/xdg"));
}

}  // namespace
}  // namespace vexilo
