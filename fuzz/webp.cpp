// Fuzzes the WEBP reader.
// seeds:
#include <cstdint>
#include <span>

#include "base/errors.h"
#include "codecs/webp_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto limits = vexilo::DecodeLimits::forFuzzing();
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        (void)vexilo::decodeWebp(bytes, limits);
        (void)vexilo::decodeWebpAnimation(bytes, limits);
    } catch (const vexilo::ImageError&) {
    }
    return 0;
}
