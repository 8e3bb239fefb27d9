#include "ui/form_main.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStatusBar>
#include <QTabWidget>

namespace vexilo {
namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "form_main_test";
    static char* argv[] = {name, nullptr};
    static QApplication instance(argc, argv);
    return instance;
}

TEST(TFormMain, ShowsCaptionTabsAtTheBottomAndStatusBar) {
    app();
    TFormMain form;
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Vexilo 3.0.2"));
    QTabWidget* pages = form.pageControl();
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->tabPosition(), QTabWidget::South);
    ASSERT_EQ(pages->count(), 2);
    EXPECT_EQ(pages->tabText(0), QStringLiteral("Search"));
    EXPECT_EQ(pages->tabText(1), QStringLiteral("Images"));
    EXPECT_TRUE(form.statusBar()->isVisible());
    const QImage shot = form.grab().toImage();
    EXPECT_FALSE(shot.isNull());
    if (const char* out = std::getenv("VEXILO_SCREENSHOT")) shot.save(QString::fromUtf8(out));
}

}  // namespace
}  // namespace vexilo
