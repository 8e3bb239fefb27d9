// Fuzzes the icon file reader, at the 32-bit display's choice and at an 8-bit one's.
// seeds: ico
#include <cstdint>
#include <span>

#include "codecs/icon_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto limits = vexilo::DecodeLimits::forFuzzing();
    const std::span<const std::uint8_t> bytes(data, size);
    for (int displayBits : {32, 8}) {
        try {
            const vexilo::Icon icon = vexilo::ReadIconFile(bytes, limits, displayBits);
            vexilo::Bitmap onto(icon.width(), icon.height());
            icon.drawOnto(onto);
        } catch (const vexilo::ImageError&) {
        }
    }
    return 0;
}
