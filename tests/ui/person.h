#pragma once
// A person at the window: the mouse on the place a row is drawn, keys, and real waiting.
#include <QAbstractItemView>
#include <QTest>

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

}  // namespace vexilo::test
