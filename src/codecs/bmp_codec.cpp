#include "codecs/bmp_codec.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

#include "base/default_init.h"
#include "base/errors.h"
#include "base/file_io.h"

namespace vexilo {

namespace {

using ByteBuffer = std::vector<std::uint8_t, DefaultInitAllocator<std::uint8_t>>;

constexpr std::uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiJpeg = 4, kBiPng = 5,
                        kBiAlphaBitfields = 6;
// OS/2 2.x stores 24-bit run-length data as compression 4, which other headers use for JPEG;
// the reader keeps it apart under a number no file uses.
constexpr std::uint32_t kOs2Rle24 = 0x10004;

// The bytes of pixel rows read at once when a file is read in blocks: well inside the cache.
constexpr std::size_t kBlockBytes = 96 * 1024;

[[noreturn]] void fail(const std::string& what) {
    throw DecodeError("BMP: " + what);
}

// One colour channel described by a bit mask: position, width and scale to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;
    explicit Channel(std::uint32_t m = 0) : mask(m) {
        if (m == 0) return;
        shift = std::countr_zero(m);
        max = m >> shift;
    }
    std::uint8_t operator()(std::uint32_t v) const {
        if (max == 0) return 0;
        const std::uint64_t x = (v & mask) >> shift;
        return static_cast<std::uint8_t>((x * 255 + max / 2) / max);
    }
};

struct DibHeader {
    std::uint32_t size = 0;
    std::int64_t width = 0, height = 0;
    bool topDown = false;
    int bits = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t colorsUsed = 0;
    std::uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    bool core = false;
    // An embedded or linked colour profile of a 124-byte header: its bytes, from the header start.
    std::uint64_t profileStart = 0, profileEnd = 0;
};

constexpr std::uint32_t kProfileEmbedded = 0x4D424544;  // "MBED"
constexpr std::uint32_t kProfileLinked = 0x4C494E4B;    // "LINK"

DibHeader readHeader(ByteReader& r) {
    DibHeader h;
    const std::size_t start = r.pos();
    h.size = r.u32le("header size");
    std::int64_t rawHeight = 0;
    int planes = 0;
    if (h.size == 12) {
        h.core = true;
        h.width = r.u16le("width");
        rawHeight = static_cast<std::int16_t>(r.u16le("height"));
        planes = r.u16le("planes");
        h.bits = r.u16le("bit count");
    } else {
        const bool known = (h.size >= 16 && h.size <= 64) || h.size == 108 || h.size == 124;
        if (!known) fail("unsupported header size " + std::to_string(h.size));
        auto headerBytes = r.bytes(h.size - 4, "info header");
        ByteReader f(headerBytes, "BMP");
        auto field = [&](std::size_t offset) -> std::uint32_t {  // offset from the header start
            if (offset + 4 > h.size) return 0;
            f.seek(offset - 4, "header field");
            return f.u32le("header field");
        };
        h.width = static_cast<std::int32_t>(field(4));
        rawHeight = static_cast<std::int32_t>(field(8));
        f.seek(8, "planes");
        planes = f.u16le("planes");
        h.bits = f.u16le("bit count");
        h.compression = field(16);
        h.colorsUsed = field(32);
        const bool os2v2 = h.size != 40 && h.size != 52 && h.size != 56 && h.size < 108;
        if (os2v2 && h.compression == 3) fail("OS/2 Huffman-compressed bitmaps are not supported");
        if (os2v2 && h.compression == 4) h.compression = kOs2Rle24;
        if (h.size >= 52)
            for (int i = 0; i < 3; ++i) h.masks[i] = field(40 + 4 * static_cast<std::size_t>(i));
        if (h.size >= 56) h.masks[3] = field(52);
        if (h.size >= 124) {
            const std::uint32_t colourSpace = field(56), offset = field(112), size = field(116);
            if ((colourSpace == kProfileEmbedded || colourSpace == kProfileLinked) && size > 0) {
                h.profileStart = offset;
                h.profileEnd = std::uint64_t{offset} + size;
            }
        }
    }
    (void)start;
    if (planes != 1) fail("plane count " + std::to_string(planes) + " (must be 1)");
    if (h.width <= 0) fail("width " + std::to_string(h.width) + " is not positive");
    if (rawHeight == 0) fail("height is 0");
    h.topDown = rawHeight < 0;
    h.height = rawHeight < 0 ? -rawHeight : rawHeight;
    switch (h.bits) {
        case 1:
        case 2:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            fail("unsupported bit count " + std::to_string(h.bits));
    }
    switch (h.compression) {
        case kBiRgb:
            break;
        case kBiRle8:
            if (h.bits != 8) fail("RLE8 compression with " + std::to_string(h.bits) + " bits per pixel");
            break;
        case kBiRle4:
            if (h.bits != 4) fail("RLE4 compression with " + std::to_string(h.bits) + " bits per pixel");
            break;
        case kOs2Rle24:
            if (h.bits != 24) fail("RLE24 compression with " + std::to_string(h.bits) + " bits per pixel");
            break;
        case kBiBitfields:
        case kBiAlphaBitfields:
            if (h.bits != 16 && h.bits != 32)
                fail("bit-field masks with " + std::to_string(h.bits) + " bits per pixel");
            break;
        case kBiJpeg:
            fail("embedded JPEG data is not supported");
        case kBiPng:
            fail("embedded PNG data is not supported");
        default:
            fail("unknown compression " + std::to_string(h.compression));
    }
    if (h.topDown && (h.compression == kBiRle8 || h.compression == kBiRle4 || h.compression == kOs2Rle24))
        fail("RLE-compressed bitmap stored top-down");
    return h;
}

std::size_t rowStride(std::int64_t width, int bits) {
    return static_cast<std::size_t>(((width * bits + 31) / 32) * 4);
}

void decodeRle(ByteReader& r, const DibHeader& h, Bitmap& out) {
    const auto w = h.width, height = h.height;
    std::int64_t x = 0, y = 0;  // y counts rows from the bottom
    const bool rle4 = h.compression == kBiRle4, rle24 = h.compression == kOs2Rle24;
    auto put = [&](std::uint32_t index) {
        if (x < w && y < height) out.setRaw(static_cast<int>(x), static_cast<int>(height - 1 - y), index);
        ++x;
    };
    // A stream that stops without its end-of-bitmap escape keeps what it decoded.
    while (r.remaining() >= 2 && y < height) {
        const std::uint8_t count = r.u8("RLE data"), value = r.u8("RLE data");
        if (rle24 && count > 0) {
            // A run repeats one blue, green, red triple; `value` was its blue byte.
            if (r.remaining() < 2) break;
            const auto gr = r.bytes(2, "RLE24 run");
            for (int i = 0; i < count; ++i) put(packRgb({gr[1], gr[0], value}));
            continue;
        }
        if (count > 0) {
            for (int i = 0; i < count; ++i) put(rle4 ? ((i & 1) ? value & 0x0Fu : value >> 4u) : value);
            continue;
        }
        if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (r.remaining() < 2) break;
            x += r.u8("RLE delta");
            y += r.u8("RLE delta");
        } else {
            const std::size_t bytes = rle4 ? (value + 1u) / 2u : rle24 ? value * 3u : value;
            if (r.remaining() < bytes) break;
            const auto data = r.bytes(bytes, "RLE literal run");
            if (rle24) {
                for (std::size_t i = 0; i < value; ++i)
                    put(packRgb({data[3 * i + 2], data[3 * i + 1], data[3 * i]}));
                if ((bytes & 1) && r.remaining() > 0) r.skip(1, "RLE padding");
                continue;
            }
            for (int i = 0; i < value; ++i) {
                const std::uint8_t b =
                    data[rle4 ? static_cast<std::size_t>(i / 2) : static_cast<std::size_t>(i)];
                put(rle4 ? ((i & 1) ? b & 0x0Fu : b >> 4u) : b);
            }
            if ((bytes & 1) && r.remaining() > 0) r.skip(1, "RLE padding");
        }
    }
}

// A row of three-byte blue, green, red pixels as 0x00RRGGBB words. Four pixels are twelve
// bytes, read as three little-endian words and split by shifts; the rest go byte by byte.
void bgrRow(const std::uint8_t* src, std::uint32_t* dst, std::size_t w) {
    std::size_t x = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; x + 4 <= w; x += 4, src += 12) {
            std::uint32_t a, b, c;
            std::memcpy(&a, src, 4);
            std::memcpy(&b, src + 4, 4);
            std::memcpy(&c, src + 8, 4);
            dst[x] = a & 0xFFFFFFu;
            dst[x + 1] = ((a >> 24) | (b << 8)) & 0xFFFFFFu;
            dst[x + 2] = ((b >> 16) | (c << 16)) & 0xFFFFFFu;
            dst[x + 3] = c >> 8;
        }
    }
    for (; x < w; ++x, src += 3) dst[x] = packRgb({src[2], src[1], src[0]});
}

// Words per colour channel value of a 16-bit layout: the channel scaled to 8 bits as the raster's
// format stores it, already at its place in the word. The raster stores channels independently.
struct Words16 {
    std::vector<std::uint32_t> table[3];
    Words16(const Channel* ch, const Bitmap& out) {
        for (int i = 0; i < 3; ++i) {
            auto& t = table[i];
            // A pixel has 16 bits: mask bits above them never show.
            const std::uint32_t last = (ch[i].mask & 0xFFFFu) >> ch[i].shift;
            t.resize(std::size_t{last} + 1);
            const int place = 16 - 8 * i;  // red, green, blue
            for (std::uint32_t v = 0; v <= last; ++v) {
                Color c{};
                (i == 0 ? c.r : i == 1 ? c.g : c.b) = ch[i](v << ch[i].shift);
                t[v] = out.encode(c) & (0xFFu << place);
            }
        }
    }
    std::uint32_t operator()(const Channel* ch, std::uint32_t v) const {
        std::uint32_t word = 0;
        for (int i = 0; i < 3; ++i) word |= table[i][(v & ch[i].mask) >> ch[i].shift];
        return word;
    }
};

PixelFormat directFormat(const DibHeader& h, const Channel* ch) {
    if (h.bits == 24) return PixelFormat::Bpp24;
    if (h.bits == 32) return PixelFormat::Bpp32;
    if (ch[0].mask == 0x7C00 && ch[1].mask == 0x03E0 && ch[2].mask == 0x001F) return PixelFormat::Bpp15;
    if (ch[0].mask == 0xF800 && ch[1].mask == 0x07E0 && ch[2].mask == 0x001F) return PixelFormat::Bpp16;
    return PixelFormat::Bpp24;  // other 16-bit layouts keep their colours exactly in 24 bits
}

// The rest of a file beyond the bytes decodeDib was given, for plain rows read a block at a time.
struct FileBlocks {
    std::uint64_t fileSize;
    const FileReadAt& readAt;
};

// Thrown when a file read in blocks needs its bytes whole (run-length data).
struct WholeFileNeeded {};

Bitmap decodeDib(std::span<const std::uint8_t> data, std::size_t headerStart,
                 std::optional<std::size_t> pixelStart, const DecodeLimits& limits, bool iconImage,
                 Bitmap* andMask, const FileBlocks* blocks = nullptr) {
    ByteReader r(data, "BMP");
    r.seek(headerStart, "info header");
    DibHeader h = readHeader(r);
    if (iconImage) {
        // The height counts the colour rows and the mask rows together.
        h.height /= 2;
        if (h.height == 0) fail("icon image height is 0");
    }
    checkDimensions("BMP", h.width, h.height, limits);

    const bool bitfields = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
    if (bitfields && h.size < 52) {
        for (int i = 0; i < 3; ++i) h.masks[i] = r.u32le("colour masks");
        if (h.compression == kBiAlphaBitfields) h.masks[3] = r.u32le("alpha mask");
    } else if (!bitfields) {
        if (h.bits == 16) {
            h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F, h.masks[3] = 0;
        } else if (h.bits == 32) {
            h.masks[0] = 0x00FF0000, h.masks[1] = 0x0000FF00, h.masks[2] = 0x000000FF,
            h.masks[3] = 0xFF000000;
        }
    }

    Bitmap out;
    const bool indexed = h.bits <= 8;
    if (indexed) {
        const std::uint32_t maxColors = 1u << h.bits;
        if (h.colorsUsed > maxColors)
            fail("palette of " + std::to_string(h.colorsUsed) + " colours for " + std::to_string(h.bits) +
                 " bits per pixel");
        std::size_t count = h.colorsUsed ? h.colorsUsed : maxColors;
        const std::size_t entry = h.core ? 3 : 4;
        const std::size_t paletteStart = r.pos();
        if (pixelStart && *pixelStart >= paletteStart)
            count = std::min(count, (*pixelStart - paletteStart) / entry);
        if (count * entry > r.remaining()) fail("truncated palette");
        std::vector<Color> palette(count);
        for (auto& c : palette) {
            c.b = r.u8("palette");
            c.g = r.u8("palette");
            c.r = r.u8("palette");
            if (!h.core) r.skip(1, "palette");
        }
        out = Bitmap(0, 0, h.bits == 2 ? PixelFormat::Bpp4 : formatForBits(h.bits));
        out.setPalette(std::move(palette));
    }
    const Channel ch[4] = {Channel(h.masks[0]), Channel(h.masks[1]), Channel(h.masks[2]),
                           Channel(h.masks[3])};
    if (!indexed) out = Bitmap(0, 0, directFormat(h, ch));

    const std::size_t start = pixelStart ? *pixelStart : r.pos();
    const std::uint64_t total = blocks ? blocks->fileSize : data.size();
    if (start > total) fail("pixel data offset " + std::to_string(start) + " beyond the file");
    const int w = static_cast<int>(h.width), height = static_cast<int>(h.height);
    // Run-length data may leave pixels out (they stay 0); plain rows write every pixel.
    auto allocate = [&] {
        out.resizeForOverwrite(w, height);
        std::fill(out.pixels().begin(), out.pixels().end(), 0u);
    };

    const bool rle = h.compression == kBiRle8 || h.compression == kBiRle4 || h.compression == kOs2Rle24;
    if (blocks && rle) throw WholeFileNeeded{};
    ByteReader px(data.subspan(std::min<std::size_t>(start, data.size())), "BMP");
    if (rle) {
        // Even a blank image costs one 2-byte end-of-line per row, so no honest stream covers
        // more than 32768 pixels a byte; a tiny file claiming a huge raster is refused before
        // the raster is allocated.
        if (static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(height) >
            (static_cast<std::uint64_t>(px.remaining()) + 2) * 32768u)
            fail("RLE data of " + std::to_string(px.remaining()) + " bytes cannot describe a " +
                 std::to_string(w) + " x " + std::to_string(height) + " image");
        allocate();
        decodeRle(px, h, out);
        return out;
    }

    const std::size_t stride = rowStride(h.width, h.bits);
    const std::size_t lastRow =
        (static_cast<std::size_t>(h.width) * static_cast<std::size_t>(h.bits) + 7) / 8;
    // The last row may lack its padding: some writers leave it off.
    const auto needed = checkedAdd(*checkedMul(stride, static_cast<std::size_t>(height - 1)), lastRow);
    const std::uint64_t available = total - start;
    if (!needed || *needed > available)
        fail("truncated pixel data (" + std::to_string(available) + " bytes, " +
             std::to_string(needed.value_or(0)) + " needed)");
    out.resizeForOverwrite(w, height);
    const auto bytes = px.data();
    const bool standard32 =
        h.bits == 32 && h.masks[0] == 0x00FF0000 && h.masks[1] == 0x0000FF00 && h.masks[2] == 0x000000FF;
    // The stored word of a standard 32-bit pixel is its four bytes as they are.
    const bool copy32 = standard32 && h.masks[3] == 0xFF000000 && std::endian::native == std::endian::little;
    std::optional<Words16> words16;
    if (h.bits == 16) words16.emplace(ch, out);
    // Row y of the file (counted in storage order) from its bytes.
    const auto convertRow = [&](int y, const std::uint8_t* src) {
        const int target = h.topDown ? y : height - 1 - y;
        auto dst = out.row(target);
        switch (h.bits) {
            case 1:
            case 2:
            case 4: {
                const int perByte = 8 / h.bits;
                const unsigned valueMask = (1u << h.bits) - 1u;
                for (int x = 0; x < w; ++x) {
                    const int shift = 8 - h.bits * (x % perByte + 1);
                    dst[static_cast<std::size_t>(x)] = (src[x / perByte] >> shift) & valueMask;
                }
                break;
            }
            case 8:
                std::copy(src, src + w, dst.begin());
                break;
            case 24:
                bgrRow(src, dst.data(), dst.size());
                break;
            case 32:
                if (copy32) {
                    std::memcpy(dst.data(), src, dst.size_bytes());
                    break;
                }
                if (standard32) {
                    for (int x = 0; x < w; ++x, src += 4)
                        dst[static_cast<std::size_t>(x)] = packRgb({src[2], src[1], src[0]}, src[3]);
                    break;
                }
                for (int x = 0; x < w; ++x, src += 4) {
                    const std::uint32_t v =
                        src[0] | (src[1] << 8) | (src[2] << 16) | (std::uint32_t{src[3]} << 24);
                    dst[static_cast<std::size_t>(x)] =
                        packRgb({ch[0](v), ch[1](v), ch[2](v)}, ch[3].mask ? ch[3](v) : 0);
                }
                break;
            case 16:
                for (int x = 0; x < w; ++x, src += 2) {
                    const std::uint32_t v = src[0] | (src[1] << 8);
                    dst[static_cast<std::size_t>(x)] = (*words16)(ch, v);
                }
                break;
            default:
                std::fill(dst.begin(), dst.end(), 0u);
                break;
        }
    };
    if (blocks) {
        // Rows a block at a time through one small buffer that stays in the cache.
        const std::size_t perBlock = std::max<std::size_t>(1, kBlockBytes / stride);
        ByteBuffer block(std::min(perBlock * stride, *needed));
        for (int y0 = 0; y0 < height;) {
            const int rows =
                static_cast<int>(std::min<std::size_t>(perBlock, static_cast<std::size_t>(height - y0)));
            const std::uint64_t offset = start + static_cast<std::uint64_t>(y0) * stride;
            // The last row may lack its padding, so the buffer can be shorter than whole rows.
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(
                {static_cast<std::uint64_t>(rows) * stride, total - offset, block.size()}));
            const std::size_t got = blocks->readAt(offset, {block.data(), want});
            if (got < static_cast<std::size_t>(rows - 1) * stride + (y0 + rows == height ? lastRow : stride))
                fail("truncated pixel data");
            for (int i = 0; i < rows; ++i)
                convertRow(y0 + i, block.data() + static_cast<std::size_t>(i) * stride);
            y0 += rows;
        }
        return out;
    }
    for (int y = 0; y < height; ++y) convertRow(y, bytes.data() + static_cast<std::size_t>(y) * stride);

    if (iconImage && andMask) {
        *andMask = Bitmap();
        const std::size_t maskStride = rowStride(h.width, 1);
        const std::size_t colourBytes = stride * static_cast<std::size_t>(height);
        const auto maskBytes = checkedMul(maskStride, static_cast<std::size_t>(height));
        // A colour profile where the mask would be means the image has no mask: the bytes are
        // the profile's.
        const std::uint64_t maskStart = (start - headerStart) + colourBytes;
        const bool profileThere =
            maskBytes && h.profileEnd > maskStart && h.profileStart < maskStart + *maskBytes;
        if (maskBytes && !profileThere && colourBytes <= bytes.size() &&
            *maskBytes <= bytes.size() - colourBytes) {
            Bitmap mask(w, height, PixelFormat::Bpp1);
            const std::uint8_t* base = bytes.data() + colourBytes;
            for (int y = 0; y < height; ++y) {
                const std::uint8_t* src = base + static_cast<std::size_t>(y) * maskStride;
                auto dst = mask.row(h.topDown ? y : height - 1 - y);
                for (int x = 0; x < w; ++x)
                    dst[static_cast<std::size_t>(x)] = (src[x / 8] >> (7 - x % 8)) & 1u;
            }
            *andMask = std::move(mask);
        }
    }
    return out;
}

}  // namespace

Bitmap readBmp(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
    ByteReader r(file, "BMP");
    const auto magic = r.bytes(2, "file header");
    if (magic[0] != 'B' || magic[1] != 'M') throw DecodeError("BMP: not a bitmap file (no \"BM\" signature)");
    r.skip(8, "file header");
    const std::uint32_t offset = r.u32le("pixel data offset");
    if (offset < 14 || offset > file.size())
        fail("pixel data offset " + std::to_string(offset) + " outside the " + std::to_string(file.size()) +
             "-byte file");
    return decodeDib(file, 14, offset, limits, false, nullptr);
}

Bitmap readBmpBlocks(std::span<const std::uint8_t> head, std::uint64_t fileSize, const FileReadAt& readAt,
                     const DecodeLimits& limits) {
    if (head.size() >= fileSize) return readBmp(head.first(static_cast<std::size_t>(fileSize)), limits);
    auto whole = [&] {
        ByteBuffer file(static_cast<std::size_t>(fileSize));
        file.resize(readAt(0, file));
        return readBmp(file, limits);
    };
    ByteReader r(head, "BMP");
    const auto magic = r.bytes(2, "file header");
    if (magic[0] != 'B' || magic[1] != 'M') throw DecodeError("BMP: not a bitmap file (no \"BM\" signature)");
    r.skip(8, "file header");
    const std::uint32_t offset = r.u32le("pixel data offset");
    if (offset < 14 || offset > fileSize) return whole();
    const FileBlocks blocks{fileSize, readAt};
    try {
        return decodeDib(head, 14, offset, limits, false, nullptr, &blocks);
    } catch (const WholeFileNeeded&) {
        return whole();
    } catch (const LimitError&) {
        throw;  // the header said so, and it lies in the head
    } catch (const DecodeError&) {
        // Perhaps only the head was too short for the headers: the whole file decides.
        return whole();
    }
}

Bitmap readDib(std::span<const std::uint8_t> dib, const DecodeLimits& limits, bool iconImage,
               Bitmap* andMask) {
    return decodeDib(dib, 0, std::nullopt, limits, iconImage, andMask);
}

std::vector<std::uint8_t> writeBmp(const Bitmap& bitmap) {
    if (bitmap.empty()) throw ImageError("Cannot save an empty image as a bitmap");
    const PixelFormat format = bitmap.pixelFormat();
    const int bits = format == PixelFormat::Bpp15 ? 16 : bitmap.bitsPerPixel();
    const bool masks = format == PixelFormat::Bpp16;
    const std::size_t paletteCount =
        isIndexed(format) ? std::min<std::size_t>(bitmap.palette().size(), std::size_t{1} << bits) : 0;
    const int w = bitmap.width(), h = bitmap.height();
    const std::size_t stride = rowStride(w, bits);
    const std::size_t headerBytes = 14 + 40 + (masks ? 12 : 0) + paletteCount * 4;
    const std::size_t imageBytes = stride * static_cast<std::size_t>(h);

    ByteWriter out;
    out.buffer().reserve(headerBytes + imageBytes);
    out.u8('B');
    out.u8('M');
    out.u32le(static_cast<std::uint32_t>(headerBytes + imageBytes));
    out.u32le(0);
    out.u32le(static_cast<std::uint32_t>(headerBytes));
    out.u32le(40);
    out.i32le(w);
    out.i32le(h);
    out.u16le(1);
    out.u16le(static_cast<std::uint16_t>(bits));
    out.u32le(masks ? kBiBitfields : kBiRgb);
    out.u32le(static_cast<std::uint32_t>(imageBytes));
    out.u32le(0);
    out.u32le(0);
    out.u32le(static_cast<std::uint32_t>(paletteCount));
    out.u32le(0);
    if (masks) {
        out.u32le(0xF800);
        out.u32le(0x07E0);
        out.u32le(0x001F);
    }
    for (std::size_t i = 0; i < paletteCount; ++i) {
        const Color c = bitmap.palette()[i];
        out.u8(c.b);
        out.u8(c.g);
        out.u8(c.r);
        out.u8(0);
    }
    std::vector<std::uint8_t> rowBytes(stride);
    const std::uint32_t indexMask = isIndexed(format) ? (1u << bits) - 1u : 0;
    for (int y = h - 1; y >= 0; --y) {
        std::fill(rowBytes.begin(), rowBytes.end(), 0);
        const auto src = bitmap.row(y);
        for (int x = 0; x < w; ++x) {
            const std::uint32_t v = src[static_cast<std::size_t>(x)];
            const auto xs = static_cast<std::size_t>(x);
            switch (format) {
                case PixelFormat::Bpp1:
                    rowBytes[xs / 8] |= static_cast<std::uint8_t>((v & indexMask) << (7 - xs % 8));
                    break;
                case PixelFormat::Bpp4:
                    rowBytes[xs / 2] |= static_cast<std::uint8_t>((v & indexMask) << ((xs % 2) ? 0 : 4));
                    break;
                case PixelFormat::Bpp8:
                    rowBytes[xs] = static_cast<std::uint8_t>(v);
                    break;
                case PixelFormat::Bpp15:
                case PixelFormat::Bpp16: {
                    const Color c = unpackRgb(v);
                    const std::uint32_t word = format == PixelFormat::Bpp15
                                                   ? ((c.r >> 3u) << 10) | ((c.g >> 3u) << 5) | (c.b >> 3u)
                                                   : ((c.r >> 3u) << 11) | ((c.g >> 2u) << 5) | (c.b >> 3u);
                    rowBytes[xs * 2] = static_cast<std::uint8_t>(word);
                    rowBytes[xs * 2 + 1] = static_cast<std::uint8_t>(word >> 8);
                    break;
                }
                case PixelFormat::Bpp24:
                    rowBytes[xs * 3] = static_cast<std::uint8_t>(v);
                    rowBytes[xs * 3 + 1] = static_cast<std::uint8_t>(v >> 8);
                    rowBytes[xs * 3 + 2] = static_cast<std::uint8_t>(v >> 16);
                    break;
                case PixelFormat::Bpp32:
                case PixelFormat::Device:
                    rowBytes[xs * 4] = static_cast<std::uint8_t>(v);
                    rowBytes[xs * 4 + 1] = static_cast<std::uint8_t>(v >> 8);
                    rowBytes[xs * 4 + 2] = static_cast<std::uint8_t>(v >> 16);
                    rowBytes[xs * 4 + 3] =
                        format == PixelFormat::Bpp32 ? static_cast<std::uint8_t>(v >> 24) : 0;
                    break;
            }
        }
        out.bytes(rowBytes);
    }
    return out.take();
}

Bitmap loadBmpFile(const std::string& path) {
    return readBmp(readFileBytes(path));
}

void saveBmpFile(const Bitmap& bitmap, const std::string& path) {
    const auto bytes = writeBmp(bitmap);
    writeFileAtomic(path, bytes);
}

}  // namespace vexilo
