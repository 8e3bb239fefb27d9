#pragma once
// Pictures for the commands: the desktop icon theme's icon by its freedesktop name, else the
// program's own drawing of it, so every toolbar button has a picture under any desktop.
#include <QIcon>
#include <span>
#include <string_view>

namespace vexilo {

// Toolbar icon size in device-independent pixels. A theme icon is taken only when the theme
// draws it at this size and at twice it, so it stays sharp at 100 % and 200 % scale.
inline constexpr int kCommandIconSize = 24;

// The icon for a freedesktop icon name ("edit-find", "process-stop", "document-save-as", ...):
// the theme's when it is sharp (above), else the built-in one; the theme's at any size when
// there is no built-in one; a null icon when neither knows the name. Needs a QGuiApplication.
QIcon commandIcon(std::string_view name);

// The built-in drawing alone (scalable); a null icon for a name without one.
QIcon builtInCommandIcon(std::string_view name);

// The names that have a built-in drawing.
std::span<const std::string_view> builtInCommandIconNames();

// The program's own icon, for the windows and the desktop entry.
QIcon applicationIcon();

}  // namespace vexilo
