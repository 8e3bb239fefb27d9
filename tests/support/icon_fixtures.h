#pragma once
// Icon images, icon files and small PE files built in code for the icon tests.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/byte_reader.h"
#include "codecs/png_codec.h"
#include "raster/bitmap.h"
#include "support/byte_fields.h"

namespace vexilo::test {

// An icon DIB: info header (height doubled), palette for 1/4/8 bits, colour rows and mask rows,
// both bottom-up. `pixel` gives the stored value (palette index, or 0xAARRGGBB for 24/32 bits);
// `masked` gives the AND mask bit. withMask false leaves the mask rows out.
inline std::vector<std::uint8_t> makeIconDib(int w, int h, int bits, const std::vector<Color>& palette,
                                             const std::function<std::uint32_t(int, int)>& pixel,
                                             const std::function<bool(int, int)>& masked,
                                             bool withMask = true) {
    ByteWriter out;
    const std::size_t row = ((static_cast<std::size_t>(w) * static_cast<std::size_t>(bits) + 31) / 32) * 4;
    const std::size_t maskRow = ((static_cast<std::size_t>(w) + 31) / 32) * 4;
    le32(out, 40, w, 2 * h);
    le16(out, 1, bits);
    le32(out, 0, row * static_cast<std::size_t>(h), 0, 0, 0, 0);
    if (bits <= 8) {
        for (std::size_t i = 0; i < (std::size_t{1} << bits); ++i) {
            const Color c = i < palette.size() ? palette[i] : kBlack;
            le32(out, c.b | c.g << 8 | c.r << 16);
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        std::vector<std::uint8_t> bytes(row, 0);
        for (int x = 0; x < w; ++x) {
            const std::uint32_t v = pixel(x, y);
            // Indices fill their byte from the top bit; colours are little-endian bytes.
            const std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(bits);
            if (bits <= 8)
                bytes[bit / 8] |= static_cast<std::uint8_t>((v & ((1u << bits) - 1)) << (8 - bits - bit % 8));
            else
                for (std::size_t k = 0; k < static_cast<std::size_t>(bits) / 8; ++k)
                    bytes[bit / 8 + k] = static_cast<std::uint8_t>(v >> (8 * k));
        }
        out.bytes(bytes);
    }
    if (withMask) {
        for (int y = h - 1; y >= 0; --y) {
            std::vector<std::uint8_t> bytes(maskRow, 0);
            for (int x = 0; x < w; ++x)
                if (masked(x, y))
                    bytes[static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
            out.bytes(bytes);
        }
    }
    return out.take();
}

// A one-colour icon image, opaque, of the given size and depth, whose every pixel shows `c`
// (for 1/4/8 bits through a palette whose entry 1 is c).
inline std::vector<std::uint8_t> solidIconDib(int size, int bits, Color c) {
    if (bits <= 8)
        return makeIconDib(
            size, size, bits, {kBlack, c}, [](int, int) { return 1u; }, [](int, int) { return false; });
    return makeIconDib(
        size, size, bits, {}, [&](int, int) { return packRgb(c, 0); }, [](int, int) { return false; });
}

struct IcoEntry {
    std::uint16_t colorWord = 0;  // colour count byte and reserved byte together
    std::vector<std::uint8_t> data;
    std::uint8_t width = 0, height = 0;
    std::uint16_t planesOrHotX = 1, bitsOrHotY = 0;
};

// An icon (type 1) or cursor (type 2) file of the given entries, data in entry order.
inline std::vector<std::uint8_t> makeIcoFile(const std::vector<IcoEntry>& entries, std::uint16_t type = 1) {
    ByteWriter out;
    le16(out, 0, type, entries.size());
    std::size_t offset = 6 + 16 * entries.size();
    for (const auto& e : entries) {
        le16(out, e.width | e.height << 8, e.colorWord, e.planesOrHotX, e.bitsOrHotY);
        le32(out, e.data.size(), offset);
        offset += e.data.size();
    }
    for (const auto& e : entries) out.bytes(e.data);
    return out.take();
}

// One resource: a numeric id or a name, and its bytes.
struct PeResource {
    std::uint32_t id = 0;
    std::string name;  // when not empty, a named entry
    std::vector<std::uint8_t> data;
};
struct PeResourceType {
    std::uint32_t type = 0;
    std::vector<PeResource> resources;
};

enum class PeKind { Pe32, Pe64 };
constexpr std::uint16_t kMachineI386 = 0x14C, kMachineAmd64 = 0x8664, kMachineArm64 = 0xAA64;

// A PE file whose only section .rsrc holds the given resource tree (types and names in the
// order given, one language 0x409 each), at virtual address 0x3000 and file offset 0x400.
inline std::vector<std::uint8_t> makePeFile(const std::vector<PeResourceType>& types, PeKind kind,
                                            std::uint16_t machine) {
    constexpr std::uint32_t kVa = 0x3000, kRaw = 0x400;
    // Pass 1: offsets of every directory, string, data entry and data blob in the section.
    std::uint32_t pos = 16 + 8 * static_cast<std::uint32_t>(types.size());
    std::vector<std::uint32_t> typeDir;
    for (const auto& t : types) {
        typeDir.push_back(pos);
        pos += 16 + 8 * static_cast<std::uint32_t>(t.resources.size());
    }
    std::vector<std::vector<std::uint32_t>> langDir(types.size()), dataEntry(types.size()),
        nameAt(types.size()), blobAt(types.size());
    for (std::size_t t = 0; t < types.size(); ++t)
        for (std::size_t r = 0; r < types[t].resources.size(); ++r) {
            langDir[t].push_back(pos);
            pos += 16 + 8;
        }
    for (std::size_t t = 0; t < types.size(); ++t)
        for (std::size_t r = 0; r < types[t].resources.size(); ++r) {
            dataEntry[t].push_back(pos);
            pos += 16;
        }
    for (std::size_t t = 0; t < types.size(); ++t)
        for (const auto& res : types[t].resources) {
            nameAt[t].push_back(pos);
            if (!res.name.empty()) pos += 2 + 2 * static_cast<std::uint32_t>(res.name.size());
            pos = (pos + 3) & ~3u;
        }
    for (std::size_t t = 0; t < types.size(); ++t)
        for (const auto& res : types[t].resources) {
            blobAt[t].push_back(pos);
            pos += static_cast<std::uint32_t>(res.data.size());
            pos = (pos + 3) & ~3u;
        }
    const std::uint32_t rsrcSize = pos;

    ByteWriter s;
    auto dirHeader = [&](std::size_t named, std::size_t ids) {
        s.zeros(12);
        le16(s, named, ids);
    };
    dirHeader(0, types.size());
    for (std::size_t t = 0; t < types.size(); ++t) le32(s, types[t].type, 0x80000000u | typeDir[t]);
    for (std::size_t t = 0; t < types.size(); ++t) {
        std::size_t named = 0;
        for (const auto& r : types[t].resources) named += r.name.empty() ? 0 : 1;
        dirHeader(named, types[t].resources.size() - named);
        for (std::size_t r = 0; r < types[t].resources.size(); ++r) {
            const auto& res = types[t].resources[r];
            le32(s, res.name.empty() ? res.id : (0x80000000u | nameAt[t][r]), 0x80000000u | langDir[t][r]);
        }
    }
    for (std::size_t t = 0; t < types.size(); ++t)
        for (std::size_t r = 0; r < types[t].resources.size(); ++r) {
            dirHeader(0, 1);
            le32(s, 0x409, dataEntry[t][r]);
        }
    for (std::size_t t = 0; t < types.size(); ++t)
        for (std::size_t r = 0; r < types[t].resources.size(); ++r)
            le32(s, kVa + blobAt[t][r], types[t].resources[r].data.size(), 0, 0);
    auto padTo = [&](std::uint32_t at) { s.zeros(at - static_cast<std::uint32_t>(s.size())); };
    for (std::size_t t = 0; t < types.size(); ++t)
        for (std::size_t r = 0; r < types[t].resources.size(); ++r) {
            padTo(nameAt[t][r]);
            const auto& name = types[t].resources[r].name;
            if (name.empty()) continue;
            le16(s, name.size());
            for (char c : name) le16(s, c);
        }
    for (std::size_t t = 0; t < types.size(); ++t)
        for (std::size_t r = 0; r < types[t].resources.size(); ++r) {
            padTo(blobAt[t][r]);
            s.bytes(types[t].resources[r].data);
        }
    padTo(rsrcSize);

    const bool pe64 = kind == PeKind::Pe64;
    const std::uint16_t optionalSize = pe64 ? 240 : 224;
    ByteWriter f;
    le16(f, 'M' | 'Z' << 8);
    f.zeros(0x3A);
    le32(f, 0x40, 'P' | 'E' << 8);
    le16(f, machine, 1);  // one section
    f.zeros(12);
    le16(f, optionalSize, 0x2102);
    const std::size_t optionalStart = f.size();
    le16(f, pe64 ? 0x20B : 0x10B);
    f.zeros((pe64 ? 108u : 92u) - 2);
    le32(f, 16);  // data directories
    for (int i = 0; i < 16; ++i) le32(f, i == 2 ? kVa : 0, i == 2 ? rsrcSize : 0);
    if (f.size() - optionalStart != optionalSize) throw std::logic_error("optional header size");
    le32(f, '.' | 'r' << 8 | 's' << 16 | 'r' << 24, 'c', rsrcSize, kVa, rsrcSize, kRaw);
    f.zeros(16);
    f.zeros(kRaw - f.size());
    f.bytes(s.buffer());
    return f.take();
}

// A group directory naming icon resources: (width, height, colours, bit count, id) per entry.
struct GroupEntry {
    std::uint8_t width, height, colours;
    std::uint16_t bits;
    std::uint16_t id;
    std::uint32_t bytes = 0;
};
inline std::vector<std::uint8_t> makeGroupDirectory(const std::vector<GroupEntry>& entries) {
    ByteWriter g;
    le16(g, 0, 1, entries.size());
    for (const auto& e : entries) {
        le16(g, e.width | e.height << 8, e.colours, 1, e.bits);
        le32(g, e.bytes);
        le16(g, e.id);
    }
    return g.take();
}

// An RGBA PNG of one colour and one alpha value.
inline std::vector<std::uint8_t> makeRgbaPng(int w, int h, Color c, std::uint8_t alpha) {
    Bitmap b(w, h);
    b.fillRect({0, 0, w, h}, c);
    return encodePngWithAlpha(b, std::vector<std::uint8_t>(static_cast<std::size_t>(w * h), alpha));
}

constexpr std::uint32_t kRtIcon = 3, kRtGroupIcon = 14;  // resource types of images and groups

// Six icon images, ids 1 to 6: 16 px 8-bit red, 32 px 4-bit green, 32 px 32-bit blue, 48 px
// 32-bit yellow, a 48 px PNG of magenta at alpha 128, 16 px 24-bit cyan.
inline PeResourceType peIconImages() {
    return {kRtIcon,
            {{1, "", solidIconDib(16, 8, {255, 0, 0})},
             {2, "", solidIconDib(32, 4, {0, 255, 0})},
             {3, "", solidIconDib(32, 32, {0, 0, 255})},
             {4, "", solidIconDib(48, 32, {255, 255, 0})},
             {5, "", makeRgbaPng(48, 48, {255, 0, 255}, 128)},
             {6, "", solidIconDib(16, 24, {0, 255, 255})}}};
}

// The images of peIconImages in three groups: a named one first (ids 1 to 4), then 1 (ids 4
// and 1) and 7 (ids 6 and 5), as resource directories list them.
inline std::vector<std::uint8_t> threeGroupPeFile(PeKind kind, std::uint16_t machine) {
    const PeResourceType groups{
        kRtGroupIcon,
        {{0, "MAINICON",
          makeGroupDirectory(
              {{16, 16, 0, 8, 1}, {32, 32, 16, 4, 2}, {32, 32, 0, 32, 3}, {48, 48, 0, 32, 4}})},
         {1, "", makeGroupDirectory({{48, 48, 0, 32, 4}, {16, 16, 0, 8, 1}})},
         {7, "", makeGroupDirectory({{16, 16, 0, 24, 6}, {48, 48, 0, 32, 5}})}}};
    return makePeFile({peIconImages(), groups}, kind, machine);
}

// A 32-bit library with one group per image, each group naming its one 32 x 32 image of 32 bits.
inline std::vector<std::uint8_t> oneIconPerGroupLibrary(const std::vector<std::vector<std::uint8_t>>& dibs) {
    PeResourceType images{kRtIcon, {}}, groups{kRtGroupIcon, {}};
    for (std::uint16_t id = 1; id <= dibs.size(); ++id) {
        images.resources.push_back({id, "", dibs[id - 1]});
        groups.resources.push_back({id, "", makeGroupDirectory({{32, 32, 0, 32, id}})});
    }
    return makePeFile({images, groups}, PeKind::Pe32, kMachineI386);
}

// A RIFF chunk: id, size (the data's own unless given), data and pad byte.
inline void riffChunk(ByteWriter& out, const char* id, const std::vector<std::uint8_t>& data,
                      std::uint32_t size = 0) {
    out.bytes(std::vector<std::uint8_t>(id, id + 4));
    out.u32le(size ? size : static_cast<std::uint32_t>(data.size()));
    out.bytes(data);
    if (data.size() % 2) out.u8(0);
}

// An animated cursor of a red and a green 2 x 2 icon, steps 0, 1, 0 at 6, 12 and 3 jiffies.
// `frames` is the header's frame count; `iconSize` when not 0 the size the icon chunks state.
inline std::vector<std::uint8_t> makeAniFile(std::uint32_t frames = 2, std::uint32_t iconSize = 0) {
    const auto words = [](auto... values) {
        ByteWriter out;
        le32(out, values...);
        return out.take();
    };
    ByteWriter fram;
    fram.bytes(std::vector<std::uint8_t>{'f', 'r', 'a', 'm'});
    for (Color c : {Color{255, 0, 0}, Color{0, 255, 0}})
        riffChunk(fram, "icon", makeIcoFile({{0, solidIconDib(2, 32, c), 2, 2, 1, 32}}), iconSize);
    ByteWriter body;
    body.bytes(std::vector<std::uint8_t>{'A', 'C', 'O', 'N'});
    riffChunk(body, "anih", words(36, frames, 3, 0, 0, 0, 0, 6, 3));
    riffChunk(body, "rate", words(6, 12, 3));
    riffChunk(body, "seq ", words(0, 1, 0));
    riffChunk(body, "LIST", fram.take());
    ByteWriter file;
    riffChunk(file, "RIFF", body.take());
    return file.take();
}

}  // namespace vexilo::test
