// Fuzzes the animated cursor reader, and the first-frame path the cursor row takes.
// seeds:
#include <cstdint>
#include <span>

#include "codecs/ani_cursor.h"
#include "codecs/pe_icons.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto limits = vexilo::DecodeLimits::forFuzzing();
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        const vexilo::AniCursor cursor = vexilo::decodeAniCursor(bytes, limits);
        for (int frame : cursor.sequence) {
            const vexilo::Icon& icon = cursor.frames.at(static_cast<std::size_t>(frame));
            vexilo::Bitmap onto(icon.width(), icon.height());
            icon.drawOnto(onto);
        }
    } catch (const vexilo::ImageError&) {
    }
    if (auto first = vexilo::extractFileIcon(bytes, 0, vexilo::kSystemIconSize, limits)) {
        vexilo::Bitmap onto(first->width(), first->height());
        first->drawOnto(onto);
    }
    return 0;
}
