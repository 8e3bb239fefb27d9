#pragma once
// The main window's rules without its widgets: the command line, the toolbar docking rules, the
// sizes of the main toolbar's buttons and the stored layout (ReadSettings / WriteSettings). The
// window gathers its state into MainSettings, and applies what comes back.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/version.h"
#include "control/full_view/full_view_position.h"
#include "control/main_window/image_search.h"

namespace vexilo {

class SettingsStore;

// `vexilo [/GIF] [FOLDER|FILE]...`: "/GIF" in any letter case; other arguments name folders to
// search for this run (a file stands for its folder, and becomes the selected row once found).
struct StartOptions {
    bool gifOutput = false;
    std::vector<std::string> folders;  // each ends with '/', no repeats, in argument order
    std::vector<std::string> files;    // full paths of the named files
    std::vector<std::string> missing;  // arguments that name nothing on disk, as given
    bool help = false;                 // "--help" or "-h": the usage, no window
    bool version = false;              // "--version": the version, no window
    // Where the language packs and help pages are; empty: the program folder rule (tests point
    // it at a folder of their own).
    std::string programFolder;
};
// args without the program name. Relative paths are taken from currentDir. Arguments that name
// nothing on disk are listed in `missing`, for the window to say so.
StartOptions parseCommandLine(const std::vector<std::string>& args, const std::string& currentDir);
// What `vexilo --help` prints.
std::string commandLineUsage();

// The three toolbars and the four docks (1, 2: the window's top and left; 3, 4: the top of the
// "Images" tab and the strip between the list and the target). None means floating.
enum class Toolbar { Main, View, Modify };
enum class Dock { None, Dock1, Dock2, Dock3, Dock4 };
inline constexpr std::array<Toolbar, 3> kToolbars{Toolbar::Main, Toolbar::View, Toolbar::Modify};
std::string_view toolbarName(Toolbar t);   // "TlbMain", "TlbView", "TlbModify"
std::string_view dockName(Dock d);         // "Dock1".."Dock4", "nil"
Dock dockFromName(std::string_view name);  // unknown names give None
// "Main" only at the window's top or left; "View" and "Modify" only on the "Images" tab.
Dock allowedDock(Toolbar t, Dock requested);
// Where a toolbar docked nowhere goes back to: Main to dock 1, View to 3, Modify to 4.
Dock homeDock(Toolbar t);

struct ToolbarLayout {
    bool visible = true;
    Dock dock = Dock::None;
    std::int32_t row = 0, pos = 0;
    std::int32_t floatLeft = 0, floatTop = 0, floatRight = 0, floatBottom = 0, floatRightX = 0;
};
// FormCreate step 6: Main in row 0 at 0; View in row 0 at 293; Modify in row 1 at 0.
std::array<ToolbarLayout, 3> defaultToolbarLayouts();
// Steps 8 and 9: the docking rules, and a toolbar docked nowhere goes back to its home dock.
void settleToolbars(std::array<ToolbarLayout, 3>& layouts);

// miToolbars1Click: the entries' checks follow the toolbars' visibility; the clicked entry (if
// any) toggles; the toolbars then follow the checks. Returns the new visibility.
std::array<bool, 3> miToolbars1Click(const std::array<bool, 3>& visible, const Toolbar* clicked);

// ApplyButtonCaptions for the six "Main" buttons ("Start scan", "Stop scan", "Save as...",
// "Settings ...", "Help", "Exit"): their captions and one size each. textWidth measures a text
// in pixels; textHeight is the height of the "Start scan" caption.
struct ButtonCaptions {
    std::array<std::string, 6> captions;
    std::array<int, 6> widths{};
    std::array<int, 6> heights{};
};
ButtonCaptions ApplyButtonCaptions(bool showButText, const std::array<std::string, 6>& hints,
                                   const std::function<int(const std::string&)>& textWidth, int textHeight);

// Everything the stored settings hold for the main window. Before ReadSettings it holds the
// current values, which stay where a stored value is missing.
struct MainSettings {
    std::int32_t clientWidth = 0, clientHeight = 0, left = 0, top = 0;
    std::int32_t thumbWidth = 296, dirWidth = 299, masksWidth = 185;
    std::int32_t viewStyle = 0;  // 0 large icons, 1 small icons, 2 list, 3 details
    std::int32_t imageListWidth = 32, imageListHeight = 32;
    std::string lastDir;
    bool stretchView = false;
    bool showButText = true;
    // The enlarged view's place, its one holder: the view moves itself by it and keeps it.
    FullViewPosition preview;
    std::array<ToolbarLayout, 3> toolbars = defaultToolbarLayouts();
};

// The toolbar subkey first, then the values in table order, "Preview", "Paths" (replacing the
// search folders, unchecked) and "Masks" (appended, unchecked, unless already listed). A value
// stored as another type than text keeps its current value; the answer holds one message
// ("Invalid data type for '<name>'") per such value, for the window to show.
std::vector<std::string> ReadSettings(const SettingsStore& store, MainSettings& s,
                                      search::ImageSearch& search);
// The same in the same order, plus "Version" and "ProgPath". Writes to the store in memory;
// the caller saves the store.
void WriteSettings(SettingsStore& store, const MainSettings& s, const search::ImageSearch& search,
                   const std::string& programFolder);

// The stored view style clamped to the four styles (a damaged value gives large icons).
int clampViewStyle(std::int32_t style);

}  // namespace vexilo
