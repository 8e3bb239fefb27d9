#pragma once
// The desktop icon theme's icon for a file's MIME type (folders: the folder icon), for the
// core's associated-icon interface.
#include "imageio/associated_icon.h"

namespace vexilo {

class QtAssociatedIconProvider : public AssociatedIconProvider {
public:
    // Needs a QGuiApplication. Chooses the Adwaita theme, else hicolor, when the session
    // names no theme that has icons (as under the offscreen platform).
    QtAssociatedIconProvider();
    std::optional<Icon> iconFor(const std::string& path, int size) override;
};

// Installs QtAssociatedIconProvider as the process's associated-icon provider.
void installQtAssociatedIcons();

}  // namespace vexilo
