#pragma once
// One-image icon files at 16 or 256 colours, with the mask taken from the image's bottom-left
// colour. The 16-colour table is the standard one; the 256-colour table is defaultPalette(8):
// the 16 standard colours, a 6 x 6 x 6 cube and 24 greys, each pixel taking the nearest entry
// by squared RGB distance (no dithering).
#include <cstdint>
#include <string>
#include <vector>

#include "raster/bitmap.h"
#include "raster/icon.h"

namespace vexilo {

// The export setting "16 colors" (0), "256 colors" (1) or "True colour with transparency, all
// sizes" (2).
enum class IconColors : std::uint8_t { Colors16 = 0, Colors256 = 1, AllSizes32 = 2 };

// The sizes an all-sizes icon file holds, in file order.
inline constexpr int kAllIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

// Stands in for true black while the mask is built, so that black pixels stay opaque.
constexpr Color kSubstituteBlack{250, 249, 248};

// The icon of the system icon size (32 x 32) for a raster: the raster drawn at (0, 0) (cut or
// padded with white), every pixel of the bottom-left pixel's colour transparent (black in the
// colour image, 1 in the mask), every other pixel opaque.
Icon BitmapToIcon(const Bitmap& source);
// The same with the mask taken from an alpha plane instead (alpha below 128 transparent):
// the colours of the transparent pixels black, the others kept.
Icon BitmapToIcon(const Bitmap& source, const std::vector<std::uint8_t>& alpha);

// An icon file of 32-bit images with alpha, one for each of kAllIconSizes made from the picture
// by area averaging (its alpha kept; an empty alpha counts as opaque), the 256-pixel one stored
// as PNG. Throws ImageError for an empty picture.
std::vector<std::uint8_t> encodeAllSizesIconFile(const Bitmap& picture,
                                                 const std::vector<std::uint8_t>& alpha);

// The bytes of a one-image icon file holding the icon's colour image at 4 or 8 bits per pixel
// and its mask, optionally preceded by a 32-bit length. Throws ImageError for another bit count
// or an icon that is empty or larger than 256 x 256.
std::vector<std::uint8_t> encodeIconFile(const Icon& icon, int bitsPerPixel, bool lengthPrefix = false);

}  // namespace vexilo
