// Fuzzes the HEIF reader.
// seeds:
#include <cstdint>
#include <span>

#include "base/errors.h"
#include "codecs/heif_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto limits = vexilo::DecodeLimits::forFuzzing();
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        (void)vexilo::decodeHeif(bytes, limits);
    } catch (const vexilo::ImageError&) {
    }
    return 0;
}
