// The main window met as a person meets it: started over a program and a settings folder,
// scanned, clicked and keyed, its dialogs each running their own event loop while a person
// acts in them, closed and started again.
#include "ui/main_window/form_main.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <deque>
#include <filesystem>
#include <thread>

#include "imageio/savers.h"
#include "ui/about_box.h"
#include "ui/convert_dialog/form_cnv_dlg.h"
#include "ui/full_view/form_view.h"
#include "ui/help_viewer.h"
#include "ui/main_window/found_list_model.h"
#include "ui/main_window/main_window_fixture.h"
#include "ui/main_window/target_panel.h"
#include "ui/options_dialog/form_config.h"

namespace vexilo {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;
namespace fs = std::filesystem;

// Two language packs, so that a language can be chosen.
class FormMainTest : public test::MainWindowTest {
protected:
    FormMainTest() : test::MainWindowTest({"english.lng", "german.lng"}) {}
};

TEST_F(FormMainTest, FirstRunStateTheGifSwitchAndTheToolbars) {
    // The start values themselves are the controller's (MainFormSettings, ImageSearchMasks); here
    // the window shows them.
    open();
    EXPECT_EQ(form->pageControl()->tabPosition(), QTabWidget::South);
    EXPECT_EQ(form->pageControl()->currentIndex(), 0);
    EXPECT_EQ(form->toolbar(Toolbar::Main)->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_EQ(form->maskList()->item(0)->checkState(), Qt::Unchecked);  // "All files ..."
    EXPECT_EQ(form->maskList()->item(1)->checkState(), Qt::Checked);
    EXPECT_TRUE(dialogs.messages.empty());  // no notice on a clean first run
    EXPECT_FALSE(form->saveAction(kind::Gif)->isVisible());

    form->dockToolbar(Toolbar::Main, Dock::Dock4);  // dragged onto the "Images" tab's left edge
    EXPECT_EQ(form->dockOf(Toolbar::Main), Dock::Dock2);

    // Closing a toolbar (its close button hides it) unchecks its entry; the entry shows it again.
    QAction* entry = form->action(CommandId::miToolbarView);
    QToolButton* close = form->toolbar(Toolbar::View)->findChild<QToolButton*>("CloseToolbar");
    ASSERT_NE(close, nullptr);
    EXPECT_FALSE(close->isEnabled());  // only a floating toolbar shows it
    emit form->toolbar(Toolbar::View)->topLevelChanged(true);
    close->click();
    EXPECT_TRUE(form->toolbar(Toolbar::View)->isHidden());
    EXPECT_FALSE(entry->isChecked());
    entry->trigger();
    EXPECT_FALSE(form->toolbar(Toolbar::View)->isHidden());
    EXPECT_TRUE(entry->isChecked());
    // Switching tabs hides the inner toolbars from view but not from the menu.
    form->pageControl()->setCurrentIndex(0);
    EXPECT_TRUE(entry->isChecked());

    options.gifOutput = true;  // "/GIF" in any case: MainFormCommandLine
    open();
    EXPECT_TRUE(form->saveAction(kind::Gif)->isVisible());
}

TEST_F(FormMainTest, ScanGivesSortedRowsThumbnailsStatusAndCommandStates) {
    writePictures({"b.bmp", "A.bmp", "sub/c.bmp"});
    test::writeFile(dir.path() / "data" / "notes.txt", std::vector<std::uint8_t>{'x'});
    open();
    form->SBScanClick();  // nothing checked (the notice: MainFormTest): the "Search" tab stays
    EXPECT_EQ(form->pageControl()->currentIndex(), 0);

    form->CheckListBox1DragDrop(data());
    form->action(CommandId::SBScan)->trigger();
    EXPECT_EQ(form->pageControl()->currentIndex(), 1);
    EXPECT_EQ(form->statusPanel(1)->text().toStdString(), lang->messageText(10));
    EXPECT_EQ(form->listModel()->rowCount(), 3);
    const QIcon icon =
        form->listModel()->data(form->listModel()->index(0, 0), Qt::DecorationRole).value<QIcon>();
    EXPECT_EQ(icon.pixmap(QSize(32, 32)).size(), QSize(32, 32));
    EXPECT_EQ(icon.pixmap(QSize(16, 16)).size(), QSize(16, 16));

    // A column click sorts by its key (the keys' order: FoundImageListSort).
    form->ListView1ColumnClick(0);
    EXPECT_THAT(captions(), ElementsAre("A.bmp", "b.bmp", "c.bmp"));
    EXPECT_EQ(
        form->listModel()->data(form->listModel()->index(1, 1), Qt::DisplayRole).toString().toStdString(),
        std::to_string(fs::file_size(dir.path() / "data" / "b.bmp")));

    // The selection follows its rows through a sort and drives the command states.
    QAction* rename = form->action(CommandId::miRenamefile);
    test::clickRow(list(), 2);
    EXPECT_TRUE(rename->isEnabled());
    test::clickRow(list(), 0, Qt::ControlModifier);
    EXPECT_FALSE(rename->isEnabled());  // the rule for each command: MainFormCommands
    form->ListView1ColumnClick(0);
    std::vector<std::string> selected;
    for (std::size_t r : form->selectedRows()) selected.push_back(form->imageSearch().list().row(r).caption);
    EXPECT_THAT(selected, UnorderedElementsAre("A.bmp", "c.bmp"));
}

TEST_F(FormMainTest, TheCommandLineAddsFoldersForThisRunScansAndSelectsTheNamedFile) {
    writePictures({"a.bmp", "b.bmp"});
    const std::string programFolder = options.programFolder;
    options = parseCommandLine({"/GIF", data() + "b.bmp"}, "/");
    options.programFolder = programFolder;
    open();
    // The scan was queued at start; it runs from the event loop. (That the folder is not stored
    // is the controller's rule, checked there.)
    ASSERT_TRUE(QTest::qWaitFor([&] { return captions().size() == 2; }, 5000));
    const auto selected = form->selectedRows();
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(form->imageSearch().list().row(selected[0]).caption, "b.bmp");
    EXPECT_EQ(form->searchFolderList()->item(0)->checkState(), Qt::Checked);
}

TEST_F(FormMainTest, StopAndExitMidScanKeepTheWindowInCharge) {
    for (int i = 0; i < 60; ++i) writePictures({"one/f" + std::to_string(i) + ".bmp"});
    writePictures({"two/late.bmp"});
    open();
    form->CheckListBox1DragDrop(data("one"));
    form->CheckListBox1DragDrop(data("two"));
    auto stopAt = [&](CommandId id) {
        return QObject::connect(form->listModel(), &QAbstractItemModel::rowsInserted, form.get(), [&, id] {
            if (form->listModel()->rowCount() != 5) return;
            QTimer::singleShot(0, form->action(id), &QAction::trigger);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let the next pump deliver it
        });
    };
    auto c = stopAt(CommandId::SBStopScan);
    form->SBScanClick();
    QObject::disconnect(c);
    // Which rows a stop keeps, and in what order, is the controller's rule, checked there.
    EXPECT_GE(captions().size(), 5u);
    EXPECT_LT(captions().size(), 61u);

    stopAt(CommandId::SBExit);
    form->SBScanClick();
    EXPECT_FALSE(form->isVisible());
    EXPECT_LT(captions().size(), 61u);
    EXPECT_TRUE(fs::exists(dir.path() / "config" / SettingsStore::kFileName));  // written at close
}

TEST_F(FormMainTest, SettingsAndGeometryWrittenAtCloseComeBackAndTheWindowAlwaysFitsTheScreen) {
    fs::create_directories(dir.path() / "data" / "x");
    open();
    form->CheckListBox1DragDrop(data("x"));
    form->CheckListBox1DragDrop(data());
    form->maskEdit()->setText("*.XCF");
    QMetaObject::invokeMethod(form->maskEdit(), "returnPressed");
    form->SelListViewType(3);
    form->ChBStretch->setChecked(true);
    form->close();
    EXPECT_TRUE(dialogs.messages.empty());

    // What is stored and how it reads back (checked states included): MainFormSettings.
    open();
    QListWidget* folders = form->searchFolderList();
    ASSERT_EQ(folders->count(), 2);
    EXPECT_EQ(folders->item(0)->text().toStdString(), data("x"));
    QListWidget* masks = form->maskList();
    EXPECT_EQ(masks->item(masks->count() - 1)->text(), QStringLiteral("*.xcf"));
    EXPECT_EQ(form->viewStyle(), 3);
    EXPECT_TRUE(form->ChBStretch->isChecked());

    // A session that never shows the "Images" tab keeps the stored panel widths.
    const std::pair<const char*, int> stored[] = {
        {"ThumbWidth", 300},   {"DirWidth", 250}, {"MasksWidth", 210}, {"ClientWidth", 700},
        {"ClientHeight", 450}, {"Left", 20},      {"Top", 30}};
    for (const auto& [name, value] : stored) store->writeValue(kSettingsRootKey, name, std::to_string(value));
    store->save();
    form.reset();
    for (int run = 0; run < 2; ++run) {
        open();
        QTest::qWait(300);
        form->close();
        const SettingsStore reread((dir.path() / "config").string());
        for (const auto& [name, value] : stored)
            EXPECT_EQ(reread.readInteger(kSettingsRootKey, name, -1), value) << name << " after run " << run;
    }
    // The folder list at its stored width, and the list once the tab shows.
    open();
    EXPECT_EQ(form->searchFolderList()->parentWidget()->width(), 250);
    form->pageControl()->setCurrentIndex(1);
    QTest::qWait(100);
    QWidget* listPanel = form->findChild<QWidget*>("ListView1")->parentWidget()->parentWidget();
    EXPECT_EQ(listPanel->width(), 300);
    // A person drags the splitter 40 pixels to the left; the next start has that width.
    auto* splitter = qobject_cast<QSplitter*>(listPanel->parentWidget());
    ASSERT_NE(splitter, nullptr);
    QWidget* handle = splitter->handle(1);
    const QPoint grip = handle->rect().center();
    QTest::mousePress(handle, Qt::LeftButton, {}, grip);
    QMouseEvent drag(QEvent::MouseMove, QPointF(grip - QPoint(40, 0)),
                     handle->mapToGlobal(QPointF(grip - QPoint(40, 0))), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(handle, &drag);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, grip - QPoint(40, 0));
    EXPECT_EQ(listPanel->width(), 260);
    form->close();
    EXPECT_EQ(SettingsStore((dir.path() / "config").string()).readInteger(kSettingsRootKey, "ThumbWidth", -1),
              260);

    // A damaged width never hides the view buttons; a size and place from a larger screen or
    // a removed monitor are brought onto this one, title bar first.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    store->writeValue(kSettingsRootKey, "ThumbWidth", "48");
    store->writeValue(kSettingsRootKey, "ClientWidth", std::to_string(screen.width() * 2));
    store->writeValue(kSettingsRootKey, "ClientHeight", std::to_string(screen.height() * 2));
    store->writeValue(kSettingsRootKey, "Left", std::to_string(screen.right() - 50));
    store->writeValue(kSettingsRootKey, "Top", std::to_string(screen.bottom() - 50));
    store->save();
    open();
    form->pageControl()->setCurrentIndex(1);
    QTest::qWait(300);
    EXPECT_TRUE(screen.contains(form->frameGeometry()));
    auto* strip = form->findChild<QToolBar*>("ViewStyleButtons");
    ASSERT_NE(strip, nullptr);
    for (QAction* a : strip->actions()) {
        QWidget* button = strip->widgetForAction(a);
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->isVisible()) << a->text().toStdString();
    }
}

TEST_F(FormMainTest, SaveAsDropsDownOnlyTheBatchEntryAndTheListMenuAllOfThem) {
    writePictures({"a.bmp"});
    openAndScan();
    test::clickRow(list(), 0);
    auto shown = [&] {
        std::vector<std::string> out;
        for (QAction* a : form->filesPopup()->actions())
            if (a->isVisible()) out.push_back(a->isSeparator() ? "-" : a->objectName().toStdString());
        return out;
    };
    auto* button = qobject_cast<QToolButton*>(
        form->toolbar(Toolbar::Main)->widgetForAction(form->action(CommandId::SBSaveAs)));
    ASSERT_NE(button, nullptr);
    std::vector<std::string> fromButton;
    // Read as the menu comes up (inside its own event loop), then closed from that loop.
    const auto reading = QObject::connect(form->filesPopup(), &QMenu::aboutToShow, form.get(), [&] {
        fromButton = shown();
        QMetaObject::invokeMethod(form->filesPopup(), &QMenu::hide, Qt::QueuedConnection);
    });
    QTest::mouseClick(button, Qt::LeftButton);
    QObject::disconnect(reading);
    QTest::qWait(50);  // the entries are shown again after the menu has gone
    EXPECT_THAT(fromButton, ElementsAre("miBatchconversionto"));
    // The "Files" menu keeps its entries.
    EXPECT_TRUE(form->action(CommandId::miErasefiles)->isVisible());

    emit list()->customContextMenuRequested(test::rowCentre(list(), 0));
    QTest::qWait(200);
    EXPECT_THAT(shown(), ElementsAre("miCopyfileto", "miMovefileto", "miRenamefile", "miErasefiles", "-",
                                     "miBatchconversionto", "-", "miWinMenu"));
    form->filesPopup()->hide();
}

TEST_F(FormMainTest, UnwritableSettingsAreReportedOnceAtCloseButNotUnderASignal) {
    // A file where the settings folder belongs: no save, not even the superuser's.
    test::writeText(dir.path() / "config", "not a folder");
    open();
    form->close();
    form->close();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    // Ended by a logout's signal: no question waits for a click (standard error says it).
    open();
    form->closeForSignal();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(FormMainTest, FoldersDroppedFromAFileManagerJoinTheList) {
    fs::create_directories(dir.path() / "data" / "dropped");
    writePictures({"file.bmp"});
    open();
    QListWidget* folders = form->searchFolderList();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(data("dropped"))),
                  QUrl::fromLocalFile(QString::fromStdString((dir.path() / "data" / "file.bmp").string())),
                  QUrl(QStringLiteral("https://example.invalid/x"))});
    const QPoint at(5, 5);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(folders->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(folders->viewport(), &drop);
    ASSERT_EQ(folders->count(), 2);
    EXPECT_EQ(folders->item(0)->text().toStdString(), data("dropped"));
    EXPECT_EQ(folders->item(1)->text().toStdString(), data());  // a file stands for its folder
    EXPECT_EQ(folders->item(0)->checkState(), Qt::Checked);

    QMimeData text;
    text.setText("not a folder");
    QDragEnterEvent refused(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(folders->viewport(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

// Answers each question only after the window has run a while (the next of `waitsMs`), as a
// person reads first, and notes any other window that came up over the question meanwhile.
struct UnhurriedDialogs : test::ScriptedDialogs {
    QWidget* form = nullptr;
    std::deque<int> waitsMs;
    QStringList overQuestions;
    void look() {
        if (waitsMs.empty()) return;
        QTest::qWait(waitsMs.front());
        waitsMs.pop_front();
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top != form && top->isVisible()) overQuestions << top->metaObject()->className();
    }
    std::optional<std::string> chooseFolder(const std::string& caption, const std::string& start) override {
        look();
        return ScriptedDialogs::chooseFolder(caption, start);
    }
    int message(const MessageRequest& request) override {
        look();
        return ScriptedDialogs::message(request);
    }
};

using FormMainFiles = test::MainWindowTestWith<UnhurriedDialogs>;

TEST_F(FormMainTest, AdvancedOptionsHideAToolbarAndResizeThumbnails) {
    writePictures({"a.bmp"});
    openAndScan();
    test::whenTheDialogIsUp<TFormConfig>(*form, [](TFormConfig& dlg) {
        dlg.findChild<QCheckBox*>("ChBDefaultSz")->setChecked(false);
        dlg.findChild<QSpinBox*>("SEHor")->setValue(48);
        dlg.findChild<QCheckBox*>("ChBShowModifyToolbar")->setChecked(false);
        dlg.accept();
    });
    form->action(CommandId::SBConfig)->trigger();
    EXPECT_TRUE(form->toolbar(Toolbar::Modify)->isHidden());
    EXPECT_FALSE(form->action(CommandId::miToolbarModify)->isChecked());
    EXPECT_EQ(form->imageSearch().list().largeImages().width(), 48);
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back().text, lang->messageText(13));
}

TEST_F(FormMainFiles, AMoveWaitsForUnhurriedAnswersWithoutAProgressWindowOverThem) {
    writePictures({"a.bmp", "b.bmp"});
    openAndScan();
    dialogs.form = form.get();
    fs::create_directories(dir.path() / "out");
    for (const char* name : {"a.bmp", "b.bmp"})
        test::writeFile(dir.path() / "out" / name, std::vector<std::uint8_t>{1});
    test::clickRow(list(), 0);
    test::clickRow(list(), 1, Qt::ControlModifier);
    ASSERT_EQ(form->selectedRows().size(), 2u);

    // Longer than any progress delay before each answer: the folder, then a replace question
    // for each of the two files already there.
    dialogs.waitsMs = {4500, 1000, 1000};
    dialogs.folderAnswers = {(dir.path() / "out").string()};
    dialogs.messageAnswers = {0, 0};
    form->action(CommandId::miMovefileto)->trigger();
    EXPECT_TRUE(dialogs.overQuestions.isEmpty()) << dialogs.overQuestions.join(", ").toStdString();
    ASSERT_EQ(dialogs.messages.size(), 2u) << "two replace questions and no failure after them";
    EXPECT_EQ(dialogs.messages[1].caption, lang->messageText(24));
    EXPECT_GT(fs::file_size(dir.path() / "out/b.bmp"), 1u);
    EXPECT_EQ(form->listModel()->rowCount(), 0);
}

TEST_F(FormMainTest, SelectedRowsLoadAndShowInEveryViewStyleAndKeysMoveTheTarget) {
    const std::string data = this->data();
    const Bitmap picture = test::makeBitmap(30, 20, PixelFormat::Bpp24, test::patternColor);
    writePictures({"a.bmp"}, 30, 20);
    ASSERT_TRUE(SaveImageAs(kind::Png, data + "b.png", &picture, {}));
    ASSERT_TRUE(SaveImageAs(kind::Gif, data + "c.gif", &picture, {}));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    writePictures({"d.bmp"}, screen.width() + 800, screen.height() + 600);  // larger than the screen
    openAndScan();
    TFormMain& win = *form;
    const std::vector<std::string> names{"a.bmp", "b.png", "c.gif", "d.bmp"};
    ASSERT_EQ(captions(), names);

    TargetPanel* panel = win.targetPanel();
    // Rows are clicked where they are drawn, in every view style; each click shows its own row.
    auto view = [&]() -> QAbstractItemView* {
        return win.viewStyle() == 3
                   ? static_cast<QAbstractItemView*>(win.findChild<QTreeView*>("ListView1Details"))
                   : list();
    };
    const char* kinds[] = {"Bitmap", "Png", "Gif"};
    for (int style : {0, 3, 2}) {
        win.SelListViewType(style);
        for (int row : {0, 1, 2, 0}) {
            test::clickRow(view(), row);
            EXPECT_EQ(win.CBViewAs->currentText().toStdString(), kinds[row]) << style;
            EXPECT_EQ(win.statusPanel(1)->text().toStdString(), data + names[row]) << style;
        }
    }
    // Ctrl+click adds a row; the target stays the first selected. A plain click narrows it.
    test::clickRow(view(), 2, Qt::ControlModifier);
    EXPECT_EQ(win.selectedRows().size(), 2u);
    EXPECT_EQ(win.statusPanel(1)->text().toStdString(), data + "a.bmp");
    test::clickRow(view(), 2);
    EXPECT_EQ(win.statusPanel(1)->text().toStdString(), data + "c.gif");

    // A double click on a row enlarges that row, and list clicks then refresh the view while the
    // list keeps the focus, so the arrow keys go on browsing.
    test::doubleClickRow(view(), 1);
    ASSERT_TRUE(panel->fullView()->isVisible());
    EXPECT_TRUE(panel->fullView()->windowTitle().startsWith(QString::fromStdString(data + "b.png")));
    view()->activateWindow();
    view()->setFocus();
    test::clickRow(view(), 0);
    EXPECT_TRUE(panel->fullView()->windowTitle().startsWith(QString::fromStdString(data + "a.bmp")));
    EXPECT_TRUE(view()->hasFocus());
    QTest::keyClick(view(), Qt::Key_End);
    EXPECT_EQ(win.statusPanel(1)->text().toStdString(), win.imageSearch().list().rows().back().image.path());
    panel->fullView()->close();

    // Keys move the target only without modifiers.
    win.SelListViewType(0);
    test::clickRow(view(), 0);
    EXPECT_EQ(win.statusPanel(1)->text().toStdString(), data + "a.bmp");
    QTest::keyClick(view(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(win.selectedRows().size(), 2u);
    EXPECT_EQ(win.statusPanel(1)->text().toStdString(), data + "a.bmp");
    QTest::keyClick(view(), Qt::Key_Left, Qt::ShiftModifier);  // back to row 0 alone
    QTest::keyClick(view(), Qt::Key_Right);
    EXPECT_EQ(win.statusPanel(1)->text().toStdString(), data + "b.png");

    // Its enlarged view, title bar and close button included, stays on the screen.
    test::doubleClickRow(view(), 3);
    TFormView* full = panel->fullView();
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

using test::clickOn;
using test::keyOn;

// A person's steps in the batch dialog the next command opens; then "Close" unless it went.
void whenTheDialogIsUp(TFormMain& form, std::function<void(TFormCnvDlg&)> steps) {
    test::whenTheDialogIsUp<TFormCnvDlg>(form, [steps](TFormCnvDlg& d) {
        steps(d);
        if (d.isVisible()) clickOn(d.BitBtnCancel);
    });
}

void clickTreeNode(TFormCnvDlg& d, int node) {
    QTreeWidgetItemIterator it(d.TreeView1);
    for (int i = 0; i < node && *it; ++i) ++it;
    ASSERT_TRUE(*it);
    const QRect r = d.TreeView1->visualItemRect(*it);
    QWidget* viewport = d.TreeView1->viewport();
    QTest::mouseClick(d.windowHandle(), Qt::LeftButton, {}, viewport->mapTo(&d, r.center()));
    QTest::qWait(200);  // the page that comes up is laid out
}

class FormMainDialogsTest : public test::MainWindowTest {
protected:
    void open() { test::MainWindowTest::open(true); }
    // A folder with two pictures, named on the command line: the window scans it at start. The
    // focus comes to the list and End selects the last row, as keys do; answers its name.
    std::string openAndSelectAPicture() {
        writePictures({"a.bmp", "b.bmp"}, 40, 30);
        options.folders = {data()};
        open();
        EXPECT_TRUE(QTest::qWaitFor([this] { return form->imageSearch().list().size() == 2; }, 5000));
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_End);
        const std::vector<std::size_t> rows = form->selectedRows();
        EXPECT_EQ(rows.size(), 1u);
        return rows.empty() ? std::string() : form->imageSearch().list().row(rows.front()).image.Name;
    }
};

TEST_F(FormMainDialogsTest, StartNoticesComeOnceTheWindowIsUpAndTheStartGoesOn) {
    // A damaged settings file (set aside: a first run's state) and a name on the command line
    // that is not on disk. What the notices say is the controller's, checked there.
    fs::create_directories(dir.path() / "config");
    test::writeFile(dir.path() / "config" / SettingsStore::kFileName, std::vector<std::uint8_t>{'{', 'x'});
    options.missing = {"nowhere.png"};
    open();
    QTest::qWait(100);
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_NE(dialogs.messages[0].text.find(store->damagedFileBackup()), std::string::npos);
    EXPECT_NE(dialogs.messages[1].text.find("nowhere.png"), std::string::npos);
    EXPECT_EQ(form->maskList()->count(), static_cast<int>(fileFormats().size()));

    // Values stored as numbers: each is said, and the values after a bad one are read.
    form.reset();
    options.missing.clear();
    dialogs.messages.clear();
    std::string root;  // the settings root as a JSON string holds it
    for (char c : std::string(kSettingsRootKey)) root += c == '\\' ? std::string(2, c) : std::string(1, c);
    const std::string json = R"({"keys": {")" + root +
                             R"(": )"
                             R"({"ClientWidth": 800, "ClientHeight": "500", "ViewStyle": "3"}, ")" +
                             root + R"(\\Preview": {"Left": 12}}})";
    test::writeText(dir.path() / "config" / "settings.json", json);
    open();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, "Invalid data type for 'ClientWidth'");
    EXPECT_EQ(dialogs.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(dialogs.messages[1].text, "Invalid data type for 'Left'");
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->viewStyle(), 3);

    // Closing stores every value as text again: the next start is quiet.
    dialogs.messages.clear();
    open();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(form->viewStyle(), 3);
    EXPECT_GT(store->readInteger(kSettingsRootKey, "ClientWidth", 0), 0);
}

TEST_F(FormMainDialogsTest, BatchIconColoursReachTheSingleIconSaveAtTheNextStart) {
    const std::string name = openAndSelectAPicture();
    bool converted = false;
    whenTheDialogIsUp(*form, [&](TFormCnvDlg& d) {
        d.CBConvert->setFocus();
        QTest::keyClick(d.CBConvert, Qt::Key_Down);  // "Bitmap" -> "Icon"
        ASSERT_EQ(d.CBConvert->currentText(), QStringLiteral("Icon"));
        clickTreeNode(d, 1);                                     // the format summary opens the "Icon" page
        clickOn(d.RBIco16, QPoint(8, d.RBIco16->height() / 2));  // on its round box
        ASSERT_TRUE(d.RBIco16->isChecked());
        clickOn(d.BitBtnOk);  // "Convert"
        converted = QTest::qWaitFor([&] { return !d.rules().controls().running; }, 5000);
    });
    form->action(CommandId::miBatchconversionto)->trigger();
    ASSERT_TRUE(converted);
    const fs::path batchIcon = dir.path() / "data" / fs::path(name).replace_extension(".ico");
    ASSERT_TRUE(fs::exists(batchIcon));
    EXPECT_EQ(fs::file_size(batchIcon), 766u);  // 16 colours
    fs::remove(batchIcon);

    // The dialog's choice reaches single saves through the stored settings, at the next start.
    ASSERT_EQ(openAndSelectAPicture(), name);
    const std::string single = (dir.path() / "single.ico").string();
    dialogs.saveAnswers.push_back(single);
    form->saveAction(kind::Ico)->trigger();
    ASSERT_TRUE(fs::exists(single));
    EXPECT_EQ(fs::file_size(single), 766u);
    EXPECT_EQ(dialogs.messages.back().text, "Converted: 1");
}

TEST_F(FormMainDialogsTest, HelpFromTheBatchDialogWorksWhileTheDialogWaits) {
    openAndSelectAPicture();
    QPointer<THelpViewer> help;
    bool ended = false;  // the steps ran to their end
    whenTheDialogIsUp(*form, [&](TFormCnvDlg& d) {
        // F1 on a control of the "Resize" panel opens that panel's topic.
        clickTreeNode(d, 2);
        d.ChBShape->setFocus();
        keyOn(&d, Qt::Key_F1);
        ASSERT_TRUE(help = helpWindow());
        EXPECT_EQ(help->helpContext(), 653);
        QTest::qWait(200);
        // The help window takes a click while the dialog waits behind it.
        for (QToolButton* b : help->findChildren<QToolButton*>())
            if (b->toolTip() == QStringLiteral("Contents and index")) clickOn(b);
        EXPECT_EQ(help->helpContext(), 0);
        EXPECT_TRUE(d.isVisible());
        keyOn(help, Qt::Key_Escape);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !help; }, 2000));
        // "Help" opens it again, and Ctrl+W closes it too.
        clickOn(d.BitBtnHelp);
        ASSERT_TRUE(help = helpWindow());
        EXPECT_EQ(help->helpContext(), 583);
        QTest::qWait(200);
        keyOn(help, Qt::Key_W, Qt::ControlModifier);
        ended = QTest::qWaitFor([&] { return !help; }, 2000);
    });
    form->action(CommandId::miBatchconversionto)->trigger();
    EXPECT_TRUE(ended) << "Ctrl+W closes the help";
}

TEST_F(FormMainTest, DeleteAsksToEraseAndALanguageSwitchChangesTheTextsAtOnce) {
    // Delete over the list erases, as Shift+Del does: the erase question comes.
    writePictures({"a.bmp"});
    openAndScan();
    test::clickRow(list(), 0);
    QTest::keyClick(list(), Qt::Key_Delete);
    QTest::qWait(100);
    EXPECT_FALSE(dialogs.messages.empty());
    EXPECT_TRUE(fs::exists(dir.path() / "data" / "a.bmp"));

    // Captions and the status bar speak the new language at once.
    const QString before = form->statusPanel(0)->text();
    QAction* german = nullptr;
    for (QAction* a : form->languagesMenu()->actions())
        if (a->text() == QStringLiteral("Deutsch")) german = a;
    ASSERT_NE(german, nullptr);
    german->trigger();
    EXPECT_TRUE(german->isChecked());
    EXPECT_NE(form->statusPanel(0)->text(), before);
    EXPECT_EQ(form->statusPanel(1)->text().toStdString(), data() + "a.bmp");
    ASSERT_EQ(lang->DefaultLangName, "Deutsch");
    const TLang& expected = *lang;
    EXPECT_EQ(form->pageControl()->tabText(0).toStdString(), removeAmpersands(expected.interfaceText(69)));
    EXPECT_EQ(form->action(CommandId::SBScan)->text().toStdString(), expected.interfaceText(48));
    EXPECT_EQ(form->toolbar(Toolbar::Modify)->windowTitle().toStdString(),
              removeAmpersands(expected.interfaceText(25)));
    EXPECT_EQ(form->windowTitle(), QString::fromLatin1(kProgramCaption));

    // The dialogs it opens speak it too.
    QString cancel;
    test::whenTheDialogIsUp<TFormConfig>(*form, [&](TFormConfig& d) {
        QPushButton* button = d.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel);
        cancel = button->text();
        clickOn(button);
    });
    form->action(CommandId::SBConfig)->trigger();
    EXPECT_EQ(cancel, QStringLiteral("Abbrechen"));

    QStringList jpegChoices;
    whenTheDialogIsUp(*form, [&](TFormCnvDlg& d) {
        for (QComboBox* box : {d.PixelFormat, d.ColorSpace})
            for (int i = 0; i < box->count(); ++i) jpegChoices << box->itemText(i);
    });
    form->action(CommandId::miBatchconversionto)->trigger();
    EXPECT_THAT(jpegChoices, ElementsAre("24 Bit", "8 Bit", "RGB", "Graustufen"));

    form->action(CommandId::miAbout)->trigger();
    auto* about = form->findChild<TAboutBox*>();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->blurb(), QStringLiteral("Findet, zeigt, konvertiert und sammelt Bilder und Symbole."));
    clickOn(about->okButton());
}

}  // namespace
}  // namespace vexilo
