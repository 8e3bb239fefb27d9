#include "ui/platform/qimage_convert.h"

namespace vexilo {

QImage toQImage(const Bitmap& bitmap) {
    QImage image(bitmap.width(), bitmap.height(), QImage::Format_RGB32);
    for (int y = 0; y < bitmap.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        const auto in = bitmap.row(y);
        for (int x = 0; x < bitmap.width(); ++x) {
            const Color c = bitmap.colorOf(in[static_cast<std::size_t>(x)]);
            out[x] = qRgb(c.r, c.g, c.b);
        }
    }
    return image;
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
