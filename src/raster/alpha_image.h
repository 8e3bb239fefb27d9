#pragma once
// A decoded picture with its transparency: the colours as a display-format raster and, beside
// them, one alpha byte a pixel. Decoders of formats that can carry alpha answer with one.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "raster/bitmap.h"

namespace vexilo {

struct AlphaImage {
    Bitmap color;                     // Device-format raster of the colours
    std::vector<std::uint8_t> alpha;  // width*height bytes, top-down, 255 = opaque; empty when
                                      // the picture carries no alpha
};

// Colours that a library hands premultiplied by their alpha (0-255 each), taken back to plain.
inline void unpremultiply(std::uint32_t& r, std::uint32_t& g, std::uint32_t& b, std::uint32_t a) {
    if (a == 0 || a == 255) return;
    r = std::min(255u, (r * 255 + a / 2) / a);
    g = std::min(255u, (g * 255 + a / 2) / a);
    b = std::min(255u, (b * 255 + a / 2) / a);
}

}  // namespace vexilo
