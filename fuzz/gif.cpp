// Fuzzes the GIF reader with every frame decoded and composed, and writes the result back.
// seeds: gif
#include <cstdint>
#include <span>

#include "codecs/gif_animation.h"
#include "codecs/gif_image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto limits = vexilo::DecodeLimits::forFuzzing();
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        vexilo::TGIFImage image;
        image.loadFromBytes(bytes, limits);
        for (int i = 0; i < image.frameCount(); ++i) {
            try {
                (void)image.frame(i).bitmap();
                image.frame(i).releaseBitmap();
            } catch (const vexilo::ImageError&) {
            }
        }
        if (image.frameCount() > 0) {
            try {
                vexilo::GifAnimator player(image);
                for (int i = 0; i < image.frameCount() && i < 8; ++i) (void)player.showFrame(i);
            } catch (const vexilo::ImageError&) {
            }
            (void)image.saveToBytes();
        }
    } catch (const vexilo::ImageError&) {
    }
    return 0;
}
