// The file commands and the advanced options as the main window runs them.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QListView>
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
#include "ui/person.h"
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

// A scanned folder of small pictures, sorted by name.
class FormMainFiles : public test::MainWindowTestWith<UnhurriedDialogs> {
protected:
    void openWith(const std::vector<std::string>& names) {
        fs::create_directories(dir.path() / "data");
        for (const auto& n : names)
            test::writeFile(dir.path() / "data" / n,
                            writeBmp(test::makeBitmap(4, 4, PixelFormat::Bpp24, test::patternColor)));
        open();
        dialogs.form = form.get();
        form->CheckListBox1DragDrop(data());
        form->SBScanClick();
        form->ListView1ColumnClick(0);
    }
    QListView* list() const { return form->findChild<QListView*>("ListView1"); }
};

}  // namespace

TEST_F(FormMainFiles, ARenameDropsTheRow) {
    openWith({"a.bmp", "b.bmp"});
    ASSERT_EQ(form->listModel()->rowCount(), 2);
    test::clickRow(list(), 0);
    dialogs.inputAnswers = {std::string("renamed.bmp")};
    form->action(CommandId::miRenamefile)->trigger();
    EXPECT_TRUE(fs::exists(dir.path() / "data/renamed.bmp"));
    EXPECT_EQ(form->listModel()->rowCount(), 1);
    EXPECT_EQ(form->imageSearch().list().row(0).caption, "b.bmp");
}

TEST_F(FormMainFiles, AdvancedOptionsHideAToolbarAndResizeThumbnails) {
    openWith({"a.bmp"});
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
    openWith({"a.bmp", "b.bmp"});
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

}  // namespace vexilo
