#pragma once
// The desktop icon theme's icon for a file's MIME type (folders: the folder icon), for the
// core's associated-icon service (imageio/desktop_services.h).
#include <optional>
#include <string>

#include "raster/icon.h"

namespace vexilo {

// The theme's icon for an existing file or folder at size x size, or none. Needs a
// QGuiApplication and the theme chosen (ensureIconTheme, icon_theme.h).
std::optional<Icon> qtAssociatedIcon(const std::string& path, int size);

}  // namespace vexilo
