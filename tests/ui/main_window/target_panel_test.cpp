// The target panel in the main window, reached as a person reaches it: rows clicked in the list,
// the panel's own controls, its menu commands and a double click on the picture.
#include "ui/main_window/target_panel.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QSpinBox>

#include "imageio/loaders.h"
#include "support/gif_builder.h"
#include "ui/full_view/form_view.h"
#include "ui/full_view/gif_player.h"
#include "ui/main_window/main_window_fixture.h"
#include "ui/platform/qimage_convert.h"

namespace vexilo {
namespace {

// Started with "/GIF" on a scanned folder: row 0 a looping three-frame animation, row 1 a wide
// picture.
class Panel : public test::MainWindowTest {
protected:
    Panel() {
        writePictures({"wide.bmp"}, 100, 50);
        test::writeAnimation(data() + "anim.gif", 8, 6,
                             {{0, {10, 0, 0}}, {30, {30, 0, 0}}, {250, {250, 0, 0}}}, true, 0);
        options.gifOutput = true;
        openAndScan();
        panel = form->targetPanel();
    }
    void click(int row) { test::clickRow(list(), row); }
    void doubleClickPicture() {
        QTest::mouseDClick(panel->preview(), Qt::LeftButton, {}, panel->preview()->rect().center());
    }
    TargetPanel* panel = nullptr;
};

TEST_F(Panel, RowsOfSeveralKindsShowCaptionViewAsAndSize) {
    click(1);
    EXPECT_EQ(form->m_targetArea->title(),
              QStringLiteral(" Target (double click to enlarge): Bitmap (100x50)"));
    EXPECT_EQ(form->CBViewAs->currentIndex(), kind::Bmp);
    EXPECT_EQ(form->SEImWidth->value(), 100);
    EXPECT_FALSE(form->SEImWidth->isEnabled());
    EXPECT_EQ(panel->preview()->image().size(), QSize(100, 50));
    click(0);
    EXPECT_EQ(form->CBViewAs->currentText(), QStringLiteral("Gif"));

    // Reading the GIF as a bitmap clears the choice (the placeholder it shows: Target tests).
    form->CBViewAs->setCurrentIndex(kind::Bmp);
    emit form->CBViewAs->activated(kind::Bmp);
    EXPECT_EQ(form->CBViewAs->currentIndex(), -1);

    // The user edits the size: proportional, one render, the preview follows.
    click(1);
    form->ChBActualSz->click();
    EXPECT_TRUE(form->SEImWidth->isEnabled());
    form->SEImWidth->setValue(40);
    EXPECT_EQ(form->SEImHeight->value(), 20);
    EXPECT_EQ(panel->preview()->image().size(), QSize(40, 20));
    form->ChBStretch->click();
    const QSize fitted = panel->preview()->image().size();
    EXPECT_TRUE(fitted.width() == panel->preview()->width() || fitted.height() == panel->preview()->height())
        << fitted.width() << "x" << fitted.height();
}

TEST_F(Panel, MenuSavesAndCopiesTheDisplayImage) {
    // What a save proposes, writes and says is the controller's (tests/control); here the
    // window's command reaches the panel, with the "/GIF" switch passed on.
    click(1);
    dialogs.saveAnswers = {data() + "out.gif"};
    form->saveAction(kind::Gif)->trigger();
    Bitmap gif;
    ASSERT_TRUE(LoadGifFile(data() + "out.gif", &gif));
    EXPECT_EQ(gif.width(), 100);

    form->action(CommandId::miCopybitmaptoclipboard)->trigger();
    const QImage pasted = QGuiApplication::clipboard()->image();
    EXPECT_EQ(pasted.size(), QSize(100, 50));
    EXPECT_EQ(pasted.pixel(3, 2), toQImage(panel->target().DisplayImage()).pixel(3, 2));
}

TEST(Clipboard, AFourBitRasterKeepsItsColourTable) {
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
    form->listSelection()->clearSelection();
    doubleClickPicture();
    EXPECT_FALSE(panel->fullView()->isVisible());
    click(1);
    doubleClickPicture();
    TFormView* full = panel->fullView();
    EXPECT_TRUE(full->isVisible());
    EXPECT_FALSE(full->showsAnimation());
    EXPECT_TRUE(full->windowTitle().endsWith(QStringLiteral("wide.bmp [100 x 50]")));

    click(0);  // the visible view follows the selection
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
