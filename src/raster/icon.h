#pragma once
// An image with a mask, as icons and cursors are: a colour (XOR) image, a 1-bit AND mask of the
// same size (1 = transparent) and a hotspot. 32-bit icon images may carry an alpha channel,
// which then decides the drawing instead of the mask.
#include <cstdint>
#include <vector>

#include "raster/bitmap.h"

namespace vexilo {

// The system icon size on this platform.
constexpr int kSystemIconSize = 32;

struct Icon {
    Bitmap color;                     // the XOR image
    Bitmap mask;                      // Bpp1, raw 1 = transparent
    std::vector<std::uint8_t> alpha;  // width x height, top-down; empty when the icon has none
    int hotspotX = 0, hotspotY = 0;
    bool isCursor = false;

    int width() const { return color.width(); }
    int height() const { return color.height(); }
    bool hasAlpha() const { return !alpha.empty(); }

    // An icon of the given size: black colour image, fully transparent mask, no alpha.
    static Icon blank(int width, int height);

    // Draws at (x, y). Without alpha: dest = (dest AND mask) XOR colour, so mask-1 pixels with a
    // black colour leave the destination visible. With alpha: the colour blended over dest.
    void drawOnto(Bitmap& dest, int x = 0, int y = 0) const;
};

}  // namespace vexilo
