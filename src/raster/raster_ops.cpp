#include "raster/raster_ops.h"

#include <algorithm>
#include <cstdint>

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
    const int longer = std::max(w, h);
    const auto scaled = [&](int side) {
        return std::max(1, static_cast<int>((std::int64_t{side} * size + longer / 2) / longer));
    };
    const int tw = scaled(w), th = scaled(h);
    const bool keyed = source.transparent();
    const Color key = source.transparentColor();
    const auto colorAt = [&](int x, int y) {
        const Color c = source.pixel(x, y);
        return keyed && c == key ? kWhite : c;
    };
    // Each target pixel averages the source pixels it covers, at most kSamples x kSamples of
    // them spread evenly: a huge picture costs no more than a small one.
    static constexpr int kSamples = 4;
    const auto samples = [](int from, int to, int* at) {
        const int n = std::min(kSamples, to - from);
        for (int i = 0; i < n; ++i)
            at[i] = from + static_cast<int>((std::int64_t{2 * i + 1} * (to - from)) / (2 * n));
        return n;
    };
    Bitmap out;
    out.resetForOverwrite(tw, th, PixelFormat::Device);
    for (int ty = 0; ty < th; ++ty) {
        int rows[kSamples];
        const int y0 = static_cast<int>(std::int64_t{ty} * h / th);
        const int ny = samples(y0, std::max(y0 + 1, static_cast<int>(std::int64_t{ty + 1} * h / th)), rows);
        auto target = out.row(ty);
        for (int tx = 0; tx < tw; ++tx) {
            int cols[kSamples];
            const int x0 = static_cast<int>(std::int64_t{tx} * w / tw);
            const int nx =
                samples(x0, std::max(x0 + 1, static_cast<int>(std::int64_t{tx + 1} * w / tw)), cols);
            unsigned r = 0, g = 0, b = 0;
            for (int j = 0; j < ny; ++j)
                for (int i = 0; i < nx; ++i) {
                    const Color c = colorAt(cols[i], rows[j]);
                    r += c.r;
                    g += c.g;
                    b += c.b;
                }
            const unsigned n = static_cast<unsigned>(nx * ny);
            const auto avg = [&](unsigned v) { return static_cast<std::uint8_t>((v + n / 2) / n); };
            target[static_cast<std::size_t>(tx)] = packRgb({avg(r), avg(g), avg(b)});
        }
    }
    return out;
}

}  // namespace vexilo
