#pragma once
// How large a picture a decoder may build from untrusted bytes. The limits are a value the
// caller passes; the program's are the constant kDefaultDecodeLimits, fuzz targets and tests
// pass smaller ones.
#include <cstddef>
#include <cstdint>

namespace vexilo {

struct DecodeLimits {
    std::uint32_t maxWidth = 65535, maxHeight = 65535;
    std::uint64_t maxPixels = std::uint64_t{1} << 28;  // 256 Mpixel, 1 GiB of 32-bit pixels
    std::size_t maxFrames = 4096;
    static constexpr DecodeLimits forFuzzing() { return {16384, 16384, std::uint64_t{1} << 22, 64}; }
};

// The program's limits, used where a caller passes none.
inline constexpr DecodeLimits kDefaultDecodeLimits{};

// Throws DecodeError naming the format when width x height is not a raster the limits allow.
void checkDimensions(const char* format, std::int64_t width, std::int64_t height, const DecodeLimits& limits);

}  // namespace vexilo
