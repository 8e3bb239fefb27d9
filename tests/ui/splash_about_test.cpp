#include <gtest/gtest.h>

#include <QPushButton>
#include <QScreen>

#include "base/version.h"
#include "ui/about_box.h"
#include "ui/qt_test_app.h"
#include "ui/splash.h"

namespace vexilo {
namespace {

TEST(TSplash, CentredGradientInARaisedFrame) {
    test::qtApp();
    TSplash splash;
    splash.showCentred();
    EXPECT_EQ(splash.size(), QSize(200, 100));
    EXPECT_EQ(splash.message(), QStringLiteral("Please, wait..."));
    EXPECT_EQ(splash.product(), QString::fromLatin1(kProgramCaption));  // name and version
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_LE((splash.geometry().center() - screen.center()).manhattanLength(), 2);
    const QImage shot = splash.grab().toImage();
    const auto grey = [&](int x, int y) { return qGray(shot.pixel(x, y)); };
    EXPECT_GT(grey(0, 50), grey(199, 50));               // light left edge, dark right edge
    EXPECT_GT(grey(100, 0), grey(100, 99));              // light top edge, dark bottom edge
    EXPECT_NE(shot.pixel(20, 90), shot.pixel(180, 10));  // the gradient runs across
}

TEST(TAboutBox, FitsItsTextsAndClosesWithOk) {
    test::qtApp();
    TAboutBox about;
    about.setProduct(QStringLiteral("Vexilo"), QStringLiteral("3.0.2"));
    about.show();
    EXPECT_EQ(about.productName(), QStringLiteral("Vexilo"));
    const int normal = about.width();
    // A long name widens the window instead of being cut.
    const QString longName = QStringLiteral("Vexilo with a very long product name for a test");
    about.setProduct(longName, QStringLiteral("3.0.2"));
    QFont title = about.font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.8);
    EXPECT_GT(about.width(), normal);
    EXPECT_GE(about.width(), QFontMetrics(title).horizontalAdvance(longName));
    EXPECT_TRUE(about.rect().contains(about.okButton()->geometry()));
    about.okButton()->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}

}  // namespace
}  // namespace vexilo
