#pragma once
// The in-memory raster shared by every part of the program. A value type: copying a Bitmap
// copies its pixels (that is "assign").
//
// Storage: one 32-bit word per pixel, rows top-down. For the indexed formats (1, 4, 8 bits) the
// word is a palette index; for the direct formats it is 0xAARRGGBB with the colour already
// quantised to the format (15-bit keeps 5 bits a channel, 16-bit 5-6-5), the alpha byte kept
// only by the 32-bit format. The display's own format (Device) is 32-bit without alpha.
#include <array>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "base/default_init.h"
#include "base/large_pages.h"

namespace vexilo {

// A raster's pixel words. Sizing one for a decoder that writes every pixel leaves the words
// unwritten (see Bitmap::resetForOverwrite) instead of filling them first; a large raster lies
// in huge pages.
using PixelWords =
    std::vector<std::uint32_t, DefaultInitAllocator<std::uint32_t, LargePageAllocator<std::uint32_t>>>;

struct Color {
    std::uint8_t r = 0, g = 0, b = 0;
    constexpr bool operator==(const Color&) const = default;
};

constexpr Color kWhite{255, 255, 255};
constexpr Color kBlack{0, 0, 0};

enum class PixelFormat : std::uint8_t { Device, Bpp1, Bpp4, Bpp8, Bpp15, Bpp16, Bpp24, Bpp32 };

// 1, 4, 8, 15, 16, 24 or 32; the Device format counts as 32.
int bitsPerPixel(PixelFormat format);
bool isIndexed(PixelFormat format);
// The format for a bit count of 1, 4, 8, 15, 16, 24 or 32; Device for anything else.
PixelFormat formatForBits(int bits);

// Right and bottom are exclusive, as on a canvas.
struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
};

// The default colour tables used when a raster is converted to an indexed format without a
// palette of its own: black/white; the standard 16 colours; and for 256 colours the 16 standard
// colours, a 6 x 6 x 6 colour cube (levels 0, 51, ..., 255) and 24 greys (8, 18, ..., 238).
const std::vector<Color>& defaultPalette(int bits);
// Index of the entry nearest to c by squared RGB distance; the first one wins a tie.
// Returns 0 for an empty palette.
std::uint8_t nearestIndex(const std::vector<Color>& palette, Color c);

class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, PixelFormat format = PixelFormat::Device);

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool empty() const { return m_width <= 0 || m_height <= 0; }
    PixelFormat pixelFormat() const { return m_format; }
    int bitsPerPixel() const { return vexilo::bitsPerPixel(m_format); }

    // New pixels are white (for indexed formats: the palette entry nearest to white).
    void setWidth(int width) { setSize(width, m_height); }
    void setHeight(int height) { setSize(m_width, height); }
    void setSize(int width, int height);
    // For decoders that write every pixel themselves: the raster becomes width x height in
    // `format` (indexed formats with their default palette, no transparency) and the pixel
    // words are left as they happen to be. The caller must write each of them.
    void resetForOverwrite(int width, int height, PixelFormat format);
    // The same keeping the format, palette and transparency.
    void resizeForOverwrite(int width, int height);

    // Converts the pixels. To an indexed format: the current palette is kept when it fits,
    // else the default palette of that depth with nearest colours.
    void setPixelFormat(PixelFormat format);

    // Palette of an indexed raster; may be shorter than the depth allows. Indices beyond it
    // read as black.
    const std::vector<Color>& palette() const { return m_palette; }
    void setPalette(std::vector<Color> palette) { m_palette = std::move(palette); }

    bool transparent() const { return m_transparent; }
    void setTransparent(bool on) { m_transparent = on; }
    Color transparentColor() const { return m_transparentColor; }
    void setTransparentColor(Color c) { m_transparentColor = c; }

    // The colour a pixel shows (palette applied). Coordinates must lie inside.
    Color pixel(int x, int y) const { return colorOf(m_pixels[index(x, y)]); }
    // Stores the colour as the format can hold it (nearest palette entry for indexed formats).
    void setPixel(int x, int y, Color c) { m_pixels[index(x, y)] = encode(c); }
    // The stored word: palette index or 0xAARRGGBB.
    std::uint32_t raw(int x, int y) const { return m_pixels[index(x, y)]; }
    void setRaw(int x, int y, std::uint32_t v) { m_pixels[index(x, y)] = v; }
    std::uint8_t alpha(int x, int y) const { return static_cast<std::uint8_t>(raw(x, y) >> 24); }
    std::span<std::uint32_t> row(int y) {
        return {m_pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width),
                static_cast<std::size_t>(m_width)};
    }
    std::span<const std::uint32_t> row(int y) const {
        return {m_pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width),
                static_cast<std::size_t>(m_width)};
    }
    PixelWords& pixels() { return m_pixels; }
    const PixelWords& pixels() const { return m_pixels; }

    // The colour of a stored word, and the word that stores a colour, in this format.
    Color colorOf(std::uint32_t word) const;
    std::uint32_t encode(Color c) const;

    // Draws src with its top-left corner at (x, y), clipped, leaving src's transparent colour
    // undrawn when src is transparent.
    void draw(const Bitmap& src, int x = 0, int y = 0);
    // Nearest-pixel stretch of all of src into dest (clipped), honouring src's transparency.
    void stretchDraw(const Rect& dest, const Bitmap& src);
    void fillRect(const Rect& rect, Color c);
    // Copies srcRect of src into dest (same size, clipped), painting `fill` where src shows
    // `replaced`.
    void brushCopy(const Rect& dest, const Bitmap& src, const Rect& srcRect, Color replaced, Color fill);
    // dest = dest XOR src over the rectangle (colour values XORed channel by channel).
    void xorCopy(const Rect& dest, const Bitmap& src, const Rect& srcRect);
    // White becomes 1, every other colour 0, in a 1-bit raster with the palette black, white.
    void convertToMonochrome();
    // What drawing this raster onto a fresh display-format raster shows, made in place: every
    // word becomes the display word of its colour, and the transparent colour's pixels (when
    // transparent) become `background`. Afterwards: Device format, no palette, not transparent.
    void flattenToDevice(Color background);

private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + static_cast<std::size_t>(x);
    }
    Rect clip(const Rect& r) const;

    int m_width = 0;
    int m_height = 0;
    PixelFormat m_format = PixelFormat::Device;
    std::vector<Color> m_palette;
    bool m_transparent = false;
    Color m_transparentColor{};
    PixelWords m_pixels;
};

// Packs a colour as the stored word of a direct format, and back.
constexpr std::uint32_t packRgb(Color c, std::uint8_t alpha = 0) {
    return (std::uint32_t{alpha} << 24) | (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
}
constexpr Color unpackRgb(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v)};
}

}  // namespace vexilo
