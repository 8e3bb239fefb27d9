#pragma once
// Reduction of a direct-colour raster to 256 colours by popularity: the most frequent colours
// become the palette, after dropping just enough low colour bits for the distinct colours to
// fit a fixed table of 2049 entries.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "raster/bitmap.h"

namespace vexilo {

// The colour counting table: open addressing over 5191 slots of 16 bits, each naming an entry.
struct ColorHistogram {
    static constexpr int kMaxEntries = 2049;
    static constexpr int kHashSlots = 5191;
    static constexpr std::uint16_t kEmptySlot = 0xFFFF;

    struct Entry {
        std::uint8_t b = 0, g = 0, r = 0;  // the masked colour
        std::uint32_t count = 0;
        std::uint8_t paletteIndex = 0;
    };

    std::uint8_t redMask = 0xFF, greenMask = 0xFF, blueMask = 0xFF;
    int entryCount = 0;
    std::array<Entry, kMaxEntries> entries{};
    std::array<std::uint16_t, kHashSlots> slots{};

    void clear();
    static std::uint32_t hash(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return ((std::uint32_t{r} + g) * (std::uint32_t{g} + b) * (std::uint32_t{b} + r)) % kHashSlots;
    }
    // The slot holding the masked colour, or the empty slot where it belongs.
    int find(std::uint8_t r, std::uint8_t g, std::uint8_t b) const;
    // Drops one more low bit from one mask: from equal masks blue first, then red, then green.
    void coarsen();
};

// The popularity reduction of rows of 24-bit pixels (blue, green, red; `stride` bytes a row, in
// any row order). Writes one palette index a pixel into `indices` (width bytes a row, rows in
// the same order) and returns the 256-entry colour table; entries beyond the colours found are
// (128, 128, 128).
std::array<Color, 256> reducePopularity(std::span<const std::uint8_t> rows24, int width, int height,
                                        std::size_t stride, std::span<std::uint8_t> indices);

// The raster reduced to 256 colours: an 8-bit raster as it is, any other read out at 24 bits
// (alpha dropped) and reduced by popularity into an 8-bit raster with the 256-colour table.
// Throws ImageError with "Bitmap image is not valid" for an empty raster.
Bitmap reduceBitmapTo256(const Bitmap& bitmap);

}  // namespace vexilo
