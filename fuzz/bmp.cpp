// Fuzzes the BMP reader, as a file (whole and read in blocks after a short head) and as an icon
// image.
// seeds: bmpsuite bmp-extra
#include <algorithm>
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
        const vexilo::FileReadAt readAt = [&](std::uint64_t offset, std::span<std::uint8_t> into) {
            const std::size_t n = offset < size ? std::min<std::size_t>(into.size(), size - offset) : 0;
            std::copy_n(data + offset, n, into.data());
            return n;
        };
        (void)vexilo::readBmpBlocks(bytes.first(std::min<std::size_t>(size, 200)), size, readAt, limits);
    } catch (const vexilo::ImageError&) {
    }
    try {
        vexilo::Bitmap mask;
        (void)vexilo::readDib(bytes, limits, true, &mask);
    } catch (const vexilo::ImageError&) {
    }
    return 0;
}
