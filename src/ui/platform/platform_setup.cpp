#include "ui/platform/platform_setup.h"

namespace vexilo {

void installPlatformServices() {
    // Each desktop service adds its one installing call here.
}

}  // namespace vexilo
