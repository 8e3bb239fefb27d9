#pragma once
// The one adapter between the core raster and Qt's image.
#include <QImage>

#include "raster/bitmap.h"

namespace vexilo {

// Opaque RGB32 image of the bitmap as it shows (palette applied).
QImage toQImage(const Bitmap& bitmap);
// A Device-format bitmap of the image's colours (alpha dropped, blended over nothing).
Bitmap fromQImage(const QImage& image);

}  // namespace vexilo
