#include "control/main_window/main_settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "control/main_window/main_commands.h"
#include "imageio/file_kind.h"
#include "lang/lang.h"
#include "settings/settings_store.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
namespace fs = std::filesystem;
const std::string kRoot = kSettingsRootKey;

TEST(MainFormCommandLine, GifSwitchInAnyCaseFoldersAndFiles) {
    test::TempDir dir;
    fs::create_directories(dir.path() / "a");
    std::ofstream(dir.path() / "a" / "x.bmp") << "x";
    const std::string base = dir.path().string();
    for (const char* gif : {"/GIF", "/gif", "/gIf"})
        EXPECT_TRUE(parseCommandLine({gif}, base).gifOutput) << gif;
    EXPECT_FALSE(parseCommandLine({"/GIFS", "-gif"}, base).gifOutput);

    // A folder, the same folder again through a file in it (relative), and a missing name.
    const auto o = parseCommandLine({base + "/a", "a/./x.bmp", "missing"}, base);
    EXPECT_THAT(o.folders, ElementsAre(base + "/a/"));
    EXPECT_THAT(o.files, ElementsAre(base + "/a/x.bmp"));
    EXPECT_THAT(o.missing, ElementsAre("missing"));
    EXPECT_FALSE(o.help || o.version);
}

TEST(MainFormToolbars, DockingRulesHomesAndMenuChecks) {
    EXPECT_EQ(allowedDock(Toolbar::Main, Dock::Dock3), Dock::Dock1);
    EXPECT_EQ(allowedDock(Toolbar::Main, Dock::Dock4), Dock::Dock2);
    EXPECT_EQ(allowedDock(Toolbar::Main, Dock::Dock2), Dock::Dock2);
    EXPECT_EQ(allowedDock(Toolbar::View, Dock::Dock1), Dock::Dock3);
    EXPECT_EQ(allowedDock(Toolbar::Modify, Dock::Dock2), Dock::Dock4);
    EXPECT_EQ(allowedDock(Toolbar::View, Dock::Dock4), Dock::Dock4);

    auto layouts = defaultToolbarLayouts();
    layouts[0].dock = Dock::Dock4;
    layouts[1].dock = Dock::None;  // floating at close: docked again at start
    layouts[2].dock = Dock::Dock1;
    settleToolbars(layouts);
    EXPECT_EQ(layouts[0].dock, Dock::Dock2);
    EXPECT_EQ(layouts[1].dock, Dock::Dock3);
    EXPECT_EQ(layouts[2].dock, Dock::Dock3);

    const Toolbar view = Toolbar::View;
    EXPECT_EQ(miToolbars1Click({true, true, false}, &view), (std::array<bool, 3>{true, false, false}));
    EXPECT_EQ(miToolbars1Click({true, false, true}, nullptr), (std::array<bool, 3>{true, false, true}));
}

TEST(MainFormButtons, ApplyButtonCaptionsSizes) {
    const std::array<std::string, 6> hints{"Start scan",   "Stop scan", "Save as...",
                                           "Settings ...", "Help",      "Exit"};
    auto width = [](const std::string& t) { return static_cast<int>(t.size()) * 7; };
    const auto shown = ApplyButtonCaptions(true, hints, width, 13);
    EXPECT_EQ(shown.captions[3], "Settings ...");
    EXPECT_THAT(shown.widths, Each(12 * 7 + 5));  // "Settings ..." has the most characters
    EXPECT_THAT(shown.heights, Each(53));
    // A tie goes to the later caption: "Stop" and "Exit" both have four, "Exit" wins.
    const auto tie = ApplyButtonCaptions(
        true, {"Scan", "Stop", "Save", "Opts", "Help", "Exit"},
        [](const std::string& t) { return t == "Exit" ? 40 : 20; }, 10);
    EXPECT_EQ(tie.widths[0], 45);
    const auto bare = ApplyButtonCaptions(false, hints, width, 13);
    EXPECT_THAT(bare.widths, ElementsAre(35, 35, 45, 35, 45, 35));
    EXPECT_EQ(bare.captions[0], "");
    EXPECT_EQ(bare.heights[5], 35);
}

TEST(MainFormCommands, EnablingBySelectionAndPackCompleteness) {
    for (std::size_t n : {0u, 1u, 2u}) {
        const auto s = UpdateCommandStates(n);
        EXPECT_EQ(s[CommandId::miCopyfileto], n > 0) << n;   // any selected
        EXPECT_EQ(s[CommandId::miRenamefile], n == 1) << n;  // one selected
        EXPECT_TRUE(s[CommandId::SBScan]) << n;
    }
    // English carries every text the main window and its commands show (every other shipped
    // pack is checked complete against English in tests/lang).
    TLang english;
    english.ProgramDir = std::string(VEXILO_SOURCE_DIR) + "/lang/";
    ASSERT_EQ(english.load(), TLang::kLoaded);
    for (const Command& c : commandTable())
        EXPECT_FALSE(english.interfaceText(c.textNumber).empty()) << c.textNumber;
    for (int n : mainWindowTextNumbers()) EXPECT_FALSE(english.interfaceText(n).empty()) << n;
    for (int m : {10, 16, 23}) EXPECT_FALSE(english.messageText(m).empty()) << "M" << m;
}

TEST(MainFormSettings, RoundTripAndReadingRules) {
    SettingsStore store;
    search::ImageSearch first;
    first.SBAddPathClick("/data/b/");
    first.SBAddPathClick("/data/a/");
    std::string mask = "*.XCF";
    first.BitBtnAddMaskClick(mask);
    first.useThumbnailCache = false;
    MainSettings s;
    s.clientWidth = 800;
    s.thumbWidth = 350;
    s.viewStyle = 3;
    s.stretchView = true;
    s.showButText = false;
    s.lastDir = "/data/";
    s.toolbars[1].visible = false;
    s.toolbars[2].dock = Dock::Dock3;
    s.toolbars[2].row = 1;
    WriteSettings(store, s, first, "/opt/vexilo/");
    EXPECT_EQ(store.readValue(kRoot, "Version"), kProgramVersion);
    EXPECT_EQ(store.readValue(kRoot, "ProgPath"), "/opt/vexilo/");
    EXPECT_EQ(store.readValue(kRoot + "\\ToolBar\\TlbModify", "DockedTo"), "Dock3");
    EXPECT_EQ(store.readValue(kRoot + "\\ToolBar\\TlbMain", "DockedTo"), "Dock1");
    EXPECT_THAT(store.valueNames(kRoot + "\\Paths"), ElementsAre("/data/b/", "/data/a/"));

    search::ImageSearch next;
    MainSettings r;
    ReadSettings(store, r, next);
    const auto written = [](const MainSettings& m) {
        return std::tuple(m.clientWidth, m.thumbWidth, m.viewStyle, m.stretchView, m.showButText, m.lastDir,
                          m.toolbars[1].visible, m.toolbars[2].dock, m.toolbars[2].row);
    };
    EXPECT_EQ(written(r), written(s));
    EXPECT_FALSE(next.useThumbnailCache);
    EXPECT_THAT(next.searchFolders.texts(), ElementsAre("/data/b/", "/data/a/"));
    EXPECT_FALSE(next.searchFolders.items[0].checked);
    // The user mask after the start entries, unchecked.
    const std::size_t starts = fileFormats().size();
    ASSERT_EQ(next.masks.size(), starts + 1);
    EXPECT_EQ(next.masks.items[starts].text, "*.xcf");
    EXPECT_FALSE(next.masks.items[starts].checked);

    // A missing value keeps the current one; a damaged style gives 0 (how stored numbers read,
    // hexadecimal too: SettingsStore.IntegerAndBooleanReadingRules).
    SettingsStore hand;
    hand.writeValue(kRoot, "ViewStyle", "9");
    MainSettings h;
    h.dirWidth = 123;
    h.viewStyle = 2;
    ReadSettings(hand, h, next);
    EXPECT_EQ(h.viewStyle, 0);
    EXPECT_EQ(h.dirWidth, 123);

    // No search folders: no "Paths" subkey; no user masks: "Masks" stays as it was.
    search::ImageSearch empty;
    WriteSettings(store, s, empty, "/opt/vexilo/");
    EXPECT_FALSE(store.keyExists(kRoot + "\\Paths"));
    EXPECT_THAT(store.valueNames(kRoot + "\\Masks"), ElementsAre("*.xcf"));
}

}  // namespace
}  // namespace vexilo
