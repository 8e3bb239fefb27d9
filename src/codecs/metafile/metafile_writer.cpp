#include "codecs/metafile/metafile_writer.h"

#include <cmath>
#include <limits>
#include <string>

#include "base/byte_reader.h"
#include "base/errors.h"
#include "codecs/metafile/metafile_format.h"

namespace vexilo {

namespace {

constexpr std::uint32_t kSrcCopy = 0x00CC0020;

// A bottom-up 24-bit DIB: the 40-byte info header and the pixel rows.
struct Dib {
    std::vector<std::uint8_t> header;
    std::vector<std::uint8_t> bits;
};

Dib makeDib(const Bitmap& b) {
    const auto w = static_cast<std::size_t>(b.width()), h = static_cast<std::size_t>(b.height());
    const auto rowBytes = checkedMul(w, 3);
    const auto stride = rowBytes ? checkedAdd(*rowBytes, 3) : std::nullopt;
    const auto total = stride ? checkedMul(*stride & ~std::size_t{3}, h) : std::nullopt;
    if (!total || *total > std::numeric_limits<std::uint32_t>::max() - 1024)
        throw ImageError("Metafile: image of " + std::to_string(w) + " x " + std::to_string(h) +
                         " pixels is too large");
    const std::size_t pitch = *stride & ~std::size_t{3};
    Dib d;
    ByteWriter hw;
    hw.u32le(40);
    hw.i32le(b.width());
    hw.i32le(b.height());
    hw.u16le(1);
    hw.u16le(24);
    hw.u32le(0);
    hw.u32le(static_cast<std::uint32_t>(*total));
    hw.u32le(3780);  // 96 pixels per inch
    hw.u32le(3780);
    hw.u32le(0);
    hw.u32le(0);
    d.header = hw.take();
    d.bits.assign(*total, 0);
    for (std::size_t y = 0; y < h; ++y) {
        std::uint8_t* out = d.bits.data() + (h - 1 - y) * pitch;
        for (std::size_t x = 0; x < w; ++x) {
            const Color c = b.pixel(static_cast<int>(x), static_cast<int>(y));
            out[3 * x] = c.b;
            out[3 * x + 1] = c.g;
            out[3 * x + 2] = c.r;
        }
    }
    return d;
}

std::vector<std::uint8_t> writeWmf(const Bitmap& b) {
    if (b.width() > 32767 || b.height() > 32767)
        throw ImageError("Metafile: a Windows metafile holds at most 32767 pixels a side, not " +
                         std::to_string(b.width()) + " x " + std::to_string(b.height()));
    const Dib dib = makeDib(b);
    const auto w = static_cast<std::uint16_t>(b.width()), h = static_cast<std::uint16_t>(b.height());

    ByteWriter out;
    out.u32le(wmf::kPlaceableKey);
    out.u16le(0);
    out.u16le(0);
    out.u16le(0);
    out.u16le(w);
    out.u16le(h);
    out.u16le(96);
    out.u32le(0);
    out.u16le(placeableChecksum(out.buffer().data()));

    const std::size_t stretchWords = (6 + 4 + 2 + 8 * 2 + dib.header.size() + dib.bits.size() + 1) / 2;
    const std::size_t totalWords = 9 + 5 + 5 + stretchWords + 3;
    out.u16le(1);  // in memory
    out.u16le(9);
    out.u16le(0x0300);
    out.u32le(static_cast<std::uint32_t>(totalWords));
    out.u16le(0);  // no objects
    out.u32le(static_cast<std::uint32_t>(stretchWords));
    out.u16le(0);

    out.u32le(5);
    out.u16le(wmf::kSetWindowOrg);
    out.u16le(0);
    out.u16le(0);
    out.u32le(5);
    out.u16le(wmf::kSetWindowExt);
    out.u16le(h);
    out.u16le(w);

    out.u32le(static_cast<std::uint32_t>(stretchWords));
    out.u16le(wmf::kStretchDib);
    out.u32le(kSrcCopy);
    out.u16le(0);  // RGB colours
    out.u16le(h);  // source height, width, y, x
    out.u16le(w);
    out.u16le(0);
    out.u16le(0);
    out.u16le(h);  // destination height, width, y, x
    out.u16le(w);
    out.u16le(0);
    out.u16le(0);
    out.bytes(dib.header);
    out.bytes(dib.bits);
    if ((dib.header.size() + dib.bits.size()) & 1) out.u8(0);

    out.u32le(3);
    out.u16le(wmf::kEof);
    return out.take();
}

std::vector<std::uint8_t> writeEmf(const Bitmap& b) {
    const Dib dib = makeDib(b);
    const int w = b.width(), h = b.height();
    // The reference device: 96 pixels per inch, a size whose millimetres are whole micrometres.
    constexpr std::int32_t kDevW = 1920, kDevH = 1440, kUmW = 508000, kUmH = 381000;
    constexpr std::uint32_t kHeaderSize = 108;
    constexpr std::uint32_t kStretchFixed = 80;
    const std::size_t stretchSize = kStretchFixed + dib.header.size() + dib.bits.size();
    const std::size_t eofSize = 20;
    const std::size_t total = kHeaderSize + stretchSize + eofSize;
    if (total > std::numeric_limits<std::uint32_t>::max()) throw ImageError("Metafile: image too large");

    ByteWriter out;
    out.u32le(emr::kHeader);
    out.u32le(kHeaderSize);
    out.i32le(0);  // bounds, inclusive device pixels
    out.i32le(0);
    out.i32le(w - 1);
    out.i32le(h - 1);
    out.i32le(0);  // frame, 0.01 mm
    out.i32le(0);
    out.i32le(static_cast<std::int32_t>(std::lround(w * 2540.0 / 96)));
    out.i32le(static_cast<std::int32_t>(std::lround(h * 2540.0 / 96)));
    out.u32le(emr::kSignature);
    out.u32le(0x10000);
    out.u32le(static_cast<std::uint32_t>(total));
    out.u32le(3);  // records
    out.u16le(1);  // handles: only the reserved one
    out.u16le(0);
    out.u32le(0);  // no description
    out.u32le(0);
    out.u32le(0);  // no palette
    out.i32le(kDevW);
    out.i32le(kDevH);
    out.i32le(kUmW / 1000);
    out.i32le(kUmH / 1000);
    out.u32le(0);  // no pixel format
    out.u32le(0);
    out.u32le(0);  // not OpenGL
    out.i32le(kUmW);
    out.i32le(kUmH);

    out.u32le(emr::kStretchDiBits);
    out.u32le(static_cast<std::uint32_t>(stretchSize));
    out.i32le(0);
    out.i32le(0);
    out.i32le(w - 1);
    out.i32le(h - 1);
    out.i32le(0);  // destination x, y
    out.i32le(0);
    out.i32le(0);  // source x, y, width, height
    out.i32le(0);
    out.i32le(w);
    out.i32le(h);
    out.u32le(kStretchFixed);
    out.u32le(static_cast<std::uint32_t>(dib.header.size()));
    out.u32le(static_cast<std::uint32_t>(kStretchFixed + dib.header.size()));
    out.u32le(static_cast<std::uint32_t>(dib.bits.size()));
    out.u32le(0);  // RGB colours
    out.u32le(kSrcCopy);
    out.i32le(w);  // destination width, height
    out.i32le(h);
    out.bytes(dib.header);
    out.bytes(dib.bits);

    out.u32le(emr::kEof);
    out.u32le(static_cast<std::uint32_t>(eofSize));
    out.u32le(0);   // no palette entries
    out.u32le(16);  // where they would start
    out.u32le(static_cast<std::uint32_t>(eofSize));
    return out.take();
}

}  // namespace

std::uint16_t placeableChecksum(const std::uint8_t* header) {
    std::uint16_t sum = 0;
    for (int i = 0; i < 10; ++i) sum ^= static_cast<std::uint16_t>(header[2 * i] | (header[2 * i + 1] << 8));
    return sum;
}

std::vector<std::uint8_t> writeMetafile(const Bitmap& bitmap, bool enhanced) {
    if (bitmap.empty()) throw ImageError("Cannot save an empty image as a metafile");
    return enhanced ? writeEmf(bitmap) : writeWmf(bitmap);
}

}  // namespace vexilo
