#pragma once
// The one adapter between the core raster and Qt's image.
#include <QImage>

#include "raster/bitmap.h"

namespace vexilo {

// Opaque RGB32 image of the bitmap as it shows (palette applied).
QImage toQImage(const Bitmap& bitmap);
// The same of the part of the bitmap inside rect (clipped to the bitmap).
QImage toQImage(const Bitmap& bitmap, const Rect& rect);
// The same with one alpha byte a pixel of the whole bitmap (ignored unless it fits it).
QImage toQImage(const Bitmap& bitmap, const Rect& rect, const std::vector<std::uint8_t>& alpha);
// The same picture without losing the palette: an indexed bitmap (1, 4, 8 bits) becomes an
// 8-bit indexed image with the bitmap's colour table, any other an opaque RGB32 image. For the
// clipboard, where other programs should receive the colours as they were.
QImage toQImageKeepingPalette(const Bitmap& bitmap);
// A 32-bit bitmap with its alpha byte as premultiplied ARGB (the GIF player's canvas); other
// formats come out opaque.
QImage toQImageWithAlpha(const Bitmap& bitmap);
// A Device-format bitmap of the image's colours (alpha dropped, blended over nothing).
Bitmap fromQImage(const QImage& image);

}  // namespace vexilo
