#pragma once
// A person's input for the window tests: presses and keys go through the widget's window, as
// the window system delivers them, so a window that a modal dialog blocks does not get them.
#include <QApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <optional>

namespace vexilo::test {

inline void clickOn(QWidget* w, std::optional<QPoint> at = std::nullopt) {
    QTest::mouseClick(w->window()->windowHandle(), Qt::LeftButton, {},
                      w->mapTo(w->window(), at.value_or(w->rect().center())));
}

inline void keyOn(QWidget* w, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(w->window()->windowHandle(), key, modifiers);
}

// The modal window of type W once it is up (null after 3 s without one).
template <class W>
W* modalWindow() {
    (void)QTest::qWaitFor([] { return qobject_cast<W*>(QApplication::activeModalWidget()) != nullptr; },
                          3000);
    return qobject_cast<W*>(QApplication::activeModalWidget());
}

}  // namespace vexilo::test
