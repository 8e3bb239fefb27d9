// vexilo-cli's desktop module: the Qt application and the Qt desktop services, built as a
// shared module of its own (see desktop_module.h).
#include "cli/desktop/desktop_module.h"

#include <QGuiApplication>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "ui/platform/associated_icon_qt.h"
#include "ui/platform/icon_theme.h"
#include "ui/platform/metafile_player_qt.h"
#include "ui/platform/platform_setup.h"

namespace {
// Qt keeps the address of argc and of argv for the application's whole life.
int g_argc = 1;
std::string g_program;
char* g_argv[] = {nullptr, nullptr};
std::unique_ptr<QGuiApplication> g_app;
}  // namespace

extern "C" __attribute__((visibility("default"))) bool vexilo_cli_desktop_start(
    const char* programPath, vexilo::DesktopServices* services) {
    if (!services) return false;
    // No display: Qt's offscreen platform. Qt sees only the program name, so no file argument is
    // ever taken for one of its options.
    if (!vexilo::haveDisplay()) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Qt's start-up notices (a missing XDG_RUNTIME_DIR and the like) are not ours to print: the
    // tool's output must stay what its commands write.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg) std::cerr << text.toStdString() << "\n";
    });
    g_program = programPath ? programPath : "vexilo-cli";
    g_argv[0] = g_program.data();
    g_app = std::make_unique<QGuiApplication>(g_argc, g_argv);
    vexilo::ensureIconTheme();
    services->associatedIcon = vexilo::qtAssociatedIcon;
    services->metafileCanvas = vexilo::makeQtMetafileCanvas;
    return true;
}

extern "C" __attribute__((visibility("default"))) void vexilo_cli_desktop_stop() {
    g_app.reset();
}
