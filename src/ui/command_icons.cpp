#include "ui/command_icons.h"

#include <QFile>
#include <QString>
#include <algorithm>
#include <array>
#include <mutex>

#include "ui/platform/icon_theme.h"

// The resources live in a static library: nothing references them, so they are registered by
// hand. Q_INIT_RESOURCE must be used outside any namespace.
static void registerIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace vexilo {

namespace {

constexpr std::array<std::string_view, 20> kBuiltIn = {
    "application-exit", "document-save-as",   "edit-copy",     "edit-delete",       "edit-find",
    "go-next",          "go-previous",        "help-about",    "help-contents",     "list-add",
    "list-remove",      "preferences-system", "process-stop",  "view-list-compact", "view-list-details",
    "view-list-icons",  "view-list-text",     "zoom-fit-best", "zoom-in",           "zoom-original",
};

void ensureResources() {
    static std::once_flag once;
    std::call_once(once, registerIconResources);
}

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A theme icon is sharp when the theme has it at both sizes (or scalable, which Qt reports as
// whatever size is asked for).
bool sharpInTheme(const QIcon& icon) {
    const QList<QSize> sizes = icon.availableSizes();
    const auto has = [&](int side) { return sizes.contains(QSize(side, side)); };
    return has(kCommandIconSize) && has(2 * kCommandIconSize);
}

}  // namespace

std::span<const std::string_view> builtInCommandIconNames() {
    return kBuiltIn;
}

QIcon builtInCommandIcon(std::string_view name) {
    if (std::find(kBuiltIn.begin(), kBuiltIn.end(), name) == kBuiltIn.end()) return {};
    ensureResources();
    // An SVG file gives QIcon its scalable engine: every size and scale is drawn afresh.
    return QIcon(QStringLiteral(":/icons/") + toQString(name) + QStringLiteral(".svg"));
}

QIcon commandIcon(std::string_view name) {
    ensureIconTheme();
    QIcon builtIn = builtInCommandIcon(name);
    const QString themeName = toQString(name);
    if (!QIcon::hasThemeIcon(themeName)) return builtIn;
    QIcon theme = QIcon::fromTheme(themeName);
    if (builtIn.isNull() || sharpInTheme(theme)) return theme;
    return builtIn;
}

QIcon applicationIcon() {
    ensureResources();
    return QIcon(QStringLiteral(":/icons/vexilo.svg"));
}

}  // namespace vexilo
