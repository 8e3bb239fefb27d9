#pragma once
// GIF files built block by block in code, for the codec and loader tests.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "codecs/gif_lzw.h"
#include "raster/bitmap.h"
#include "support/byte_fields.h"
#include "support/test_util.h"

namespace vexilo::test {

// Black, red, green, blue: the global table a GifBuilder gets unless told otherwise.
inline const std::vector<Color> kFourColours{{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};

// Builds GIF files block by block.
class GifBuilder {
public:
    explicit GifBuilder(int width, int height, const std::vector<Color>& global = kFourColours,
                        const char* version = "89a", std::uint8_t background = 0) {
        for (char c : std::string("GIF") + version) w.u8(static_cast<std::uint8_t>(c));
        le16(w, width, height);
        const int bits = tableBits(global);
        w.u8(static_cast<std::uint8_t>(global.empty() ? 0 : 0x80 | ((bits - 1) << 4) | (bits - 1)));
        w.u8(background);
        w.u8(0);
        table(global);
    }
    GifBuilder& gce(int delay, int disposal, int transparentIndex = -1) {
        w.bytes(std::vector<std::uint8_t>{0x21, 0xF9, 4});
        w.u8(static_cast<std::uint8_t>((disposal << 2) | (transparentIndex >= 0 ? 1 : 0)));
        w.u16le(static_cast<std::uint16_t>(delay));
        w.u8(static_cast<std::uint8_t>(transparentIndex >= 0 ? transparentIndex : 0));
        w.u8(0);
        return *this;
    }
    GifBuilder& comment(const std::vector<std::string>& lines) {
        w.bytes(std::vector<std::uint8_t>{0x21, 0xFE});
        for (const auto& l : lines) {
            w.u8(static_cast<std::uint8_t>(l.size()));
            w.bytes(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(l.data()), l.size()));
        }
        w.u8(0);
        return *this;
    }
    GifBuilder& application(const std::string& id, const std::vector<std::uint8_t>& block) {
        w.bytes(std::vector<std::uint8_t>{0x21, 0xFF, 11});
        w.bytes(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(id.data()), 11));
        w.u8(static_cast<std::uint8_t>(block.size()));
        w.bytes(block);
        w.u8(0);
        return *this;
    }
    GifBuilder& plainText() {
        w.bytes(std::vector<std::uint8_t>{0x21, 0x01, 12});
        w.zeros(12);
        w.bytes(std::vector<std::uint8_t>{2, 'h', 'i', 0});
        return *this;
    }
    // An image of the given pixel values, LZW-encoded with the given minimum code size.
    GifBuilder& image(int left, int top, int width, int height, const std::vector<std::uint8_t>& pixels,
                      const std::vector<Color>& local = {}, bool interlaced = false, int codeSize = 2) {
        w.u8(0x2C);
        le16(w, left, top, width, height);
        w.u8(static_cast<std::uint8_t>((interlaced ? 0x40 : 0) |
                                       (local.empty() ? 0 : 0x80 | (tableBits(local) - 1))));
        table(local);
        std::vector<std::uint8_t> data;
        gif::lzwEncode(pixels, codeSize, data);
        w.bytes(data);
        return *this;
    }
    GifBuilder& raw(const std::vector<std::uint8_t>& bytes) {
        w.bytes(bytes);
        return *this;
    }
    std::vector<std::uint8_t> end() {
        w.u8(0x3B);
        return w.take();
    }

private:
    // The bits an index into the table takes: its size rounded up to a power of two.
    static int tableBits(const std::vector<Color>& t) {
        int bits = 1;
        while ((1u << bits) < t.size()) ++bits;
        return bits;
    }
    void table(const std::vector<Color>& t) {
        for (const Color& c : t) w.bytes(std::vector<std::uint8_t>{c.r, c.g, c.b});
    }
    ByteWriter w;
};

}  // namespace vexilo::test
