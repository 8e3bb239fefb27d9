#pragma once
// TIFF through libtiff: the first page, in every sample layout libtiff can give as RGBA (bilevel,
// grey, palette, RGB, CMYK, YCbCr, 1-16 bits, strips or tiles, any compression it knows). Writes
// deflate-compressed RGB, or RGBA when there is alpha.
#include <cstdint>
#include <span>
#include <vector>

#include "base/decode_limits.h"
#include "raster/alpha_image.h"

namespace vexilo {

// "II*\0" or "MM\0*" (and the BigTIFF forms with 43).
bool looksLikeTiff(std::span<const std::uint8_t> head);

// turn: apply the Orientation tag. Throws DecodeError (LimitError for a size beyond the limits).
AlphaImage decodeTiff(std::span<const std::uint8_t> data, const DecodeLimits& limits = kDefaultDecodeLimits,
                      bool turn = true);

// The alpha is written when given (one byte a pixel). Throws ImageError.
std::vector<std::uint8_t> encodeTiff(const Bitmap& color, std::span<const std::uint8_t> alpha);

}  // namespace vexilo
