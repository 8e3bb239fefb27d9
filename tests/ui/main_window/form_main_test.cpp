#include "ui/main_window/form_main.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "codecs/bmp_codec.h"
#include "lang/lang.h"
#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"
#include "support/test_util.h"
#include "ui/convert_dialog/form_cnv_dlg.h"
#include "ui/main_window/found_list_model.h"
#include "ui/main_window/main_window_fixture.h"
#include "ui/person.h"
#include "ui/qt_test_app.h"

namespace vexilo {
namespace {

using ::testing::ElementsAre;
namespace fs = std::filesystem;

void writeBmpFile(const fs::path& p, int w, int h, Color c) {
    fs::create_directories(p.parent_path());
    test::writeFile(p, writeBmp(test::makeBitmap(w, h, PixelFormat::Bpp24, [&](int, int) { return c; })));
}

// Two language packs, so that a language can be chosen.
class FormMainTest : public test::MainWindowTest {
protected:
    FormMainTest() : test::MainWindowTest({"english.lng", "german.lng"}) {}
    std::vector<std::string> captions() const {
        std::vector<std::string> out;
        for (const auto& r : form->imageSearch().list().rows()) out.push_back(r.caption);
        return out;
    }
    void selectRows(std::initializer_list<int> rows) {
        form->listSelection()->clearSelection();
        for (int r : rows)
            form->listSelection()->select(form->listModel()->index(r, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
};

TEST_F(FormMainTest, FirstRunStateAndTheGifSwitch) {
    open();
    EXPECT_EQ(form->windowTitle(), QString::fromLatin1(kProgramCaption));
    EXPECT_EQ(form->pageControl()->tabPosition(), QTabWidget::South);
    EXPECT_EQ(form->pageControl()->currentIndex(), 0);
    EXPECT_EQ(form->pageControl()->tabText(1), QStringLiteral("Images"));
    EXPECT_EQ(form->viewStyle(), 0);
    EXPECT_TRUE(form->ChBActualSz->isChecked());
    EXPECT_TRUE(form->ChBProport->isChecked());
    EXPECT_FALSE(form->ChBStretch->isChecked());
    EXPECT_EQ(form->toolbar(Toolbar::Main)->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
    EXPECT_EQ(form->maskList()->item(0)->checkState(), Qt::Unchecked);  // "All files ..."
    EXPECT_EQ(form->maskList()->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(form->searchFolderList()->count(), 0);
    EXPECT_FALSE(form->saveAction(kind::Gif)->isVisible());
    EXPECT_EQ(form->dockOf(Toolbar::Main), Dock::Dock1);
    EXPECT_EQ(form->dockOf(Toolbar::View), Dock::Dock3);
    EXPECT_EQ(form->dockOf(Toolbar::Modify), Dock::Dock4);
    EXPECT_TRUE(dialogs.messages.empty());  // no notice on a clean first run
    EXPECT_EQ(form->action(CommandId::SBScan)->text(), QStringLiteral("Start scan"));

    options.gifOutput = parseCommandLine({"/gIf"}, "/").gifOutput;
    open();
    EXPECT_TRUE(form->saveAction(kind::Gif)->isVisible());
}

TEST_F(FormMainTest, ToolbarDockingRulesAndMenuChecks) {
    open();
    form->dockToolbar(Toolbar::Main, Dock::Dock4);  // dragged onto the "Images" tab's left edge
    EXPECT_EQ(form->dockOf(Toolbar::Main), Dock::Dock2);
    form->dockToolbar(Toolbar::View, Dock::Dock2);
    EXPECT_EQ(form->dockOf(Toolbar::View), Dock::Dock4);

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
}

TEST_F(FormMainTest, ScanGivesSortedRowsThumbnailsStatusAndCommandStates) {
    writeBmpFile(dir.path() / "data" / "b.bmp", 100, 50, {255, 0, 0});
    writeBmpFile(dir.path() / "data" / "A.bmp", 8, 8, {0, 255, 0});
    writeBmpFile(dir.path() / "data" / "sub" / "c.bmp", 4, 4, {0, 0, 255});
    test::writeFile(dir.path() / "data" / "notes.txt", std::vector<std::uint8_t>{'x'});
    open();
    form->SBScanClick();  // nothing checked: the "Search" tab stays
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(form->pageControl()->currentIndex(), 0);

    form->CheckListBox1DragDrop(data());
    form->action(CommandId::SBScan)->trigger();
    EXPECT_EQ(form->pageControl()->currentIndex(), 1);
    auto rows = captions();
    std::sort(rows.begin(), rows.end());
    EXPECT_THAT(rows, ElementsAre("A.bmp", "b.bmp", "c.bmp"));
    EXPECT_EQ(form->statusPanel(1)->text().toStdString(), lang->messageText(10));
    EXPECT_EQ(form->listModel()->rowCount(), 3);
    const QIcon icon =
        form->listModel()->data(form->listModel()->index(0, 0), Qt::DecorationRole).value<QIcon>();
    EXPECT_EQ(icon.pixmap(QSize(32, 32)).size(), QSize(32, 32));
    EXPECT_EQ(icon.pixmap(QSize(16, 16)).size(), QSize(16, 16));
    const Bitmap* thumb = form->imageSearch().list().largeThumbnail(0);
    ASSERT_NE(thumb, nullptr);
    EXPECT_EQ(thumb->width(), 32);

    form->ListView1ColumnClick(0);  // "Name", without regard to case
    EXPECT_THAT(captions(), ElementsAre("A.bmp", "b.bmp", "c.bmp"));
    EXPECT_EQ(
        form->listModel()->data(form->listModel()->index(1, 1), Qt::DisplayRole).toString().toStdString(),
        std::to_string(fs::file_size(dir.path() / "data" / "b.bmp")));
    form->ListView1ColumnClick(4);  // "Path": sub/ sorts after data/
    EXPECT_EQ(captions().back(), "c.bmp");

    // The selection follows its rows through a sort and drives the command states.
    QAction* rename = form->action(CommandId::miRenamefile);
    selectRows({});
    EXPECT_FALSE(form->action(CommandId::miCopyfileto)->isEnabled());
    selectRows({2});
    EXPECT_TRUE(rename->isEnabled());
    selectRows({0, 2});
    EXPECT_TRUE(form->action(CommandId::miCopyfileto)->isEnabled());
    EXPECT_FALSE(rename->isEnabled());
    form->ListView1ColumnClick(0);
    EXPECT_EQ(form->selectedRows().size(), 2u);

    // Batch conversion opens its dialog on the selected rows (A.bmp and c.bmp), first row's kind.
    dialogs.messages.clear();
    QString format;
    test::whenTheDialogIsUp<TFormCnvDlg>(*form, [&](TFormCnvDlg& d) {
        format = d.CBConvert->currentText();
        d.CBConvert->setCurrentIndex(6);  // Png
        d.BitBtnOk->click();
    });
    form->action(CommandId::miBatchconversionto)->trigger();
    EXPECT_EQ(format, QStringLiteral("Bitmap"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text.substr(0, 13), lang->messageText(14) + " 2;");
    EXPECT_TRUE(fs::exists(dir.path() / "data" / "A.png"));
    EXPECT_TRUE(fs::exists(dir.path() / "data" / "sub" / "c.png"));
}

TEST_F(FormMainTest, TheCommandLineAddsFoldersForThisRunScansAndSelectsTheNamedFile) {
    writeBmpFile(dir.path() / "data" / "a.bmp", 2, 2, {});
    writeBmpFile(dir.path() / "data" / "b.bmp", 2, 2, {});
    options = [&] {
        StartOptions o = parseCommandLine({"/GIF", data() + "b.bmp"}, "/");
        o.programFolder = options.programFolder;
        return o;
    }();
    open();
    QElapsedTimer clock;  // the scan was queued at start; it runs from the event loop
    clock.start();
    while (clock.elapsed() < 5000 && form->imageSearch().list().size() < 2) QCoreApplication::processEvents();
    ASSERT_EQ(captions().size(), 2u);
    const auto selected = form->selectedRows();
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(form->imageSearch().list().row(selected[0]).caption, "b.bmp");
    EXPECT_EQ(form->searchFolderList()->item(0)->checkState(), Qt::Checked);
    form->close();
    options = {};
    options.programFolder = (dir.path() / "prog").string() + "/";
    open();
    EXPECT_EQ(form->searchFolderList()->count(), 0);  // not stored
}

TEST_F(FormMainTest, StopAndExitMidScanKeepTheWindowInCharge) {
    for (int i = 0; i < 60; ++i)
        writeBmpFile(dir.path() / "data" / "one" / ("f" + std::to_string(i) + ".bmp"), 4, 4, {});
    writeBmpFile(dir.path() / "data" / "two" / "late.bmp", 4, 4, {});
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
    const auto rows = captions();
    EXPECT_GE(rows.size(), 5u);
    EXPECT_LT(rows.size(), 61u);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), "late.bmp"), 0);  // later folders are skipped
    for (std::size_t i = 0; i + 1 < rows.size(); ++i)                // sorted by finding order
        EXPECT_LT(form->imageSearch().list().row(i).image.ImageIndex,
                  form->imageSearch().list().row(i + 1).image.ImageIndex);

    stopAt(CommandId::SBExit);
    form->SBScanClick();
    EXPECT_FALSE(form->isVisible());
    EXPECT_LT(captions().size(), 61u);
    EXPECT_TRUE(fs::exists(dir.path() / "config" / SettingsStore::kFileName));  // written at close
}

TEST_F(FormMainTest, SettingsWrittenAtCloseComeBackAtTheNextStart) {
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

    open();
    QListWidget* folders = form->searchFolderList();
    ASSERT_EQ(folders->count(), 2);
    EXPECT_EQ(folders->item(0)->text().toStdString(), data("x"));
    EXPECT_EQ(folders->item(0)->checkState(), Qt::Unchecked);
    QListWidget* masks = form->maskList();
    const int starts = static_cast<int>(fileFormats().size());
    ASSERT_EQ(masks->count(), starts + 1);
    EXPECT_EQ(masks->item(starts)->text(), QStringLiteral("*.xcf"));
    EXPECT_EQ(masks->item(starts)->checkState(), Qt::Unchecked);
    EXPECT_EQ(masks->item(1)->checkState(), Qt::Checked);
    EXPECT_EQ(form->viewStyle(), 3);
    EXPECT_TRUE(form->ChBStretch->isChecked());
    form->close();

    // "0x2" opens the list view; stored panel widths come back.
    store->writeValue(kSettingsRootKey, "ViewStyle", "0x2");
    store->writeValue(kSettingsRootKey, "DirWidth", "260");
    store->save();
    open();
    EXPECT_EQ(form->viewStyle(), 2);
    EXPECT_EQ(form->searchFolderList()->parentWidget()->width(), 260);
}

TEST_F(FormMainTest, GeometryComesBackAfterARestartAndAlwaysFitsTheScreen) {
    // A session that never shows the "Images" tab keeps the stored panel widths.
    open();
    store->writeValue(kSettingsRootKey, "ThumbWidth", "300");
    store->writeValue(kSettingsRootKey, "DirWidth", "250");
    store->writeValue(kSettingsRootKey, "MasksWidth", "210");
    store->writeValue(kSettingsRootKey, "ClientWidth", "700");
    store->writeValue(kSettingsRootKey, "ClientHeight", "450");
    store->writeValue(kSettingsRootKey, "Left", "20");
    store->writeValue(kSettingsRootKey, "Top", "30");
    store->save();
    form.reset();
    for (int run = 0; run < 2; ++run) {
        open();
        QTest::qWait(300);
        form->close();
        const SettingsStore reread((dir.path() / "config").string());
        for (const auto& [name, value] : {std::pair{"ThumbWidth", 300},
                                          {"DirWidth", 250},
                                          {"MasksWidth", 210},
                                          {"ClientWidth", 700},
                                          {"ClientHeight", 450},
                                          {"Left", 20},
                                          {"Top", 30}})
            EXPECT_EQ(reread.readInteger(kSettingsRootKey, name, -1), value) << name << " after run " << run;
    }
    // The list at its stored width once the tab shows.
    open();
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
    writeBmpFile(dir.path() / "data" / "a.bmp", 2, 2, {});
    open();
    form->CheckListBox1DragDrop(data());
    form->SBScanClick();
    test::clickRow(form->findChild<QListView*>("ListView1"), 0);
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

    auto* list = form->findChild<QListView*>("ListView1");
    emit list->customContextMenuRequested(test::rowCentre(list, 0));
    QTest::qWait(200);
    EXPECT_THAT(shown(), ElementsAre("miCopyfileto", "miMovefileto", "miRenamefile", "miErasefiles", "-",
                                     "miBatchconversionto", "-", "miWinMenu"));
    form->filesPopup()->hide();
}

TEST_F(FormMainTest, CommandLineAndKeysSayWhatTheyDo) {
    // A name on the command line that is not on disk is reported, once the window is up.
    options.missing = {"nowhere.png"};
    open();
    QTest::qWait(100);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].text.find("nowhere.png"), std::string::npos);
    options.missing.clear();

    // Delete over the list erases, as Shift+Del does: the erase question comes.
    writeBmpFile(dir.path() / "data" / "a.bmp", 2, 2, {});
    form->CheckListBox1DragDrop(data());
    form->SBScanClick();
    auto* list = form->findChild<QListView*>("ListView1");
    test::clickRow(list, 0);
    dialogs.messages.clear();
    QTest::keyClick(list, Qt::Key_Delete);
    QTest::qWait(100);
    EXPECT_FALSE(dialogs.messages.empty());
    EXPECT_TRUE(fs::exists(dir.path() / "data" / "a.bmp"));

    // The status bar speaks the new language at once.
    const QString before = form->statusPanel(0)->text();
    for (QAction* a : form->languagesMenu()->actions())
        if (a->text() == QStringLiteral("Deutsch")) a->trigger();
    EXPECT_NE(form->statusPanel(0)->text(), before);
    EXPECT_EQ(form->statusPanel(1)->text().toStdString(), data() + "a.bmp");
}

TEST_F(FormMainTest, UnwritableSettingsAreReportedOnceAtCloseButNotUnderASignal) {
    // A folder nobody may create, not even the superuser.
    store = std::make_unique<SettingsStore>("/proc/self/vexilo-settings-test");
    lang = std::make_unique<TLang>(store.get());
    form = std::make_unique<TFormMain>(*store, *lang, dialogs, options);
    form->show();
    form->close();
    form->close();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    // Ended by a logout's signal: no question waits for a click (standard error says it).
    form = std::make_unique<TFormMain>(*store, *lang, dialogs, options);
    form->show();
    form->closeForSignal();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(FormMainTest, ADamagedSettingsFileIsSetAsideWithOneNotice) {
    fs::create_directories(dir.path() / "config");
    test::writeFile(dir.path() / "config" / SettingsStore::kFileName, std::vector<std::uint8_t>{'{', 'x'});
    open();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_NE(dialogs.messages[0].text.find(store->damagedFileBackup()), std::string::npos);
    EXPECT_EQ(form->maskList()->count(), static_cast<int>(fileFormats().size()));  // a first run's state
    form->close();
    open();
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(FormMainTest, ALanguageSwitchChangesCaptionsAtOnceAndIsStored) {
    open();
    QMenu* languages = form->languagesMenu();
    QAction* german = nullptr;
    for (QAction* a : languages->actions())
        if (a->text() == QStringLiteral("Deutsch")) german = a;
    ASSERT_NE(german, nullptr);
    german->trigger();
    EXPECT_TRUE(german->isChecked());
    TLang expected;
    expected.ProgramDir = options.programFolder;
    expected.DefaultLangFile = "german.lng";
    expected.DefaultLangName = "Deutsch";
    ASSERT_EQ(expected.load(), TLang::kLoaded);
    EXPECT_EQ(form->pageControl()->tabText(0).toStdString(), removeAmpersands(expected.interfaceText(69)));
    EXPECT_EQ(form->action(CommandId::SBScan)->text().toStdString(), expected.interfaceText(48));
    EXPECT_EQ(form->toolbar(Toolbar::Modify)->windowTitle().toStdString(),
              removeAmpersands(expected.interfaceText(25)));
    EXPECT_EQ(form->windowTitle(), QString::fromLatin1(kProgramCaption));
    form->close();
    open();
    EXPECT_EQ(form->pageControl()->tabText(0).toStdString(), removeAmpersands(expected.interfaceText(69)));
}

TEST_F(FormMainTest, FoldersDroppedFromAFileManagerJoinTheList) {
    fs::create_directories(dir.path() / "data" / "dropped");
    writeBmpFile(dir.path() / "data" / "file.bmp", 2, 2, {});
    open();
    QWidget* target = form->searchFolderList()->viewport();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(data("dropped"))),
                  QUrl::fromLocalFile(QString::fromStdString((dir.path() / "data" / "file.bmp").string())),
                  QUrl(QStringLiteral("https://example.invalid/x"))});
    const QPoint at(5, 5);
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QListWidget* folders = form->searchFolderList();
    ASSERT_EQ(folders->count(), 2);
    EXPECT_EQ(folders->item(0)->text().toStdString(), data("dropped"));
    EXPECT_EQ(folders->item(1)->text().toStdString(), data());  // a file stands for its folder
    EXPECT_EQ(folders->item(0)->checkState(), Qt::Checked);

    QMimeData text;
    text.setText("not a folder");
    QDragEnterEvent refused(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &refused);
    EXPECT_FALSE(refused.isAccepted());
}

}  // namespace
}  // namespace vexilo
