#include "control/main_commands.h"

#include <string>

#include "base/text.h"

namespace vexilo {

namespace {
using enum CommandId;
namespace h = helpctx;

// clang-format off
constexpr std::array<Command, kCommandCount> kCommands{{
    {SBScan,              "SBScan",          48, "Start scan",                        "F5",           h::ToolbarMain,   "SBScanClick",                 true},
    {SBStopScan,          "SBStopScan",      47, "Stop scan",                         "Esc",          h::ToolbarMain,   "SBStopScanClick",             true},
    {miCopyfileto,        "miCopyfileto",    51, "&Copy selected files to...",        "",             h::FoundList,     "miCopyfiletoClick",           false},
    {miMovefileto,        "miMovefileto",    67, "&Move selected files to...",        "",             h::FoundList,     "miCopyfiletoClick",           false},
    {miRenamefile,        "miRenamefile",    34, "&Rename file",                      "F2",           h::FoundList,     "miCopyfiletoClick",           false},
    {miErasefiles,        "miErasefiles",    39, "&Erase selected files",             "Shift+Del",    h::FoundList,     "miCopyfiletoClick",           false},
    {SBExit,              "SBExit",          44, "Exit",                              "Ctrl+Q",       h::ToolbarMain,   "SBExitClick",                 true},
    {miBatchconversionto, "miBatchconversionto", 73, "&Batch convert selected images to ...", "Ctrl+B", h::FoundList,   "miBatchconvertiontoClick",    false},
    {miToolbarMain,       "miToolbarMain",  102, "&Main",                             "",             h::ToolbarMain,   "miToolbars1Click",            false},
    {miToolbarView,       "miToolbarView",   86, "&View",                             "",             h::ToolbarView,   "miToolbars1Click",            false},
    {miToolbarModify,     "miToolbarModify", 87, "M&odify",                           "",             h::ToolbarModify, "miToolbars1Click",            false},
    {miAdvancedOptions,   "miAdvancedOptions", 35, "&Advanced options",               "",             h::MainWindow,    "SBConfigClick",               false},
    {SBConfig,            "SBConfig",        32, "Settings ...",                      "",             h::ToolbarMain,   "SBConfigClick",               true},
    {SBSaveAs,            "SBSaveAs",        45, "Save as...",                        "",             h::ToolbarMain,   "",                            true},
    {miHelp,              "miHelp",          49, "Help",                              "F1",           h::MainWindow,    "miHelpClick",                 true},
    {miAbout,             "miAbout",         43, "&About",                            "",             h::MainWindow,    "miAboutClick",                false},
    {miWinMenu,           "miWinMenu",       66, "File conte&xt menu...",             "",             h::FoundList,     "miWinMenuClick",              false},
    {miSaveasBmp,         "miSaveasBmp",     50, "Save target as &BMP...",            "",             h::FoundList,     "miSaveasBmpClick",            false},
    {miSavetargetasJPG,   "miSavetargetasJPG", 27, "Save target as &JPG...",          "",             h::FoundList,     "miSavetargetasJPGClick",      false},
    {miSavetargetasICO,   "miSavetargetasICO", 9, "Save target as &ICO...",           "",             h::FoundList,     "miSavetargetasICOClick",      false},
    {miSavetargetasGIF,   "miSavetargetasGIF", 65, "Save target as &GIF...",          "",             h::FoundList,     "miSavetargetasGIFClick",      false},
    {miSavetargetasTGA,   "miSavetargetasTGA", 71, "Save target as &TGA...",          "",             h::FoundList,     "miSavetargetasTGAClick",      false},
    {miSavetargetasPNG,   "miSavetargetasPNG", 72, "Save target as &PNG...",          "",             h::FoundList,     "miSavetargetasPNGClick",      false},
    {miSavetargetasWmf,   "miSavetargetasWmf", 76, "Save target as Meta&file...",     "",             h::FoundList,     "miSavetargetasWmfClick",      false},
    {miCopybitmaptoclipboard, "miCopybitmaptoclipboard", 21, "Copy bitmap to clipboar&d", "",         h::FoundList,     "miCopybitmaptoclipboardClick", false},
    {miDeleteSelected,    "miDeleteSelected", 113, "Delete selected",                 "",             h::Folders,       "SBDelPathClick",              false},
    {miDeleteAll,         "miDeleteAll",     114, "Delete all",                       "",             h::Folders,       "SBDelPathClick",              false},
}};

// Columns 3-7, view and sort hints 10-19, titles, captions, tabs, menus, status texts.
constexpr int kMainTexts[] = {
    3, 4, 5, 6, 7, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 22, 24, 41, 25, 29, 26, 36, 37, 38, 46, 75,
    47, 48, 49, 32, 44, 45, 43, 51, 67, 34, 39, 66, 73, 50, 27, 9, 65, 71, 72, 76, 21, 61, 68, 82,
    69, 70, 99, 100, 101, 85, 35, 86, 87, 102, 113, 114, 116, 94, 95, 93};
// clang-format on

constexpr bool tableInOrder() {
    for (std::size_t i = 0; i < kCommands.size(); ++i)
        if (static_cast<std::size_t>(kCommands[i].id) != i) return false;
    return true;
}
static_assert(tableInOrder(), "the command table follows CommandId order");
}  // namespace

std::span<const Command> commandTable() {
    return kCommands;
}

const Command& command(CommandId id) {
    return kCommands[static_cast<std::size_t>(id)];
}

std::span<const int> mainWindowTextNumbers() {
    return kMainTexts;
}

std::string removeAmpersands(std::string_view text) {
    return stripAmpersands(text);
}

CommandStates UpdateCommandStates(std::size_t n) {
    CommandStates s;
    s.enabled.fill(true);
    auto set = [&](CommandId id, bool on) { s.enabled[static_cast<std::size_t>(id)] = on; };
    set(miBatchconversionto, n > 0);
    set(miCopyfileto, n > 0);
    set(miMovefileto, n > 0);
    set(miErasefiles, n > 0);
    set(miRenamefile, n == 1);
    set(miWinMenu, n == 1);
    return s;
}

}  // namespace vexilo
