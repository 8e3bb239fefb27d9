// The target wired into the main window: rows selected in the list load, show and save.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <filesystem>

#include "codecs/bmp_codec.h"
#include "imageio/loaders.h"
#include "imageio/savers.h"
#include "lang/lang.h"
#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"
#include "support/test_util.h"
#include "ui/form_main.h"
#include "ui/form_view.h"
#include "ui/found_list_model.h"
#include "ui/qt_test_app.h"
#include "ui/target_panel.h"

namespace vexilo {
namespace {

namespace fs = std::filesystem;

TEST(FormMainTarget, SelectedRowsLoadShowSaveAndCopy) {
    test::qtApp();
    test::TempDir dir;
    fs::create_directories(dir.path() / "prog");
    fs::copy_file(fs::path(VEXILO_SOURCE_DIR) / "lang" / "english.lng", dir.path() / "prog" / "english.lng");
    const std::string data = (dir.path() / "data").string() + "/";
    fs::create_directories(data);
    const Bitmap picture = test::makeBitmap(30, 20, PixelFormat::Bpp24, test::patternColor);
    saveBmpFile(picture, data + "a.bmp");
    ASSERT_TRUE(SaveAsPng(&picture, data + "b.png"));
    ASSERT_TRUE(SaveAsGif(&picture, data + "c.gif"));

    StartOptions options;
    options.programFolder = (dir.path() / "prog").string() + "/";
    SettingsStore store((dir.path() / "config").string());
    TLang lang(&store);
    test::ScriptedDialogs dialogs;
    TFormMain form(store, lang, dialogs, options);
    form.show();
    form.CheckListBox1DragDrop(data);
    form.SBScanClick();
    ASSERT_EQ(form.imageSearch().list().size(), 3u);

    TargetPanel* panel = form.targetPanel();
    ASSERT_NE(panel, nullptr);
    auto select = [&](const std::string& name) {
        const auto& rows = form.imageSearch().list().rows();
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].image.Name == name)
                form.listSelection()->setCurrentIndex(form.listModel()->index(static_cast<int>(i), 0),
                                                      QItemSelectionModel::ClearAndSelect);
    };
    for (const auto& [name, kindName] : {std::pair{"a.bmp", "Bitmap"}, {"b.png", "Png"}, {"c.gif", "Gif"}}) {
        select(name);
        EXPECT_EQ(form.CBViewAs->currentText().toStdString(), kindName);
        EXPECT_EQ(form.m_targetArea->title().toStdString(),
                  std::string(" Target (double click to enlarge): ") + kindName + " (30x20)");
        EXPECT_EQ(form.statusPanel(1)->text().toStdString(), data + name);
        EXPECT_EQ(panel->target().DisplayImage().width(), 30);
    }

    // The save commands run from the target's menu; the "Save as..." button drops down the list's.
    EXPECT_EQ(form.action(CommandId::SBSaveAs)->menu(), form.filesPopup());
    select("a.bmp");
    dialogs.saveAnswers = {data + "out.png"};
    form.action(CommandId::miSavetargetasPNG)->trigger();
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].proposedName, "a.png");
    Bitmap back;
    ASSERT_TRUE(LoadPngFile(data + "out.png", &back));
    EXPECT_TRUE(test::samePixels(back, picture));
    ASSERT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(dialogs.messages.back().text, "Converted: 1");

    form.action(CommandId::miCopybitmaptoclipboard)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(30, 20));

    panel->ImageMainDblClick();
    EXPECT_TRUE(panel->fullView()->isVisible());
    panel->fullView()->close();
}

}  // namespace
}  // namespace vexilo
