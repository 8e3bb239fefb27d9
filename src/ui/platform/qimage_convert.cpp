#include "ui/platform/qimage_convert.h"

#include <algorithm>

namespace vexilo {

QImage toQImage(const Bitmap& bitmap) {
    return toQImage(bitmap, {0, 0, bitmap.width(), bitmap.height()});
}

QImage toQImage(const Bitmap& bitmap, const Rect& rect) {
    const int left = std::clamp(rect.left, 0, bitmap.width()),
              right = std::clamp(rect.right, left, bitmap.width());
    const int top = std::clamp(rect.top, 0, bitmap.height()),
              bottom = std::clamp(rect.bottom, top, bitmap.height());
    QImage image(right - left, bottom - top, QImage::Format_RGB32);
    const bool direct = !isIndexed(bitmap.pixelFormat());
    for (int y = top; y < bottom; ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y - top));
        const auto in = bitmap.row(y).subspan(static_cast<std::size_t>(left));
        const auto n = static_cast<std::size_t>(right - left);
        if (direct) {
            // Direct formats already store the colour they show as 0x..RRGGBB.
            for (std::size_t x = 0; x < n; ++x) out[x] = 0xFF000000u | (in[x] & 0xFFFFFFu);
            continue;
        }
        for (std::size_t x = 0; x < n; ++x) {
            const Color c = bitmap.colorOf(in[x]);
            out[x] = qRgb(c.r, c.g, c.b);
        }
    }
    return image;
}

QImage toQImage(const Bitmap& bitmap, const Rect& rect, const std::vector<std::uint8_t>& alpha) {
    QImage image = toQImage(bitmap, rect);
    if (alpha.size() != static_cast<std::size_t>(bitmap.width()) * static_cast<std::size_t>(bitmap.height()))
        return image;
    image = image.convertToFormat(QImage::Format_ARGB32);
    const int left = std::clamp(rect.left, 0, bitmap.width()), top = std::clamp(rect.top, 0, bitmap.height());
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const std::size_t at = static_cast<std::size_t>(y + top) * static_cast<std::size_t>(bitmap.width()) +
                               static_cast<std::size_t>(left);
        for (int x = 0; x < image.width(); ++x)
            row[x] = (row[x] & 0xFFFFFFu) | (std::uint32_t{alpha[at + static_cast<std::size_t>(x)]} << 24);
    }
    return image;
}

QImage toQImageKeepingPalette(const Bitmap& bitmap) {
    if (!isIndexed(bitmap.pixelFormat())) return toQImage(bitmap);
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_Indexed8);
    const int entries = 1 << bitsPerPixel(bitmap.pixelFormat());
    QList<QRgb> table(entries, qRgb(0, 0, 0));  // indices beyond the palette show black
    for (int i = 0; i < entries && i < static_cast<int>(bitmap.palette().size()); ++i) {
        const Color c = bitmap.palette()[static_cast<std::size_t>(i)];
        table[i] = qRgb(c.r, c.g, c.b);
    }
    image.setColorTable(table);
    for (int y = 0; y < bitmap.height(); ++y) {
        uchar* out = image.scanLine(y);
        const auto in = bitmap.row(y);
        for (int x = 0; x < bitmap.width(); ++x)
            out[x] = static_cast<uchar>(std::min<std::uint32_t>(in[static_cast<std::size_t>(x)], 255u));
    }
    return image;
}

QImage toQImageWithAlpha(const Bitmap& bitmap) {
    if (bitmap.pixelFormat() != PixelFormat::Bpp32) return toQImage(bitmap);
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_ARGB32);
    for (int y = 0; y < bitmap.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        const auto in = bitmap.row(y);
        for (int x = 0; x < bitmap.width(); ++x) out[x] = in[static_cast<std::size_t>(x)];
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

Bitmap fromQImage(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    Bitmap bitmap(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        auto out = bitmap.row(y);
        for (int x = 0; x < rgb.width(); ++x)
            out[static_cast<std::size_t>(x)] =
                packRgb({static_cast<std::uint8_t>(qRed(in[x])), static_cast<std::uint8_t>(qGreen(in[x])),
                         static_cast<std::uint8_t>(qBlue(in[x]))});
    }
    return bitmap;
}

}  // namespace vexilo
