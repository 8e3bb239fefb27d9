// The file commands and the advanced options as the main window runs them.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QSpinBox>
#include <QTimer>
#include <QToolBar>
#include <filesystem>
#include <memory>

#include "codecs/bmp_codec.h"
#include "lang/lang.h"
#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"
#include "support/test_util.h"
#include "ui/form_config.h"
#include "ui/form_main.h"
#include "ui/found_list_model.h"
#include "ui/qt_test_app.h"

namespace vexilo {
namespace {

namespace fs = std::filesystem;

struct Window {
    test::TempDir dir;
    test::ScriptedDialogs dialogs;
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
        form->CheckListBox1DragDrop((dir.path() / "data").string() + "/");
        form->SBScanClick();
        form->ListView1ColumnClick(0);
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
    // The dialog is modal: answer it once it shows.
    QTimer::singleShot(0, [] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* dlg = qobject_cast<TFormConfig*>(top)) {
                dlg->findChild<QCheckBox*>("ChBDefaultSz")->setChecked(false);
                dlg->findChild<QSpinBox*>("SEHor")->setValue(48);
                dlg->findChild<QCheckBox*>("ChBShowModifyToolbar")->setChecked(false);
                dlg->accept();
            }
    });
    w.form->action(CommandId::SBConfig)->trigger();
    EXPECT_TRUE(w.form->toolbar(Toolbar::Modify)->isHidden());
    EXPECT_FALSE(w.form->action(CommandId::miToolbarModify)->isChecked());
    EXPECT_EQ(w.form->imageSearch().list().largeImages().width(), 48);
    ASSERT_FALSE(w.dialogs.messages.empty());
    EXPECT_EQ(w.dialogs.messages.back().text, w.lang->messageText(13));
}

}  // namespace vexilo
