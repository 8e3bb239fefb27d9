#pragma once
// PNG files built chunk by chunk in code. The CRCs and the compression come from zlib, not
// from the reader under test.
#include <zlib.h>

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <vector>

namespace vexilo::test {

inline void putBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
}

// Length, type, data and CRC.
inline std::vector<std::uint8_t> pngChunk(const char (&type)[5], const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> out;
    putBe32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    const auto crc = crc32(0, out.data() + 4, static_cast<uInt>(data.size() + 4));
    putBe32(out, static_cast<std::uint32_t>(crc));
    return out;
}

inline std::vector<std::uint8_t> pngIhdr(std::uint32_t w, std::uint32_t h, int depth, int colorType,
                                         int interlace = 0) {
    std::vector<std::uint8_t> d;
    putBe32(d, w);
    putBe32(d, h);
    d.insert(d.end(), {static_cast<std::uint8_t>(depth), static_cast<std::uint8_t>(colorType), 0, 0,
                       static_cast<std::uint8_t>(interlace)});
    return pngChunk("IHDR", d);
}

inline std::vector<std::uint8_t> pngDeflate(const std::vector<std::uint8_t>& raw) {
    uLongf n = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> out(n);
    if (compress(out.data(), &n, raw.data(), static_cast<uLong>(raw.size())) != Z_OK)
        throw std::runtime_error("zlib compress failed");
    out.resize(n);
    return out;
}

// One IDAT of the filtered rows (filter byte first), compressed.
inline std::vector<std::uint8_t> pngIdat(const std::vector<std::uint8_t>& rows) {
    return pngChunk("IDAT", pngDeflate(rows));
}

inline std::vector<std::uint8_t> pngIend() {
    return pngChunk("IEND", {});
}

// The signature and the chunks in order.
inline std::vector<std::uint8_t> pngFile(std::initializer_list<std::vector<std::uint8_t>> chunks) {
    std::vector<std::uint8_t> out{137, 80, 78, 71, 13, 10, 26, 10};
    for (const auto& c : chunks) out.insert(out.end(), c.begin(), c.end());
    return out;
}

}  // namespace vexilo::test
