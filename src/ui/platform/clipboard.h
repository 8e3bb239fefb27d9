#pragma once
// The desktop clipboard for rasters.
#include <cstdint>
#include <vector>

#include "raster/bitmap.h"

namespace vexilo {

// Replaces the clipboard's contents by the bitmap, as an image other programs paste (Qt offers
// it as image/png and the platform's bitmap types); an indexed bitmap keeps its colour table.
// With an alpha of one byte a pixel it goes as an image with that transparency.
void copyBitmapToClipboard(const Bitmap& bitmap, const std::vector<std::uint8_t>& alpha = {});

}  // namespace vexilo
