#pragma once
// The main window's commands, declared once: menus, toolbars, the help contexts and the
// language-pack completeness test all read this table. A command's text comes from the pack by
// its number; the English text is the design-time caption shown when no pack could be loaded.
#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace vexilo {

enum class CommandId {
    SBScan,        // "Start scan" (menu and button)
    SBStopScan,    // "Stop scan"
    miCopyfileto,  // "&Copy selected files to..."
    miMovefileto,  // "&Move selected files to..."
    miRenamefile,  // "&Rename file"
    miErasefiles,  // "&Erase selected files"
    SBExit,        // "Exit"
    miBatchconversionto,
    miToolbarMain,
    miToolbarView,
    miToolbarModify,
    miAdvancedOptions,  // "Options" -> "Advanced options"
    SBConfig,           // the "Settings ..." button: the same handler as miAdvancedOptions
    SBSaveAs,           // the "Save as..." button: opens its drop-down only
    miHelp,             // "Help index" and the "Help" button
    miAbout,
    miWinMenu,  // list pop-up "File conte&xt menu..."
    miSaveasBmp,
    miSavetargetasJPG,
    miSavetargetasICO,
    miSavetargetasGIF,
    miSavetargetasTGA,
    miSavetargetasPNG,
    miSavetargetasWmf,
    miCopybitmaptoclipboard,
    miDeleteSelected,  // search folders pop-up
    miDeleteAll,
};
inline constexpr std::size_t kCommandCount = static_cast<std::size_t>(CommandId::miDeleteAll) + 1;

// Help context numbers of the main window's areas.
namespace helpctx {
inline constexpr int MainWindow = 63, ImagesTab = 64, Folders = 51, Masks = 52, FoundList = 54,
                     ToolbarMain = 621, ToolbarView = 622, ToolbarModify = 623;
}  // namespace helpctx

struct Command {
    CommandId id;
    std::string_view objectName;  // the control's name, also the QAction's object name
    int textNumber;               // interface text of the caption
    std::string_view english;     // design-time caption
    std::string_view shortcut;    // in the portable key-sequence form ("Ctrl+Q"); empty for none
    int helpContext;
    std::string_view handler;  // the handler that runs it
    bool stripAmpersand;       // toolbar hints and buttons lose every "&"
};

// Every command, in CommandId order.
std::span<const Command> commandTable();
const Command& command(CommandId id);

// The interface text numbers the main window applies (columns, hints, captions, menus, status
// texts), for the completeness test of the packs; includes every command's number.
std::span<const int> mainWindowTextNumbers();

// Removes every "&" (hints and button captions taken from the pack).
std::string removeAmpersands(std::string_view text);

// The enabled state of each command for a number of selected rows. Commands that do not depend
// on the selection are enabled.
struct CommandStates {
    std::array<bool, kCommandCount> enabled{};
    bool operator[](CommandId id) const { return enabled[static_cast<std::size_t>(id)]; }
};
CommandStates UpdateCommandStates(std::size_t selectedRows);

}  // namespace vexilo
