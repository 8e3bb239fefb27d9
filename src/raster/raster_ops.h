#pragma once
// The small raster operations shared by the thumbnails, the target and the batch job.
#include <cstdint>
#include <vector>

#include "raster/alpha_image.h"
#include "raster/bitmap.h"

namespace vexilo {

// The fixed button colours: results must not depend on the desktop theme.
constexpr Color kButtonHighlight{255, 255, 255};
constexpr Color kButtonShadow{128, 128, 128};

// Sets bitmap to width x height and stretches all of source into it by nearest pixel, keeping
// no aspect ratio. The bitmap keeps its own pixel format.
void StretchInto(const Bitmap& source, Bitmap& bitmap, int width, int height);

// The picture scaled down with aspect kept so that its larger side is at most `size`, each
// pixel the average of (up to 4 x 4 of) the source pixels it covers; a picture already small enough comes
// back at its own size. The result is in the display's format (transparent pixels white).
Bitmap ShrinkToFit(const Bitmap& source, int size);

// Draws the raised two-ring frame of "Button shape" just inside the bitmap's edges: highlight
// on the top and left, shadow on the bottom and right; nothing inside the rings changes.
void DrawButtonFrame(Bitmap& bitmap);

// The alpha plane of a sw x sh picture stretched as StretchInto stretches the picture.
std::vector<std::uint8_t> StretchAlpha(const std::vector<std::uint8_t>& alpha, int sw, int sh, int width,
                                       int height);
// Makes the two rings DrawButtonFrame paints opaque in a width x height alpha plane.
void OpaqueButtonFrame(std::vector<std::uint8_t>& alpha, int width, int height);

// The picture resampled to width x height by area averaging (each target pixel the mean of the
// source area it covers, weighted by alpha so that transparent pixels lend no colour). An
// empty alpha counts as opaque; the result always has an alpha plane.
AlphaImage AreaAverage(const Bitmap& source, const std::vector<std::uint8_t>& alpha, int width, int height);

}  // namespace vexilo
