// Fuzzes the TGA reader and writes back what it decodes.
// seeds: tga
#include <cstdint>
#include <span>

#include "codecs/tga_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto limits = vexilo::DecodeLimits::forFuzzing();
    try {
        vexilo::TTarga t;
        t.loadFromBytes(std::span<const std::uint8_t>(data, size), limits);
        if (static_cast<std::uint64_t>(t.width()) * static_cast<std::uint64_t>(t.height()) <= 65536) {
            (void)t.saveToBytes();
            t.TargaType = vexilo::ttRLETrueColorImage;
            (void)t.saveToBytes();
        }
    } catch (const vexilo::ImageError&) {
    }
    return 0;
}
