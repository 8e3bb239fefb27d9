#include "raster/raster_ops.h"

namespace vexilo {

void StretchInto(const Bitmap& source, Bitmap& bitmap, int width, int height) {
    bitmap.setSize(width, height);
    bitmap.stretchDraw({0, 0, width, height}, source);
}

namespace {
void verticalLine(Bitmap& b, int x, int y0, int y1, Color c) {
    for (int y = y0; y <= y1; ++y)
        if (x >= 0 && x < b.width() && y >= 0 && y < b.height()) b.setPixel(x, y, c);
}
void horizontalLine(Bitmap& b, int y, int x0, int x1, Color c) {
    for (int x = x0; x <= x1; ++x)
        if (x >= 0 && x < b.width() && y >= 0 && y < b.height()) b.setPixel(x, y, c);
}
}  // namespace

void DrawButtonFrame(Bitmap& bitmap) {
    for (int k = 0; k < 2; ++k) {
        const int left = k, top = k, right = bitmap.width() - 1 - k, bottom = bitmap.height() - 1 - k;
        // Segments run between their end points inclusive; an empty range draws nothing, so a
        // 1 x 1 image ends as one shadow pixel.
        verticalLine(bitmap, left, top, bottom, kButtonHighlight);
        horizontalLine(bitmap, top, left, right - 1, kButtonHighlight);
        verticalLine(bitmap, right, top, bottom - 1, kButtonShadow);
        horizontalLine(bitmap, bottom, left, right, kButtonShadow);
    }
}

}  // namespace vexilo
