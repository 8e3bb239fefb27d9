#pragma once
// The main window's commands, declared once: actions, menus, toolbars, icons, enabling, handlers,
// the help map and the language-pack completeness test all read this table. A command's text
// comes from the pack by its number; the English text is the design-time caption shown when no
// pack could be loaded. A new command is a CommandId, its row in main_commands.cpp and its
// handler: a MainCommandHandlers method the main window implements (or an existing one).
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
    miWinMenu,                // list pop-up "File conte&xt menu..."
    miCopybitmaptoclipboard,  // the target's pop-up, below its save entries (one per save row
                              // of the format table, imageio/file_kind.h)
    miDeleteSelected,         // search folders pop-up
    miDeleteAll,
};
inline constexpr std::size_t kCommandCount = static_cast<std::size_t>(CommandId::miDeleteAll) + 1;

// Help context numbers of the main window's areas.
namespace helpctx {
inline constexpr int MainWindow = 63, ImagesTab = 64, Folders = 51, Masks = 52, FoundList = 54,
                     ToolbarMain = 621, ToolbarView = 622, ToolbarModify = 623;
}  // namespace helpctx

// A help context and the page (and anchor) that explains it.
struct HelpTopic {
    int context;
    std::string_view topic;
};
// The main window's areas and their pages; every command's help context is one of them.
std::span<const HelpTopic> mainWindowHelpTopics();

// Where a command appears: menus, pop-up menus and the main toolbar. Within each, commands keep
// the table's order, and a separator parts two neighbours of different sections.
namespace place {
enum : unsigned {
    FilesMenu = 1u << 0,
    ImageMenu = 1u << 1,
    ToolbarsMenu = 1u << 2,  // its entries tick their toolbar's visibility
    OptionsMenu = 1u << 3,
    HelpMenu = 1u << 4,
    ListPopup = 1u << 5,
    TargetPopup = 1u << 6,
    FoldersPopup = 1u << 7,
    MainToolbar = 1u << 8,
};
}  // namespace place

enum class Section { Scan, Files, Convert, Desktop, Exit, Toolbars, Options, Help, Clipboard, Folders };

// When a command is enabled, by the number of selected rows.
enum class Enabling { Always, AnySelected, OneSelected };

enum class Toolbar;
namespace search {
enum class DeletePaths;
}  // namespace search

// The handlers the commands run; the main window implements them.
class MainCommandHandlers {
public:
    virtual ~MainCommandHandlers() = default;
    virtual void SBScanClick() = 0;
    virtual void SBStopScanClick() = 0;
    virtual void SBExitClick() = 0;
    virtual void SBConfigClick() = 0;
    virtual void miCopyfiletoClick(CommandId which) = 0;  // copy, move, rename and erase
    virtual void miBatchconvertiontoClick() = 0;
    virtual void miWinMenuClick() = 0;
    virtual void miCopybitmaptoclipboardClick() = 0;
    virtual void miAboutClick() = 0;
    virtual void miHelpClick(int helpContext) = 0;
    virtual void miToolbars1Click(const Toolbar* entry) = 0;
    virtual void SBDelPathClick(search::DeletePaths which) = 0;
};
using CommandHandler = void (*)(MainCommandHandlers&, CommandId);

struct Command {
    CommandId id;
    std::string_view objectName;  // the control's name, also the QAction's object name
    int textNumber;               // interface text of the caption
    std::string_view english;     // design-time caption
    std::string_view shortcut;    // in the portable key-sequence form ("Ctrl+Q"); empty for none
    int helpContext;
    std::string_view icon;  // freedesktop icon name; empty for none
    unsigned places;        // place:: flags
    Section section;
    Enabling enabling;
    CommandHandler handler;  // null: the command only opens its drop-down
    bool stripAmpersand;     // toolbar hints and buttons lose every "&"
};

// Every command, in the order of the menus and toolbars.
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
