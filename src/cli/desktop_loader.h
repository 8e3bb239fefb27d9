#pragma once
// vexilo-cli's desktop services: they load the desktop module (cli/desktop/desktop_module.h),
// and with it Qt, the first time a command asks for one, so that a command that never does
// starts and runs without Qt's libraries. Until then, and when the module cannot be loaded, the
// core's own plain fallbacks answer.
#include <string>

namespace vexilo::cli {

// Installs the loading services for the process; `programPath` (argv[0]) goes to Qt.
void installLoadingDesktopServices(const char* programPath);
// Ends the module's Qt application if it was started. Called once, before the tool exits.
void stopDesktopServices();
// The module's path beside the executable or in the install tree; empty when none is there.
std::string desktopModulePath();

}  // namespace vexilo::cli
