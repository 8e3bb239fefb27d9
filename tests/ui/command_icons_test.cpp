#include "ui/command_icons.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <utility>
#include <vector>

#include "support/test_util.h"
#include "ui/qt_test_app.h"

namespace vexilo {
namespace {

// Opaque and clear pixels both present: a real drawing, not a blank or a filled square.
bool looksDrawn(const QImage& image) {
    int opaque = 0, clear = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int a = qAlpha(image.pixel(x, y));
            opaque += a == 255;
            clear += a == 0;
        }
    return opaque > 0 && clear > 0;
}

TEST(CommandIcons, BuiltInDrawingsRenderAtBothScales) {
    test::qtApp();
    ASSERT_GE(builtInCommandIconNames().size(), 13u);
    for (std::string_view name : builtInCommandIconNames()) {
        SCOPED_TRACE(std::string(name));
        const QIcon icon = builtInCommandIcon(name);
        ASSERT_FALSE(icon.isNull());
        for (qreal scale : {1.0, 2.0}) {
            // Drawn afresh at the device size, not an enlarged small picture.
            const QPixmap pixmap = icon.pixmap(QSize(kCommandIconSize, kCommandIconSize), scale);
            EXPECT_EQ(pixmap.size(), QSize(kCommandIconSize, kCommandIconSize) * scale);
            EXPECT_TRUE(looksDrawn(pixmap.toImage()));
        }
        EXPECT_FALSE(commandIcon(name).isNull());
    }
    EXPECT_TRUE(builtInCommandIcon("no-such-icon").isNull());
    EXPECT_TRUE(commandIcon("vexilo-no-such-icon").isNull());
    EXPECT_TRUE(looksDrawn(applicationIcon().pixmap(256, 256).toImage()));
}

// A made-up theme: red pictures at the sizes each name lists.
void writeTheme(const QString& root, const std::vector<std::pair<QString, std::vector<int>>>& icons) {
    QString dirs;
    QString sections;
    for (int size : {16, 24, 48}) {
        const QString dir = QStringLiteral("%1x%1/actions").arg(size);
        dirs += (dirs.isEmpty() ? QString() : QStringLiteral(",")) + dir;
        sections += QStringLiteral("[%1]\nSize=%2\nType=Fixed\n").arg(dir).arg(size);
        QDir(root).mkpath(QStringLiteral("VexiloTest/") + dir);
    }
    QFile index(root + QStringLiteral("/VexiloTest/index.theme"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write(("[Icon Theme]\nName=VexiloTest\nDirectories=" + dirs + "\n" + sections).toUtf8());
    for (const auto& [name, sizes] : icons)
        for (int size : sizes) {
            QImage image(size, size, QImage::Format_ARGB32);
            image.fill(Qt::red);
            ASSERT_TRUE(image.save(
                QStringLiteral("%1/VexiloTest/%2x%2/actions/%3.png").arg(root).arg(size).arg(name)));
        }
}

bool isRed(const QIcon& icon) {
    const QImage image = icon.pixmap(QSize(24, 24), 2.0).toImage();
    return !image.isNull() && image.pixel(image.width() / 2, image.height() / 2) == qRgb(255, 0, 0);
}

TEST(CommandIcons, ThemeIconIsTakenOnlyWhenSharpAtBothScales) {
    test::qtApp();
    test::TempDir dir;
    const QString root = QString::fromStdString(dir.path().string());
    writeTheme(root, {{QStringLiteral("folder"), {16, 24, 48}},
                      {QStringLiteral("edit-find"), {24, 48}},
                      {QStringLiteral("process-stop"), {16, 24}},
                      {QStringLiteral("vexilo-theme-only"), {16}}});
    const QStringList oldPaths = QIcon::themeSearchPaths();
    const QString oldName = QIcon::themeName();
    QIcon::setThemeSearchPaths({root});
    QIcon::setThemeName(QStringLiteral("VexiloTest"));
    EXPECT_TRUE(isRed(commandIcon("edit-find")));      // sharp in the theme
    EXPECT_FALSE(isRed(commandIcon("process-stop")));  // no 48 pixel picture: built-in
    EXPECT_FALSE(commandIcon("process-stop").isNull());
    EXPECT_TRUE(isRed(commandIcon("vexilo-theme-only")));  // no built-in: the theme at any size
    QIcon::setThemeSearchPaths(oldPaths);
    QIcon::setThemeName(oldName);
}

}  // namespace
}  // namespace vexilo
