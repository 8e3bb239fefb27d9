#pragma once
// The pixel side of the PNG codec: turning the inflated rows into a raster and a raster into
// the deflated, filtered rows. Used by the IDAT chunk only.
#include <cstdint>
#include <vector>

#include "codecs/png_codec.h"

namespace vexilo::png {

// Decodes the concatenated IDAT data into `image` by the header; `palette`, `gamma` and
// `transparency` may be null. Throws EPNGImageException.
void decodeImageData(TPNGImage& image, const TChunkIHDR& header, const TChunk* palette,
                     const TChunkGAMA* gamma, const TChunk* transparency,
                     const std::vector<std::uint8_t>& idat);

// The zlib stream of the raster's rows: 1/4/8-bit indexed rows as packed, everything else as
// 8-bit RGB through the inverse gamma table when `gamma` is given.
std::vector<std::uint8_t> encodeImageData(const Bitmap& image, const TChunkGAMA* gamma, PngFilterSet filters,
                                          bool interlaced);

// The filter the saver picks for one row: the type in `filters` (order None, Sub, Up, Average,
// Paeth) whose filtered row holds the most positions closing five equal bytes; None on a tie
// with it or when no such position exists. `previous` is the raw row above (zeros at the top).
PngFilter chooseFilter(const std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
                       std::size_t distance, PngFilterSet filters);

}  // namespace vexilo::png
