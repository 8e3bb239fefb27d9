#include "ui/platform/platform_setup.h"

#include <cstdlib>

#include "imageio/desktop_services.h"
#include "ui/platform/associated_icon_qt.h"
#include "ui/platform/icon_theme.h"
#include "ui/platform/metafile_player_qt.h"

namespace vexilo {

void installPlatformServices() {
    ensureIconTheme();
    DesktopServices services;
    services.associatedIcon = qtAssociatedIcon;
    services.metafileCanvas = makeQtMetafileCanvas;
    installDesktopServices(std::move(services));
}

bool haveDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) return true;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

}  // namespace vexilo
