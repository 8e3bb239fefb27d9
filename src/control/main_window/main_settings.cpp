#include "control/main_window/main_settings.h"

#include <sys/stat.h>

#include <algorithm>

#include "base/paths.h"
#include "base/text.h"
#include "settings/settings_store.h"

namespace vexilo {

namespace {

const std::string kRoot = kSettingsRootKey;
const std::string kToolBarKey = kRoot + "\\ToolBar";
const std::string kPreviewKey = kRoot + "\\Preview";
const std::string kPathsKey = kRoot + "\\Paths";
const std::string kMasksKey = kRoot + "\\Masks";

// Characters, not bytes, so that captions in any script compare fairly.
std::size_t utf8Length(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// Removes "." and ".." steps and doubled separators, so one folder is named one way.
std::string normalPath(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i <= path.size()) {
        const std::size_t j = std::min(path.find('/', i), path.size());
        const std::string part = path.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (const auto& p : parts) out += "/" + p;
    return out.empty() ? "/" : out;
}

}  // namespace

StartOptions parseCommandLine(const std::vector<std::string>& args, const std::string& currentDir) {
    StartOptions out;
    for (const auto& arg : args) {
        if (upperCase(arg) == "/GIF") {
            out.gifOutput = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            out.help = true;
            continue;
        }
        if (arg == "--version") {
            out.version = true;
            continue;
        }
        if (arg.empty()) continue;
        const std::string full = normalPath(arg.front() == '/' ? arg : withSlash(currentDir) + arg);
        struct stat st {};
        if (::stat(full.c_str(), &st) != 0) {
            out.missing.push_back(arg);
            continue;
        }
        std::string folder;
        if (S_ISDIR(st.st_mode)) {
            folder = withSlash(full);
        } else {
            out.files.push_back(full);
            folder = folderOf(full);
        }
        if (std::find(out.folders.begin(), out.folders.end(), folder) == out.folders.end())
            out.folders.push_back(folder);
    }
    return out;
}

std::string commandLineUsage() {
    return "Usage: vexilo [/GIF] [FOLDER|FILE]...\n"
           "Finds, shows and converts images and icons.\n"
           "\n"
           "  FOLDER      search this folder (for this run; it is not stored)\n"
           "  FILE        search the file's folder and select the file once found\n"
           "  /GIF        offer GIF among the output formats\n"
           "  --help      show this text and exit\n"
           "  --version   show the version and exit\n"
           "\n"
           "vexilo-cli does the same work from a terminal (vexilo-cli --help).\n";
}

std::string_view toolbarName(Toolbar t) {
    switch (t) {
        case Toolbar::Main:
            return "TlbMain";
        case Toolbar::View:
            return "TlbView";
        case Toolbar::Modify:
            return "TlbModify";
    }
    return "";
}

std::string_view dockName(Dock d) {
    switch (d) {
        case Dock::Dock1:
            return "Dock1";
        case Dock::Dock2:
            return "Dock2";
        case Dock::Dock3:
            return "Dock3";
        case Dock::Dock4:
            return "Dock4";
        case Dock::None:
            break;
    }
    return "nil";
}

Dock dockFromName(std::string_view name) {
    for (Dock d : {Dock::Dock1, Dock::Dock2, Dock::Dock3, Dock::Dock4})
        if (name == dockName(d)) return d;
    return Dock::None;
}

Dock allowedDock(Toolbar t, Dock requested) {
    if (t == Toolbar::Main) {
        if (requested == Dock::Dock3) return Dock::Dock1;
        if (requested == Dock::Dock4) return Dock::Dock2;
    } else {
        if (requested == Dock::Dock1) return Dock::Dock3;
        if (requested == Dock::Dock2) return Dock::Dock4;
    }
    return requested;
}

Dock homeDock(Toolbar t) {
    switch (t) {
        case Toolbar::Main:
            return Dock::Dock1;
        case Toolbar::View:
            return Dock::Dock3;
        case Toolbar::Modify:
            return Dock::Dock4;
    }
    return Dock::Dock1;
}

std::array<ToolbarLayout, 3> defaultToolbarLayouts() {
    std::array<ToolbarLayout, 3> out;
    out[0].dock = Dock::Dock1;
    out[1].dock = Dock::Dock3;
    out[1].pos = 293;
    out[2].dock = Dock::Dock4;
    out[2].row = 1;
    return out;
}

void settleToolbars(std::array<ToolbarLayout, 3>& layouts) {
    for (std::size_t i = 0; i < layouts.size(); ++i) {
        auto& l = layouts[i];
        l.dock = allowedDock(kToolbars[i], l.dock);
        if (l.dock == Dock::None) l.dock = homeDock(kToolbars[i]);
    }
}

std::array<bool, 3> miToolbars1Click(const std::array<bool, 3>& visible, const Toolbar* clicked) {
    std::array<bool, 3> checks = visible;
    if (clicked) {
        auto& c = checks[static_cast<std::size_t>(*clicked)];
        c = !c;
    }
    return checks;
}

ButtonCaptions ApplyButtonCaptions(bool showButText, const std::array<std::string, 6>& hints,
                                   const std::function<int(const std::string&)>& textWidth, int textHeight) {
    ButtonCaptions out;
    if (!showButText) {
        for (std::size_t i = 0; i < 6; ++i) {
            out.heights[i] = 35;
            out.widths[i] = (i == 2 || i == 4) ? 45 : 35;  // "Save as..." and "Help" carry a drop-down
        }
        return out;
    }
    // The longest caption is the one with the most characters; the later one wins a tie.
    std::size_t longest = 0;
    for (std::size_t i = 0; i < 6; ++i) {
        out.captions[i] = hints[i];
        if (utf8Length(hints[i]) >= utf8Length(hints[longest])) longest = i;
    }
    const int width = textWidth(hints[longest]) + 5;
    for (std::size_t i = 0; i < 6; ++i) {
        out.widths[i] = width;
        out.heights[i] = textHeight + 40;
    }
    return out;
}

int clampViewStyle(std::int32_t style) {
    return style >= 0 && style <= 3 ? style : 0;
}

std::vector<std::string> ReadSettings(const SettingsStore& store, MainSettings& s,
                                      search::ImageSearch& search) {
    // A value of another type than text fails alone: it keeps its default, its message is kept
    // for the window to show, and the start goes on with the other values.
    TolerantReader read(store);
    const auto integer = [&](const std::string& key, const char* name, std::int32_t def) {
        return read.integer(key, name, def);
    };
    const auto boolean = [&](const std::string& key, const char* name, bool def) {
        return read.boolean(key, name, def);
    };
    const auto text = [&](const std::string& key, const char* name, const std::string& def) {
        return read.text(key, name, def);
    };
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string key = kToolBarKey + "\\" + std::string(toolbarName(kToolbars[i]));
        if (!store.keyExists(key)) continue;
        auto& l = s.toolbars[i];
        l.visible = boolean(key, "Visible", l.visible);
        if (store.valueExists(key, "DockedTo"))
            l.dock = dockFromName(text(key, "DockedTo", std::string(dockName(l.dock))));
        l.row = integer(key, "DockRow", l.row);
        l.pos = integer(key, "DockPos", l.pos);
        l.floatLeft = integer(key, "FloatLeft", l.floatLeft);
        l.floatTop = integer(key, "FloatTop", l.floatTop);
        l.floatRight = integer(key, "FloatRight", l.floatRight);
        l.floatBottom = integer(key, "FloatBottom", l.floatBottom);
        l.floatRightX = integer(key, "FloatRightX", l.floatRightX);
    }
    s.clientWidth = integer(kRoot, "ClientWidth", s.clientWidth);
    s.clientHeight = integer(kRoot, "ClientHeight", s.clientHeight);
    s.left = integer(kRoot, "Left", s.left);
    s.top = integer(kRoot, "Top", s.top);
    s.thumbWidth = integer(kRoot, "ThumbWidth", s.thumbWidth);
    s.dirWidth = integer(kRoot, "DirWidth", s.dirWidth);
    s.masksWidth = integer(kRoot, "MasksWidth", s.masksWidth);
    s.viewStyle = clampViewStyle(integer(kRoot, "ViewStyle", s.viewStyle));
    s.imageListWidth = integer(kRoot, "ImageListWidth", s.imageListWidth);
    s.imageListHeight = integer(kRoot, "ImageListHeight", s.imageListHeight);
    s.lastDir = text(kRoot, "LastDir", s.lastDir);
    s.stretchView = boolean(kRoot, "StretchView", s.stretchView);
    s.showButText = boolean(kRoot, "ShowButText", s.showButText);
    search.useThumbnailCache = boolean(kRoot, "ThumbnailCache", search.useThumbnailCache);
    search.iconSize = text(kRoot, "IconSize", "System") == "Largest" ? IconSize::Largest : IconSize::System;
    search.turnByOrientation = boolean(kRoot, "TurnByOrientation", search.turnByOrientation);
    search.naturalOrder = boolean(kRoot, "NaturalOrder", search.naturalOrder);
    s.preview.Left = integer(kPreviewKey, "Left", s.preview.Left);
    s.preview.Top = integer(kPreviewKey, "Top", s.preview.Top);

    std::vector<std::string> folders;
    for (const auto& name : store.valueNames(kPathsKey))
        if (!name.empty()) folders.push_back(name);
    search.setSearchFolders(folders);
    for (const auto& mask : store.valueNames(kMasksKey))
        if (!mask.empty() && search.masks.findIgnoringCase(mask) < 0) search.masks.append(mask, false);
    return read.problems;
}

void WriteSettings(SettingsStore& store, const MainSettings& s, const search::ImageSearch& search,
                   const std::string& programFolder) {
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string key = kToolBarKey + "\\" + std::string(toolbarName(kToolbars[i]));
        const auto& l = s.toolbars[i];
        store.writeInteger(key, "Visible", l.visible ? 1 : 0);
        store.writeString(key, "DockedTo", std::string(dockName(l.dock)));
        store.writeInteger(key, "DockRow", l.row);
        store.writeInteger(key, "DockPos", l.pos);
        store.writeInteger(key, "FloatLeft", l.floatLeft);
        store.writeInteger(key, "FloatTop", l.floatTop);
        store.writeInteger(key, "FloatRight", l.floatRight);
        store.writeInteger(key, "FloatBottom", l.floatBottom);
        store.writeInteger(key, "FloatRightX", l.floatRightX);
    }
    store.writeInteger(kRoot, "ClientWidth", s.clientWidth);
    store.writeInteger(kRoot, "ClientHeight", s.clientHeight);
    store.writeInteger(kRoot, "Left", s.left);
    store.writeInteger(kRoot, "Top", s.top);
    store.writeInteger(kRoot, "ThumbWidth", s.thumbWidth);
    store.writeInteger(kRoot, "DirWidth", s.dirWidth);
    store.writeInteger(kRoot, "MasksWidth", s.masksWidth);
    store.writeInteger(kRoot, "ViewStyle", s.viewStyle);
    store.writeInteger(kRoot, "ImageListWidth", s.imageListWidth);
    store.writeInteger(kRoot, "ImageListHeight", s.imageListHeight);
    store.writeString(kRoot, "LastDir", s.lastDir);
    store.writeBool(kRoot, "StretchView", s.stretchView);
    store.writeString(kRoot, "Version", kProgramVersion);
    store.writeString(kRoot, "ProgPath", programFolder);
    store.writeBool(kRoot, "ShowButText", s.showButText);
    store.writeBool(kRoot, "ThumbnailCache", search.useThumbnailCache);
    store.writeString(kRoot, "IconSize", search.iconSize == IconSize::Largest ? "Largest" : "System");
    store.writeBool(kRoot, "TurnByOrientation", search.turnByOrientation);
    store.writeBool(kRoot, "NaturalOrder", search.naturalOrder);
    store.writeInteger(kPreviewKey, "Left", s.preview.Left);
    store.writeInteger(kPreviewKey, "Top", s.preview.Top);

    store.deleteKey(kPathsKey);
    const auto& folders = search.searchFolders.items;
    for (std::size_t i = 0; i < folders.size(); ++i)
        store.writeInteger(kPathsKey, folders[i].text, static_cast<std::int64_t>(i));

    const auto masks = search.userMasks();
    if (!masks.empty()) {
        store.deleteKey(kMasksKey);
        for (std::size_t i = 0; i < masks.size(); ++i)
            store.writeInteger(kMasksKey, masks[i], static_cast<std::int64_t>(i));
    }
}

}  // namespace vexilo
