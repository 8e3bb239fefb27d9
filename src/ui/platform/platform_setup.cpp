#include "ui/platform/platform_setup.h"

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

}  // namespace vexilo
