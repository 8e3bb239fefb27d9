#pragma once
// HEIF (HEIC) and AVIF through libheif: the primary image, with alpha, turned by its own
// rotation and mirroring unless asked not to.
#include <cstdint>
#include <span>

#include "base/decode_limits.h"
#include "raster/alpha_image.h"

namespace vexilo {

enum class HeifBrand { None, Heif, Avif };
// The "ftyp" box's brand: AVIF for "avif"/"avis", HEIF for the other brands libheif reads.
HeifBrand heifBrand(std::span<const std::uint8_t> head);

// Throws DecodeError (LimitError for a size beyond the limits).
AlphaImage decodeHeif(std::span<const std::uint8_t> data, const DecodeLimits& limits = kDefaultDecodeLimits,
                      bool turn = true);

}  // namespace vexilo
