// Fuzzes the SVG reader.
// seeds:
#include <cstdint>
#include <span>

#include "base/errors.h"
#include "codecs/svg_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto limits = vexilo::DecodeLimits::forFuzzing();
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        (void)vexilo::decodeSvg(bytes, limits, 64, 64);
    } catch (const vexilo::ImageError&) {
    }
    return 0;
}
