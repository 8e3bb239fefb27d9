#include "ui/main_window/target_panel.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QMenu>
#include <QSpinBox>

#include "codecs/bmp_codec.h"
#include "codecs/gif_image.h"
#include "imageio/loaders.h"
#include "lang/lang.h"
#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"
#include "support/test_util.h"
#include "ui/full_view/form_view.h"
#include "ui/full_view/gif_player.h"
#include "ui/platform/qimage_convert.h"
#include "ui/qt_test_app.h"

namespace vexilo {
namespace {

// The window's controls of the target, as the main window builds them.
struct Controls {
    Controls() {
        c.groupBox = &box;
        c.viewAs = new QComboBox(&box);
        c.stretch = new QCheckBox(&box);
        c.actualSize = new QCheckBox(&box);
        c.proportional = new QCheckBox(&box);
        c.proportional->setChecked(true);
        c.buttonShape = new QCheckBox(&box);
        c.width = new QSpinBox(&box);
        c.height = new QSpinBox(&box);
        c.popup = new QMenu(&box);
    }
    QGroupBox box{QStringLiteral(" Target (double click to enlarge): ")};
    TargetControls c;
};

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
            gif.addFrame(test::makeBitmap(8, 6, PixelFormat::Bpp8, [&](int, int) { return c; }, {c, kWhite}))
                .delayMs = delay;
        }
        gif.recomputeScreenSize();
        gif.setLooping(true);
        gif.setLoopCount(0);
        gif.saveToFile(dir.file("anim.gif"));
        rows = {rowFor(dir, "wide.bmp"), rowFor(dir, "anim.gif"), rowFor(dir, "notes.txt")};
        panel.selectedRow = [this]() -> const search::FoundRow* {
            return selected < 0 ? nullptr : &rows[selected];
        };
        controls.box.resize(400, 300);
        controls.box.show();
    }
    void click(int row) {
        selected = row;
        panel.ListView1Click();
    }

    QApplication& application = test::qtApp();  // before any widget
    test::TempDir dir;
    TLang lang;
    FullViewPosition fullViewPlace;
    test::ScriptedDialogs dialogs;
    Controls controls;
    ExportOptions exportOptions;
    TargetPanel panel{fullViewPlace, lang, dialogs, Bitmap(20, 20), exportOptions, controls.c};
    std::vector<search::FoundRow> rows;
    int selected = -1;
};

TEST_F(Panel, RowsOfSeveralKindsShowCaptionViewAsAndSize) {
    EXPECT_EQ(controls.box.title(), QStringLiteral(" Target (double click to enlarge): "));
    click(0);
    EXPECT_EQ(controls.box.title(), QStringLiteral(" Target (double click to enlarge): Bitmap (100x50)"));
    EXPECT_EQ(controls.c.viewAs->currentIndex(), kind::Bmp);
    EXPECT_EQ(controls.c.width->value(), 100);
    EXPECT_FALSE(controls.c.width->isEnabled());
    EXPECT_EQ(panel.preview()->image().size(), QSize(100, 50));
    click(1);
    EXPECT_EQ(controls.c.viewAs->currentText(), QStringLiteral("Gif"));
    EXPECT_EQ(panel.target().DisplayImage().width(), 8);

    // Reading the GIF as a bitmap shows the placeholder and clears the selection.
    controls.c.viewAs->setCurrentIndex(kind::Bmp);
    emit controls.c.viewAs->activated(kind::Bmp);
    EXPECT_EQ(controls.c.viewAs->currentIndex(), -1);
    EXPECT_TRUE(controls.c.viewAs->currentText().isEmpty());
    EXPECT_EQ(panel.target().DisplayImage().width(), 20);

    // The user edits the size: proportional, one render, the preview follows.
    click(0);
    controls.c.actualSize->click();
    EXPECT_TRUE(controls.c.width->isEnabled());
    controls.c.width->setValue(40);
    EXPECT_EQ(controls.c.height->value(), 20);
    EXPECT_EQ(panel.preview()->image().size(), QSize(40, 20));
    controls.c.stretch->click();
    const QSize fitted = panel.preview()->image().size();
    EXPECT_EQ(fitted.width(), panel.preview()->width());
    EXPECT_EQ(panel.target().DisplayImage().width(), 40);
}

TEST_F(Panel, MenuSavesAndCopiesTheDisplayImage) {
    click(0);
    dialogs.saveAnswers = {dir.file("out.gif"), dir.file("out.png")};
    panel.saveTarget(*fileFormat(kind::Gif));  // no "/GIF"
    EXPECT_TRUE(dialogs.saveRequests.empty());
    panel.setGifOutputEnabled(true);
    panel.saveTarget(*fileFormat(kind::Gif));
    Bitmap gif;
    EXPECT_TRUE(LoadGifFile(dir.file("out.gif"), &gif));
    dialogs.saveRequests.clear();
    panel.saveTarget(*fileFormat(kind::Png));
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].proposedName, "wide.png");
    Bitmap back;
    ASSERT_TRUE(LoadPngFile(dir.file("out.png"), &back));
    EXPECT_TRUE(test::samePixels(back, panel.target().DisplayImage()));
    EXPECT_EQ(dialogs.messages.back().text, "Converted: 1");

    panel.miCopybitmaptoclipboardClick();
    const QImage pasted = QGuiApplication::clipboard()->image();
    EXPECT_EQ(pasted.size(), QSize(100, 50));
    EXPECT_EQ(pasted.pixel(3, 2), toQImage(panel.target().DisplayImage()).pixel(3, 2));

    // A 4-bit raster keeps its colour table on the way to the clipboard.
    const Bitmap four = test::makeBitmap(3, 1, PixelFormat::Bpp4,
                                         [](int x, int) {
                                             return x == 0 ? Color{255, 0, 0} : Color{0, 0, 255};
                                         },
                                         {Color{255, 0, 0}, Color{0, 0, 255}});
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
    QObject::connect(player, &GifPlayer::frameShown,
                     [&](int f) { steps.emplace_back(f, player->pendingDelay()); });
    QElapsedTimer clock;
    clock.start();
    while (steps.size() < 4 && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
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
