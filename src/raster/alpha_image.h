#pragma once
// A decoded picture with its transparency: the colours as a display-format raster and, beside
// them, one alpha byte a pixel. Decoders of formats that can carry alpha answer with one.
#include <cstdint>
#include <vector>

#include "raster/bitmap.h"

namespace vexilo {

struct AlphaImage {
    Bitmap color;                     // Device-format raster of the colours
    std::vector<std::uint8_t> alpha;  // width*height bytes, top-down, 255 = opaque; empty when
                                      // the picture carries no alpha
};

}  // namespace vexilo
