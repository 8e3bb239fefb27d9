#include "codecs/metafile/metafile_raster.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace vexilo {

namespace {

struct Edge {
    double x0, y0, x1, y1;
    int dir;
};

// 8 x 8 hatch patterns, one byte per row, bit 7 leftmost.
constexpr std::uint8_t kHatch[6][8] = {{0, 0, 0, 0, 0xFF, 0, 0, 0},
                                       {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},
                                       {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},
                                       {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},
                                       {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08},
                                       {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}};

class RasterCanvas : public MetafileCanvas {
public:
    RasterCanvas(int width, int height) : m_image(width, height) {}

    void setClip(const std::vector<ClipStep>& steps) override {
        m_clip = steps;
        m_clipDirty = true;
    }

    void fillPath(const DrawPath& path, FillRule rule, const DrawBrush& brush) override {
        if (!brush.visible()) return;
        coverage(path.flatten(), rule, [&](int x, int y) {
            if (auto c = brushColor(brush, x, y)) m_image.setRaw(x, y, packRgb(*c));
        });
    }

    void strokePath(const DrawPath& path, const DrawPen& pen) override {
        if (!pen.visible()) return;
        const double half = std::max(pen.width, 1.0) / 2;
        std::vector<DrawPath::Figure> quads;
        for (const auto& fig : path.flatten()) {
            const std::size_t n = fig.points.size();
            const std::size_t segments = fig.closed ? n : n - 1;
            for (std::size_t i = 0; i < segments; ++i) {
                const PointF a = fig.points[i], b = fig.points[(i + 1) % n];
                double dx = b.x - a.x, dy = b.y - a.y;
                const double len = std::hypot(dx, dy);
                if (len == 0)
                    dx = 1, dy = 0;
                else
                    dx /= len, dy /= len;
                // Each segment as a rectangle around it, lengthened by half the width at each end.
                const double nx = -dy * half, ny = dx * half, ex = dx * half, ey = dy * half;
                quads.push_back({{{a.x - ex + nx, a.y - ey + ny},
                                  {b.x + ex + nx, b.y + ey + ny},
                                  {b.x + ex - nx, b.y + ey - ny},
                                  {a.x - ex - nx, a.y - ey - ny}},
                                 true});
            }
        }
        const std::uint32_t word = packRgb(pen.color);
        coverage(quads, FillRule::Winding, [&](int x, int y) { m_image.setRaw(x, y, word); });
    }

    void patternBlit(const DrawPath& path, const DrawBrush& brush, BlitOp op) override {
        coverage(path.flatten(), FillRule::Winding, [&](int x, int y) {
            const Color d = unpackRgb(m_image.raw(x, y));
            Color s = brushColor(brush, x, y).value_or(d);
            m_image.setRaw(x, y, packRgb(combine(op, s, d)));
        });
    }

    void drawText(const DrawText&) override {}

    void drawImage(const DrawImage& d) override {
        const Bitmap& src = *d.image;
        const double ux = d.topRight.x - d.topLeft.x, uy = d.topRight.y - d.topLeft.y;
        const double vx = d.bottomLeft.x - d.topLeft.x, vy = d.bottomLeft.y - d.topLeft.y;
        const double det = ux * vy - uy * vx;
        if (det == 0 || d.source.width() <= 0 || d.source.height() <= 0) return;
        const double minX = std::min({d.topLeft.x, d.topRight.x, d.bottomLeft.x, d.topRight.x + vx});
        const double maxX = std::max({d.topLeft.x, d.topRight.x, d.bottomLeft.x, d.topRight.x + vx});
        const double minY = std::min({d.topLeft.y, d.topRight.y, d.bottomLeft.y, d.topRight.y + vy});
        const double maxY = std::max({d.topLeft.y, d.topRight.y, d.bottomLeft.y, d.topRight.y + vy});
        const int x0 = std::max(0, saturatedInt(std::floor(minX))),
                  x1 = std::min(m_image.width(), saturatedInt(std::ceil(maxX)));
        const int y0 = std::max(0, saturatedInt(std::floor(minY))),
                  y1 = std::min(m_image.height(), saturatedInt(std::ceil(maxY)));
        updateClip();
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                if (!clipped(x, y)) continue;
                const double px = x + 0.5 - d.topLeft.x, py = y + 0.5 - d.topLeft.y;
                const double u = (px * vy - py * vx) / det, v = (ux * py - uy * px) / det;
                if (u < 0 || u >= 1 || v < 0 || v >= 1) continue;
                const int sx =
                    std::min(d.source.left + saturatedInt(u * d.source.width()), d.source.right - 1);
                const int sy =
                    std::min(d.source.top + saturatedInt(v * d.source.height()), d.source.bottom - 1);
                if (sx < 0 || sy < 0 || sx >= src.width() || sy >= src.height()) continue;
                const Color s = src.pixel(sx, sy);
                if (src.transparent() && s == src.transparentColor()) continue;
                const Color dst = unpackRgb(m_image.raw(x, y));
                Color out = combine(d.op, s, dst);
                double a = d.opacity;
                if (d.useAlpha) a *= src.alpha(sx, sy) / 255.0;
                if (a < 1) {
                    // Premultiplied source over the output.
                    auto mix = [&](std::uint8_t sc, std::uint8_t dc) {
                        const double k = d.useAlpha ? sc * d.opacity + dc * (1 - a) : sc * a + dc * (1 - a);
                        return static_cast<std::uint8_t>(std::clamp(std::lround(k), 0L, 255L));
                    };
                    out = {mix(s.r, dst.r), mix(s.g, dst.g), mix(s.b, dst.b)};
                }
                m_image.setRaw(x, y, packRgb(out));
            }
    }

    Bitmap result() override { return m_image; }

private:
    static Color combine(BlitOp op, Color s, Color d) {
        auto each = [&](auto f) {
            return Color{static_cast<std::uint8_t>(f(s.r, d.r)), static_cast<std::uint8_t>(f(s.g, d.g)),
                         static_cast<std::uint8_t>(f(s.b, d.b))};
        };
        switch (op) {
            case BlitOp::And:
                return each([](int a, int b) { return a & b; });
            case BlitOp::Or:
                return each([](int a, int b) { return a | b; });
            case BlitOp::Xor:
                return each([](int a, int b) { return a ^ b; });
            case BlitOp::NotCopy:
                return each([](int a, int) { return 255 - a; });
            case BlitOp::Invert:
                return each([](int, int b) { return 255 - b; });
            case BlitOp::Black:
                return kBlack;
            case BlitOp::White:
                return kWhite;
            case BlitOp::None:
                return d;
            case BlitOp::Copy:
                break;
        }
        return s;
    }

    std::optional<Color> brushColor(const DrawBrush& b, int x, int y) const {
        switch (b.style) {
            case DrawBrush::Style::Null:
                return std::nullopt;
            case DrawBrush::Style::Solid:
                return b.color;
            case DrawBrush::Style::Hatch: {
                const bool on = (kHatch[static_cast<int>(b.hatch)][y & 7] >> (7 - (x & 7))) & 1;
                if (on) return b.color;
                if (b.opaqueBackground) return b.background;
                return std::nullopt;
            }
            case DrawBrush::Style::Pattern: {
                if (!b.pattern || b.pattern->empty()) return b.color;
                return b.pattern->pixel(x % b.pattern->width(), y % b.pattern->height());
            }
        }
        return std::nullopt;
    }

    // Calls plot for every pixel whose centre lies inside the figures and inside the clip.
    template <typename Plot>
    void coverage(const std::vector<DrawPath::Figure>& figures, FillRule rule, Plot plot) {
        updateClip();
        scan(figures, rule, [&](int x0, int x1, int y) {
            for (int x = x0; x < x1; ++x)
                if (clipped(x, y)) plot(x, y);
        });
    }

    // Scanline fill at pixel centres; calls span(x0, x1, y) for each run inside.
    template <typename Span>
    void scan(const std::vector<DrawPath::Figure>& figures, FillRule rule, Span span) const {
        const int w = m_image.width(), h = m_image.height();
        std::vector<Edge> edges;
        for (const auto& fig : figures) {
            const std::size_t n = fig.points.size();
            for (std::size_t i = 0; i < n; ++i) {
                const PointF a = fig.points[i], b = fig.points[(i + 1) % n];
                if (a.y == b.y) continue;
                edges.push_back(a.y < b.y ? Edge{a.x, a.y, b.x, b.y, 1} : Edge{b.x, b.y, a.x, a.y, -1});
            }
        }
        if (edges.empty()) return;
        std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });
        const int yStart = std::max(0, saturatedInt(std::floor(edges.front().y0)));
        std::vector<const Edge*> active;
        std::vector<std::pair<double, int>> xs;
        std::size_t next = 0;
        for (int y = yStart; y < h; ++y) {
            const double cy = y + 0.5;
            while (next < edges.size() && edges[next].y0 <= cy) active.push_back(&edges[next++]);
            std::erase_if(active, [&](const Edge* e) { return e->y1 <= cy; });
            if (active.empty()) {
                if (next >= edges.size()) break;
                continue;
            }
            xs.clear();
            for (const Edge* e : active)
                if (e->y0 <= cy)
                    xs.push_back({e->x0 + (cy - e->y0) * (e->x1 - e->x0) / (e->y1 - e->y0), e->dir});
            std::sort(xs.begin(), xs.end());
            int winding = 0;
            for (std::size_t i = 0; i + 1 < xs.size(); ++i) {
                winding = rule == FillRule::EvenOdd ? (winding ^ 1) : winding + xs[i].second;
                if (winding == 0) continue;
                const int x0 = std::max(0, saturatedInt(std::ceil(xs[i].first - 0.5)));
                const int x1 = std::min(w, saturatedInt(std::ceil(xs[i + 1].first - 0.5)));
                if (x1 > x0) span(x0, x1, y);
            }
        }
    }

    void updateClip() {
        if (!m_clipDirty) return;
        m_clipDirty = false;
        m_mask.clear();
        if (m_clip.empty()) return;
        const auto w = static_cast<std::size_t>(m_image.width());
        m_mask.assign(w * static_cast<std::size_t>(m_image.height()), 1);
        std::vector<std::uint8_t> shape;
        for (const ClipStep& step : m_clip) {
            shape.assign(m_mask.size(), 0);
            scan(step.path.flatten(), FillRule::EvenOdd, [&](int x0, int x1, int y) {
                std::fill(shape.begin() + static_cast<std::ptrdiff_t>(y * w + x0),
                          shape.begin() + static_cast<std::ptrdiff_t>(y * w + x1), 1);
            });
            for (std::size_t i = 0; i < m_mask.size(); ++i) {
                switch (step.op) {
                    case ClipStep::Op::Intersect:
                        m_mask[i] &= shape[i];
                        break;
                    case ClipStep::Op::Exclude:
                        m_mask[i] &= static_cast<std::uint8_t>(!shape[i]);
                        break;
                    case ClipStep::Op::Unite:
                        m_mask[i] |= shape[i];
                        break;
                    case ClipStep::Op::Xor:
                        m_mask[i] ^= shape[i];
                        break;
                    case ClipStep::Op::Replace:
                        m_mask[i] = shape[i];
                        break;
                }
            }
        }
    }

    bool clipped(int x, int y) const {
        return m_mask.empty() ||
               m_mask[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_image.width()) +
                      static_cast<std::size_t>(x)];
    }

    Bitmap m_image;
    std::vector<ClipStep> m_clip;
    bool m_clipDirty = false;
    std::vector<std::uint8_t> m_mask;
};

}  // namespace

std::unique_ptr<MetafileCanvas> makeRasterCanvas(int width, int height) {
    return std::make_unique<RasterCanvas>(width, height);
}

}  // namespace vexilo
