#include "codecs/exif_orientation.h"

#include <algorithm>

namespace vexilo {

namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;

}  // namespace

int exifOrientation(std::span<const std::uint8_t> tiff) {
    if (tiff.size() < 8) return 1;
    const bool little = tiff[0] == 'I' && tiff[1] == 'I';
    if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) return 1;
    const auto u16 = [&](std::size_t at) -> std::uint32_t {
        return little ? tiff[at] | (tiff[at + 1] << 8) : (tiff[at] << 8) | tiff[at + 1];
    };
    const auto u32 = [&](std::size_t at) -> std::uint32_t {
        return little ? u16(at) | (u16(at + 2) << 16) : (u16(at) << 16) | u16(at + 2);
    };
    if (u16(2) != 42) return 1;
    const std::size_t ifd = u32(4);
    if (ifd > tiff.size() - 2) return 1;
    const std::size_t count = u16(ifd);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = ifd + 2 + i * 12;
        if (entry + 12 > tiff.size()) break;
        if (u16(entry) != kOrientationTag) continue;
        if (u16(entry + 2) != kShortType) return 1;
        const std::uint32_t value = u16(entry + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}

int jpegExifOrientation(std::span<const std::uint8_t> jpeg) {
    if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return 1;
    std::size_t at = 2;
    while (at + 4 <= jpeg.size()) {
        if (jpeg[at] != 0xFF) return 1;
        const std::uint8_t marker = jpeg[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) return 1;  // image data or the end: no EXIF before it
        const std::size_t length = (jpeg[at + 2] << 8) | jpeg[at + 3];
        if (length < 2 || at + 2 + length > jpeg.size()) return 1;
        const auto body = jpeg.subspan(at + 4, length - 2);
        static constexpr std::uint8_t kExif[] = {'E', 'x', 'i', 'f', 0, 0};
        if (marker == 0xE1 && body.size() >= 6 && std::equal(kExif, kExif + 6, body.begin()))
            return exifOrientation(body.subspan(6));
        at += 2 + length;
    }
    return 1;
}

Bitmap applyOrientation(const Bitmap& picture, int orientation) {
    if (orientation < 2 || orientation > 8 || picture.empty()) return picture;
    const int w = picture.width(), h = picture.height();
    const bool swap = orientation >= 5;
    Bitmap out;
    out.resetForOverwrite(swap ? h : w, swap ? w : h, picture.pixelFormat());
    out.setPalette(picture.palette());
    out.setTransparent(picture.transparent());
    out.setTransparentColor(picture.transparentColor());
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            int sx = x, sy = y;
            switch (orientation) {
                case 2:
                    sx = w - 1 - x;
                    break;
                case 3:
                    sx = w - 1 - x, sy = h - 1 - y;
                    break;
                case 4:
                    sy = h - 1 - y;
                    break;
                case 5:
                    sx = y, sy = x;
                    break;
                case 6:
                    sx = y, sy = h - 1 - x;
                    break;
                case 7:
                    sx = w - 1 - y, sy = h - 1 - x;
                    break;
                case 8:
                    sx = w - 1 - y, sy = x;
                    break;
                default:
                    break;
            }
            out.setRaw(x, y, picture.raw(sx, sy));
        }
    }
    return out;
}

void applyOrientation(AlphaImage& image, int orientation) {
    if (orientation < 2 || orientation > 8) return;
    if (!image.alpha.empty()) {
        // Turned through a grey raster, so colours and alpha turn the same way.
        Bitmap alpha(image.color.width(), image.color.height());
        for (std::size_t i = 0; i < image.alpha.size(); ++i) alpha.pixels()[i] = image.alpha[i];
        alpha = applyOrientation(alpha, orientation);
        for (std::size_t i = 0; i < image.alpha.size(); ++i)
            image.alpha[i] = static_cast<std::uint8_t>(alpha.pixels()[i]);
    }
    image.color = applyOrientation(image.color, orientation);
}

}  // namespace vexilo
