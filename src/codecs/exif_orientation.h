#pragma once
// The EXIF orientation of a picture (tag 0x0112): how the stored pixels must be turned to stand
// the way the camera was held. 1 is as stored; 2-8 mirror and turn it (6: a quarter turn
// clockwise, 8: anticlockwise). Anything unreadable counts as 1.
#include <cstdint>
#include <span>

#include "raster/alpha_image.h"
#include "raster/bitmap.h"

namespace vexilo {

// From an EXIF block that starts at its TIFF header ("II*\0" or "MM\0*"), as WebP and HEIF
// carry it.
int exifOrientation(std::span<const std::uint8_t> tiff);
// From a JPEG file: the first APP1 "Exif" segment before the image data.
int jpegExifOrientation(std::span<const std::uint8_t> jpeg);

// The picture turned by an orientation 1-8 (others leave it as it is); 5-8 swap width and
// height. The pixel format and palette are kept.
Bitmap applyOrientation(const Bitmap& picture, int orientation);
// The same for colours and alpha together.
void applyOrientation(AlphaImage& image, int orientation);

}  // namespace vexilo
