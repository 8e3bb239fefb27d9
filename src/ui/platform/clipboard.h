#pragma once
// The desktop clipboard for rasters.
#include "raster/bitmap.h"

namespace vexilo {

// Replaces the clipboard's contents by the bitmap, as an image other programs paste (Qt offers
// it as image/png and the platform's bitmap types); an indexed bitmap keeps its colour table.
void copyBitmapToClipboard(const Bitmap& bitmap);

}  // namespace vexilo
