#pragma once
// What the GIF model (gif_image.cpp) and its file reader and writer (gif_stream.cpp) share.
#include <cstddef>
#include <cstdint>
#include <string>

#include "codecs/gif_image.h"

namespace vexilo::gif_detail {

inline constexpr std::uint8_t kLabelGraphicControl = 0xF9;
inline constexpr std::uint8_t kLabelPlainText = 0x01;
inline constexpr std::uint8_t kLabelApplication = 0xFF;
inline constexpr std::uint8_t kLabelComment = 0xFE;
inline constexpr int kMaxDimension = 65535;

inline const char* const kNoData = "No GIF Data to write";
inline const char* const kWrongColors = "Wrong number of colors; must be a power of 2";

// The smallest bits >= 1 with 2^bits >= count.
inline int bitsForCount(std::size_t count) {
    int bits = 1;
    while (bits < 8 && (std::size_t{1} << bits) < count) ++bits;
    return bits;
}

inline void notify(const GifProgress& progress, GifProgressStage stage, int percent,
                   const std::string& message = {}) {
    if (progress) progress(stage, percent, message);
}

}  // namespace vexilo::gif_detail
