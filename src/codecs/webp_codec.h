#pragma once
// WebP through libwebp: still pictures, lossy or lossless, with alpha; of an animation the first
// frame, or every frame with its duration for playing. Writes lossy WebP at a quality of 1-100,
// or lossless.
#include <cstdint>
#include <span>
#include <vector>

#include "base/decode_limits.h"
#include "raster/alpha_image.h"

namespace vexilo {

// "RIFF" <size> "WEBP".
bool looksLikeWebp(std::span<const std::uint8_t> head);

// The picture, or an animation's first frame on its canvas. turn: apply the EXIF orientation.
// Throws DecodeError (LimitError for a size beyond the limits).
AlphaImage decodeWebp(std::span<const std::uint8_t> data, const DecodeLimits& limits = kDefaultDecodeLimits,
                      bool turn = true);

struct WebpAnimation {
    std::vector<AlphaImage> frames;  // whole canvases, in order
    std::vector<int> durationsMs;    // one per frame
    int loopCount = 0;               // 0: for ever
};
// Every frame, within the limits' frame count and, over all frames, pixel count.
WebpAnimation decodeWebpAnimation(std::span<const std::uint8_t> data,
                                  const DecodeLimits& limits = kDefaultDecodeLimits);

// quality 1-100 for lossy; lossless ignores it. The alpha is written when given. Throws
// ImageError for an empty raster or a failed encode.
std::vector<std::uint8_t> encodeWebp(const Bitmap& color, std::span<const std::uint8_t> alpha, int quality,
                                     bool lossless);

}  // namespace vexilo
