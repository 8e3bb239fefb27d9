#pragma once
// The services the core asks of the desktop, in one struct installed once at start-up by the
// desktop layer (ui/platform/platform_setup.cpp). An empty member means the core's own plain
// fallback: the built-in generic icons and its own metafile rasteriser, so tests, fuzzers and a
// command line without a display work.
#include <functional>
#include <optional>
#include <string>

#include "codecs/metafile/metafile_canvas.h"
#include "raster/icon.h"

namespace vexilo {

struct DesktopServices {
    // The desktop's icon for an existing file or folder at size x size, or none when it has no
    // answer. Must not throw.
    std::function<std::optional<Icon>(const std::string& path, int size)> associatedIcon;
    // The canvas metafiles are played on.
    MetafileCanvasFactory metafileCanvas;
};

// Installs the services for the whole process and returns those installed before (tests put
// them back). Thread-safe.
DesktopServices installDesktopServices(DesktopServices services);
// A copy of the installed services, so a call into one never holds the lock.
DesktopServices desktopServices();

}  // namespace vexilo
