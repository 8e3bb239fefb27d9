// The desktop program's entry point.
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "control/main_window/main_settings.h"
#include "lang/lang.h"
#include "settings/settings_store.h"
#include "ui/main_window/form_main.h"
#include "ui/platform/platform_setup.h"
#include "ui/qt_dialogs.h"

namespace {

// SIGTERM and SIGINT (a session ending, Ctrl+C in a terminal) close the window as the user
// would, so a running scan stops and the settings are written. The handler only writes a byte.
int g_signalPipe[2] = {-1, -1};

void onTerminate(int) {
    const char b = 1;
    [[maybe_unused]] const auto n = ::write(g_signalPipe[0], &b, 1);
}

void closeOnTerminate(vexilo::TFormMain& window) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, notifier] {
        char b = 0;
        [[maybe_unused]] const auto n = ::read(g_signalPipe[1], &b, 1);
        notifier->setEnabled(false);
        window.closeForSignal();
        QApplication::quit();
    });
    struct sigaction sa {};
    sa.sa_handler = onTerminate;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
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
    // vexilo [/GIF] [FOLDER|FILE]...: file names are bytes, taken as they are. Help and version
    // need no display.
    const auto startOptions = [&argc, argv] {
        const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
        return vexilo::parseCommandLine(args, QDir::currentPath().toStdString());
    };
    if (const vexilo::StartOptions early = startOptions(); early.help || early.version) {
        if (early.help)
            std::fputs(vexilo::commandLineUsage().c_str(), stdout);
        else
            std::printf("vexilo %s\n", vexilo::kProgramVersion);
        return 0;
    }
    if (!vexilo::haveDisplay()) {
        std::fprintf(stderr,
                     "vexilo: no display found (DISPLAY and WAYLAND_DISPLAY are unset). Start Vexilo "
                     "from a desktop session, or use vexilo-cli.\n");
        return 2;
    }
    VexiloApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(vexilo::kProgramName));
    QApplication::setApplicationVersion(QString::fromLatin1(vexilo::kProgramVersion));
    vexilo::installPlatformServices();
    // After Qt took its own options (-platform, -style) out of argv.
    vexilo::StartOptions options = startOptions();

    vexilo::SettingsStore store(vexilo::SettingsStore::defaultFolder());
    vexilo::TLang lang(&store);
    vexilo::QtDialogs dialogs;
    dialogs.setLanguage(&lang);
    // A failure while the window is built is said in a message box, not as an abort on a
    // terminal nobody sees.
    std::unique_ptr<vexilo::TFormMain> window;
    try {
        window = std::make_unique<vexilo::TFormMain>(store, lang, dialogs, std::move(options));
    } catch (const std::exception& e) {
        QMessageBox::critical(nullptr, QApplication::applicationName(), QString::fromUtf8(e.what()));
        return 1;
    }
    dialogs.setParent(window.get());
    closeOnTerminate(*window);
    window->show();
    return app.exec();
}
