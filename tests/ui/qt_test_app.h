#pragma once
// The one QApplication of a window test program (offscreen under ctest).
#include <QApplication>

namespace vexilo::test {

inline QApplication& qtApp() {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return *existing;
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: icon engines from plugins must not outlive the plugins at exit.
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

}  // namespace vexilo::test
