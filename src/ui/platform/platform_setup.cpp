#include "ui/platform/platform_setup.h"

#include "ui/platform/associated_icon_qt.h"
#include "ui/platform/metafile_player_qt.h"

namespace vexilo {

void installPlatformServices() {
    // Each desktop service adds its one installing call here.
    installQtAssociatedIcons();
    installMetafilePlayer();
}

}  // namespace vexilo
