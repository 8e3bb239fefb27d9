#include "codecs/color_reduction.h"

#include <memory>
#include <vector>

#include "base/checked_math.h"
#include "base/errors.h"

namespace vexilo {

void ColorHistogram::clear() {
    entryCount = 0;
    slots.fill(kEmptySlot);
}

int ColorHistogram::find(std::uint8_t r, std::uint8_t g, std::uint8_t b) const {
    int slot = static_cast<int>(hash(r, g, b));
    for (;;) {
        const std::uint16_t e = slots[static_cast<std::size_t>(slot)];
        if (e == kEmptySlot) return slot;
        const Entry& entry = entries[e];
        if (entry.r == r && entry.g == g && entry.b == b) return slot;
        if (++slot == kHashSlots) slot = 0;
    }
}

void ColorHistogram::coarsen() {
    if (redMask < greenMask)
        greenMask = static_cast<std::uint8_t>(greenMask << 1);
    else if (redMask > blueMask)
        redMask = static_cast<std::uint8_t>(redMask << 1);
    else
        blueMask = static_cast<std::uint8_t>(blueMask << 1);
}

namespace {

// Counts every pixel's masked colour; false when the table overflows.
bool countColours(ColorHistogram& h, std::span<const std::uint8_t> rows, int width, int height,
                  std::size_t stride) {
    h.clear();
    const std::uint8_t rm = h.redMask, gm = h.greenMask, bm = h.blueMask;
    // Neighbouring pixels often share a colour: remember the last slot.
    std::uint32_t lastKey = 0xFFFFFFFFu;
    int lastSlot = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* p = rows.data() + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < width; ++x, p += 3) {
            const std::uint8_t b = p[0] & bm, g = p[1] & gm, r = p[2] & rm;
            const std::uint32_t key = (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
            if (key != lastKey) {
                lastSlot = h.find(r, g, b);
                lastKey = key;
                if (h.slots[static_cast<std::size_t>(lastSlot)] == ColorHistogram::kEmptySlot) {
                    if (h.entryCount == ColorHistogram::kMaxEntries) return false;
                    auto& e = h.entries[static_cast<std::size_t>(h.entryCount)];
                    e = {b, g, r, 0, 0};
                    h.slots[static_cast<std::size_t>(lastSlot)] = static_cast<std::uint16_t>(h.entryCount++);
                }
            }
            ++h.entries[h.slots[static_cast<std::size_t>(lastSlot)]].count;
        }
    }
    return true;
}

// Pixel counts at 6 bits a channel, with the bins in the order their first pixel was met.
// Once every mask has dropped two bits or more, a masked colour depends only on its bin, and
// the first pixel of a masked colour is the first pixel of its earliest bin: counting the bins
// in that order builds exactly the table that counting the pixels would, much faster.
struct FineBins {
    static constexpr int kBins = 1 << 18;
    std::vector<std::uint32_t> countOf = std::vector<std::uint32_t>(kBins, 0);
    std::vector<std::uint32_t> order;  // keys of the bins met, first met first

    static std::uint32_t key(const std::uint8_t* bgr) {
        return ((std::uint32_t{bgr[2]} >> 2) << 12) | ((std::uint32_t{bgr[1]} >> 2) << 6) |
               (std::uint32_t{bgr[0]} >> 2);
    }
    void fill(std::span<const std::uint8_t> rows, int width, int height, std::size_t stride) {
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* p = rows.data() + static_cast<std::size_t>(y) * stride;
            for (int x = 0; x < width; ++x, p += 3) {
                const std::uint32_t k = key(p);
                if (countOf[k]++ == 0) order.push_back(k);
            }
        }
    }
    static void colourOf(std::uint32_t k, const ColorHistogram& h, std::uint8_t& r, std::uint8_t& g,
                         std::uint8_t& b) {
        r = static_cast<std::uint8_t>(((k >> 12) << 2) & h.redMask);
        g = static_cast<std::uint8_t>((((k >> 6) & 63) << 2) & h.greenMask);
        b = static_cast<std::uint8_t>(((k & 63) << 2) & h.blueMask);
    }
};

bool countBins(ColorHistogram& h, const FineBins& bins) {
    h.clear();
    for (const std::uint32_t k : bins.order) {
        std::uint8_t r, g, b;
        FineBins::colourOf(k, h, r, g, b);
        const auto slot = static_cast<std::size_t>(h.find(r, g, b));
        if (h.slots[slot] == ColorHistogram::kEmptySlot) {
            if (h.entryCount == ColorHistogram::kMaxEntries) return false;
            h.entries[static_cast<std::size_t>(h.entryCount)] = {b, g, r, 0, 0};
            h.slots[slot] = static_cast<std::uint16_t>(h.entryCount++);
        }
        h.entries[h.slots[slot]].count += bins.countOf[k];
    }
    return true;
}

bool masksAreCoarse(const ColorHistogram& h) {
    return ((h.redMask | h.greenMask | h.blueMask) & 3) == 0;
}

}  // namespace

std::array<Color, 256> reducePopularity(std::span<const std::uint8_t> rows24, int width, int height,
                                        std::size_t stride, std::span<std::uint8_t> indices) {
    // One block for the whole table, allocated once a call.
    auto histogram = std::make_unique<ColorHistogram>();
    ColorHistogram& h = *histogram;
    std::unique_ptr<FineBins> bins;
    for (;;) {
        if (!bins && masksAreCoarse(h)) {
            bins = std::make_unique<FineBins>();
            bins->fill(rows24, width, height, stride);
        }
        if (bins ? countBins(h, *bins) : countColours(h, rows24, width, height, stride)) break;
        h.coarsen();
    }

    std::array<Color, 256> table;
    table.fill(Color{128, 128, 128});
    int picked = 0;
    for (; picked < 256 && picked < h.entryCount; ++picked) {
        int best = 0;
        std::uint32_t bestCount = 0;
        for (int i = 0; i < h.entryCount; ++i) {
            // Strictly greater: of equal counts the entry created first wins.
            if (h.entries[static_cast<std::size_t>(i)].count > bestCount) {
                bestCount = h.entries[static_cast<std::size_t>(i)].count;
                best = i;
            }
        }
        auto& e = h.entries[static_cast<std::size_t>(best)];
        e.paletteIndex = static_cast<std::uint8_t>(picked);
        e.count = 0;
        table[static_cast<std::size_t>(picked)] = {e.r, e.g, e.b};
    }
    for (int i = 0; i < h.entryCount; ++i) {
        auto& e = h.entries[static_cast<std::size_t>(i)];
        if (e.count == 0) continue;
        int bestDistance = 0x30000, best = 0;
        for (int j = 0; j < 256; ++j) {
            const Color& c = table[static_cast<std::size_t>(j)];
            const int dr = c.r - e.r, dg = c.g - e.g, db = c.b - e.b;
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) {
                bestDistance = d;
                best = j;
            }
        }
        e.paletteIndex = static_cast<std::uint8_t>(best);
    }

    if (bins) {
        std::vector<std::uint8_t> indexOf(FineBins::kBins, 0);
        for (const std::uint32_t k : bins->order) {
            std::uint8_t r, g, b;
            FineBins::colourOf(k, h, r, g, b);
            indexOf[k] = h.entries[h.slots[static_cast<std::size_t>(h.find(r, g, b))]].paletteIndex;
        }
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* p = rows24.data() + static_cast<std::size_t>(y) * stride;
            std::uint8_t* out =
                indices.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
            for (int x = 0; x < width; ++x, p += 3) out[x] = indexOf[FineBins::key(p)];
        }
        return table;
    }
    const std::uint8_t rm = h.redMask, gm = h.greenMask, bm = h.blueMask;
    std::uint32_t lastKey = 0xFFFFFFFFu;
    std::uint8_t lastIndex = 0;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* p = rows24.data() + static_cast<std::size_t>(y) * stride;
        std::uint8_t* out = indices.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x, p += 3) {
            const std::uint8_t b = p[0] & bm, g = p[1] & gm, r = p[2] & rm;
            const std::uint32_t key = (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
            if (key != lastKey) {
                lastIndex = h.entries[h.slots[static_cast<std::size_t>(h.find(r, g, b))]].paletteIndex;
                lastKey = key;
            }
            out[x] = lastIndex;
        }
    }
    return table;
}

namespace {

std::size_t paddedRow(int width, int bytesPerPixel) {
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bytesPerPixel) + 3) & ~std::size_t{3};
}

// The raster read out as a 24-bit device-independent bitmap: bottom row first, blue green red.
std::vector<std::uint8_t> readOut24(const Bitmap& bitmap, std::size_t stride) {
    const int w = bitmap.width(), h = bitmap.height();
    const auto bytes = checkedMul(stride, static_cast<std::size_t>(h));
    if (!bytes) throw ImageError("Bitmap image is not valid");
    std::vector<std::uint8_t> rows(*bytes, 0);
    const bool indexed = isIndexed(bitmap.pixelFormat());
    for (int y = 0; y < h; ++y) {
        std::uint8_t* out = rows.data() + static_cast<std::size_t>(h - 1 - y) * stride;
        const auto in = bitmap.row(y);
        for (int x = 0; x < w; ++x, out += 3) {
            const std::uint32_t word = in[static_cast<std::size_t>(x)];
            const Color c = indexed ? bitmap.colorOf(word) : unpackRgb(word);
            out[0] = c.b;
            out[1] = c.g;
            out[2] = c.r;
        }
    }
    return rows;
}

struct Reduced {
    std::array<Color, 256> table;
    std::vector<std::uint8_t> indices;  // bottom row first, width bytes a row
};

Reduced reduce(const Bitmap& bitmap) {
    if (bitmap.empty()) throw ImageError("Bitmap image is not valid");
    const std::size_t stride = paddedRow(bitmap.width(), 3);
    const std::vector<std::uint8_t> rows = readOut24(bitmap, stride);
    Reduced r;
    r.indices.resize(static_cast<std::size_t>(bitmap.width()) * static_cast<std::size_t>(bitmap.height()));
    r.table = reducePopularity(rows, bitmap.width(), bitmap.height(), stride, r.indices);
    return r;
}

}  // namespace

Bitmap reduceBitmapTo256(const Bitmap& bitmap) {
    if (bitmap.empty()) throw ImageError("Bitmap image is not valid");
    if (bitmap.pixelFormat() == PixelFormat::Bpp8) return bitmap;
    const Reduced r = reduce(bitmap);
    const int w = bitmap.width(), h = bitmap.height();
    Bitmap out(0, 0, PixelFormat::Bpp8);
    out.setPalette(std::vector<Color>(r.table.begin(), r.table.end()));
    out.setSize(w, h);
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* in =
            r.indices.data() + static_cast<std::size_t>(h - 1 - y) * static_cast<std::size_t>(w);
        auto row = out.row(y);
        for (int x = 0; x < w; ++x) row[static_cast<std::size_t>(x)] = in[x];
    }
    return out;
}

}  // namespace vexilo
