#include "ui/target_panel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QSpinBox>
#include <QToolBar>

#include "codecs/bmp_codec.h"
#include "codecs/gif_image.h"
#include "imageio/loaders.h"
#include "lang/lang.h"
#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"
#include "support/test_util.h"
#include "ui/form_view.h"
#include "ui/gif_player.h"
#include "ui/platform/qimage_convert.h"

namespace vexilo {
namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "target_panel_test";
    static char* argv[] = {name, nullptr};
    static QApplication instance(argc, argv);
    return instance;
}

search::FoundRow rowFor(const test::TempDir& dir, const std::string& name) {
    search::FoundRow r;
    r.caption = name;
    r.image.Folder = dir.path().string() + "/";
    r.image.Name = name;
    return r;
}

class Panel : public ::testing::Test {
protected:
    Panel() {
        lang.ProgramDir = std::string(VEXILO_SOURCE_DIR) + "/lang/";
        lang.load();
        saveBmpFile(test::makeBitmap(100, 50, PixelFormat::Bpp24, test::patternColor), dir.file("wide.bmp"));
        TGIFImage gif;
        for (int delay : {0, 30, 250}) {
            const Color c{static_cast<std::uint8_t>(delay), 0, 0};
            gif.addFrame(test::makeBitmap(8, 6, PixelFormat::Bpp8, [&](int, int) { return c; }, {c, kWhite})).delayMs =
                delay;
        }
        gif.recomputeScreenSize();
        gif.setLooping(true);
        gif.setLoopCount(0);
        gif.saveToFile(dir.file("anim.gif"));
        rows = {rowFor(dir, "wide.bmp"), rowFor(dir, "anim.gif"), rowFor(dir, "notes.txt")};
        panel.selectedRow = [this]() -> const search::FoundRow* { return selected < 0 ? nullptr : &rows[selected]; };
        panel.fillViewToolBar(&view);
        panel.fillModifyToolBar(&modify);
        view.show();
        modify.show();
        panel.resize(400, 300);
        panel.show();
    }
    void click(int row) {
        selected = row;
        panel.ListView1Click();
    }

    QApplication& application = app();  // before any widget
    test::TempDir dir;
    TLang lang;
    SettingsStore settings;
    test::ScriptedDialogs dialogs;
    TargetPanel panel{settings, lang, dialogs, Bitmap(20, 20)};
    QToolBar view, modify;
    std::vector<search::FoundRow> rows;
    int selected = -1;
};

TEST_F(Panel, RowsOfSeveralKindsShowCaptionViewAsAndSize) {
    EXPECT_EQ(panel.title(), QStringLiteral(" Target (double click to enlarge): "));
    click(0);
    EXPECT_EQ(panel.title(), QStringLiteral(" Target (double click to enlarge): Bitmap (100x50)"));
    EXPECT_EQ(panel.viewAsList()->currentIndex(), kind::Bmp);
    EXPECT_EQ(panel.widthEdit()->value(), 100);
    EXPECT_FALSE(panel.widthEdit()->isEnabled());
    EXPECT_EQ(panel.preview()->image().size(), QSize(100, 50));
    click(1);
    EXPECT_EQ(panel.viewAsList()->currentText(), QStringLiteral("Gif"));
    EXPECT_EQ(panel.target().DisplayImage().width(), 8);

    // Reading the GIF as a bitmap shows the placeholder and clears the selection.
    panel.viewAsList()->setCurrentIndex(kind::Bmp);
    emit panel.viewAsList()->activated(kind::Bmp);
    EXPECT_EQ(panel.viewAsList()->currentIndex(), -1);
    EXPECT_TRUE(panel.viewAsList()->currentText().isEmpty());
    EXPECT_EQ(panel.target().DisplayImage().width(), 20);

    // The user edits the size: proportional, one render, the preview follows.
    click(0);
    panel.actualSizeBox()->click();
    EXPECT_TRUE(panel.widthEdit()->isEnabled());
    panel.widthEdit()->setValue(40);
    EXPECT_EQ(panel.heightEdit()->value(), 20);
    EXPECT_EQ(panel.preview()->image().size(), QSize(40, 20));
    panel.stretchBox()->click();
    const QSize fitted = panel.preview()->image().size();
    EXPECT_EQ(fitted.width(), panel.preview()->width());
    EXPECT_EQ(panel.target().DisplayImage().width(), 40);
}

TEST_F(Panel, MenuSavesAndCopiesTheDisplayImage) {
    EXPECT_FALSE(panel.saveAction(3)->isVisible());
    panel.setGifOutputEnabled(true);
    EXPECT_TRUE(panel.saveAction(3)->isVisible());
    EXPECT_EQ(panel.saveAction(5)->text(), QStringLiteral("Save target as &PNG..."));
    click(0);
    dialogs.saveAnswers = {dir.file("out.png")};
    panel.saveAction(5)->trigger();
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].proposedName, "wide.png");
    Bitmap back;
    ASSERT_TRUE(LoadPngFile(dir.file("out.png"), &back));
    EXPECT_TRUE(test::sameColours(back, panel.target().DisplayImage()));
    EXPECT_EQ(dialogs.messages.back().text, "Converted: 1");

    panel.clipboardAction()->trigger();
    const QImage pasted = QGuiApplication::clipboard()->image();
    EXPECT_EQ(pasted.size(), QSize(100, 50));
    EXPECT_EQ(pasted.pixel(3, 2), toQImage(panel.target().DisplayImage()).pixel(3, 2));

    // A 4-bit raster keeps its colour table on the way to the clipboard.
    const Bitmap four = test::makeBitmap(3, 1, PixelFormat::Bpp4, [](int x, int) {
        return x == 0 ? Color{255, 0, 0} : Color{0, 0, 255};
    }, {Color{255, 0, 0}, Color{0, 0, 255}});
    const QImage indexed = toQImageKeepingPalette(four);
    EXPECT_EQ(indexed.format(), QImage::Format_Indexed8);
    EXPECT_EQ(indexed.colorCount(), 16);
    EXPECT_EQ(indexed.pixelIndex(2, 0), 1);
    EXPECT_EQ(indexed.pixel(0, 0), qRgb(255, 0, 0));
}

TEST_F(Panel, EnlargedViewAnimatesAGifWithItsDelays) {
    selected = -1;
    panel.ImageMainDblClick();
    EXPECT_FALSE(panel.fullView()->isVisible());
    click(0);
    panel.ImageMainDblClick();
    TFormView* full = panel.fullView();
    EXPECT_TRUE(full->isVisible());
    EXPECT_FALSE(full->showsAnimation());
    EXPECT_TRUE(full->windowTitle().endsWith(QStringLiteral("wide.bmp [100 x 50]")));

    click(1);  // the visible view follows the selection
    ASSERT_TRUE(full->showsAnimation());
    EXPECT_TRUE(full->windowTitle().endsWith(QStringLiteral("anim.gif [8 x 6]")));
    GifPlayer* player = full->gifPlayer();
    std::vector<std::pair<int, int>> steps;  // frame shown, delay that follows it
    steps.emplace_back(player->playback().shownFrame(), player->pendingDelay());
    QObject::connect(player, &GifPlayer::frameShown, [&](int f) { steps.emplace_back(f, player->pendingDelay()); });
    QElapsedTimer clock;
    clock.start();
    while (steps.size() < 4 && clock.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ASSERT_GE(steps.size(), 4u);
    EXPECT_EQ(steps[0], std::make_pair(0, 100));
    EXPECT_EQ(steps[1], std::make_pair(1, 30));
    EXPECT_EQ(steps[2], std::make_pair(2, 250));
    EXPECT_EQ(steps[3], std::make_pair(0, 100));  // loops forever
    EXPECT_GE(clock.elapsed(), 100 + 30 + 250 - 20);
    full->close();
    EXPECT_FALSE(player->running());
}

}  // namespace
}  // namespace vexilo
