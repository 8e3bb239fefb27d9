#pragma once
// Installs the Qt implementations of the desktop services the core asks for
// (imageio/desktop_services.h). The desktop program and vexilo-cli both call it once after
// creating their QGuiApplication/QApplication.
namespace vexilo {

void installPlatformServices();

}  // namespace vexilo
