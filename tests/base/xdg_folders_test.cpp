#include "base/xdg_folders.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace vexilo {
namespace {

using ::testing::ElementsAre;

// Sets a variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

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
