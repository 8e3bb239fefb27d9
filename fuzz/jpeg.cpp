// Fuzzes the JPEG decoder: the header, a decode straight into a raster as the loader does it,
// and a decode to 8 bits with a palette; small pictures are encoded again.
// seeds:
#include <cstdint>
#include <vector>

#include "base/errors.h"
#include "codecs/jpeg_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto limits = vexilo::DecodeLimits::forFuzzing();
    const std::vector<std::uint8_t> bytes(data, data + size);
    // The last byte picks the decode path, so both get fuzzed without doubling the time, and the
    // DCT scale of the raster decode (a thumbnail's 1/8 to 7/8, or full size).
    const bool eightBit = size > 0 && (data[size - 1] & 1) != 0;
    const int eighths = size > 0 ? ((data[size - 1] >> 1) & 7) + 1 : 8;
    try {
        vexilo::TJPEGImage jpeg;
        jpeg.setLimits(limits);
        jpeg.loadFromBytes(bytes);
        if (eightBit) {
            jpeg.setPixelFormat(vexilo::JpegPixelFormat::Bits8);
            (void)jpeg.bitmap();
        } else {
            vexilo::Bitmap target;
            jpeg.setScaleEighths(eighths);
            jpeg.drawInto(target);
            if (static_cast<long>(target.width()) * target.height() <= 4096) {
                vexilo::TJPEGImage again;
                again.setProgressiveEncoding(true);
                again.assign(target);
                (void)again.data();
            }
        }
    } catch (const vexilo::ImageError&) {
    }
    return 0;
}
