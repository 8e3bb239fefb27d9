#include "files/desktop_entries.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/test_util.h"

using namespace vexilo;

TEST(DesktopEntries, ParsesApplicationsAndExpandsExecFieldCodes) {
    const auto viewer =
        parseDesktopEntry("viewer.desktop",
                          "# comment\n[Desktop Entry]\nType=Application\nName=Viewer\nIcon=eye\n"
                          "Exec=\"/opt/my viewer/bin\" --title=%c %i -x \\\\ %U %d\n"
                          "MimeType=image/png;image/gif;\n[Desktop Action New]\nName=Other\n");
    ASSERT_TRUE(viewer);
    EXPECT_EQ(viewer->name, "Viewer");
    EXPECT_EQ(viewer->mimeTypes, (std::vector<std::string>{"image/png", "image/gif"}));
    EXPECT_EQ(expandExec(*viewer, "/tmp/a b;c.png"),
              (std::vector<std::string>{"/opt/my viewer/bin", "--title=Viewer", "--icon", "eye", "-x", "\\\\",
                                        "file:///tmp/a%20b%3Bc.png"}));

    EXPECT_FALSE(parseDesktopEntry("h.desktop",
                                   "[Desktop Entry]\nType=Application\nName=H\nExec=h\nNoDisplay=true\n"));
    EXPECT_FALSE(parseDesktopEntry("l.desktop", "[Desktop Entry]\nType=Link\nName=L\nURL=x\n"));
    const auto broken =
        parseDesktopEntry("b.desktop", "[Desktop Entry]\nType=Application\nName=B\nExec=\"b %f\n");
    ASSERT_TRUE(broken);
    EXPECT_TRUE(expandExec(*broken, "/x").empty()) << "an open quote runs nothing";
}

TEST(DesktopEntries, ReadsTheXdgFoldersWithTheirDefaults) {
    test::TempDir home, system;
    namespace fs = std::filesystem;
    fs::create_directories(home.path() / "applications/kde");
    fs::create_directories(system.path() / "applications");
    auto write = [](const fs::path& p, const std::string& name) {
        std::ofstream(p) << "[Desktop Entry]\nType=Application\nName=" << name << "\nExec=" << name
                         << " %f\nMimeType=image/png;\n";
    };
    write(home.path() / "applications/kde/zed.desktop", "Zed");
    write(home.path() / "applications/same.desktop", "Mine");
    write(system.path() / "applications/same.desktop", "Theirs");
    write(system.path() / "applications/alpha.desktop", "Alpha");
    std::ofstream(system.path() / "applications/mimeapps.list")
        << "[Default Applications]\nimage/png=kde-zed.desktop;\n";
    test::ScopedEnv data("XDG_DATA_HOME", home.path().c_str()), dirs("XDG_DATA_DIRS", system.path().c_str()),
        config("XDG_CONFIG_HOME", (home.path() / "none").c_str());
    const auto apps = DesktopApplications::fromEnvironment();
    std::vector<std::string> names;
    for (const auto& e : apps.forMimeType("image/png")) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Zed", "Alpha", "Mine"}))
        << "default first, the user's entry wins";
    EXPECT_EQ(apps.defaultFor("image/png")->id, "kde-zed.desktop");
    EXPECT_FALSE(apps.defaultFor("text/plain"));
}
