#include "control/main_window/main_commands.h"

#include <string>
#include <vector>

#include "base/text.h"
#include "control/main_window/check_list.h"
#include "control/main_window/main_form.h"
#include "control/main_window/main_settings.h"
#include "imageio/file_kind.h"

namespace vexilo {

namespace {
using enum CommandId;
namespace h = helpctx;
namespace p = place;
using S = Section;
using E = Enabling;
using W = MainCommandHandlers;

// The handlers; a row names one of these, or a lambda of the same shape.
void scan(W& w, CommandId) {
    w.SBScanClick();
}
void stopScan(W& w, CommandId) {
    w.SBStopScanClick();
}
void exitProgram(W& w, CommandId) {
    w.SBExitClick();
}
void options(W& w, CommandId) {
    w.SBConfigClick();
}
void fileOperation(W& w, CommandId id) {
    w.miCopyfiletoClick(id);
}
void batchConvert(W& w, CommandId) {
    w.miBatchconvertiontoClick();
}
void desktopMenu(W& w, CommandId) {
    w.miWinMenuClick();
}
void copyToClipboard(W& w, CommandId) {
    w.miCopybitmaptoclipboardClick();
}
void about(W& w, CommandId) {
    w.miAboutClick();
}
void helpContents(W& w, CommandId) {
    w.miHelpClick(0);
}
void toggleToolbar(W& w, CommandId id) {
    const Toolbar t = id == miToolbarMain   ? Toolbar::Main
                      : id == miToolbarView ? Toolbar::View
                                            : Toolbar::Modify;
    w.miToolbars1Click(&t);
}
void deleteSelectedFolders(W& w, CommandId) {
    w.SBDelPathClick(search::DeletePaths::Selected);
}
void deleteAllFolders(W& w, CommandId) {
    w.SBDelPathClick(search::DeletePaths::All);
}

// clang-format off
constexpr Command kCommands[] = {
    {SBScan,              "SBScan",          48, "Start scan",                        "F5",        h::ToolbarMain,   "edit-find",          p::FilesMenu | p::MainToolbar, S::Scan,      E::Always,      scan,          true},
    {SBStopScan,          "SBStopScan",      47, "Stop scan",                         "Esc",       h::ToolbarMain,   "process-stop",       p::FilesMenu | p::MainToolbar, S::Scan,      E::Always,      stopScan,      true},
    {SBSaveAs,            "SBSaveAs",        45, "Save as...",                        "",          h::ToolbarMain,   "document-save-as",   p::MainToolbar,                S::Convert,   E::Always,      nullptr,       true},
    {SBConfig,            "SBConfig",        32, "Settings ...",                      "",          h::ToolbarMain,   "preferences-system", p::MainToolbar,                S::Options,   E::Always,      options,       true},
    {miCopyfileto,        "miCopyfileto",    51, "&Copy selected files to...",        "",          h::FoundList,     "edit-copy",          p::FilesMenu | p::ListPopup,   S::Files,     E::AnySelected, fileOperation, false},
    {miMovefileto,        "miMovefileto",    67, "&Move selected files to...",        "",          h::FoundList,     "",                   p::FilesMenu | p::ListPopup,   S::Files,     E::AnySelected, fileOperation, false},
    {miRenamefile,        "miRenamefile",    34, "&Rename file",                      "F2",        h::FoundList,     "",                   p::FilesMenu | p::ListPopup,   S::Files,     E::OneSelected, fileOperation, false},
    {miErasefiles,        "miErasefiles",    39, "&Erase selected files",             "Shift+Del", h::FoundList,     "edit-delete",        p::FilesMenu | p::ListPopup,   S::Files,     E::AnySelected, fileOperation, false},
    {miBatchconversionto, "miBatchconversionto", 73, "&Batch convert selected images to ...", "Ctrl+B", h::FoundList, "",                 p::ImageMenu | p::ListPopup,   S::Convert,   E::AnySelected, batchConvert,  false},
    {miHelp,              "miHelp",          49, "Help",                              "F1",        h::MainWindow,    "help-contents",      p::HelpMenu | p::MainToolbar,  S::Help,      E::Always,      helpContents,  true},
    {SBExit,              "SBExit",          44, "Exit",                              "Ctrl+Q",    h::ToolbarMain,   "application-exit",   p::FilesMenu | p::MainToolbar, S::Exit,      E::Always,      exitProgram,   true},
    {miWinMenu,           "miWinMenu",       66, "File conte&xt menu...",             "",          h::FoundList,     "",                   p::ListPopup,                  S::Desktop,   E::OneSelected, desktopMenu,   false},
    {miAbout,             "miAbout",         43, "&About",                            "",          h::MainWindow,    "help-about",         p::HelpMenu,                   S::Help,      E::Always,      about,         false},
    {miToolbarMain,       "miToolbarMain",  102, "&Main",                             "",          h::ToolbarMain,   "",                   p::ToolbarsMenu,               S::Toolbars,  E::Always,      toggleToolbar, false},
    {miToolbarView,       "miToolbarView",   86, "&View",                             "",          h::ToolbarView,   "",                   p::ToolbarsMenu,               S::Toolbars,  E::Always,      toggleToolbar, false},
    {miToolbarModify,     "miToolbarModify", 87, "M&odify",                           "",          h::ToolbarModify, "",                   p::ToolbarsMenu,               S::Toolbars,  E::Always,      toggleToolbar, false},
    {miAdvancedOptions,   "miAdvancedOptions", 35, "&Advanced options",               "",          h::MainWindow,    "preferences-system", p::OptionsMenu,                S::Options,   E::Always,      options,       false},
    {miCopybitmaptoclipboard, "miCopybitmaptoclipboard", 21, "Copy bitmap to clipboar&d", "",      h::FoundList,     "",                   p::TargetPopup,                S::Clipboard, E::Always,      copyToClipboard, false},
    {miDeleteSelected,    "miDeleteSelected", 113, "Delete selected",                 "",          h::Folders,       "",                   p::FoldersPopup,               S::Folders,   E::Always,      deleteSelectedFolders, false},
    {miDeleteAll,         "miDeleteAll",     114, "Delete all",                       "",          h::Folders,       "",                   p::FoldersPopup,               S::Folders,   E::Always,      deleteAllFolders, false},
};

// The pages of the main window's areas.
constexpr HelpTopic kHelpTopics[] = {
    {h::MainWindow, "main_window.html"},  // the main window and its "Search" tab
    {h::Folders, "main_window.html#folders"},  // the folder tree and the search folders
    {h::Masks, "main_window.html#masks"},
    {h::ImagesTab, "images_tab.html"},
    {h::FoundList, "images_tab.html#list"},  // the found-image list, the target and the enlarged view
    {h::ToolbarMain, "toolbars.html#main"},
    {h::ToolbarView, "toolbars.html#view"},
    {h::ToolbarModify, "toolbars.html#modify"},
};

// View and sort hints 10-19, titles, captions, tabs, menus, status texts; the commands' own come
// from their rows, the columns' from the details view's table.
constexpr int kMainTexts[] = {
    10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 22, 24, 41, 25, 29, 26, 36, 37, 38, 46, 75,
    61, 68, 82, 69, 70, 99, 100, 101, 85, 116, 94, 95, 93};
// clang-format on

// Each command once, and each with a help topic.
constexpr bool tableComplete() {
    for (std::size_t id = 0; id < kCommandCount; ++id) {
        std::size_t rows = 0;
        for (const Command& c : kCommands) rows += static_cast<std::size_t>(c.id) == id ? 1 : 0;
        if (rows != 1) return false;
    }
    for (const Command& c : kCommands) {
        bool topic = false;
        for (const HelpTopic& t : kHelpTopics) topic = topic || t.context == c.helpContext;
        if (!topic) return false;
    }
    return std::size(kCommands) == kCommandCount;
}
static_assert(tableComplete(), "every command has one row and a help topic");

constexpr std::array<std::size_t, kCommandCount> kRowOf = [] {
    std::array<std::size_t, kCommandCount> rows{};
    for (std::size_t i = 0; i < std::size(kCommands); ++i)
        rows[static_cast<std::size_t>(kCommands[i].id)] = i;
    return rows;
}();
}  // namespace

std::span<const Command> commandTable() {
    return kCommands;
}

const Command& command(CommandId id) {
    return kCommands[kRowOf[static_cast<std::size_t>(id)]];
}

std::span<const HelpTopic> mainWindowHelpTopics() {
    return kHelpTopics;
}

std::span<const int> mainWindowTextNumbers() {
    static const std::vector<int> numbers = [] {
        std::vector<int> n(std::begin(kMainTexts), std::end(kMainTexts));
        for (const Command& c : kCommands) n.push_back(c.textNumber);
        for (const DetailColumn& c : detailColumns()) n.push_back(c.textNumber);
        for (const FileFormat* f : saveMenuFormats()) n.push_back(f->save.textNumber);
        return n;
    }();
    return numbers;
}

std::string removeAmpersands(std::string_view text) {
    return stripAmpersands(text);
}

CommandStates UpdateCommandStates(std::size_t n) {
    CommandStates s;
    for (const Command& c : kCommands)
        s.enabled[static_cast<std::size_t>(c.id)] = c.enabling == Enabling::Always        ? true
                                                    : c.enabling == Enabling::AnySelected ? n > 0
                                                                                          : n == 1;
    return s;
}

}  // namespace vexilo
