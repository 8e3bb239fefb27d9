#pragma once
// A person at the window: the mouse on the place a row is drawn, keys, and real waiting. Presses
// and keys on a dialog go through the widget's window, as the window system delivers them, so a
// window that a modal dialog blocks does not get them.
#include <QAbstractItemView>
#include <QApplication>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <optional>

namespace vexilo::test {

// The row's rectangle once the view has laid it out (large icons lay out in batches).
inline QPoint rowCentre(QAbstractItemView* view, int row) {
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    (void)QTest::qWaitFor([&] { return view->visualRect(index).isValid(); }, 2000);
    return view->visualRect(index).center();
}

inline void clickRow(QAbstractItemView* view, int row, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, rowCentre(view, row));
}

inline void doubleClickRow(QAbstractItemView* view, int row) {
    const QPoint at = rowCentre(view, row);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

inline void clickOn(QWidget* w, std::optional<QPoint> at = std::nullopt) {
    QTest::mouseClick(w->window()->windowHandle(), Qt::LeftButton, {},
                      w->mapTo(w->window(), at.value_or(w->rect().center())));
}

inline void keyOn(QWidget* w, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(w->window()->windowHandle(), key, modifiers);
}

}  // namespace vexilo::test
