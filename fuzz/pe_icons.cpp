// Fuzzes the icon resource reader of executables, libraries and cursor files: the count, and
// the first few icons drawn.
// seeds: ico
#include "codecs/pe_icons.h"

#include <algorithm>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto limits = vexilo::DecodeLimits::forFuzzing();
    const std::span<const std::uint8_t> bytes(data, size);
    const int count = vexilo::countFileIcons(bytes);
    for (int i = 0; i < std::min(count, 4); ++i) {
        if (const auto icon = vexilo::extractFileIcon(bytes, i, 32, limits)) {
            vexilo::Bitmap onto(32, 32);
            icon->drawOnto(onto);
        }
    }
    return 0;
}
