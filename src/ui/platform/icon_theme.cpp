#include "ui/platform/icon_theme.h"

#include <QDir>
#include <QIcon>
#include <QStandardPaths>
#include <QStringList>

namespace vexilo {

namespace {
bool themeHasIcons() {
    return QIcon::hasThemeIcon(QStringLiteral("folder"));
}
}  // namespace

void ensureIconTheme() {
    if (!QIcon::themeName().isEmpty() && themeHasIcons()) return;
    // Without a desktop session Qt looks only in its resources: add the XDG icon folders.
    QStringList paths = QIcon::themeSearchPaths();
    QStringList extra = QStandardPaths::locateAll(QStandardPaths::GenericDataLocation,
                                                  QStringLiteral("icons"), QStandardPaths::LocateDirectory);
    extra << QDir::homePath() + QStringLiteral("/.icons");
    for (const QString& dir : extra)
        if (!paths.contains(dir) && QDir(dir).exists()) paths << dir;
    QIcon::setThemeSearchPaths(paths);
    for (const char* name : {"Adwaita", "hicolor"}) {
        QIcon::setThemeName(QString::fromLatin1(name));
        if (themeHasIcons()) break;
    }
    if (QIcon::fallbackThemeName().isEmpty()) QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
}

}  // namespace vexilo
