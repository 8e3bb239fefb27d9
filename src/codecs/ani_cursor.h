#pragma once
// Animated cursors (.ani): a RIFF 'ACON' file with an 'anih' header (frame and step counts, a
// default rate in jiffies of 1/60 s), optional 'rate' and 'seq ' chunks, and a LIST 'fram' whose
// 'icon' chunks are each a whole icon or cursor file.
#include <cstdint>
#include <span>
#include <vector>

#include "base/byte_reader.h"
#include "raster/icon.h"

namespace vexilo {

struct AniCursor {
    std::vector<Icon> frames;   // each frame's largest image at its own size
    std::vector<int> sequence;  // the frame index of every step
    std::vector<int> delaysMs;  // how long every step stays
};

// "RIFF", any size, "ACON".
bool looksLikeAni(std::span<const std::uint8_t> file);

// The bytes of the first 'icon' chunk (an icon or cursor file). Throws DecodeError.
std::span<const std::uint8_t> aniFirstIconChunk(std::span<const std::uint8_t> file);

// Every frame and step. Throws DecodeError for a file that is not an animated cursor, a chunk
// running past the end, counts beyond the bounds or the bytes, or a frame that cannot be decoded.
AniCursor decodeAniCursor(std::span<const std::uint8_t> file,
                          const DecodeLimits& limits = kDefaultDecodeLimits);

}  // namespace vexilo
