// Fuzzes the PNG reader (plain and with alpha) and re-encodes what it decodes.
// seeds: pngsuite png-extra
#include <cstdint>
#include <span>

#include "codecs/png_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto limits = vexilo::DecodeLimits::forFuzzing();
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        const vexilo::Bitmap b = vexilo::decodePng(bytes, limits);
        if (!b.empty() &&
            static_cast<std::uint64_t>(b.width()) * static_cast<std::uint64_t>(b.height()) <= 65536)
            (void)vexilo::encodePng(b);
    } catch (const vexilo::ImageError&) {
    }
    try {
        const vexilo::PngAlphaImage a = vexilo::readPngWithAlpha(bytes, limits);
        (void)a;
    } catch (const vexilo::ImageError&) {
    }
    return 0;
}
