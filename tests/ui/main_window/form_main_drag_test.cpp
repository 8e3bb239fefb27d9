// Files in and out of the main window by drag and drop, as the window system delivers them.
#include <gtest/gtest.h>

#include <QDrag>
#include <QMimeData>
#include <filesystem>

#include "codecs/bmp_codec.h"
#include "support/test_util.h"
#include "ui/main_window/main_window_fixture.h"
#include "ui/main_window/target_panel.h"
#include "ui/person.h"

namespace vexilo {
namespace {

// Notes what the drag a widget starts carries. A new child is told while it is being made, so it
// is looked at as a drag only when it is let go (the drag ends before the window runs on).
struct DragWatcher : QObject {
    bool started = false;
    QList<QUrl> urls;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ChildAdded)
            static_cast<QChildEvent*>(event)->child()->installEventFilter(this);
        if (event->type() == QEvent::DeferredDelete)
            if (auto* drag = qobject_cast<QDrag*>(watched); drag && drag->mimeData()) {
                started = true;
                urls = drag->mimeData()->urls();
            }
        return false;
    }
};

class FormMainDrag : public test::MainWindowTest {
protected:
    // Enter, move and drop at the widget's centre, through its window.
    bool dropOn(QWidget* widget, const std::vector<std::string>& paths) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const auto& p : paths) urls << QUrl::fromLocalFile(QString::fromStdString(p));
        mime.setUrls(urls);
        const QPointF at = widget->mapTo(widget->window(), widget->rect().center());
        QWindow* window = widget->window()->windowHandle();
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(window, &enter);
        QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(window, &move);
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(window, &drop);
        return drop.isAccepted();
    }
};

TEST_F(FormMainDrag, AFileDroppedOnTheListIsSearchedAndSelectedThenDragsOutAsAFile) {
    writePictures({"a.bmp", "b.bmp", "c.bmp"});
    open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    form->pageControl()->setCurrentIndex(1);
    ASSERT_TRUE(dropOn(list()->viewport(), {dir.file("data/b.bmp")}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->selectedRows().empty(); }, 10000));
    EXPECT_EQ(form->imageSearch().list().size(), 3u);
    ASSERT_EQ(form->selectedRows().size(), 1u);
    const std::size_t row = form->selectedRows().front();
    EXPECT_EQ(form->imageSearch().list().row(row).image.Name, "b.bmp");

    // A person drags the selected row out of the list.
    const QPoint at = test::rowCentre(list(), static_cast<int>(row));
    DragWatcher watcher;
    list()->installEventFilter(&watcher);
    QWindow* window = form->windowHandle();
    const QPoint inWindow = list()->viewport()->mapTo(form.get(), at);
    QTest::mousePress(window, Qt::LeftButton, {}, inWindow);
    QTest::mouseMove(window, inWindow + QPoint(10, 10));
    QTest::mouseMove(window, inWindow + QPoint(30, 30));
    ASSERT_TRUE(watcher.started) << "no drag started";
    EXPECT_EQ(watcher.urls, QList<QUrl>{QUrl::fromLocalFile(QString::fromStdString(dir.file("data/b.bmp")))});
    QTest::mouseRelease(window, Qt::LeftButton, {}, inWindow + QPoint(30, 30));

    // The preview shows the row: it drags out as the file and as the picture.
    std::unique_ptr<QMimeData> preview(form->targetPanel()->preview()->dragData());
    ASSERT_TRUE(preview);
    EXPECT_EQ(preview->urls().size(), 1);
    EXPECT_TRUE(preview->hasImage());

    EXPECT_FALSE(dropOn(list()->viewport(), {dir.file("data/gone.bmp")})) << "nothing on disk, no drop";
}

}  // namespace
}  // namespace vexilo
