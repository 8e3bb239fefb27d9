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

std::vector<std::uint8_t> StretchAlpha(const std::vector<std::uint8_t>& alpha, int sw, int sh, int width,
                                       int height) {
    std::vector<std::uint8_t> out;
    if (sw <= 0 || sh <= 0 || width <= 0 || height <= 0 ||
        alpha.size() != static_cast<std::size_t>(sw) * static_cast<std::size_t>(sh))
        return out;
    out.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        // The centre of each target pixel, as Bitmap::stretchDraw samples.
        const auto sy =
            static_cast<std::size_t>(((2 * std::int64_t{y} + 1) * sh) / (2 * std::int64_t{height}));
        for (int x = 0; x < width; ++x) {
            const auto sx =
                static_cast<std::size_t>(((2 * std::int64_t{x} + 1) * sw) / (2 * std::int64_t{width}));
            out[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                alpha[sy * static_cast<std::size_t>(sw) + sx];
        }
    }
    return out;
}

void OpaqueButtonFrame(std::vector<std::uint8_t>& alpha, int width, int height) {
    if (alpha.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) return;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (x < 2 || y < 2 || x >= width - 2 || y >= height - 2)
                alpha[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)] = 255;
}

AlphaImage AreaAverage(const Bitmap& source, const std::vector<std::uint8_t>& alpha, int width, int height) {
    AlphaImage out;
    out.color = Bitmap(width, height);
    out.alpha.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    const int sw = source.width(), sh = source.height();
    if (sw <= 0 || sh <= 0 || width <= 0 || height <= 0) return out;
    const bool haveAlpha = alpha.size() == static_cast<std::size_t>(sw) * static_cast<std::size_t>(sh);
    // Each target pixel covers [x*sw/width, (x+1)*sw/width) of the source; overlaps weigh by the
    // covered fraction, so the filter works upward as well (it then repeats pixels).
    for (int y = 0; y < height; ++y) {
        const double y0 = double(y) * sh / height, y1 = double(y + 1) * sh / height;
        for (int x = 0; x < width; ++x) {
            const double x0 = double(x) * sw / width, x1 = double(x + 1) * sw / width;
            double r = 0, g = 0, b = 0, a = 0, area = 0;
            for (int sy = static_cast<int>(y0); sy < sh && sy < y1; ++sy) {
                const double wy = std::min<double>(sy + 1, y1) - std::max<double>(sy, y0);
                for (int sx = static_cast<int>(x0); sx < sw && sx < x1; ++sx) {
                    const double w = wy * (std::min<double>(sx + 1, x1) - std::max<double>(sx, x0));
                    if (w <= 0) continue;
                    const Color c = source.pixel(sx, sy);
                    const double sa =
                        haveAlpha ? alpha[static_cast<std::size_t>(sy) * static_cast<std::size_t>(sw) +
                                          static_cast<std::size_t>(sx)]
                                  : 255.0;
                    r += c.r * sa * w;
                    g += c.g * sa * w;
                    b += c.b * sa * w;
                    a += sa * w;
                    area += w;
                }
            }
            const auto channel = [&](double v) {
                return static_cast<std::uint8_t>(std::clamp(a > 0 ? v / a + 0.5 : 0.0, 0.0, 255.0));
            };
            out.color.setPixel(x, y, {channel(r), channel(g), channel(b)});
            out.alpha[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)] =
                static_cast<std::uint8_t>(std::clamp(area > 0 ? a / area + 0.5 : 0.0, 0.0, 255.0));
        }
    }
    return out;
}

}  // namespace vexilo
