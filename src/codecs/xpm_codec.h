#pragma once
// XPM pictures: C source text whose quoted strings hold the values line ("W H NCOLORS CPP ..."),
// one line per colour ("<chars> c #RRGGBB", "c None" for transparent, X11 colour names) and one
// line per pixel row. The colour key c is preferred over g, g4 and m. Comments are skipped.
#include <cstdint>
#include <span>
#include <vector>

#include "base/decode_limits.h"
#include "raster/alpha_image.h"

namespace vexilo {

// "/* XPM */" at the start, after white space.
bool looksLikeXpm(std::span<const std::uint8_t> head);

// Throws DecodeError (LimitError for a size beyond the limits).
AlphaImage decodeXpm(std::span<const std::uint8_t> data, const DecodeLimits& limits = kDefaultDecodeLimits);

}  // namespace vexilo
