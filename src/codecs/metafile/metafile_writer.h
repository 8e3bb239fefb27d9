#pragma once
// Writes a raster as a metafile holding it as one stretch-DIB record at (0, 0), 1:1, 24 bits
// per pixel: a Windows metafile behind the 22-byte placeable header (96 units per inch), or an
// enhanced metafile whose frame is the image's size at 96 pixels per inch.
#include <cstdint>
#include <vector>

#include "raster/bitmap.h"

namespace vexilo {

// Throws ImageError for an empty raster, or one too large for the format (a Windows metafile's
// coordinates are 16-bit: at most 32767 pixels a side).
std::vector<std::uint8_t> writeMetafile(const Bitmap& bitmap, bool enhanced);

// The placeable header's checksum: the XOR of its first ten 16-bit words.
std::uint16_t placeableChecksum(const std::uint8_t* header);

}  // namespace vexilo
