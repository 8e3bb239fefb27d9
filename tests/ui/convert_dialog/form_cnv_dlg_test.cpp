// The batch dialog as a window (offscreen), reached with the mouse and the keyboard: the widgets
// show the rules' state and carry the person's changes to them (the rules themselves are checked
// in tests/control), and a run turns "Convert" into "Stop" and names the file in the progress bar.
#include "ui/convert_dialog/form_cnv_dlg.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <memory>

#include "codecs/png_codec.h"
#include "lang/lang.h"
#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"
#include "support/test_util.h"
#include "ui/person.h"
#include "ui/qt_test_app.h"

namespace vexilo {
namespace {

const std::string kConvert = std::string(kSettingsRootKey) + "\\Convert";

class FormCnvDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::qtApp();
        lang.ProgramDir = std::string(VEXILO_SOURCE_DIR) + "/lang";
        ASSERT_EQ(lang.load(), TLang::kLoaded);
    }
    std::unique_ptr<TFormCnvDlg> open(FileKind k, bool gif = false) {
        request.targetKind = k;
        auto d = std::make_unique<TFormCnvDlg>(request, options, settings, lang, dialogs, gif,
                                               QStringLiteral("Vexilo"));
        d->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(d.get()));
        return d;
    }
    // A click on the tree's node with this code, which shows its page.
    static void clickNode(TFormCnvDlg& d, std::uint8_t code) {
        const auto& nodes = d.rules().controls().nodes;
        QTreeWidgetItemIterator it(d.TreeView1);
        while (*it && nodes[static_cast<std::size_t>((*it)->data(0, Qt::UserRole).toInt())].code != code)
            ++it;
        ASSERT_TRUE(*it) << int(code);
        QTest::mouseClick(d.TreeView1->viewport(), Qt::LeftButton, {},
                          d.TreeView1->visualItemRect(*it).center());
    }
    // Replaces the text of an edit or spin box as typed.
    static void type(QWidget* w, const char* text) {
        test::clickOn(w);
        test::keyOn(w, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(w, text);
    }

    TLang lang;
    SettingsStore settings;
    test::ScriptedDialogs dialogs;
    BatchRequest request;
    ExportOptions options;
};

TEST_F(FormCnvDlgTest, TheFormatListThePagesAndTheStoredValuesGoThroughTheWidgets) {
    EXPECT_EQ(open(kind::Gif, true)->CBConvert->currentText(), QStringLiteral("Gif"));
    options.jpeg.CompressionQuality = 90;
    settings.writeString(kConvert, "BatchPathToSave", "/x/out/");
    auto d = open(kind::Png);
    EXPECT_EQ(d->CBConvert->currentText(), QStringLiteral("Png"));
    EXPECT_EQ(d->CBConvert->findText("Gif"), -1);
    QTest::keyClick(d->CBConvert, Qt::Key_Up);
    QTest::keyClick(d->CBConvert, Qt::Key_Up);
    EXPECT_EQ(d->CBConvert->currentText(), QStringLiteral("Jpeg"));
    clickNode(*d, cnvnode::FormatSummary);
    ASSERT_TRUE(d->SEQuality->isVisible());
    EXPECT_EQ(d->SEQuality->value(), 90);
    type(d->SEQuality, "40");

    clickNode(*d, cnvnode::PathSummary);
    ASSERT_TRUE(d->EPath->isVisible());
    EXPECT_EQ(d->EPath->text(), QStringLiteral("/x/out/"));
    dialogs.folderAnswers = {"/y/z"};
    test::clickOn(d->BitBPath);
    EXPECT_EQ(dialogs.folderStarts.at(0), "/x/out");
    EXPECT_EQ(d->EPath->text(), QStringLiteral("/y/z/"));
    type(d->EPath, "/out/");
    d->resize(700, 450);
    test::clickOn(d->BitBtnOk);  // nothing selected: converts nothing and says so
    EXPECT_EQ(dialogs.messages.size(), 1u);
    test::keyOn(d.get(), Qt::Key_Escape);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(settings.readInteger(kConvert, "ClientWidth", 0), 700);
    EXPECT_EQ(settings.readString(kConvert, "BatchPathToSave", ""), "/out/");
    EXPECT_EQ(settings.readInteger(std::string(kSettingsRootKey) + "\\JpegOpt", "CompressionQuality", 0), 40);
    EXPECT_EQ(open(kind::Png)->width(), 700);
}

TEST_F(FormCnvDlgTest, ARunShowsStopAndTheFileAndCanBeStopped) {
    test::TempDir dir;
    for (const char* name : {"a.png", "b.png"})
        test::writeFile(dir.path() / name,
                        encodePng(test::makeBitmap(4, 4, PixelFormat::Bpp24, test::patternColor)));
    request.files = {dir.file("a.png"), dir.file("b.png")};
    request.iconIndexes = {-1, -1};
    auto d = open(kind::Png);
    QTest::keyClick(d->CBConvert, Qt::Key_Up);  // Targa
    QString during, format;
    const auto shows = d->rules().onProgress;  // the window's own repaint and event pump
    d->rules().onProgress = [&] {
        shows();
        during = d->BitBtnOk->text();
        format = d->ProgressBar1->format();
        test::clickOn(d->BitBtnOk);  // "Stop"
    };
    test::clickOn(d->BitBtnOk);
    EXPECT_EQ(during, QStringLiteral("Stop"));
    EXPECT_TRUE(format.startsWith("a.png")) << format.toStdString();
    EXPECT_NE(dialogs.messages.back().text.find("Stopped."), std::string::npos);  // its words: tests/control
    EXPECT_EQ(d->BitBtnOk->text(), QStringLiteral("Convert"));
    EXPECT_FALSE(d->ProgressBar1->isVisible());
}

}  // namespace
}  // namespace vexilo
