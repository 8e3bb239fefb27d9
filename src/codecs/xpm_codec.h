#pragma once
// XPM pictures: C source text whose quoted strings hold the values line ("W H NCOLORS CPP ..."),
// one line per colour ("<chars> c #RRGGBB", "c None" for transparent, X11 colour names) and one
// line per pixel row. The colour key c is preferred over g, g4 and m. Comments are skipped.
#include <cstdint>
#include <span>
#include <vector>

#include "base/decode_limits.h"
#include "raster/bitmap.h"

namespace vexilo {

struct XpmImage {
    Bitmap color;                     // Device-format raster; transparent pixels are black
    std::vector<std::uint8_t> alpha;  // width*height bytes, 0 or 255; empty without "None"
};

// "/* XPM */" at the start, after white space.
bool looksLikeXpm(std::span<const std::uint8_t> head);

// Throws DecodeError (LimitError for a size beyond the limits).
XpmImage decodeXpm(std::span<const std::uint8_t> data, const DecodeLimits& limits = kDefaultDecodeLimits);

}  // namespace vexilo
