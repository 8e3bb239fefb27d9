// make_samples FOLDER: writes the sample files of a first run (samples/ in the repository), a few
// of every format the program reads, all drawn here and written with the program's own writers
// and the test fixture builders. The output is the same on every run, so the committed folder
// can be checked against it. Built as the target make_samples; scripts/make_samples.sh runs it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "base/file_io.h"
#include "codecs/bmp_codec.h"
#include "codecs/gif_image.h"
#include "codecs/icon_writer.h"
#include "codecs/jpeg_codec.h"
#include "codecs/metafile/metafile_writer.h"
#include "codecs/png_codec.h"
#include "codecs/tga_codec.h"
#include "codecs/tiff_codec.h"
#include "codecs/webp_codec.h"
#include "raster/bitmap.h"
#include "raster/icon.h"
#include "support/icon_fixtures.h"
#include "support/metafile_builders.h"

namespace vexilo {
namespace {

using Shape = std::function<bool(double x, double y)>;  // inside test in pixel units

struct Rgba {
    double r = 0, g = 0, b = 0, a = 0;
};

Rgba rgba(Color c, double a = 1.0) {
    return {double(c.r), double(c.g), double(c.b), a};
}

// A premultiplied-free floating canvas; shapes are drawn with 4 x 4 supersampled coverage so
// that the small pictures have smooth edges.
class Canvas {
public:
    Canvas(int w, int h, Rgba fill = {}) : m_w(w), m_h(h), m_px(static_cast<std::size_t>(w * h), fill) {}
    int width() const { return m_w; }
    int height() const { return m_h; }

    void shade(const std::function<Rgba(double x, double y)>& colour) {
        for (int y = 0; y < m_h; ++y)
            for (int x = 0; x < m_w; ++x) blend(x, y, colour(x + 0.5, y + 0.5), 1.0);
    }
    void fill(const Shape& inside, const std::function<Rgba(double x, double y)>& colour) {
        for (int y = 0; y < m_h; ++y)
            for (int x = 0; x < m_w; ++x) {
                int hits = 0;
                for (int sy = 0; sy < 4; ++sy)
                    for (int sx = 0; sx < 4; ++sx) hits += inside(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4);
                if (hits) blend(x, y, colour(x + 0.5, y + 0.5), hits / 16.0);
            }
    }
    void fill(const Shape& inside, Rgba colour) {
        fill(inside, [colour](double, double) { return colour; });
    }

    Bitmap toBitmap(PixelFormat format = PixelFormat::Bpp24) const {
        Bitmap b(m_w, m_h, PixelFormat::Bpp32);
        for (int y = 0; y < m_h; ++y)
            for (int x = 0; x < m_w; ++x) {
                const Rgba& p = at(x, y);
                b.setRaw(x, y, packRgb(toColor(p), static_cast<std::uint8_t>(std::lround(p.a * 255))));
            }
        if (format != PixelFormat::Bpp32) b.setPixelFormat(format);
        return b;
    }
    // 0xAARRGGBB words, for 32-bit icon images.
    std::uint32_t argb(int x, int y) const {
        const Rgba& p = at(x, y);
        return packRgb(toColor(p), static_cast<std::uint8_t>(std::lround(p.a * 255)));
    }
    double alpha(int x, int y) const { return at(x, y).a; }

private:
    static Color toColor(const Rgba& p) {
        const auto c = [](double v) {
            return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
        };
        return {c(p.r), c(p.g), c(p.b)};
    }
    Rgba& at(int x, int y) { return m_px[static_cast<std::size_t>(y * m_w + x)]; }
    const Rgba& at(int x, int y) const { return m_px[static_cast<std::size_t>(y * m_w + x)]; }
    void blend(int x, int y, Rgba c, double coverage) {
        Rgba& d = at(x, y);
        const double a = c.a * coverage;
        const double out = a + d.a * (1 - a);
        if (out <= 0) return;
        d.r = (c.r * a + d.r * d.a * (1 - a)) / out;
        d.g = (c.g * a + d.g * d.a * (1 - a)) / out;
        d.b = (c.b * a + d.b * d.a * (1 - a)) / out;
        d.a = out;
    }
    int m_w, m_h;
    std::vector<Rgba> m_px;
};

Shape circle(double cx, double cy, double r) {
    return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}
Shape roundRect(double l, double t, double r, double b, double radius) {
    return [=](double x, double y) {
        if (x < l || x > r || y < t || y > b) return false;
        const double cx = std::clamp(x, l + radius, r - radius), cy = std::clamp(y, t + radius, b - radius);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
    };
}
// A polygon by the even-odd rule.
Shape polygon(std::vector<std::pair<double, double>> pts) {
    return [pts = std::move(pts)](double x, double y) {
        bool in = false;
        for (std::size_t i = 0, j = pts.size() - 1; i < pts.size(); j = i++) {
            const auto [xi, yi] = pts[i];
            const auto [xj, yj] = pts[j];
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) in = !in;
        }
        return in;
    };
}
std::vector<std::pair<double, double>> starPoints(double cx, double cy, double outer, double inner, int n,
                                                  double turn = 0) {
    std::vector<std::pair<double, double>> pts;
    for (int k = 0; k < 2 * n; ++k) {
        const double a = turn - std::numbers::pi / 2 + k * std::numbers::pi / n;
        const double r = k % 2 ? inner : outer;
        pts.emplace_back(cx + r * std::cos(a), cy + r * std::sin(a));
    }
    return pts;
}
Shape heart(double cx, double cy, double s) {
    return [=](double x, double y) {
        const double u = (x - cx) / s, v = -(y - cy) / s + 0.15;
        const double q = u * u + v * v - 1;
        return q * q * q - u * u * v * v * v <= 0;
    };
}

Rgba mix(Color a, Color b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, 1.0};
}

// A glossy badge: a shape in a colour, darker towards the bottom, with a darker rim.
void badge(Canvas& c, const Shape& outer, const Shape& inner, Color top, Color bottom, Color rim) {
    c.fill(outer, rgba(rim));
    const double h = c.height();
    c.fill(inner, [&](double, double y) { return mix(top, bottom, y / h); });
}

// ---- the pictures ----

Bitmap sunset() {
    Canvas c(320, 200);
    c.shade([](double, double y) {
        return y < 120 ? mix({255, 190, 90}, {120, 60, 140}, 1 - y / 120)
                       : mix({40, 30, 70}, {20, 15, 40}, (y - 120) / 80);
    });
    c.fill(circle(210, 112, 34), [](double, double y) {
        return mix({255, 250, 200}, {255, 170, 60}, (y - 78) / 68);
    });
    c.fill([](double x, double y) { return y > 128 + 18 * std::sin(x / 37) + 9 * std::sin(x / 13 + 1); },
           rgba({70, 40, 80}));
    c.fill([](double x, double y) { return y > 150 + 14 * std::sin(x / 29 + 2) + 6 * std::sin(x / 11); },
           rgba({35, 22, 50}));
    for (int i = 0; i < 5; ++i)
        c.fill(roundRect(150 + i * 7 - i * i, 170 + i * 5, 270 - i * 9, 171.5 + i * 5, 0.7),
               rgba({255, 200, 120}, 0.5));
    return c.toBitmap();
}

Bitmap harbour() {
    Canvas c(160, 100);
    c.shade([](double, double y) {
        return y < 62 ? mix({120, 180, 240}, {210, 235, 255}, y / 62)
                      : mix({40, 110, 170}, {20, 60, 110}, (y - 62) / 38);
    });
    c.fill(circle(128, 22, 10), rgba({255, 230, 120}));
    c.fill(polygon({{60, 70}, {104, 70}, {96, 80}, {68, 80}}), rgba({130, 70, 40}));
    c.fill(polygon({{81, 20}, {81, 66}, {56, 66}}), rgba({250, 250, 245}));
    c.fill(polygon({{84, 28}, {84, 66}, {102, 66}}), rgba({230, 80, 60}));
    c.fill(roundRect(81, 18, 83.5, 71, 0), rgba({90, 60, 40}));
    for (int i = 0; i < 6; ++i)
        c.fill(roundRect(8 + i * 26, 86 + (i % 2) * 6, 26 + i * 26, 87.2 + (i % 2) * 6, 0.6),
               rgba({200, 230, 255}, 0.6));
    return c.toBitmap();
}

Bitmap colourWheel() {
    Canvas c(96, 96, rgba(kWhite));
    c.fill(circle(48, 48, 44), [](double x, double y) {
        const double a = std::atan2(y - 48, x - 48) / (2 * std::numbers::pi) + 0.5;
        const double d = std::hypot(x - 48, y - 48) / 44;
        const double h = a * 6;
        const auto f = [&](double n) {
            const double k = std::fmod(n + h, 6);
            return 255 * (1 - d * std::clamp(std::min(k, 4 - k), 0.0, 1.0));
        };
        return Rgba{f(5), f(3), f(1), 1};
    });
    Bitmap b = c.toBitmap();
    b.setPixelFormat(PixelFormat::Bpp8);  // the default 256-colour table
    return b;
}

// 16 colours from the standard table: nested squares, one colour each.
Bitmap squares() {
    Bitmap b(64, 64, PixelFormat::Bpp4);
    b.setPalette(defaultPalette(4));
    const std::uint32_t rings[] = {15, 9, 12, 10, 14, 11, 13, 1, 4};
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const int ring = std::min({x, y, 63 - x, 63 - y}) / 4;
            b.setRaw(x, y, rings[std::min(ring, 8)]);
        }
    return b;
}

Bitmap planet() {
    Canvas c(128, 128, rgba({12, 14, 36}));
    for (int i = 0; i < 40; ++i) {
        const double x = std::fmod(i * 73.7, 128), y = std::fmod(i * 41.3 + i * i * 0.7, 128);
        c.fill(circle(x, y, 0.5 + (i % 3) * 0.35), rgba({255, 255, 230}, 0.8));
    }
    const auto ringShape = [](bool front) {
        return [front](double x, double y) {
            const double u = (x - 64) / 58, v = (y - 66 - (x - 64) * 0.25) / 14;
            const double d = u * u + v * v;
            return d <= 1 && d >= 0.55 && (front ? y > 66 + (x - 64) * 0.25 : true);
        };
    };
    c.fill(ringShape(false), rgba({210, 180, 130}, 0.8));
    c.fill(circle(64, 64, 34), [](double x, double y) {
        const double band = 0.5 + 0.5 * std::sin(y / 5 + std::sin(x / 17));
        Rgba base = mix({230, 140, 70}, {250, 210, 150}, band);
        const double light = std::clamp(1.1 - std::hypot(x - 50, y - 48) / 48, 0.25, 1.0);
        return Rgba{base.r * light, base.g * light, base.b * light, 1};
    });
    c.fill(ringShape(true), rgba({230, 200, 150}, 0.85));
    return c.toBitmap();
}

Bitmap tiles() {
    Canvas c(96, 96, rgba({250, 248, 240}));
    const Color colours[] = {{230, 57, 70}, {244, 162, 97}, {42, 157, 143}, {38, 70, 83}, {233, 196, 106}};
    for (int ty = 0; ty < 4; ++ty)
        for (int tx = 0; tx < 4; ++tx) {
            const double l = tx * 24 + 2, t = ty * 24 + 2;
            const Color col = colours[(tx * 3 + ty * 2) % 5];
            if ((tx + ty) % 2)
                c.fill(roundRect(l, t, l + 20, t + 20, 4), rgba(col));
            else
                c.fill(circle(l + 10, t + 10, 10), rgba(col));
            c.fill(circle(l + 10, t + 10, 4), rgba({250, 248, 240}));
        }
    return c.toBitmap();
}

Bitmap starBadge(int size) {
    Canvas c(size, size, rgba(kWhite));
    const double s = size / 96.0;
    badge(c, roundRect(4 * s, 4 * s, 92 * s, 92 * s, 20 * s), roundRect(7 * s, 7 * s, 89 * s, 89 * s, 17 * s),
          {120, 90, 230}, {60, 30, 150}, {40, 20, 100});
    c.fill(polygon(starPoints(48 * s, 51 * s, 34 * s, 14 * s, 5)), rgba({255, 215, 80}));
    return c.toBitmap(PixelFormat::Bpp32);
}

Bitmap rainbow() {
    Canvas c(128, 64);
    c.shade([](double x, double y) {
        const double h = x / 128 * 6;
        const auto f = [&](double n) {
            const double k = std::fmod(n + h, 6);
            return 255 * (1 - std::clamp(std::min(k, 4 - k), 0.0, 1.0));
        };
        const double shade = 1 - y / 64 * 0.6;
        return Rgba{f(5) * shade, f(3) * shade, f(1) * shade, 1};
    });
    return c.toBitmap();
}

Bitmap flower(double turn = 0, int size = 96) {
    Canvas c(size, size, rgba({235, 250, 235}));
    const double s = size / 96.0;
    for (int k = 0; k < 8; ++k) {
        const double a = turn + k * std::numbers::pi / 4;
        c.fill(circle((48 + 24 * std::cos(a)) * s, (48 + 24 * std::sin(a)) * s, 15 * s),
               rgba(k % 2 ? Color{240, 100, 150} : Color{250, 140, 180}));
    }
    c.fill(circle(48 * s, 48 * s, 14 * s), rgba({250, 200, 40}));
    c.fill(circle(44 * s, 44 * s, 4 * s), rgba({255, 240, 160}));
    return c.toBitmap();
}

Bitmap spinnerFrame(int frame, int frames) {
    Canvas c(48, 48, rgba(kWhite));
    for (int k = 0; k < frames; ++k) {
        const double a = 2 * std::numbers::pi * k / frames - std::numbers::pi / 2;
        const int age = (frame - k + frames) % frames;
        const double t = 1.0 - age / double(frames);
        c.fill(circle(24 + 16 * std::cos(a), 24 + 16 * std::sin(a), 2.5 + 2.5 * t),
               mix({210, 220, 235}, {30, 100, 200}, t));
    }
    Bitmap b = c.toBitmap();
    b.setPixelFormat(PixelFormat::Bpp8);
    return b;
}

// ---- icons ----

struct IconArt {
    std::function<void(Canvas&, double s)> draw;  // s = size / 32
};

std::vector<IconArt> iconArts() {
    const auto disc = [](Color top, Color bottom, Color rim) {
        return [=](Canvas& c, double s) {
            badge(c, circle(16 * s, 16 * s, 15 * s), circle(16 * s, 16 * s, 13.6 * s), top, bottom, rim);
        };
    };
    return {
        {[](Canvas& c, double s) {  // star
            c.fill(polygon(starPoints(16 * s, 17 * s, 15 * s, 6.5 * s, 5)), rgba({180, 120, 0}));
            c.fill(polygon(starPoints(16 * s, 17 * s, 12.8 * s, 5.3 * s, 5)), [&](double, double y) {
                return mix({255, 230, 90}, {245, 170, 20}, y / (32 * s));
            });
        }},
        {[](Canvas& c, double s) {  // heart
            c.fill(heart(16 * s, 16 * s, 13 * s), rgba({150, 20, 40}));
            c.fill(heart(16 * s, 16.3 * s, 11.3 * s), [&](double, double y) {
                return mix({255, 100, 120}, {210, 30, 60}, y / (32 * s));
            });
        }},
        {[disc](Canvas& c, double s) {  // globe
            disc({110, 190, 255}, {20, 90, 200}, {10, 50, 130})(c, s);
            c.fill(
                polygon(
                    {{9 * s, 9 * s}, {16 * s, 7 * s}, {18 * s, 13 * s}, {13 * s, 18 * s}, {8 * s, 15 * s}}),
                rgba({90, 200, 110}));
            c.fill(polygon({{19 * s, 17 * s}, {25 * s, 15 * s}, {26 * s, 22 * s}, {20 * s, 26 * s}}),
                   rgba({90, 200, 110}));
        }},
        {[](Canvas& c, double s) {  // document
            c.fill(polygon(
                       {{6 * s, 2 * s}, {20 * s, 2 * s}, {27 * s, 9 * s}, {27 * s, 30 * s}, {6 * s, 30 * s}}),
                   rgba({90, 90, 100}));
            c.fill(polygon({{7.3 * s, 3.3 * s},
                            {19.5 * s, 3.3 * s},
                            {25.7 * s, 9.5 * s},
                            {25.7 * s, 28.7 * s},
                            {7.3 * s, 28.7 * s}}),
                   rgba(kWhite));
            c.fill(polygon({{19.5 * s, 3.3 * s}, {25.7 * s, 9.5 * s}, {19.5 * s, 9.5 * s}}),
                   rgba({200, 200, 210}));
            for (int i = 0; i < 5; ++i)
                c.fill(roundRect(10 * s, (13 + 3.2 * i) * s, (i == 4 ? 18 : 23) * s, (14.4 + 3.2 * i) * s,
                                 0.5 * s),
                       rgba({100, 150, 220}));
        }},
        {[](Canvas& c, double s) {  // gear-like flower
            c.fill(polygon(starPoints(16 * s, 16 * s, 15 * s, 11 * s, 8)), rgba({70, 75, 85}));
            c.fill(polygon(starPoints(16 * s, 16 * s, 13.6 * s, 9.8 * s, 8)), rgba({150, 155, 165}));
            c.fill(circle(16 * s, 16 * s, 5 * s), rgba({70, 75, 85}));
            c.fill(circle(16 * s, 16 * s, 3.6 * s), rgba({235, 235, 240}));
        }},
        {[disc](Canvas& c, double s) {  // check mark
            disc({120, 230, 140}, {30, 160, 70}, {10, 100, 40})(c, s);
            c.fill(polygon({{8 * s, 16 * s},
                            {11 * s, 13 * s},
                            {14.5 * s, 16.5 * s},
                            {22 * s, 9 * s},
                            {25 * s, 12 * s},
                            {14.5 * s, 22.5 * s}}),
                   rgba(kWhite));
        }},
        {[](Canvas& c, double s) {  // lightning
            c.fill(polygon({{18 * s, 1 * s},
                            {5 * s, 18 * s},
                            {14 * s, 18 * s},
                            {11 * s, 31 * s},
                            {27 * s, 12 * s},
                            {17 * s, 12 * s}}),
                   rgba({160, 100, 0}));
            c.fill(polygon({{16.5 * s, 4.5 * s},
                            {7.5 * s, 16.8 * s},
                            {15.5 * s, 16.8 * s},
                            {13.5 * s, 26 * s},
                            {24.5 * s, 13.2 * s},
                            {15 * s, 13.2 * s}}),
                   rgba({255, 210, 50}));
        }},
        {[](Canvas& c, double s) {  // folder
            c.fill(roundRect(2 * s, 5 * s, 14 * s, 12 * s, 1.5 * s), rgba({200, 140, 30}));
            c.fill(roundRect(2 * s, 8 * s, 30 * s, 27 * s, 2 * s), rgba({200, 140, 30}));
            c.fill(roundRect(3.3 * s, 10.5 * s, 28.7 * s, 25.7 * s, 1.5 * s), [&](double, double y) {
                return mix({255, 215, 110}, {245, 175, 50}, y / (32 * s));
            });
        }},
    };
}

Canvas iconCanvas(const IconArt& art, int size) {
    Canvas c(size, size);
    art.draw(c, size / 32.0);
    return c;
}

// A 32-bit icon image with alpha; the AND mask marks the pixels that are almost clear.
std::vector<std::uint8_t> iconDib(const IconArt& art, int size) {
    const Canvas c = iconCanvas(art, size);
    return test::makeIconDib(
        size, size, 32, {}, [&](int x, int y) { return c.argb(x, y); },
        [&](int x, int y) { return c.alpha(x, y) < 0.5; });
}

test::IcoEntry icoEntry(const IconArt& art, int size) {
    test::IcoEntry e;
    e.width = static_cast<std::uint8_t>(size == 256 ? 0 : size);
    e.height = e.width;
    e.bitsOrHotY = 32;
    e.data = iconDib(art, size);
    return e;
}

std::vector<std::uint8_t> multiSizeIco(const IconArt& art) {
    return test::makeIcoFile({icoEntry(art, 16), icoEntry(art, 32), icoEntry(art, 48)});
}

// An arrow pointer cursor with its hotspot at the tip.
std::vector<std::uint8_t> pointerCursor() {
    const IconArt arrow{[](Canvas& c, double) {
        c.fill(polygon({{2, 1}, {2, 24}, {8, 19}, {12, 28}, {16, 26.5}, {12, 18}, {20, 18}}), rgba(kBlack));
        c.fill(polygon(
                   {{3.5, 4.5}, {3.5, 20.5}, {8.3, 16.6}, {12.8, 26}, {14, 25.5}, {9.8, 16.4}, {16.5, 16.4}}),
               rgba(kWhite));
    }};
    test::IcoEntry e = icoEntry(arrow, 32);
    e.planesOrHotX = 2;
    e.bitsOrHotY = 1;
    return test::makeIcoFile({e}, 2);
}

// The project's own icon writer: a 256-colour one-image icon of a raster (bottom-left pixel's
// colour transparent).
std::vector<std::uint8_t> writtenIcon() {
    Canvas c(32, 32, rgba({255, 0, 255}));
    iconArts()[1].draw(c, 1.0);
    return encodeIconFile(BitmapToIcon(c.toBitmap()), 8);
}

// An executable or library whose resources hold one icon group per art, each with a 16, 32
// and 48 pixel image.
std::vector<std::uint8_t> iconLibrary(const std::vector<IconArt>& arts, test::PeKind kind,
                                      std::uint16_t machine) {
    test::PeResourceType icons{3, {}}, groups{14, {}};
    std::uint16_t id = 1;
    for (std::size_t g = 0; g < arts.size(); ++g) {
        std::vector<test::GroupEntry> entries;
        for (int size : {16, 32, 48}) {
            auto dib = iconDib(arts[g], size);
            const auto side = static_cast<std::uint8_t>(size);
            entries.push_back({side, side, 0, 32, id, static_cast<std::uint32_t>(dib.size())});
            icons.resources.push_back({id, {}, std::move(dib)});
            ++id;
        }
        groups.resources.push_back(
            {static_cast<std::uint32_t>(100 + g), {}, test::makeGroupDirectory(entries)});
    }
    return test::makePeFile({icons, groups}, kind, machine);
}

// ---- metafiles ----

std::uint16_t lo(std::uint32_t v) {
    return static_cast<std::uint16_t>(v);
}
std::uint16_t hi(std::uint32_t v) {
    return static_cast<std::uint16_t>(v >> 16);
}

// A vector drawing as a placeable Windows metafile: shapes with pens and brushes.
std::vector<std::uint8_t> shapesWmf() {
    test::WmfBuilder w;
    const auto brush = [&](std::uint32_t c) { w.record(0x02FC, {0, lo(c), hi(c), 0}).record(0x012D, {2}); };
    const auto done = [&]() { w.record(0x01F0, {2}); };  // delete the brush in slot 2
    w.objects(3);
    w.record(0x02FA, {0, 2, 0, lo(test::rgb(40, 40, 60)), hi(test::rgb(40, 40, 60))})
        .record(0x012D, {0});  // pen
    w.record(0x02FC, {0, lo(test::rgb(245, 245, 250)), hi(test::rgb(245, 245, 250)), 0}).record(0x012D, {1});
    w.record(0x041B, {119, 159, 0, 0});  // background
    brush(test::rgb(66, 135, 245));
    w.record(0x041B, {70, 70, 14, 14});
    done();
    brush(test::rgb(240, 80, 80));
    w.record(0x0418, {100, 140, 40, 80});
    done();
    brush(test::rgb(250, 200, 60));
    w.record(0x0324, {3, 30, 110, 60, 60, 90, 110});
    done();
    brush(test::rgb(60, 190, 120));
    w.record(0x061C, {16, 16, 50, 150, 12, 96});
    done();
    return w.build(160, 120);
}

// A bar chart as an enhanced metafile.
std::vector<std::uint8_t> chartEmf() {
    test::EmfBuilder e;
    e.record(38, {1, 0, 1, 0, test::rgb(50, 50, 60)}).record(37, {1});  // pen 1
    e.record(39, {2, 0, test::rgb(255, 255, 255), 0}).record(37, {2});  // brush 2
    e.record(43, {0, 0, 159, 119});
    const std::uint32_t colours[] = {test::rgb(66, 135, 245), test::rgb(240, 120, 60),
                                     test::rgb(60, 190, 120), test::rgb(170, 90, 220),
                                     test::rgb(250, 200, 60)};
    const int heights[] = {60, 85, 40, 95, 70};
    for (int i = 0; i < 5; ++i) {
        e.record(39, {3, 0, colours[i], 0}).record(37, {3});
        const auto left = static_cast<std::uint32_t>(18 + i * 27);
        e.record(43, {left, static_cast<std::uint32_t>(105 - heights[i]), left + 20, 105});
        e.record(37, {2}).record(40, {3});
    }
    e.record(38, {4, 0, 2, 0, test::rgb(50, 50, 60)}).record(37, {4});
    e.record(43, {10, 105, 150, 107});
    return e.build(160, 120);
}

// ---- writing ----

int g_written = 0;

void put(const std::filesystem::path& folder, const std::string& name,
         const std::vector<std::uint8_t>& bytes) {
    writeFileAtomic((folder / name).string(), bytes);
    ++g_written;
}

std::vector<std::uint8_t> jpeg(const Bitmap& b, int quality) {
    TJPEGImage image;
    image.assign(b);
    image.setCompressionQuality(quality);
    return image.data();
}

std::vector<std::uint8_t> animatedGif() {
    TGIFImage gif;
    constexpr int kFrames = 8;
    for (int f = 0; f < kFrames; ++f) {
        TGIFFrame& frame = gif.addFrame(spinnerFrame(f, kFrames));
        frame.delayMs = 100;
    }
    gif.setLooping(true);
    gif.setLoopCount(0);
    return gif.saveToBytes();
}

void makeSamples(const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    const auto arts = iconArts();
    put(folder, "sunset.jpg", jpeg(sunset(), 85));
    put(folder, "flower.jpg", jpeg(flower(0.2, 160), 90));
    put(folder, "harbour.bmp", writeBmp(harbour()));
    put(folder, "colour-wheel.bmp", writeBmp(colourWheel()));
    put(folder, "squares-16.bmp", writeBmp(squares()));
    put(folder, "planet.png", encodePng(planet()));
    put(folder, "tiles.png", encodePng(tiles()));
    put(folder, "badge.tga", encodeTga(starBadge(96)));
    put(folder, "rainbow.tga", encodeTga(rainbow()));
    put(folder, "flower.gif", writeGif(flower()));
    put(folder, "spinner.gif", animatedGif());
    put(folder, "planet.webp", encodeWebp(planet(), {}, 80, true));
    put(folder, "rainbow.tif", encodeTiff(rainbow(), {}));
    put(folder, "shapes.wmf", shapesWmf());
    put(folder, "chart.emf", chartEmf());
    put(folder, "harbour.emf", writeMetafile(harbour(), true));
    put(folder, "star.ico", multiSizeIco(arts[0]));
    put(folder, "globe.ico", multiSizeIco(arts[2]));
    put(folder, "heart.ico", writtenIcon());
    put(folder, "pointer.cur", pointerCursor());
    put(folder, "toolbox.exe", iconLibrary(arts, test::PeKind::Pe32, test::kMachineI386));
    put(folder, "symbols.dll",
        iconLibrary({arts[5], arts[6], arts[1], arts[3]}, test::PeKind::Pe64, test::kMachineAmd64));
}

}  // namespace
}  // namespace vexilo

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples FOLDER\n");
        return 2;
    }
    try {
        vexilo::makeSamples(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_samples: %s\n", e.what());
        return 1;
    }
    std::printf("make_samples: %d files written to %s\n", vexilo::g_written, argv[1]);
    return 0;
}
