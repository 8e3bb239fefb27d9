#include "files/desktop_applications.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/test_util.h"

using namespace vexilo;

// GIO reads the XDG folders once per process: the only test in this program that asks it.
TEST(DesktopApplications, HonoursTheUsersDefaultAndAddedAssociationsAndStartsOnAPathWithSpaces) {
    test::TempDir home, files;
    namespace fs = std::filesystem;
    fs::create_directories(home.path() / "data/applications");
    fs::create_directories(home.path() / "config");
    // "Ay" claims PNG itself and hides from menus; "Bee" claims nothing but is added and chosen.
    test::writeText(home.path() / "data/applications/ay.desktop",
                    "[Desktop Entry]\nType=Application\nName=Ay\nExec=true %f\nMimeType=image/png;\n"
                    "NoDisplay=true\n");
    // The desktop's own index of the entries' types, as update-desktop-database writes it.
    test::writeText(home.path() / "data/applications/mimeinfo.cache",
                    "[MIME Cache]\nimage/png=ay.desktop;\n");
    const std::string copy = files.file("copied.png");
    test::writeText(home.path() / "data/applications/bee.desktop",
                    "[Desktop Entry]\nType=Application\nName=Bee\nIcon=bee-icon\nExec=cp %f " + copy + "\n");
    test::writeText(home.path() / "config/mimeapps.list",
                    "[Added Associations]\nimage/png=bee.desktop;\n[Default Applications]\n"
                    "image/png=bee.desktop\n");
    test::ScopedEnv data("XDG_DATA_HOME", (home.path() / "data").c_str()),
        dirs("XDG_DATA_DIRS", (home.path() / "none").c_str()),
        config("XDG_CONFIG_HOME", (home.path() / "config").c_str()),
        configDirs("XDG_CONFIG_DIRS", (home.path() / "none").c_str());

    const auto preferred = defaultApplicationFor("image/png");
    ASSERT_TRUE(preferred);
    EXPECT_EQ(preferred->id, "bee.desktop");
    EXPECT_EQ(preferred->icon, "bee-icon");
    std::vector<std::string> names;
    for (const auto& app : applicationsFor("image/png")) names.push_back(app.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Bee", "Ay"})) << "the default first, hidden ones kept";
    EXPECT_FALSE(defaultApplicationFor("text/x-nobody-handles-this"));

    const std::string source = files.file("a b;c.png");
    test::writeText(source, "picture");
    ASSERT_TRUE(launchApplication("bee.desktop", source));
    // The copy is made by another process: wait until it is whole, not only there.
    for (int i = 0; i < 100 && test::readText(copy) != "picture"; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(test::readText(copy), "picture") << "the path reaches the program as one argument";
    EXPECT_FALSE(launchApplication("nobody.desktop", source));
}
