#include "ui/platform/associated_icon_qt.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QMimeDatabase>
#include <QPainter>
#include <QPixmap>

#include "ui/platform/icon_theme.h"

namespace vexilo {

namespace {

// The theme's icon names for a file, most specific first.
QStringList iconNamesFor(const QFileInfo& info) {
    if (info.isDir()) return {QStringLiteral("folder")};
    static const QMimeDatabase db;
    const QMimeType mime = db.mimeTypeForFile(info);
    QStringList names;
    if (mime.isValid()) names << mime.iconName() << mime.genericIconName();
    names << QStringLiteral("text-x-generic");
    return names;
}

Icon iconFromImage(const QImage& source, int size) {
    // Theme icons may come smaller than asked for; they are centred as a desktop shows them.
    QImage canvas(size, size, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter p(&canvas);
        const QImage scaled = source.width() > size || source.height() > size
                                  ? source.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                  : source;
        p.drawImage((size - scaled.width()) / 2, (size - scaled.height()) / 2, scaled);
    }
    const QImage argb = canvas.convertToFormat(QImage::Format_ARGB32);
    Icon icon = Icon::blank(size, size);
    icon.alpha.resize(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    for (int y = 0; y < size; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < size; ++x) {
            const QRgb px = line[x];
            const auto a = static_cast<std::uint8_t>(qAlpha(px));
            icon.alpha[static_cast<std::size_t>(y) * static_cast<std::size_t>(size) +
                       static_cast<std::size_t>(x)] = a;
            if (a == 0) continue;  // stays black under a set mask bit
            icon.color.setPixel(x, y,
                                {static_cast<std::uint8_t>(qRed(px)), static_cast<std::uint8_t>(qGreen(px)),
                                 static_cast<std::uint8_t>(qBlue(px))});
            icon.mask.setRaw(x, y, 0);
        }
    }
    return icon;
}

}  // namespace

std::optional<Icon> qtAssociatedIcon(const std::string& path, int size) {
    if (!QGuiApplication::instance() || size <= 0) return std::nullopt;
    const QFileInfo info(QFile::decodeName(QByteArray::fromStdString(path)));
    if (!info.exists()) return std::nullopt;
    for (const QString& name : iconNamesFor(info)) {
        if (name.isEmpty()) continue;
        const QIcon icon = QIcon::fromTheme(name);
        if (icon.isNull()) continue;
        const QPixmap pixmap = icon.pixmap(QSize(size, size), 1.0);
        if (pixmap.isNull()) continue;
        return iconFromImage(pixmap.toImage(), size);
    }
    return std::nullopt;
}

}  // namespace vexilo
