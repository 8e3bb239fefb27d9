// TGA has no signature, and the loaders try it after the readers of other formats, so a file
// is read as TGA only when its header holds together:
// - image type 1, 2, 3, 9, 10 or 11 (unknown types are a range error; type 0 holds no image
//   and the compressed types 32 and 33 are not decoded, so both are refused);
// - colour-map type 0 or 1, and 1 for the colour-mapped types 1 and 9, with a non-empty map;
// - a map that is present has entries of 15, 16, 24 or 32 bits and lies inside the file;
// - bits per pixel the type allows: 8 for colour-mapped, 15, 16, 24 or 32 for true colour,
//   8 or 16 (grey and alpha) for grey;
// - alpha bits (descriptor bits 0-3) not above the bits per pixel;
// - at least one whole row of pixel data present (raw rows, or run-length packets that expand
//   to a row). A file that ends after that keeps what was read and leaves the rest black.
#include "codecs/tga_codec.h"

#include <algorithm>

#include "base/file_io.h"

namespace vexilo {

namespace {

[[noreturn]] void refuse(const std::string& what) {
    throw DecodeError("TGA: " + what);
}

// The rules at the top of this file that the header alone decides; `left` is the byte count
// after the 18-byte header.
void checkHeaderHoldsTogether(const TgaHeader& h, std::size_t left) {
    const int type = h.imageType;
    const int base = type >= 9 ? type - 8 : type;
    const int bpp = h.bitsPerPixel;
    if (type == 0) refuse("image type 0 holds no image data");
    if (type == 32 || type == 33)
        refuse("compressed image type " + std::to_string(type) + " is not supported");
    if (h.colorMapType > 1) refuse("colour-map type " + std::to_string(h.colorMapType) + " (must be 0 or 1)");
    if (base == 1 && (h.colorMapType != 1 || h.colorMapLength == 0))
        refuse("colour-mapped image type " + std::to_string(type) + " without a colour map");
    if (h.colorMapType == 1 && h.colorMapLength > 0) {
        const int e = h.colorMapEntrySize;
        if (e != 15 && e != 16 && e != 24 && e != 32)
            refuse("colour-map entry size " + std::to_string(e) + " bits (must be 15, 16, 24 or 32)");
    }
    const bool depthFits = base == 1   ? bpp == 8
                           : base == 2 ? (bpp == 15 || bpp == 16 || bpp == 24 || bpp == 32)
                                       : (bpp == 8 || bpp == 16);
    if (!depthFits) refuse(std::to_string(bpp) + " bits per pixel for image type " + std::to_string(type));
    if ((h.descriptor & 15) > bpp)
        refuse(std::to_string(h.descriptor & 15) + " alpha bits in " + std::to_string(bpp) + "-bit pixels");
    const std::size_t mapBytes =
        h.colorMapType == 1 ? std::size_t{h.colorMapLength} * ((h.colorMapEntrySize + 7u) / 8u) : 0;
    if (std::size_t{h.idLength} + mapBytes > left)
        refuse("identification and colour map of " + std::to_string(h.idLength + mapBytes) +
               " bytes beyond the " + std::to_string(left) + " bytes after the header");
    // The least a row can take: raw pixels, or for run-length data one run packet per 128.
    const std::size_t pixelBytes = (static_cast<std::size_t>(bpp) + 7) / 8;
    const std::size_t rowBytes =
        type >= 9 ? (h.width + 127u) / 128u * (1 + pixelBytes) : h.width * pixelBytes;
    if (left - h.idLength - mapBytes < rowBytes)
        refuse("pixel data ends before the first row (" + std::to_string(left - h.idLength - mapBytes) +
               " bytes, a row needs " + std::to_string(rowBytes) + ")");
}

bool knownType(int type) {
    switch (type) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 9:
        case 10:
        case 11:
        case 32:
        case 33:
            return true;
        default:
            return false;
    }
}

constexpr std::uint32_t kBlackWord = 0;
constexpr std::uint32_t kOpaqueWord = 0x00FFFFFFu;

// 5-bit channels become v * 8 (0, 8, ... 248).
Color from555(std::uint16_t w) {
    return {static_cast<std::uint8_t>(((w >> 10) & 31) << 3), static_cast<std::uint8_t>(((w >> 5) & 31) << 3),
            static_cast<std::uint8_t>((w & 31) << 3)};
}

// Reads pixels one at a time from the file; running out of bytes ends decoding quietly.
class PixelSource {
public:
    PixelSource(std::span<const std::uint8_t> data, std::size_t pos, int bytesPerPixel)
        : m_data(data), m_pos(pos), m_bpp(static_cast<std::size_t>(bytesPerPixel)) {}
    const std::uint8_t* next() {
        if (m_data.size() - m_pos < m_bpp) return nullptr;
        const std::uint8_t* p = m_data.data() + m_pos;
        m_pos += m_bpp;
        return p;
    }
    bool byte(std::uint8_t& v) {
        if (m_pos >= m_data.size()) return false;
        v = m_data[m_pos++];
        return true;
    }

private:
    std::span<const std::uint8_t> m_data;
    std::size_t m_pos;
    std::size_t m_bpp;
};

}  // namespace

TgaRangeError::TgaRangeError(long value, long low, long high)
    : DecodeError(std::to_string(value) + " is not within the valid range of " + std::to_string(low) + ".." +
                  std::to_string(high)) {}

void TTarga::setColorRaster(const Bitmap& raster) {
    m_color = raster;
    m_color.setPixelFormat(PixelFormat::Bpp32);
    m_color.setTransparent(false);
    for (auto& v : m_color.pixels()) v &= 0x00FFFFFFu;
    m_alpha = Bitmap(m_color.width(), m_color.height(), PixelFormat::Bpp32);
}

void TTarga::loadFromBytes(std::span<const std::uint8_t> data, const DecodeLimits& limits) {
    ByteReader in(data, "TGA");
    TgaHeader h;
    h.idLength = in.u8("header");
    h.colorMapType = in.u8("header");
    h.imageType = in.u8("header");
    h.colorMapFirst = in.u16le("header");
    h.colorMapLength = in.u16le("header");
    h.colorMapEntrySize = in.u8("header");
    h.xOrigin = in.u16le("header");
    h.yOrigin = in.u16le("header");
    h.width = in.u16le("header");
    h.height = in.u16le("header");
    h.bitsPerPixel = in.u8("header");
    h.descriptor = in.u8("header");
    if (!knownType(h.imageType)) throw TgaRangeError(h.imageType, 0, 33);
    if (h.width == 0 || h.width > kMaxSize) throw TgaRangeError(h.width, 1, kMaxSize);
    if (h.height == 0 || h.height > kMaxSize) throw TgaRangeError(h.height, 1, kMaxSize);
    checkDimensions("TGA", h.width, h.height, limits);
    checkHeaderHoldsTogether(h, in.remaining());

    const auto id = in.bytes(h.idLength, "identification field");
    std::string identification(id.begin(), id.end());

    std::vector<std::array<std::uint8_t, 4>> map;
    if (h.colorMapType == 1) {
        const std::size_t entryBytes = (std::size_t{h.colorMapEntrySize} + 7) / 8;
        const auto bytes = in.bytes(entryBytes * h.colorMapLength, "colour map");
        map.reserve(std::min<std::size_t>(h.colorMapLength, kMaxColorMap));
        for (std::size_t i = 0; i < h.colorMapLength && i < kMaxColorMap; ++i) {
            const std::uint8_t* e = bytes.data() + i * entryBytes;
            std::array<std::uint8_t, 4> entry{};
            switch (h.colorMapEntrySize) {
                case 15:
                case 16: {
                    const Color c = from555(static_cast<std::uint16_t>(e[0] | (e[1] << 8)));
                    entry = {c.b, c.g, c.r, 0};
                    break;
                }
                case 24:
                    entry = {e[0], e[1], e[2], 0};
                    break;
                case 32:
                    entry = {e[0], e[1], e[2], e[3]};
                    break;
                default:
                    break;  // an entry size the format does not define: black
            }
            map.push_back(entry);
        }
    }

    const int type = h.imageType;
    const int bpp = h.bitsPerPixel;
    const bool rle = type >= 9 && type <= 11;
    const int base = rle ? type - 8 : type;
    TTargaType targaType = ttNoImageData;
    if (type >= 1 && type <= 3) targaType = static_cast<TTargaType>(type);
    if (rle) targaType = static_cast<TTargaType>(type - 5);
    TTargaColorDepthType depth = bpp == 16 ? cd16bit : bpp == 24 ? cd24bit : bpp == 32 ? cd32bit : cd8bit;
    if (base == 1 || base == 3) depth = cd8bit;
    // 15-bit true colour and 16-bit grey with alpha are common writer output; leaving them
    // blank would report a load that shows nothing, so they decode (5-5-5 words, and the grey
    // byte of each grey/alpha pair).
    const bool decodable = (base == 1 && bpp == 8) ||
                           (base == 2 && (bpp == 15 || bpp == 16 || bpp == 24 || bpp == 32)) ||
                           (base == 3 && (bpp == 8 || bpp == 16));

    Bitmap color;
    Bitmap alpha;
    if (decodable) {
        // Every pixel is written: black first (a file cut short leaves the rest black), the
        // alpha plane only for the decoded pixels' opacity.
        color.resetForOverwrite(h.width, h.height, PixelFormat::Bpp32);
        std::fill(color.pixels().begin(), color.pixels().end(), kBlackWord);
        if (!ColorOnly) alpha = Bitmap(h.width, h.height, PixelFormat::Bpp32);
        const int w = h.width, ht = h.height;
        // Bit 5: the first row in the file is the top row; bit 4: pixels run right to left.
        const bool topDown = (h.descriptor & 0x20) != 0;
        const bool rightToLeft = (h.descriptor & 0x10) != 0;
        const bool withAlpha = base == 2 && bpp == 32;
        std::uint32_t* const colorWords = color.pixels().data();
        std::uint32_t* const alphaWords = ColorOnly ? nullptr : alpha.pixels().data();
        auto decodePixel = [&](const std::uint8_t* p, std::uint32_t& word, std::uint32_t& alphaWord) {
            alphaWord = kOpaqueWord;
            switch (base) {
                case 1: {
                    // Pixel values count from the map's first index; entries outside the map are black.
                    const long i = long{p[0]} - h.colorMapFirst;
                    if (i >= 0 && static_cast<std::size_t>(i) < map.size()) {
                        const auto& e = map[static_cast<std::size_t>(i)];
                        word = packRgb({e[2], e[1], e[0]});
                    } else {
                        word = kBlackWord;
                    }
                    break;
                }
                case 3:
                    word = packRgb({p[0], p[0], p[0]});
                    break;
                default:
                    if (bpp == 15 || bpp == 16)
                        word = packRgb(from555(static_cast<std::uint16_t>(p[0] | (p[1] << 8))));
                    else
                        word = packRgb({p[2], p[1], p[0]});
                    if (withAlpha) alphaWord = packRgb({p[3], p[3], p[3]});
                    break;
            }
        };
        const std::size_t total = static_cast<std::size_t>(w) * static_cast<std::size_t>(ht);
        std::size_t k = 0;
        // The position of pixel k, kept by stepping rather than dividing for every pixel.
        const auto uw = static_cast<std::size_t>(w);
        std::size_t col = 0, fileRow = 0;
        auto rowStart = [&] { return (topDown ? fileRow : static_cast<std::size_t>(ht) - 1 - fileRow) * uw; };
        std::size_t start = rowStart();
        auto place = [&](std::uint32_t word, std::uint32_t alphaWord) {
            const std::size_t at = start + (rightToLeft ? uw - 1 - col : col);
            colorWords[at] = word;
            if (alphaWords) alphaWords[at] = alphaWord;
            ++k;
            if (++col == uw) {
                col = 0;
                ++fileRow;
                if (k < total) start = rowStart();
            }
        };
        PixelSource src(data, in.pos(), (bpp + 7) / 8);
        std::uint32_t word = 0, alphaWord = 0;
        if (!rle) {
            while (k < total) {
                const std::uint8_t* p = src.next();
                if (!p) break;
                decodePixel(p, word, alphaWord);
                place(word, alphaWord);
            }
        } else {
            // Packets may run on into the next row, but never past the last pixel.
            std::uint8_t packet = 0;
            while (k < total && src.byte(packet)) {
                const std::size_t count = std::min<std::size_t>((packet & 127u) + 1u, total - k);
                if (packet & 128u) {
                    const std::uint8_t* p = src.next();
                    if (!p) break;
                    decodePixel(p, word, alphaWord);
                    for (std::size_t i = 0; i < count; ++i) place(word, alphaWord);
                } else {
                    std::size_t i = 0;
                    for (; i < count; ++i) {
                        const std::uint8_t* p = src.next();
                        if (!p) break;
                        decodePixel(p, word, alphaWord);
                        place(word, alphaWord);
                    }
                    if (i < count) break;
                }
            }
        }
        if (k < static_cast<std::size_t>(w))
            refuse("pixel data ends before the first row (" + std::to_string(k) + " of " + std::to_string(w) +
                   " pixels)");
        HasAlpha = withAlpha;
    } else {
        color = Bitmap(h.width, h.height, PixelFormat::Bpp32);
        if (!ColorOnly) alpha = Bitmap(h.width, h.height, PixelFormat::Bpp32);
        HasAlpha = false;
    }

    m_header = h;
    m_identification = std::move(identification);
    m_colorMap = std::move(map);
    m_color = std::move(color);
    m_alpha = std::move(alpha);
    TargaType = targaType;
    ColorDepth = depth;
    if (OnChange) OnChange();
}

void TTarga::loadFromFile(const std::string& path, const DecodeLimits& limits) {
    loadFromBytes(readFileBytes(path), limits);
}

std::vector<std::uint8_t> TTarga::saveToBytes() const {
    if (m_color.empty()) throw ImageError("TGA: cannot save an empty image");
    if (m_color.width() > 65535 || m_color.height() > 65535)
        throw ImageError("TGA: image size " + std::to_string(m_color.width()) + " x " +
                         std::to_string(m_color.height()) + " does not fit the 16-bit size fields");
    const bool rle = TargaType == ttRLETrueColorImage;
    const int bits = rle ? 24 : ColorDepth == cd16bit ? 16 : ColorDepth == cd32bit ? 32 : 24;
    ByteWriter w;
    w.u8(0);
    w.u8(0);
    w.u8(rle ? 10 : 2);
    w.zeros(5);
    w.u16le(0);
    w.u16le(0);
    w.u16le(static_cast<std::uint16_t>(m_color.width()));
    w.u16le(static_cast<std::uint16_t>(m_color.height()));
    w.u8(static_cast<std::uint8_t>(bits));
    w.u8(0);
    const auto width = static_cast<std::size_t>(m_color.width());
    auto& out = w.buffer();
    for (int y = m_color.height() - 1; y >= 0; --y) {
        const auto row = m_color.row(y);
        if (!rle) {
            const auto alphaRow = m_alpha.width() == m_color.width() && m_alpha.height() == m_color.height()
                                      ? m_alpha.row(y)
                                      : std::span<const std::uint32_t>();
            for (std::size_t x = 0; x < width; ++x) {
                const Color c = unpackRgb(row[x]);
                if (bits == 16) {
                    w.u16le(static_cast<std::uint16_t>(((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3)));
                } else {
                    w.u8(c.b);
                    w.u8(c.g);
                    w.u8(c.r);
                    if (bits == 32) w.u8(alphaRow.empty() ? 255 : static_cast<std::uint8_t>(alphaRow[x]));
                }
            }
            continue;
        }
        auto same = [&](std::size_t a, std::size_t b) { return ((row[a] ^ row[b]) & 0x00FFFFFFu) == 0; };
        auto put = [&](std::size_t x) {
            out.push_back(static_cast<std::uint8_t>(row[x]));
            out.push_back(static_cast<std::uint8_t>(row[x] >> 8));
            out.push_back(static_cast<std::uint8_t>(row[x] >> 16));
        };
        std::size_t i = 0;
        while (i < width) {
            if (i + 1 < width && same(i, i + 1)) {
                std::size_t j = i + 1;
                while (j < width && j - i < 128 && same(i, j)) ++j;
                out.push_back(static_cast<std::uint8_t>(128 + (j - i) - 1));
                put(i);
                i = j;
            } else {
                std::size_t j = i;
                while (j < width && j - i < 128 && !(j + 1 < width && same(j, j + 1))) ++j;
                out.push_back(static_cast<std::uint8_t>(j - i - 1));
                for (std::size_t x = i; x < j; ++x) put(x);
                i = j;
            }
        }
    }
    return w.take();
}

void TTarga::saveToFile(const std::string& path) {
    TargaType = ttRLETrueColorImage;
    writeFileAtomic(path, saveToBytes());
}

void TTarga::draw(Bitmap& canvas, const Rect& rect) const {
    canvas.stretchDraw(rect, m_color);
}

void TTarga::assign(const TTarga& source) {
    if (&source == this) return;
    m_color = source.m_color;
    m_alpha = source.m_alpha;
}

Bitmap TTarga::takeColorRaster() {
    Bitmap out = std::move(m_color);
    m_color = Bitmap();
    m_alpha = Bitmap();
    return out;
}

Bitmap decodeTga(std::span<const std::uint8_t> data, const DecodeLimits& limits) {
    TTarga t;
    t.ColorOnly = true;
    t.loadFromBytes(data, limits);
    return t.takeColorRaster();
}

std::vector<std::uint8_t> encodeTga(const Bitmap& bitmap) {
    TTargaImage holder;
    holder.Targa().setColorRaster(bitmap);
    holder.Targa().TargaType = ttRLETrueColorImage;
    return holder.Targa().saveToBytes();
}

std::vector<std::uint8_t> encodeTgaWithAlpha(const Bitmap& bitmap, const std::vector<std::uint8_t>& alpha) {
    const int w = bitmap.width(), h = bitmap.height();
    if (bitmap.empty() || w > 65535 || h > 65535) throw ImageError("TGA: cannot save this image size");
    if (alpha.size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h))
        throw ImageError("TGA: the alpha does not fit the image");
    ByteWriter out;
    out.u8(0);
    out.u8(0);
    out.u8(2);
    out.zeros(9);
    out.u16le(static_cast<std::uint16_t>(w));
    out.u16le(static_cast<std::uint16_t>(h));
    out.u8(32);
    out.u8(8);  // eight alpha bits, rows bottom-up
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const Color c = bitmap.pixel(x, y);
            out.u8(c.b);
            out.u8(c.g);
            out.u8(c.r);
            out.u8(alpha[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                         static_cast<std::size_t>(x)]);
        }
    return out.take();
}

void saveTgaFile(const Bitmap& bitmap, const std::string& path) {
    TTargaImage holder;
    holder.Targa().setColorRaster(bitmap);
    holder.Targa().saveToFile(path);
}

}  // namespace vexilo
