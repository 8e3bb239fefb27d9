#pragma once
// The portable anymap family: PBM (P1 plain, P4 raw), PGM (P2, P5), PPM (P3, P6) and PAM (P7)
// with the tuple types BLACKANDWHITE, GRAYSCALE, RGB and their _ALPHA forms. Samples of up to
// 16 bits are scaled to 8; only the first image of a file is read. A header that does not hold
// together, or pixels cut short, is refused.
#include <cstdint>
#include <span>
#include <vector>

#include "base/decode_limits.h"
#include "raster/alpha_image.h"

namespace vexilo {

// "P1".."P7" followed by white space.
bool looksLikePnm(std::span<const std::uint8_t> head);

// Throws DecodeError (LimitError for a size beyond the limits).
AlphaImage decodePnm(std::span<const std::uint8_t> data, const DecodeLimits& limits = kDefaultDecodeLimits);

}  // namespace vexilo
