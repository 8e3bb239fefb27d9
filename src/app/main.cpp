// The desktop program's entry point.
#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

#include "ui/form_main.h"
#include "ui/platform/platform_setup.h"

namespace {

bool haveDisplay() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) return true;  // the caller chose a platform (offscreen, xcb, ...)
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

// Any exception that reaches the event loop is shown with its own text; the program goes on.
class VexiloApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            QMessageBox::critical(activeWindow(), applicationName(), QString::fromUtf8(e.what()));
        } catch (...) {
            QMessageBox::critical(activeWindow(), applicationName(), QStringLiteral("Unknown error"));
        }
        return false;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (!haveDisplay()) {
        std::fprintf(stderr,
                     "vexilo: no display found (DISPLAY and WAYLAND_DISPLAY are unset). Start Vexilo "
                     "from a desktop session, or use vexilo-cli.\n");
        return 2;
    }
    VexiloApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vexilo"));
    QApplication::setApplicationVersion(QStringLiteral(VEXILO_VERSION));
    vexilo::installPlatformServices();
    vexilo::TFormMain window;
    window.show();
    return app.exec();
}
