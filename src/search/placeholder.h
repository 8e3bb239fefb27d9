#pragma once
// The picture shown for a file that no loader can read: 32 x 32 pixels, 8 bits per pixel.
#include "raster/bitmap.h"

namespace vexilo::search {

constexpr int kPlaceholderSize = 32;

// A fresh copy of the built-in placeholder picture (a framed landscape crossed out in red).
Bitmap makePlaceholderImage();

}  // namespace vexilo::search
