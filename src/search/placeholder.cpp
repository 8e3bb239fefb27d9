#include "search/placeholder.h"

#include <cstdlib>

namespace vexilo::search {

namespace {
enum Ink : std::uint8_t { Paper, Frame, Sky, Sun, Hill, Slash, Shade };
}  // namespace

Bitmap makePlaceholderImage() {
    Bitmap b(kPlaceholderSize, kPlaceholderSize, PixelFormat::Bpp8);
    b.setPalette({{236, 236, 236},
                  {96, 96, 96},
                  {168, 204, 240},
                  {248, 208, 64},
                  {88, 160, 72},
                  {208, 40, 40},
                  {176, 176, 176}});
    constexpr int n = kPlaceholderSize;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            std::uint8_t ink = Paper;
            const bool border = x < 2 || y < 3 || x >= n - 2 || y >= n - 3;
            const bool inside = x >= 4 && x < n - 4 && y >= 5 && y < n - 5;
            if (border) {
                ink = Frame;
            } else if (inside) {
                ink = Sky;
                const int dx = x - 21, dy = y - 11;
                if (dx * dx + dy * dy <= 10) ink = Sun;
                // Two rounded hills across the lower half.
                const int h1 = 22 - (64 - (x - 10) * (x - 10)) / 10;
                const int h2 = 24 - (49 - (x - 22) * (x - 22)) / 9;
                if (y >= h1 || y >= h2) ink = Hill;
            } else if (y == n - 4 || x == n - 3) {
                ink = Shade;
            }
            // A red stroke from corner to corner says "cannot show this file".
            if (!border && std::abs((x - 3) - (y - 3)) <= 1 && x >= 3 && x < n - 3) ink = Slash;
            b.setRaw(x, y, ink);
        }
    }
    return b;
}

}  // namespace vexilo::search
