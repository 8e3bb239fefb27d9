#pragma once
// Installs the Qt implementations of the desktop services the core asks for
// (imageio/desktop_services.h). The desktop program and vexilo-cli both call it once after
// creating their QGuiApplication/QApplication.
namespace vexilo {

void installPlatformServices();

// Whether a Qt application can open windows here: the caller chose a platform
// (QT_QPA_PLATFORM: offscreen, xcb, ...) or the session has an X11 or Wayland display.
bool haveDisplay();

}  // namespace vexilo
