#include "raster/icon.h"

#include <algorithm>

namespace vexilo {

Icon Icon::blank(int width, int height) {
    Icon icon;
    icon.color = Bitmap(width, height);
    icon.color.fillRect({0, 0, width, height}, kBlack);
    icon.mask = Bitmap(width, height, PixelFormat::Bpp1);  // white = 1 = transparent
    return icon;
}

void Icon::drawOnto(Bitmap& dest, int x, int y) const {
    const int w = std::min(width(), mask.width() > 0 ? mask.width() : width());
    const int h = std::min(height(), mask.height() > 0 ? mask.height() : height());
    const bool blended =
        alpha.size() == static_cast<std::size_t>(width()) * static_cast<std::size_t>(height());
    for (int j = 0; j < h; ++j) {
        const int dy = y + j;
        if (dy < 0 || dy >= dest.height()) continue;
        for (int i = 0; i < w; ++i) {
            const int dx = x + i;
            if (dx < 0 || dx >= dest.width()) continue;
            const Color src = color.pixel(i, j);
            const Color under = dest.pixel(dx, dy);
            Color out;
            if (blended) {
                const int a = alpha[static_cast<std::size_t>(j) * static_cast<std::size_t>(width()) +
                                    static_cast<std::size_t>(i)];
                auto mix = [a](int s, int d) {
                    return static_cast<std::uint8_t>((s * a + d * (255 - a) + 127) / 255);
                };
                out = {mix(src.r, under.r), mix(src.g, under.g), mix(src.b, under.b)};
            } else {
                const bool keep = mask.empty() ? false : mask.raw(i, j) != 0;
                const Color anded = keep ? under : kBlack;
                out = {static_cast<std::uint8_t>(anded.r ^ src.r), static_cast<std::uint8_t>(anded.g ^ src.g),
                       static_cast<std::uint8_t>(anded.b ^ src.b)};
            }
            dest.setPixel(dx, dy, out);
        }
    }
}

}  // namespace vexilo
