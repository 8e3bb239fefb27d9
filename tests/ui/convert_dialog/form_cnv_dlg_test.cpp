// The batch dialog as a window (offscreen): the format list, the stored values, the folder
// dialog, and a run that turns "Convert" into "Stop" and names the file in the progress bar.
#include "ui/convert_dialog/form_cnv_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <memory>

#include "codecs/png_codec.h"
#include "lang/lang.h"
#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"
#include "support/test_util.h"
#include "ui/qt_test_app.h"

namespace vexilo {
namespace {

const std::string kConvert = std::string(kSettingsRootKey) + "\\Convert";
const std::string kJpeg = std::string(kSettingsRootKey) + "\\JpegOpt";

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
        return d;
    }

    TLang lang;
    SettingsStore settings;
    test::ScriptedDialogs dialogs;
    BatchRequest request;
    ExportOptions options;
};

TEST_F(FormCnvDlgTest, PreselectsTheFormatAndOffersGifOnlyWithTheSwitch) {
    const std::pair<FileKind, const char*> cases[] = {{0, "Bitmap"}, {1, "Bitmap"}, {11, "Png"}};
    for (auto [k, name] : cases) {
        auto d = open(k);
        EXPECT_EQ(d->CBConvert->currentText().toStdString(), name) << int(k);
        EXPECT_EQ(d->CBConvert->count(), 9);  // WebP and TIFF after the first seven
        EXPECT_EQ(d->CBConvert->findText("Gif"), -1);
        EXPECT_EQ(d->BitBtnOk->text(), QStringLiteral("Convert"));
        EXPECT_TRUE(d->RBPrompt->isChecked());
        EXPECT_FALSE(d->ProgressBar1->isVisible());
    }
    auto d = open(12, true);
    EXPECT_EQ(d->CBConvert->count(), 10);
    EXPECT_EQ(d->CBConvert->currentText(), QStringLiteral("Gif"));
}

TEST_F(FormCnvDlgTest, StoresOptionsOnlyAfterConvert) {
    options.jpeg.CompressionQuality = 90;
    {
        auto d = open(kind::Jpeg);
        d->SEQuality->setValue(40);
        d->RBIco16->setChecked(true);
        d->resize(700, 450);
        d->reject();
    }
    EXPECT_EQ(settings.readInteger(kConvert, "ClientWidth", 0), 700);
    EXPECT_TRUE(settings.valueExists(kConvert, "TreeViewWidth"));
    EXPECT_FALSE(settings.valueExists(kJpeg, "CompressionQuality"));
    EXPECT_FALSE(settings.valueExists(kConvert, "IconColors"));
    {
        auto d = open(kind::Jpeg);
        EXPECT_EQ(d->width(), 700);
        EXPECT_EQ(d->SEQuality->value(), 90);  // the choice made without "Convert" is gone
        d->SEQuality->setValue(40);
        d->RBIco16->setChecked(true);
        d->EPath->setText("/out/");
        emit d->EPath->textEdited(d->EPath->text());
        d->BitBtnOk->click();  // nothing selected: converts nothing and says so
        d->reject();
    }
    EXPECT_EQ(options.jpeg.CompressionQuality, 90);  // put back when the dialog closed
    EXPECT_EQ(settings.readInteger(kJpeg, "CompressionQuality", 0), 40);
    EXPECT_EQ(settings.readString(kConvert, "IconColors", ""), "cl16");
    EXPECT_EQ(settings.readString(kConvert, "BatchPathToSave", ""), "/out/");
    EXPECT_EQ(dialogs.messages.back().text, "Converted: 0;\n\rNot loaded: 0;\n\rFailed: 0.");
}

TEST_F(FormCnvDlgTest, CancelledFolderDialogKeepsTheFolder) {
    settings.writeString(kConvert, "BatchPathToSave", "/x/out/");
    auto d = open(kind::Png);
    d->BitBPath->click();
    EXPECT_EQ(dialogs.folderStarts.at(0), "/x/out");
    EXPECT_EQ(request.outputFolder, "/x/out/");
    EXPECT_EQ(d->EPath->text(), QStringLiteral("/x/out/"));
}

TEST_F(FormCnvDlgTest, ARunShowsStopAndTheFileAndCanBeStopped) {
    test::TempDir dir;
    for (const char* name : {"a.png", "b.png"})
        test::writeFile(dir.path() / name,
                        encodePng(test::makeBitmap(4, 4, PixelFormat::Bpp24, test::patternColor)));
    request.files = {dir.file("a.png"), dir.file("b.png")};
    request.iconIndexes = {-1, -1};
    auto d = open(kind::Png);
    d->CBConvert->setCurrentIndex(5);  // Targa
    QString during, format;
    const auto shows = d->rules().onProgress;  // the window's own repaint and event pump
    d->rules().onProgress = [&] {
        shows();
        during = d->BitBtnOk->text();
        format = d->ProgressBar1->format();
        d->BitBtnOk->click();  // "Stop"
    };
    d->BitBtnOk->click();
    EXPECT_EQ(during, QStringLiteral("Stop"));
    EXPECT_TRUE(format.startsWith("a.png")) << format.toStdString();
    EXPECT_EQ(dialogs.messages.back().text,
              "Converted: 0;\n\rNot loaded: 0;\n\rFailed: 0.\n\rStopped. Files not converted: 2");
    EXPECT_EQ(d->BitBtnOk->text(), QStringLiteral("Convert"));
    EXPECT_FALSE(d->ProgressBar1->isVisible());
}

}  // namespace
}  // namespace vexilo
