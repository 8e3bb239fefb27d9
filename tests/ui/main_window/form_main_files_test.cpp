// The file commands and the advanced options as the main window runs them.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>
#include <filesystem>
#include <memory>

#include "codecs/bmp_codec.h"
#include "lang/lang.h"
#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"
#include "support/test_util.h"
#include "ui/main_window/form_main.h"
#include "ui/main_window/found_list_model.h"
#include "ui/main_window/main_window_fixture.h"
#include "ui/options_dialog/form_config.h"
#include "ui/qt_test_app.h"

namespace vexilo {
namespace {

namespace fs = std::filesystem;

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

struct Window {
    test::TempDir dir;
    UnhurriedDialogs dialogs;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<TLang> lang;
    std::unique_ptr<TFormMain> form;

    explicit Window(std::vector<std::string> names) {
        test::qtApp();
        fs::create_directories(dir.path() / "prog");
        fs::copy_file(fs::path(VEXILO_SOURCE_DIR) / "lang/english.lng", dir.path() / "prog/english.lng");
        fs::create_directories(dir.path() / "data");
        for (const auto& n : names)
            test::writeFile(dir.path() / "data" / n,
                            writeBmp(test::makeBitmap(4, 4, PixelFormat::Bpp24, test::patternColor)));
        StartOptions options;
        options.programFolder = (dir.path() / "prog").string() + "/";
        store = std::make_unique<SettingsStore>((dir.path() / "config").string());
        lang = std::make_unique<TLang>(store.get());
        form = std::make_unique<TFormMain>(*store, *lang, dialogs, options);
        form->show();
        dialogs.form = form.get();
        form->CheckListBox1DragDrop((dir.path() / "data").string() + "/");
        form->SBScanClick();
        form->ListView1ColumnClick(0);
    }
    // A click on the row in the view on show, as a person's mouse makes it.
    void click(int row, Qt::KeyboardModifiers modifiers = {}) {
        for (auto* view : form->findChildren<QAbstractItemView*>())
            if (view->isVisible() && view->model() == form->listModel()) {
                const QRect at = view->visualRect(form->listModel()->index(row, 0));
                QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, at.center());
                return;
            }
        ADD_FAILURE() << "no list on show";
    }
    void select(std::initializer_list<int> rows) {
        form->listSelection()->clearSelection();
        for (int r : rows)
            form->listSelection()->select(form->listModel()->index(r, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
};

}  // namespace

TEST(FormMainFiles, EntriesFollowTheSelectionAndARenameDropsTheRow) {
    Window w({"a.bmp", "b.bmp"});
    ASSERT_EQ(w.form->listModel()->rowCount(), 2);
    using enum CommandId;
    const CommandId entries[] = {miCopyfileto, miMovefileto, miRenamefile, miErasefiles, miWinMenu};
    for (int n : {0, 1, 2}) {
        w.select(n == 0   ? std::initializer_list<int>{}
                 : n == 1 ? std::initializer_list<int>{0}
                          : std::initializer_list<int>{0, 1});
        w.form->UpdateCommandStates();
        for (CommandId id : entries) {
            const bool single = id == miRenamefile || id == miWinMenu;
            EXPECT_EQ(w.form->action(id)->isEnabled(), single ? n == 1 : n >= 1)
                << n << " rows, command " << int(id);
        }
    }
    w.select({0});
    w.dialogs.inputAnswers = {std::string("renamed.bmp")};
    w.form->action(CommandId::miRenamefile)->trigger();
    EXPECT_TRUE(fs::exists(w.dir.path() / "data/renamed.bmp"));
    EXPECT_EQ(w.form->listModel()->rowCount(), 1);
    EXPECT_EQ(w.form->imageSearch().list().row(0).caption, "b.bmp");
}

TEST(FormMainFiles, AdvancedOptionsHideAToolbarAndResizeThumbnails) {
    Window w({"a.bmp"});
    test::whenTheDialogIsUp<TFormConfig>(*w.form, [](TFormConfig& dlg) {
        dlg.findChild<QCheckBox*>("ChBDefaultSz")->setChecked(false);
        dlg.findChild<QSpinBox*>("SEHor")->setValue(48);
        dlg.findChild<QCheckBox*>("ChBShowModifyToolbar")->setChecked(false);
        dlg.accept();
    });
    w.form->action(CommandId::SBConfig)->trigger();
    EXPECT_TRUE(w.form->toolbar(Toolbar::Modify)->isHidden());
    EXPECT_FALSE(w.form->action(CommandId::miToolbarModify)->isChecked());
    EXPECT_EQ(w.form->imageSearch().list().largeImages().width(), 48);
    ASSERT_FALSE(w.dialogs.messages.empty());
    EXPECT_EQ(w.dialogs.messages.back().text, w.lang->messageText(13));
}

TEST(FormMainFiles, AMoveWaitsForUnhurriedAnswersWithoutAProgressWindowOverThem) {
    Window w({"a.bmp", "b.bmp"});
    fs::create_directories(w.dir.path() / "out");
    for (const char* name : {"a.bmp", "b.bmp"})
        test::writeFile(w.dir.path() / "out" / name, std::vector<std::uint8_t>{1});
    w.click(0);
    w.click(1, Qt::ControlModifier);
    ASSERT_EQ(w.form->selectedRows().size(), 2u);

    // Longer than any progress delay before each answer: the folder, then a replace question
    // for each of the two files already there.
    w.dialogs.waitsMs = {4500, 1000, 1000};
    w.dialogs.folderAnswers = {(w.dir.path() / "out").string()};
    w.dialogs.messageAnswers = {0, 0};
    w.form->action(CommandId::miMovefileto)->trigger();
    EXPECT_TRUE(w.dialogs.overQuestions.isEmpty()) << w.dialogs.overQuestions.join(", ").toStdString();
    ASSERT_EQ(w.dialogs.messages.size(), 2u) << "two replace questions and no failure after them";
    EXPECT_EQ(w.dialogs.messages[1].caption, w.lang->messageText(24));
    EXPECT_GT(fs::file_size(w.dir.path() / "out/b.bmp"), 1u);
    EXPECT_EQ(w.form->listModel()->rowCount(), 0);
}

}  // namespace vexilo
