#include "raster/bitmap.h"

#include <algorithm>
#include <unordered_map>

namespace vexilo {

int bitsPerPixel(PixelFormat format) {
    switch (format) {
        case PixelFormat::Bpp1:
            return 1;
        case PixelFormat::Bpp4:
            return 4;
        case PixelFormat::Bpp8:
            return 8;
        case PixelFormat::Bpp15:
            return 15;
        case PixelFormat::Bpp16:
            return 16;
        case PixelFormat::Bpp24:
            return 24;
        case PixelFormat::Bpp32:
        case PixelFormat::Device:
            return 32;
    }
    return 32;
}

bool isIndexed(PixelFormat format) {
    return format == PixelFormat::Bpp1 || format == PixelFormat::Bpp4 || format == PixelFormat::Bpp8;
}

PixelFormat formatForBits(int bits) {
    switch (bits) {
        case 1:
            return PixelFormat::Bpp1;
        case 4:
            return PixelFormat::Bpp4;
        case 8:
            return PixelFormat::Bpp8;
        case 15:
            return PixelFormat::Bpp15;
        case 16:
            return PixelFormat::Bpp16;
        case 24:
            return PixelFormat::Bpp24;
        case 32:
            return PixelFormat::Bpp32;
        default:
            return PixelFormat::Device;
    }
}

namespace {

const std::vector<Color>& standard16() {
    static const std::vector<Color> table{{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                          {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {128, 128, 128},
                                          {192, 192, 192}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                          {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    return table;
}

std::vector<Color> make256() {
    std::vector<Color> p = standard16();
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                p.push_back({static_cast<std::uint8_t>(r * 51), static_cast<std::uint8_t>(g * 51),
                             static_cast<std::uint8_t>(b * 51)});
    for (int i = 0; i < 24; ++i) {
        auto v = static_cast<std::uint8_t>(8 + i * 10);
        p.push_back({v, v, v});
    }
    return p;
}

// 5- and 6-bit channels expand by repeating their top bits, so that 31 reads as 255 and a
// stored value survives a round trip through the narrow format.
constexpr std::uint8_t expand5(std::uint32_t v) {
    return static_cast<std::uint8_t>((v << 3) | (v >> 2));
}
constexpr std::uint8_t expand6(std::uint32_t v) {
    return static_cast<std::uint8_t>((v << 2) | (v >> 4));
}

// Nearest-colour lookups repeat the same few colours; remember the answers.
class NearestCache {
public:
    explicit NearestCache(const std::vector<Color>& palette) : m_palette(palette) {}
    std::uint8_t operator()(Color c) {
        const std::uint32_t key = packRgb(c);
        if (key == m_lastKey && m_haveLast) return m_last;
        auto [it, inserted] = m_cache.try_emplace(key, std::uint8_t{0});
        if (inserted) it->second = nearestIndex(m_palette, c);
        m_haveLast = true;
        m_lastKey = key;
        m_last = it->second;
        return m_last;
    }

private:
    const std::vector<Color>& m_palette;
    std::unordered_map<std::uint32_t, std::uint8_t> m_cache;
    bool m_haveLast = false;
    std::uint32_t m_lastKey = 0;
    std::uint8_t m_last = 0;
};

}  // namespace

const std::vector<Color>& defaultPalette(int bits) {
    static const std::vector<Color> mono{kBlack, kWhite};
    static const std::vector<Color> full = make256();
    static const std::vector<Color> none;
    switch (bits) {
        case 1:
            return mono;
        case 4:
            return standard16();
        case 8:
            return full;
        default:
            return none;
    }
}

std::uint8_t nearestIndex(const std::vector<Color>& palette, Color c) {
    std::uint8_t best = 0;
    int bestDistance = 1 << 30;
    const std::size_t n = std::min<std::size_t>(palette.size(), 256);
    for (std::size_t i = 0; i < n; ++i) {
        const int dr = palette[i].r - c.r, dg = palette[i].g - c.g, db = palette[i].b - c.b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<std::uint8_t>(i);
            if (d == 0) break;
        }
    }
    return best;
}

Bitmap::Bitmap(int width, int height, PixelFormat format) : m_format(format) {
    if (isIndexed(format)) m_palette = defaultPalette(vexilo::bitsPerPixel(format));
    setSize(width, height);
}

Color Bitmap::colorOf(std::uint32_t word) const {
    if (isIndexed(m_format)) return word < m_palette.size() ? m_palette[word] : kBlack;
    return unpackRgb(word);
}

std::uint32_t Bitmap::encode(Color c) const {
    switch (m_format) {
        case PixelFormat::Bpp1:
        case PixelFormat::Bpp4:
        case PixelFormat::Bpp8:
            return nearestIndex(m_palette, c);
        case PixelFormat::Bpp15:
            return packRgb({expand5(c.r >> 3u), expand5(c.g >> 3u), expand5(c.b >> 3u)});
        case PixelFormat::Bpp16:
            return packRgb({expand5(c.r >> 3u), expand6(c.g >> 2u), expand5(c.b >> 3u)});
        default:
            return packRgb(c);
    }
}

void Bitmap::setSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == m_width && height == m_height) return;
    if (isIndexed(m_format) && m_palette.empty()) m_palette = defaultPalette(bitsPerPixel());
    const std::uint32_t white = encode(kWhite);
    PixelWords pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), white);
    const int keepW = std::min(width, m_width), keepH = std::min(height, m_height);
    for (int y = 0; y < keepH; ++y) {
        const auto src = row(y).first(static_cast<std::size_t>(keepW));
        std::copy(src.begin(), src.end(), pixels.begin() + static_cast<std::ptrdiff_t>(y) * width);
    }
    m_pixels = std::move(pixels);
    m_width = width;
    m_height = height;
}

void Bitmap::resetForOverwrite(int width, int height, PixelFormat format) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    m_format = format;
    m_palette = isIndexed(format) ? defaultPalette(vexilo::bitsPerPixel(format)) : std::vector<Color>();
    m_transparent = false;
    m_transparentColor = {};
    m_pixels.clear();
    m_pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    m_width = width;
    m_height = height;
}

void Bitmap::resizeForOverwrite(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    m_pixels.clear();
    m_pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    m_width = width;
    m_height = height;
}

void Bitmap::flattenToDevice(Color background) {
    const std::uint32_t backgroundWord = packRgb(background);
    const bool keyed = m_transparent;
    const Color key = m_transparentColor;
    if (isIndexed(m_format)) {
        // One display word per index; indices beyond the palette read as black.
        std::array<std::uint32_t, 256> words{};
        for (std::size_t i = 0; i < words.size(); ++i) {
            const Color c = colorOf(static_cast<std::uint32_t>(i));
            words[i] = keyed && c == key ? backgroundWord : packRgb(c);
        }
        const std::uint32_t beyond = keyed && kBlack == key ? backgroundWord : packRgb(kBlack);
        for (auto& v : m_pixels) v = v < words.size() ? words[v] : beyond;
    } else if (keyed) {
        const std::uint32_t keyWord = packRgb(key);
        for (auto& v : m_pixels) {
            v &= 0x00FFFFFFu;
            if (v == keyWord) v = backgroundWord;
        }
    } else {
        for (auto& v : m_pixels) v &= 0x00FFFFFFu;
    }
    m_format = PixelFormat::Device;
    m_palette.clear();
    m_transparent = false;
}

void Bitmap::setPixelFormat(PixelFormat format) {
    if (format == m_format) return;
    const Bitmap old = *this;
    m_format = format;
    if (isIndexed(format)) {
        const std::uint32_t limit = 1u << vexilo::bitsPerPixel(format);
        bool keep = isIndexed(old.m_format) && m_palette.size() <= limit;
        if (keep)
            keep = std::all_of(m_pixels.begin(), m_pixels.end(), [&](std::uint32_t v) { return v < limit; });
        if (keep) return;
        m_palette = defaultPalette(vexilo::bitsPerPixel(format));
        NearestCache nearest(m_palette);
        for (auto& v : m_pixels) v = nearest(old.colorOf(v));
        return;
    }
    m_palette.clear();
    const bool keepAlpha = old.m_format == PixelFormat::Bpp32 && format == PixelFormat::Bpp32;
    for (auto& v : m_pixels) {
        const std::uint32_t word = encode(old.colorOf(v));
        v = keepAlpha ? (word | (v & 0xFF000000u)) : word;
    }
}

Rect Bitmap::clip(const Rect& r) const {
    return {std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, m_width),
            std::min(r.bottom, m_height)};
}

void Bitmap::draw(const Bitmap& src, int x, int y) {
    const Rect target = clip({x, y, x + src.m_width, y + src.m_height});
    const bool samePalette = isIndexed(m_format) && isIndexed(src.m_format) && m_palette == src.m_palette;
    // Direct colour onto a 24/32-bit raster stores the colour without alpha, as encode() does.
    const bool plainCopy =
        !src.m_transparent && !isIndexed(src.m_format) &&
        (m_format == PixelFormat::Device || m_format == PixelFormat::Bpp24 || m_format == PixelFormat::Bpp32);
    if (plainCopy) {
        for (int ty = target.top; ty < target.bottom; ++ty) {
            const auto in = src.row(ty - y);
            auto out = row(ty);
            for (int tx = target.left; tx < target.right; ++tx)
                out[static_cast<std::size_t>(tx)] = in[static_cast<std::size_t>(tx - x)] & 0x00FFFFFFu;
        }
        return;
    }
    NearestCache nearest(m_palette);
    for (int ty = target.top; ty < target.bottom; ++ty) {
        const auto in = src.row(ty - y);
        auto out = row(ty);
        for (int tx = target.left; tx < target.right; ++tx) {
            const std::uint32_t word = in[static_cast<std::size_t>(tx - x)];
            const Color c = src.colorOf(word);
            if (src.m_transparent && c == src.m_transparentColor) continue;
            std::uint32_t stored;
            if (samePalette)
                stored = word;
            else if (isIndexed(m_format))
                stored = nearest(c);
            else
                stored = encode(c);
            out[static_cast<std::size_t>(tx)] = stored;
        }
    }
}

void Bitmap::stretchDraw(const Rect& dest, const Bitmap& src) {
    if (dest.width() <= 0 || dest.height() <= 0 || src.empty()) return;
    const Rect target = clip(dest);
    if (target.width() <= 0 || target.height() <= 0) return;
    // Sample the source at the centre of each destination pixel.
    std::vector<int> columns(static_cast<std::size_t>(target.width()));
    for (int tx = target.left; tx < target.right; ++tx) {
        const auto i = static_cast<std::int64_t>(tx - dest.left);
        columns[static_cast<std::size_t>(tx - target.left)] =
            static_cast<int>(((2 * i + 1) * src.m_width) / (2 * static_cast<std::int64_t>(dest.width())));
    }
    const bool plainCopy =
        !src.m_transparent && !isIndexed(m_format) && !isIndexed(src.m_format) &&
        (m_format == PixelFormat::Device || m_format == PixelFormat::Bpp24 || m_format == PixelFormat::Bpp32);
    const bool samePalette = isIndexed(m_format) && isIndexed(src.m_format) && m_palette == src.m_palette;
    NearestCache nearest(m_palette);
    for (int ty = target.top; ty < target.bottom; ++ty) {
        const auto j = static_cast<std::int64_t>(ty - dest.top);
        const int sy =
            static_cast<int>(((2 * j + 1) * src.m_height) / (2 * static_cast<std::int64_t>(dest.height())));
        const auto in = src.row(sy);
        auto out = row(ty);
        for (int tx = target.left; tx < target.right; ++tx) {
            const std::uint32_t word =
                in[static_cast<std::size_t>(columns[static_cast<std::size_t>(tx - target.left)])];
            std::uint32_t& o = out[static_cast<std::size_t>(tx)];
            if (plainCopy) {
                o = word & 0x00FFFFFFu;
                continue;
            }
            const Color c = src.colorOf(word);
            if (src.m_transparent && c == src.m_transparentColor) continue;
            o = samePalette ? word : isIndexed(m_format) ? nearest(c) : encode(c);
        }
    }
}

void Bitmap::fillRect(const Rect& rect, Color c) {
    const Rect target = clip(rect);
    const std::uint32_t word = encode(c);
    for (int y = target.top; y < target.bottom; ++y) {
        auto out = row(y);
        std::fill(out.begin() + target.left, out.begin() + target.right, word);
    }
}

void Bitmap::brushCopy(const Rect& dest, const Bitmap& src, const Rect& srcRect, Color replaced, Color fill) {
    const int w = std::min(dest.width(), srcRect.width()), h = std::min(dest.height(), srcRect.height());
    NearestCache nearest(m_palette);
    for (int j = 0; j < h; ++j) {
        const int dy = dest.top + j, sy = srcRect.top + j;
        if (dy < 0 || dy >= m_height || sy < 0 || sy >= src.m_height) continue;
        for (int i = 0; i < w; ++i) {
            const int dx = dest.left + i, sx = srcRect.left + i;
            if (dx < 0 || dx >= m_width || sx < 0 || sx >= src.m_width) continue;
            Color c = src.pixel(sx, sy);
            if (c == replaced) c = fill;
            m_pixels[index(dx, dy)] = isIndexed(m_format) ? nearest(c) : encode(c);
        }
    }
}

void Bitmap::xorCopy(const Rect& dest, const Bitmap& src, const Rect& srcRect) {
    const int w = std::min(dest.width(), srcRect.width()), h = std::min(dest.height(), srcRect.height());
    const bool indices = isIndexed(m_format) && isIndexed(src.m_format);
    // Only indexed formats use the mask; a 32-bit shift would be undefined.
    const std::uint32_t indexMask = indices ? (1u << bitsPerPixel()) - 1 : 0;
    for (int j = 0; j < h; ++j) {
        const int dy = dest.top + j, sy = srcRect.top + j;
        if (dy < 0 || dy >= m_height || sy < 0 || sy >= src.m_height) continue;
        for (int i = 0; i < w; ++i) {
            const int dx = dest.left + i, sx = srcRect.left + i;
            if (dx < 0 || dx >= m_width || sx < 0 || sx >= src.m_width) continue;
            std::uint32_t& o = m_pixels[index(dx, dy)];
            if (indices) {
                o = (o ^ src.raw(sx, sy)) & indexMask;
            } else {
                const Color a = colorOf(o), b = src.pixel(sx, sy);
                o = encode({static_cast<std::uint8_t>(a.r ^ b.r), static_cast<std::uint8_t>(a.g ^ b.g),
                            static_cast<std::uint8_t>(a.b ^ b.b)});
            }
        }
    }
}

void Bitmap::convertToMonochrome() {
    for (auto& v : m_pixels) v = colorOf(v) == kWhite ? 1u : 0u;
    m_format = PixelFormat::Bpp1;
    m_palette = defaultPalette(1);
}

}  // namespace vexilo
