#pragma once
// SVG and SVGZ drawings through librsvg, drawn at their own size, or fitted into a wanted box
// (a thumbnail), or at 256 pixels when they give no size of their own. References to other
// files are not followed.
#include <cstdint>
#include <span>

#include "base/decode_limits.h"
#include "raster/alpha_image.h"

namespace vexilo {

// The size a drawing without one of its own is drawn at.
constexpr int kSvgDefaultSize = 256;

// An "<svg" element near the start of XML text, or gzip data (an SVGZ file is told by its name).
bool looksLikeSvg(std::span<const std::uint8_t> head);

// A drawing without a size of its own is drawn
// kSvgDefaultSize on its longer side, in the shape of its view box. wantWidth/wantHeight > 0:
// the drawing fitted into that box, aspect kept. Throws DecodeError.
AlphaImage decodeSvg(std::span<const std::uint8_t> data, const DecodeLimits& limits = kDefaultDecodeLimits,
                     int wantWidth = 0, int wantHeight = 0);

}  // namespace vexilo
