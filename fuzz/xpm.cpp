// Fuzzes the XPM reader.
// seeds:
#include <cstdint>
#include <span>

#include "base/errors.h"
#include "codecs/xpm_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        (void)vexilo::decodeXpm(std::span<const std::uint8_t>(data, size),
                                vexilo::DecodeLimits::forFuzzing());
    } catch (const vexilo::ImageError&) {
    }
    return 0;
}
