// The main window's dialogs and stored options met as a person meets them: the window is
// started, keys and clicks reach it through its windows, each dialog runs its own event loop
// while a person acts in it, and the window is closed and started again.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QTreeWidget>

#include "ui/about_box.h"
#include "ui/convert_dialog/form_cnv_dlg.h"
#include "ui/help_viewer.h"
#include "ui/main_window/main_window_fixture.h"
#include "ui/options_dialog/form_config.h"

namespace vexilo {
namespace {

namespace fs = std::filesystem;

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

TEST_F(FormMainDialogsTest, AValueStoredAsANumberIsShownAndTheStartGoesOn) {
    fs::create_directories(dir.path() / "config");
    std::string root;  // the settings root as a JSON string holds it
    for (char c : std::string(kSettingsRootKey)) root += c == '\\' ? std::string(2, c) : std::string(1, c);
    const std::string json = R"({"keys": {")" + root +
                             R"(": )"
                             R"({"ClientWidth": 800, "ClientHeight": "500", "ViewStyle": "3"}, ")" +
                             root + R"(\\Preview": {"Left": 12}}})";
    test::writeFile(dir.path() / "config" / "settings.json",
                    std::span(reinterpret_cast<const std::uint8_t*>(json.data()), json.size()));
    open();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].text, "Invalid data type for 'ClientWidth'");
    EXPECT_EQ(dialogs.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(dialogs.messages[1].text, "Invalid data type for 'Left'");
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->viewStyle(), 3);  // the values after the bad one are read

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
    int f1Context = 0, buttonContext = 0, afterClick = -1;
    bool dialogStayedOpen = false, escapeClosed = false, ctrlWClosed = false;
    whenTheDialogIsUp(*form, [&](TFormCnvDlg& d) {
        // F1 on a control of the "Resize" panel opens that panel's topic.
        clickTreeNode(d, 2);
        d.ChBShape->setFocus();
        keyOn(&d, Qt::Key_F1);
        help = helpWindow();
        if (!help) return;
        f1Context = help->helpContext();
        QTest::qWait(200);
        // The help window takes a click while the dialog waits behind it.
        for (QToolButton* b : help->findChildren<QToolButton*>())
            if (b->toolTip() == QStringLiteral("Contents and index")) clickOn(b);
        afterClick = help->helpContext();
        dialogStayedOpen = d.isVisible();
        keyOn(help, Qt::Key_Escape);
        escapeClosed = QTest::qWaitFor([&] { return !help; }, 2000);
        // "Help" opens it again, and Ctrl+W closes it too.
        clickOn(d.BitBtnHelp);
        help = helpWindow();
        if (!help) return;
        buttonContext = help->helpContext();
        QTest::qWait(200);
        keyOn(help, Qt::Key_W, Qt::ControlModifier);
        ctrlWClosed = QTest::qWaitFor([&] { return !help; }, 2000);
    });
    form->action(CommandId::miBatchconversionto)->trigger();
    EXPECT_EQ(f1Context, 653);
    EXPECT_EQ(afterClick, 0);
    EXPECT_TRUE(dialogStayedOpen);
    EXPECT_TRUE(escapeClosed);
    EXPECT_EQ(buttonContext, 583);
    EXPECT_TRUE(ctrlWClosed);
}

TEST_F(FormMainDialogsTest, DialogTextsFollowTheChosenPack) {
    fs::copy_file(fs::path(VEXILO_SOURCE_DIR) / "lang" / "german.lng", dir.path() / "prog" / "german.lng");
    openAndSelectAPicture();
    for (QAction* a : form->languagesMenu()->actions())
        if (a->text() == QStringLiteral("Deutsch")) a->trigger();

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
    EXPECT_THAT(jpegChoices, ::testing::ElementsAre("24 Bit", "8 Bit", "RGB", "Graustufen"));

    form->action(CommandId::miAbout)->trigger();
    auto* about = form->findChild<TAboutBox*>();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->blurb(), QStringLiteral("Findet, zeigt, konvertiert und sammelt Bilder und Symbole."));
    clickOn(about->okButton());
}

}  // namespace
}  // namespace vexilo
