// Fuzzes the BMP reader, as a file and as an icon image.
// seeds: bmpsuite bmp-extra
#include <cstdint>
#include <span>

#include "codecs/bmp_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto limits = vexilo::DecodeLimits::forFuzzing();
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        const vexilo::Bitmap b = vexilo::readBmp(bytes, limits);
        if (!b.empty()) (void)vexilo::writeBmp(b);
    } catch (const vexilo::ImageError&) {
    }
    try {
        vexilo::Bitmap mask;
        (void)vexilo::readDib(bytes, limits, true, &mask);
    } catch (const vexilo::ImageError&) {
    }
    return 0;
}
