#pragma once
// The one entry of vexilo-cli's desktop module (vexilo-cli-desktop.so), which holds everything
// of the tool that needs Qt. The tool loads it with dlopen the first time a command asks the
// desktop for something (an associated icon, a metafile's canvas), so that the tool itself
// starts without Qt's libraries.
#include "imageio/desktop_services.h"

// Starts Qt (on the offscreen platform when there is no display) and fills `services` with the
// Qt implementations. Answers false when Qt could not start. Called once.
extern "C" bool vexilo_cli_desktop_start(const char* programPath, vexilo::DesktopServices* services);
// Ends Qt before the tool exits; the services must not be called after it.
extern "C" void vexilo_cli_desktop_stop();

namespace vexilo::cli {
inline constexpr const char* kDesktopModuleName = "vexilo-cli-desktop.so";
using DesktopStart = decltype(&vexilo_cli_desktop_start);
using DesktopStop = decltype(&vexilo_cli_desktop_stop);
}  // namespace vexilo::cli
