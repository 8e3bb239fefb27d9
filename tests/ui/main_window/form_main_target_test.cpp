// The target wired into the main window: rows selected in the list load, show and save.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QScreen>
#include <QTreeView>
#include <filesystem>

#include "codecs/bmp_codec.h"
#include "imageio/loaders.h"
#include "imageio/savers.h"
#include "lang/lang.h"
#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"
#include "support/test_util.h"
#include "ui/full_view/form_view.h"
#include "ui/main_window/form_main.h"
#include "ui/main_window/found_list_model.h"
#include "ui/main_window/main_window_fixture.h"
#include "ui/main_window/target_panel.h"
#include "ui/person.h"
#include "ui/qt_test_app.h"

namespace vexilo {
namespace {

namespace fs = std::filesystem;

// The window opened on a scanned data folder.
class FormMainTarget : public test::MainWindowTest {
protected:
    FormMainTarget() { fs::create_directories(data()); }
    void openAndScan() {
        open();
        form->CheckListBox1DragDrop(data());
        form->SBScanClick();
    }
};

TEST_F(FormMainTarget, SelectedRowsLoadShowSaveAndCopy) {
    const std::string data = this->data();
    const Bitmap picture = test::makeBitmap(30, 20, PixelFormat::Bpp24, test::patternColor);
    saveBmpFile(picture, data + "a.bmp");
    ASSERT_TRUE(SaveImageAs(kind::Png, data + "b.png", &picture, {}));
    ASSERT_TRUE(SaveImageAs(kind::Gif, data + "c.gif", &picture, {}));
    openAndScan();
    TFormMain& win = *form;
    ASSERT_EQ(win.imageSearch().list().size(), 3u);

    TargetPanel* panel = win.targetPanel();
    ASSERT_NE(panel, nullptr);
    // Rows are clicked where they are drawn, in every view style; each click shows its own row.
    auto view = [&]() -> QAbstractItemView* {
        return win.viewStyle() == 3
                   ? static_cast<QAbstractItemView*>(win.findChild<QTreeView*>("ListView1Details"))
                   : win.findChild<QListView*>("ListView1");
    };
    auto rowOf = [&](const std::string& name) {
        const auto& rows = win.imageSearch().list().rows();
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].image.Name == name) return static_cast<int>(i);
        return -1;
    };
    auto select = [&](const std::string& name) { test::clickRow(view(), rowOf(name)); };
    for (int style : {0, 3, 2}) {
        win.SelListViewType(style);
        for (const auto& [name, kindName] :
             {std::pair{"a.bmp", "Bitmap"}, {"b.png", "Png"}, {"c.gif", "Gif"}, {"a.bmp", "Bitmap"}}) {
            select(name);
            EXPECT_EQ(win.CBViewAs->currentText().toStdString(), kindName) << style;
            EXPECT_EQ(win.m_targetArea->title().toStdString(),
                      std::string(" Target (double click to enlarge): ") + kindName + " (30x20)");
            EXPECT_EQ(win.statusPanel(1)->text().toStdString(), data + name) << style;
            EXPECT_EQ(panel->target().DisplayImage().width(), 30);
        }
    }
    // Ctrl+click adds a row; the target stays the first selected. A plain click narrows it.
    select("a.bmp");
    test::clickRow(view(), rowOf("c.gif"), Qt::ControlModifier);
    EXPECT_EQ(win.selectedRows().size(), 2u);
    EXPECT_EQ(win.statusPanel(1)->text().toStdString(), data + "a.bmp");
    test::clickRow(view(), rowOf("c.gif"));
    EXPECT_EQ(win.statusPanel(1)->text().toStdString(), data + "c.gif");

    // The save commands run from the target's menu; the "Save as..." button drops down the list's.
    EXPECT_EQ(win.action(CommandId::SBSaveAs)->menu(), win.filesPopup());
    select("a.bmp");
    dialogs.saveAnswers = {data + "out.png"};
    win.saveAction(kind::Png)->trigger();
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].proposedName, "a.png");
    Bitmap back;
    ASSERT_TRUE(LoadPngFile(data + "out.png", &back));
    EXPECT_TRUE(test::samePixels(back, picture));
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back().text, "Converted: 1");

    win.action(CommandId::miCopybitmaptoclipboard)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(30, 20));

    // A double click on a row enlarges that row, and list clicks then refresh the view while the
    // list keeps the focus, so the arrow keys go on browsing.
    test::doubleClickRow(view(), rowOf("b.png"));
    ASSERT_TRUE(panel->fullView()->isVisible());
    EXPECT_TRUE(panel->fullView()->windowTitle().startsWith(QString::fromStdString(data + "b.png")));
    view()->activateWindow();
    view()->setFocus();
    select("a.bmp");
    EXPECT_TRUE(panel->fullView()->windowTitle().startsWith(QString::fromStdString(data + "a.bmp")));
    EXPECT_TRUE(view()->hasFocus());
    QTest::keyClick(view(), Qt::Key_End);
    EXPECT_EQ(win.statusPanel(1)->text().toStdString(), win.imageSearch().list().rows().back().image.path());
    panel->fullView()->close();
}

TEST_F(FormMainTarget, KeysMoveTheTargetOnlyWithoutModifiersAndTheFullViewFitsTheScreen) {
    const std::string data = this->data();
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
        saveBmpFile(test::makeBitmap(4, 4, PixelFormat::Bpp24, test::patternColor), data + name);
    // A photo larger than the screen.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    saveBmpFile(
        test::makeBitmap(screen.width() + 800, screen.height() + 600, PixelFormat::Bpp24, test::patternColor),
        data + "d.bmp");
    openAndScan();
    TFormMain& win = *form;
    win.ListView1ColumnClick(0);
    QAbstractItemView* view = win.findChild<QListView*>("ListView1");
    test::clickRow(view, 0);
    EXPECT_EQ(win.statusPanel(1)->text().toStdString(), data + "a.bmp");
    QTest::keyClick(view, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(win.selectedRows().size(), 2u);
    EXPECT_EQ(win.statusPanel(1)->text().toStdString(), data + "a.bmp");
    QTest::keyClick(view, Qt::Key_Left, Qt::ShiftModifier);  // back to row 0 alone
    QTest::keyClick(view, Qt::Key_Right);
    EXPECT_EQ(win.statusPanel(1)->text().toStdString(), data + "b.bmp");

    // Its enlarged view, title bar and close button included, stays on the screen.
    test::doubleClickRow(view, 3);
    TFormView* full = win.targetPanel()->fullView();
    ASSERT_TRUE(full->isVisible());
    EXPECT_TRUE(full->windowTitle().startsWith(QString::fromStdString(data + "d.bmp")));
    EXPECT_TRUE(screen.contains(full->frameGeometry()))
        << full->frameGeometry().width() << "x" << full->frameGeometry().height();
    // Where a person leaves it is where it opens after a restart.
    const QPoint place = screen.topLeft() + QPoint(40, 30);
    full->move(place);
    form->close();
    open();
    EXPECT_EQ(form->targetPanel()->fullView()->pos(), place);
}

}  // namespace
}  // namespace vexilo
