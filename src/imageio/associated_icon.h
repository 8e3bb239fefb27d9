#pragma once
// The icon the desktop shows for a file: the installed desktop service's (desktop_services.h,
// the icon theme), else a built-in generic document or folder icon, so tests and the command
// line work without a desktop.
#include <optional>
#include <string>

#include "raster/icon.h"

namespace vexilo {

// The built-in icons: a white page with a folded corner, and a yellow folder. Both have a mask
// and size x size pixels.
Icon genericDocumentIcon(int size);
Icon genericFolderIcon(int size);

// The associated icon of an existing file or folder at size x size: the desktop's, else the
// built-in one. None when the path is empty or names nothing.
std::optional<Icon> associatedIcon(const std::string& path, int size);

}  // namespace vexilo
