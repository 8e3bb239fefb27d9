#include "raster/raster_ops.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vexilo {

void StretchInto(const Bitmap& source, Bitmap& bitmap, int width, int height) {
    bitmap.setSize(width, height);
    bitmap.stretchDraw({0, 0, width, height}, source);
}

namespace {
void verticalLine(Bitmap& b, int x, int y0, int y1, Color c) {
    for (int y = y0; y <= y1; ++y)
        if (x >= 0 && x < b.width() && y >= 0 && y < b.height()) b.setPixel(x, y, c);
}
void horizontalLine(Bitmap& b, int y, int x0, int x1, Color c) {
    for (int x = x0; x <= x1; ++x)
        if (x >= 0 && x < b.width() && y >= 0 && y < b.height()) b.setPixel(x, y, c);
}
}  // namespace

void DrawButtonFrame(Bitmap& bitmap) {
    for (int k = 0; k < 2; ++k) {
        const int left = k, top = k, right = bitmap.width() - 1 - k, bottom = bitmap.height() - 1 - k;
        // Segments run between their end points inclusive; an empty range draws nothing, so a
        // 1 x 1 image ends as one shadow pixel.
        verticalLine(bitmap, left, top, bottom, kButtonHighlight);
        horizontalLine(bitmap, top, left, right - 1, kButtonHighlight);
        verticalLine(bitmap, right, top, bottom - 1, kButtonShadow);
        horizontalLine(bitmap, bottom, left, right, kButtonShadow);
    }
}

Bitmap ShrinkToFit(const Bitmap& source, int size) {
    const int w = source.width(), h = source.height();
    if (source.empty() || size <= 0 || (w <= size && h <= size)) {
        Bitmap same = source;
        same.flattenToDevice(kWhite);
        return same;
    }
    // Only a picture not yet in display words is copied: most decoded pictures are.
    Bitmap flat;
    if (source.pixelFormat() != PixelFormat::Device || source.transparent()) {
        flat = source;
        flat.flattenToDevice(kWhite);
    }
    const Bitmap& picture = flat.empty() ? source : flat;
    const int longer = std::max(w, h);
    const auto scaled = [&](int side) {
        return std::max(1, static_cast<int>((std::int64_t{side} * size + longer / 2) / longer));
    };
    const int tw = scaled(w), th = scaled(h);
    Bitmap out;
    out.resetForOverwrite(tw, th, PixelFormat::Device);
    // Sums of red, green and blue per target column over the source rows of one target row.
    std::vector<std::uint64_t> sums(static_cast<std::size_t>(tw) * 3);
    std::vector<int> columnOf(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x)
        columnOf[static_cast<std::size_t>(x)] = static_cast<int>(std::int64_t{x} * tw / w);
    for (int ty = 0; ty < th; ++ty) {
        const int y0 = static_cast<int>(std::int64_t{ty} * h / th);
        const int y1 = std::max(y0 + 1, static_cast<int>(std::int64_t{ty + 1} * h / th));
        std::fill(sums.begin(), sums.end(), 0);
        for (int y = y0; y < y1; ++y) {
            const auto row = picture.row(y);
            for (int x = 0; x < w; ++x) {
                const std::uint32_t v = row[static_cast<std::size_t>(x)];
                std::uint64_t* s = &sums[static_cast<std::size_t>(columnOf[static_cast<std::size_t>(x)]) * 3];
                s[0] += (v >> 16) & 0xFF;
                s[1] += (v >> 8) & 0xFF;
                s[2] += v & 0xFF;
            }
        }
        auto target = out.row(ty);
        for (int tx = 0; tx < tw; ++tx) {
            const int x0 = static_cast<int>(std::int64_t{tx} * w / tw);
            const int x1 = static_cast<int>(std::int64_t{tx + 1} * w / tw);
            const std::uint64_t n = std::uint64_t(x1 - x0) * std::uint64_t(y1 - y0);
            const std::uint64_t* s = &sums[static_cast<std::size_t>(tx) * 3];
            const auto avg = [&](std::uint64_t v) { return static_cast<std::uint8_t>((v + n / 2) / n); };
            target[static_cast<std::size_t>(tx)] = packRgb({avg(s[0]), avg(s[1]), avg(s[2])});
        }
    }
    return out;
}

}  // namespace vexilo
