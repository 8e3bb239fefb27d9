#include "codecs/metafile/metafile_player.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>
#include <string>
#include <variant>

#include "codecs/bmp_codec.h"
#include "codecs/metafile/metafile_raster.h"

namespace vexilo {

namespace {

constexpr double kPi = std::numbers::pi;
// Output coordinates are kept within this range, far outside any picture, so that a hostile
// transform cannot hand the canvas infinities or values its rasteriser cannot hold.
constexpr double kCoordinateLimit = 4194304.0;
constexpr std::size_t kMaxSavedStates = 1024;
constexpr std::size_t kMaxClipSteps = 256;
constexpr std::size_t kMaxClipPoints = std::size_t{1} << 16;
constexpr std::size_t kMaxObjects = 65535;

// GDI constants, by the names the file formats give them.
enum MapMode {
    MM_TEXT = 1,
    MM_LOMETRIC,
    MM_HIMETRIC,
    MM_LOENGLISH,
    MM_HIENGLISH,
    MM_TWIPS,
    MM_ISOTROPIC,
    MM_ANISOTROPIC
};
constexpr int kTransparent = 1, kOpaque = 2;
constexpr int kAlternate = 1;
constexpr unsigned kTaUpdateCp = 1, kTaRight = 2, kTaCenter = 6, kTaBottom = 8, kTaBaseline = 24;
constexpr unsigned kEtoOpaque = 2, kEtoClipped = 4, kEtoGlyphIndex = 0x10, kEtoNoRect = 0x100,
                   kEtoPdy = 0x2000;
constexpr int kAdClockwise = 2;

struct Matrix {  // x' = x*m11 + y*m21 + dx; y' = x*m12 + y*m22 + dy
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
    PointF map(double x, double y) const { return {x * m11 + y * m21 + dx, x * m12 + y * m22 + dy}; }
    PointF mapVector(double x, double y) const { return {x * m11 + y * m21, x * m12 + y * m22}; }
    // This transform followed by `next`.
    Matrix then(const Matrix& n) const {
        return {m11 * n.m11 + m12 * n.m21, m11 * n.m12 + m12 * n.m22,      m21 * n.m11 + m22 * n.m21,
                m21 * n.m12 + m22 * n.m22, dx * n.m11 + dy * n.m21 + n.dx, dx * n.m12 + dy * n.m22 + n.dy};
    }
    double det() const { return m11 * m22 - m12 * m21; }
    bool finite() const {
        return std::isfinite(m11) && std::isfinite(m12) && std::isfinite(m21) && std::isfinite(m22) &&
               std::isfinite(dx) && std::isfinite(dy);
    }
};

struct LogPen {
    std::uint32_t style = 0;
    double width = 0;  // logical units
    Color color = kBlack;
    bool extended = false;  // created with explicit caps and joins
};
struct LogBrush {
    std::uint32_t style = 0;  // BS_SOLID 0, BS_NULL 1, BS_HATCHED 2, BS_PATTERN 3, BS_DIBPATTERN 5/6
    Color color = kWhite;
    std::uint32_t hatch = 0;
    std::shared_ptr<const Bitmap> pattern;
    bool mono = false;  // two-colour pattern drawn in the text and background colours
};
struct LogFont {
    int height = 0, escapement = 0, weight = 400;
    bool italic = false, underline = false, strikeOut = false;
    std::string face;
};
struct LogPalette {
    std::vector<Color> entries;
};
struct Region {
    std::vector<Rect> rects;  // logical units (WMF) or device units (EMF)
};
using GdiObject = std::variant<std::monostate, LogPen, LogBrush, LogFont, LogPalette, Region>;

struct DcState {
    int mapMode = MM_TEXT;
    PointF winOrg{0, 0}, winExt{1, 1}, vpOrg{0, 0}, vpExt{1, 1};
    Matrix world;
    LogPen pen;
    LogBrush brush;
    LogFont font;
    std::shared_ptr<const LogPalette> palette;
    Color textColor = kBlack, bkColor = kWhite;
    int bkMode = kOpaque;
    int polyFill = kAlternate;
    unsigned textAlign = 0;
    int arcDirection = 1;
    double miterLimit = 10;
    PointF curPos{0, 0};  // logical
    // Shared between saved states; changed by copying.
    std::shared_ptr<const std::vector<ClipStep>> clip = std::make_shared<const std::vector<ClipStep>>();
};

std::size_t clipPoints(const std::vector<ClipStep>& steps) {
    std::size_t n = 0;
    for (const auto& s : steps) n += s.path.pointCount();
    return n;
}

// Passes drawing on to the real canvas while counting the work it asks for, so that a hostile
// file of many huge fills or clip changes ends instead of running for hours. Real pictures
// use a small part of it: 256 times the output's area, and some for small outputs.
class BudgetCanvas : public MetafileCanvas {
public:
    BudgetCanvas(MetafileCanvas& inner, int width, int height)
        : m_inner(inner),
          m_width(width),
          m_height(height),
          m_budget(std::max(1.0, static_cast<double>(width) * height) * 256.0 + 1e8) {}
    bool exhausted() const { return m_used > m_budget; }

    void setClip(const std::vector<ClipStep>& steps) override {
        // A canvas rebuilds the region from its steps: each costs what a fill of it would.
        double units = 64;
        for (const ClipStep& step : steps)
            units += cost(step.path) + static_cast<double>(step.path.pointCount()) * 8;
        if (charge(units)) m_inner.setClip(steps);
    }
    void fillPath(const DrawPath& path, FillRule rule, const DrawBrush& brush) override {
        if (charge(cost(path))) m_inner.fillPath(path, rule, brush);
    }
    void strokePath(const DrawPath& path, const DrawPen& pen) override {
        if (charge(cost(path) + static_cast<double>(path.pointCount()) * std::max(1.0, pen.width) * 4))
            m_inner.strokePath(path, pen);
    }
    void patternBlit(const DrawPath& path, const DrawBrush& brush, BlitOp op) override {
        if (charge(cost(path))) m_inner.patternBlit(path, brush, op);
    }
    void drawText(const DrawText& text) override {
        const double h = text.font.height;
        if (charge(static_cast<double>(text.text.size()) * h * h + 64)) m_inner.drawText(text);
    }
    void drawImage(const DrawImage& d) override {
        const double w = std::abs(d.topRight.x - d.topLeft.x) + std::abs(d.bottomLeft.x - d.topLeft.x);
        const double h = std::abs(d.topRight.y - d.topLeft.y) + std::abs(d.bottomLeft.y - d.topLeft.y);
        const double src = static_cast<double>(d.image->width()) * d.image->height();
        if (charge(std::min(w * h, area()) + src + 64)) m_inner.drawImage(d);
    }
    Bitmap result() override { return m_inner.result(); }

private:
    double area() const { return static_cast<double>(m_width) * m_height; }
    // The pixels a path can touch, inside the output, plus its points.
    double cost(const DrawPath& path) const {
        if (path.empty()) return 1;
        double l = path.points().front().x, r = l, t = path.points().front().y, b = t;
        for (const PointF& p : path.points())
            l = std::min(l, p.x), r = std::max(r, p.x), t = std::min(t, p.y), b = std::max(b, p.y);
        l = std::clamp(l, 0.0, static_cast<double>(m_width)),
        r = std::clamp(r, 0.0, static_cast<double>(m_width));
        t = std::clamp(t, 0.0, static_cast<double>(m_height)),
        b = std::clamp(b, 0.0, static_cast<double>(m_height));
        return (r - l + 1) * (b - t + 1) + static_cast<double>(path.pointCount()) * 8;
    }
    bool charge(double units) {
        m_used += units;
        return !exhausted();
    }

    MetafileCanvas& m_inner;
    int m_width, m_height;
    double m_budget;
    double m_used = 0;
};

Color colorRef(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16)};
}

double clampCoord(double v) {
    if (!std::isfinite(v)) return 0;
    return std::clamp(v, -kCoordinateLimit, kCoordinateLimit);
}

// Windows-1252 for the 8-bit strings of WMF and EMF ANSI records.
char16_t ansiChar(std::uint8_t b) {
    static constexpr std::array<char16_t, 32> k80{
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    return b >= 0x80 && b < 0xA0 ? k80[b - 0x80] : static_cast<char16_t>(b);
}

std::string faceFromAnsi(std::span<const std::uint8_t> bytes) {
    std::string s;
    for (std::uint8_t b : bytes) {
        if (b == 0) break;
        const char16_t c = ansiChar(b);
        if (c < 0x80) {
            s.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            s.push_back(static_cast<char>(0xC0 | (c >> 6)));
            s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            s.push_back(static_cast<char>(0xE0 | (c >> 12)));
            s.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return s;
}

std::string faceFromUtf16(std::span<const std::uint8_t> bytes) {
    std::string s;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (c == 0) break;
        if (c < 0x80) {
            s.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            s.push_back(static_cast<char>(0xC0 | (c >> 6)));
            s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0xD800 || c > 0xDFFF) {
            s.push_back(static_cast<char>(0xE0 | (c >> 12)));
            s.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            s.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return s;
}

BlitOp sourceOp(std::uint32_t rop) {
    switch ((rop >> 16) & 0xFF) {
        case 0x88:
            return BlitOp::And;
        case 0xEE:
            return BlitOp::Or;
        case 0x66:
            return BlitOp::Xor;
        case 0x33:
            return BlitOp::NotCopy;
        case 0x55:
            return BlitOp::Invert;
        case 0x00:
            return BlitOp::Black;
        case 0xFF:
            return BlitOp::White;
        case 0xAA:
            return BlitOp::None;
        default:
            return BlitOp::Copy;  // the other source operations are drawn as a plain copy
    }
}

BlitOp patternOp(std::uint32_t rop) {
    switch ((rop >> 16) & 0xFF) {
        case 0x5A:
            return BlitOp::Xor;
        case 0x55:
            return BlitOp::Invert;
        case 0x00:
            return BlitOp::Black;
        case 0xFF:
            return BlitOp::White;
        case 0xAA:
            return BlitOp::None;
        default:
            return BlitOp::Copy;
    }
}

bool usesSource(std::uint32_t rop) {
    const std::uint32_t r = (rop >> 16) & 0xFF;
    return ((r >> 2) & 0x33) != (r & 0x33);
}

class Player {
public:
    Player(const Metafile& mf, MetafileCanvas& canvas, int width, int height)
        : m_mf(mf), m_budget(canvas, width, height), m_canvas(m_budget), m_wmf(mf.type == MetafileType::Wmf) {
        if (m_wmf) {
            // A WMF's window is fitted to the picture: the viewport is the whole output and the
            // window starts as the bounding box, until the file's own window records say more.
            m_dc.mapMode = MM_ANISOTROPIC;
            m_dc.winOrg = {static_cast<double>(mf.boundsLeft), static_cast<double>(mf.boundsTop)};
            m_dc.winExt = {static_cast<double>(mf.boundsRight - mf.boundsLeft),
                           static_cast<double>(mf.boundsBottom - mf.boundsTop)};
            m_dc.vpExt = {static_cast<double>(width), static_cast<double>(height)};
            m_pxPerMmX = m_pxPerMmY = 96.0 / 25.4;
            m_objects.resize(mf.wmfObjects);
        } else {
            m_pxPerMmX = mf.deviceWidth / mf.deviceWidthMm;
            m_pxPerMmY = mf.deviceHeight / mf.deviceHeightMm;
            // The frame (0.01 mm) in reference-device pixels is mapped onto the output.
            const double fl = mf.emfFrame.left / 100.0 * m_pxPerMmX,
                         ft = mf.emfFrame.top / 100.0 * m_pxPerMmY;
            // In double: the frame's corners are any 32-bit values, their difference may not fit.
            const double fw = (double{1.0} * mf.emfFrame.right - mf.emfFrame.left) / 100.0 * m_pxPerMmX;
            const double fh = (double{1.0} * mf.emfFrame.bottom - mf.emfFrame.top) / 100.0 * m_pxPerMmY;
            const double sx = fw != 0 ? width / fw : 1, sy = fh != 0 ? height / fh : 1;
            m_device = {sx, 0, 0, sy, -fl * sx, -ft * sy};
            m_objects.resize(mf.emfHandles);
        }
        updateTransform();
    }

    void run() {
        for (const MetafileRecord& rec : m_mf.records) {
            try {
                if (m_wmf)
                    wmfRecord(rec);
                else
                    emfRecord(rec);
            } catch (const ImageError&) {
                // A record whose fields do not fit its length is skipped.
            }
            if ((m_wmf && rec.type == wmf::kEof) || (!m_wmf && rec.type == emr::kEof)) break;
            if (m_budget.exhausted()) break;
        }
    }

private:
    // ---- transforms -------------------------------------------------------------------------
    Matrix pageMatrix() const {
        double sx = 1, sy = 1;
        switch (m_dc.mapMode) {
            case MM_LOMETRIC:
                sx = 0.1 * m_pxPerMmX, sy = -0.1 * m_pxPerMmY;
                break;
            case MM_HIMETRIC:
                sx = 0.01 * m_pxPerMmX, sy = -0.01 * m_pxPerMmY;
                break;
            case MM_LOENGLISH:
                sx = 0.254 * m_pxPerMmX, sy = -0.254 * m_pxPerMmY;
                break;
            case MM_HIENGLISH:
                sx = 0.0254 * m_pxPerMmX, sy = -0.0254 * m_pxPerMmY;
                break;
            case MM_TWIPS:
                sx = 25.4 / 1440 * m_pxPerMmX, sy = -25.4 / 1440 * m_pxPerMmY;
                break;
            case MM_ISOTROPIC:
            case MM_ANISOTROPIC: {
                sx = m_dc.winExt.x != 0 ? m_dc.vpExt.x / m_dc.winExt.x : 1;
                sy = m_dc.winExt.y != 0 ? m_dc.vpExt.y / m_dc.winExt.y : 1;
                if (m_dc.mapMode == MM_ISOTROPIC) {
                    const double s = std::min(std::abs(sx), std::abs(sy));
                    sx = std::copysign(s, sx), sy = std::copysign(s, sy);
                }
                break;
            }
            default:
                break;
        }
        return {sx, 0, 0, sy, m_dc.vpOrg.x - m_dc.winOrg.x * sx, m_dc.vpOrg.y - m_dc.winOrg.y * sy};
    }

    void updateTransform() {
        m_full = m_dc.world.then(pageMatrix()).then(m_device);
        if (!m_full.finite() || m_full.det() == 0) m_full = Matrix{0, 0, 0, 0, 0, 0};
        m_pageDevice = pageMatrix().then(m_device);
        if (!m_pageDevice.finite()) m_pageDevice = Matrix{0, 0, 0, 0, 0, 0};
    }

    PointF dev(double x, double y) const {
        const PointF p = m_full.map(x, y);
        return {clampCoord(p.x), clampCoord(p.y)};
    }
    PointF dev(PointF p) const { return dev(p.x, p.y); }
    double xScale() const {
        const PointF v = m_full.mapVector(1, 0);
        return std::hypot(v.x, v.y);
    }
    double yScale() const {
        const PointF v = m_full.mapVector(0, 1);
        return std::hypot(v.x, v.y);
    }
    // Visually anticlockwise is the decreasing parameter direction when the transform keeps
    // the y-down orientation, the increasing one when it mirrors.
    double anticlockwiseSign() const { return m_full.det() > 0 ? -1.0 : 1.0; }

    // ---- objects ----------------------------------------------------------------------------
    int addWmfObject(GdiObject obj) {
        for (std::size_t i = 0; i < m_objects.size(); ++i)
            if (!m_objects[i]) {
                m_objects[i] = std::move(obj);
                return static_cast<int>(i);
            }
        if (m_objects.size() >= kMaxObjects) return -1;
        m_objects.push_back(std::move(obj));
        return static_cast<int>(m_objects.size() - 1);
    }
    void setEmfObject(std::uint32_t index, GdiObject obj) {
        if (index == 0 || index >= kMaxObjects) return;  // 0 is the metafile itself
        if (index >= m_objects.size()) m_objects.resize(index + 1);
        m_objects[index] = std::move(obj);
    }
    void selectObject(const GdiObject& obj) {
        if (auto* p = std::get_if<LogPen>(&obj))
            m_dc.pen = *p;
        else if (auto* b = std::get_if<LogBrush>(&obj))
            m_dc.brush = *b;
        else if (auto* f = std::get_if<LogFont>(&obj))
            m_dc.font = *f;
        else if (auto* pal = std::get_if<LogPalette>(&obj))
            m_dc.palette = std::make_shared<LogPalette>(*pal);
        else if (auto* rgn = std::get_if<Region>(&obj))
            setClipRegion(*rgn, ClipStep::Op::Replace, !m_wmf);
    }
    void selectStock(std::uint32_t index) {
        auto solid = [](Color c) {
            LogBrush b;
            b.color = c;
            return b;
        };
        auto pen = [](std::uint32_t style, Color c) {
            LogPen p;
            p.style = style;
            p.color = c;
            return p;
        };
        switch (index) {
            case 0:
                m_dc.brush = solid(kWhite);
                break;
            case 1:
                m_dc.brush = solid({192, 192, 192});
                break;
            case 2:
                m_dc.brush = solid({128, 128, 128});
                break;
            case 3:
                m_dc.brush = solid({64, 64, 64});
                break;
            case 4:
                m_dc.brush = solid(kBlack);
                break;
            case 5:
                m_dc.brush = solid(kBlack), m_dc.brush.style = 1;
                break;
            case 6:
                m_dc.pen = pen(0, kWhite);
                break;
            case 7:
                m_dc.pen = pen(0, kBlack);
                break;
            case 8:
                m_dc.pen = pen(5, kBlack);
                break;
            case 10:
            case 11:
            case 12:
            case 13:
            case 14:
            case 16:
            case 17:
                m_dc.font = LogFont{};
                break;
            case 15:
                m_dc.palette.reset();
                break;
            default:
                break;
        }
    }

    Color resolveColor(std::uint32_t v) const {
        if ((v >> 24) == 1) {  // an index into the selected palette
            const std::size_t i = v & 0xFFFF;
            if (m_dc.palette && i < m_dc.palette->entries.size()) return m_dc.palette->entries[i];
            return kBlack;
        }
        return colorRef(v);
    }

    DrawPen devicePen() const {
        DrawPen pen;
        const std::uint32_t style = m_dc.pen.style & 0xF;
        switch (style) {
            case 1:
                pen.dash = PenDash::Dash;
                break;
            case 2:
            case 8:
                pen.dash = PenDash::Dot;
                break;
            case 3:
                pen.dash = PenDash::DashDot;
                break;
            case 4:
                pen.dash = PenDash::DashDotDot;
                break;
            case 5:
                pen.dash = PenDash::None;
                break;
            case 7:
                pen.dash = PenDash::Dash;
                break;
            default:
                break;
        }
        pen.color = m_dc.pen.color;
        const bool geometric = (m_dc.pen.style & 0x10000) != 0;
        const bool cosmetic = m_dc.pen.extended && !geometric;
        pen.width = cosmetic ? 0 : std::min(m_dc.pen.width * xScale(), 16384.0);
        if (pen.width < 1.5) pen.width = 0;
        // Styled pens wider than one pixel draw solid unless made with explicit geometry.
        if (pen.width > 1 && !geometric && pen.dash != PenDash::None) pen.dash = PenDash::Solid;
        if (geometric || m_dc.pen.extended) {
            switch (m_dc.pen.style & 0xF00) {
                case 0x100:
                    pen.cap = PenCap::Square;
                    break;
                case 0x200:
                    pen.cap = PenCap::Flat;
                    break;
                default:
                    pen.cap = PenCap::Round;
            }
            switch (m_dc.pen.style & 0xF000) {
                case 0x1000:
                    pen.join = PenJoin::Bevel;
                    break;
                case 0x2000:
                    pen.join = PenJoin::Miter;
                    break;
                default:
                    pen.join = PenJoin::Round;
            }
        }
        pen.miterLimit = m_dc.miterLimit;
        return pen;
    }

    DrawBrush brushFor(const LogBrush& b) const {
        DrawBrush brush;
        brush.color = b.color;
        brush.opaqueBackground = m_dc.bkMode != kTransparent;
        brush.background = m_dc.bkColor;
        switch (b.style) {
            case 0:
                brush.style = DrawBrush::Style::Solid;
                break;
            case 2:
                brush.style = DrawBrush::Style::Hatch;
                brush.hatch = static_cast<HatchStyle>(std::min<std::uint32_t>(b.hatch, 5));
                break;
            case 3:
            case 5:
            case 6:
                brush.style = b.pattern ? DrawBrush::Style::Pattern : DrawBrush::Style::Solid;
                if (b.pattern && b.mono) {
                    // Two-colour patterns show the text colour for 0 and the background colour for 1.
                    auto recoloured = std::make_shared<Bitmap>(*b.pattern);
                    recoloured->setPalette({m_dc.textColor, m_dc.bkColor});
                    brush.pattern = std::move(recoloured);
                } else {
                    brush.pattern = b.pattern;
                }
                break;
            default:
                brush.style = DrawBrush::Style::Null;
                break;
        }
        return brush;
    }

    FillRule fillRule() const { return m_dc.polyFill == kAlternate ? FillRule::EvenOdd : FillRule::Winding; }

    // ---- drawing ----------------------------------------------------------------------------
    void output(const DrawPath& path, bool closed, std::optional<FillRule> rule = std::nullopt) {
        if (path.empty()) return;
        if (m_pathOpen) {
            if (m_path.pointCount() + path.pointCount() <= kMaxPathPoints) m_path.append(path);
            // Shapes leave the current position where it was: the next line starts there.
            m_pathNeedsMove = true;
            return;
        }
        const DrawBrush brush = brushFor(m_dc.brush);
        if (closed && brush.visible()) m_canvas.fillPath(path, rule.value_or(FillRule::Winding), brush);
        const DrawPen pen = devicePen();
        if (pen.visible()) m_canvas.strokePath(path, pen);
    }

    // A path bracket holds at most this many points; further figures are dropped.
    static constexpr std::size_t kMaxPathPoints = std::size_t{1} << 22;
    bool pathFull() const { return m_path.pointCount() >= kMaxPathPoints; }

    DrawPath polyPath(const std::vector<PointF>& pts, bool close) const {
        DrawPath p;
        for (std::size_t i = 0; i < pts.size(); ++i) {
            if (i == 0)
                p.moveTo(dev(pts[i]));
            else
                p.lineTo(dev(pts[i]));
        }
        if (close && !pts.empty()) p.close();
        return p;
    }

    // Appends an elliptic arc to `path` in logical units: centre, radii, start parameter and sweep
    // (radians in the logical frame), as cubic segments of at most a quarter turn.
    void appendArc(DrawPath& path, PointF c, double rx, double ry, double start, double sweep,
                   bool connect) const {
        const int segments = std::clamp(saturatedInt(std::ceil(std::abs(sweep) / (kPi / 2) - 1e-9)), 1, 4);
        const double step = sweep / segments;
        const double k = 4.0 / 3.0 * std::tan(step / 4);
        auto at = [&](double t) { return PointF{c.x + rx * std::cos(t), c.y + ry * std::sin(t)}; };
        const PointF first = at(start);
        if (connect && path.hasCurrentPoint())
            path.lineTo(dev(first));
        else
            path.moveTo(dev(first));
        double t = start;
        for (int i = 0; i < segments; ++i) {
            const double t2 = t + step;
            const PointF p1 = at(t), p2 = at(t2);
            const PointF c1{p1.x - k * rx * std::sin(t), p1.y + k * ry * std::cos(t)};
            const PointF c2{p2.x + k * rx * std::sin(t2), p2.y - k * ry * std::cos(t2)};
            path.cubicTo(dev(c1), dev(c2), dev(p2));
            t = t2;
        }
    }

    struct ArcGeometry {
        PointF c;
        double rx, ry, start, sweep;
        PointF end;
    };
    ArcGeometry arcGeometry(Rect r, PointF s, PointF e) const {
        const double l = std::min(r.left, r.right), rt = std::max(r.left, r.right);
        const double t = std::min(r.top, r.bottom), b = std::max(r.top, r.bottom);
        ArcGeometry g;
        g.c = {(l + rt) / 2, (t + b) / 2};
        g.rx = std::max((rt - l) / 2, 1e-9);
        g.ry = std::max((b - t) / 2, 1e-9);
        const double ts = std::atan2((s.y - g.c.y) / g.ry, (s.x - g.c.x) / g.rx);
        const double te = std::atan2((e.y - g.c.y) / g.ry, (e.x - g.c.x) / g.rx);
        double sign = anticlockwiseSign();
        if (m_dc.arcDirection == kAdClockwise) sign = -sign;
        double sweep =
            sign > 0 ? std::fmod(te - ts + 4 * kPi, 2 * kPi) : -std::fmod(ts - te + 4 * kPi, 2 * kPi);
        if (std::abs(sweep) < 1e-9) sweep = sign * 2 * kPi;
        g.start = ts;
        g.sweep = sweep;
        g.end = {g.c.x + g.rx * std::cos(ts + sweep), g.c.y + g.ry * std::sin(ts + sweep)};
        return g;
    }

    enum class ArcKind { Arc, Chord, Pie, ArcTo };
    void arc(ArcKind kind, Rect r, PointF s, PointF e) {
        const ArcGeometry g = arcGeometry(r, s, e);
        DrawPath path;
        if (kind == ArcKind::ArcTo) {
            if (m_pathOpen) {
                if (pathFull()) return;
                ensurePathStart();
                appendArc(m_path, g.c, g.rx, g.ry, g.start, g.sweep, true);
            } else {
                path.moveTo(dev(m_dc.curPos));
                appendArc(path, g.c, g.rx, g.ry, g.start, g.sweep, true);
                output(path, false);
            }
            m_dc.curPos = g.end;
            return;
        }
        if (kind == ArcKind::Pie) path.moveTo(dev(g.c));
        appendArc(path, g.c, g.rx, g.ry, g.start, g.sweep, kind == ArcKind::Pie);
        if (kind != ArcKind::Arc) path.close();
        output(path, kind != ArcKind::Arc);
    }

    void ellipse(Rect r) {
        const double l = std::min(r.left, r.right), rt = std::max(r.left, r.right);
        const double t = std::min(r.top, r.bottom), b = std::max(r.top, r.bottom);
        DrawPath path;
        appendArc(path, {(l + rt) / 2, (t + b) / 2}, (rt - l) / 2, (b - t) / 2, 0, 2 * kPi, false);
        path.close();
        output(path, true);
    }

    void rectangle(Rect r) {
        DrawPath path;
        path.moveTo(dev(r.left, r.top));
        path.lineTo(dev(r.right, r.top));
        path.lineTo(dev(r.right, r.bottom));
        path.lineTo(dev(r.left, r.bottom));
        path.close();
        output(path, true);
    }

    void roundRect(Rect r, double cw, double ch) {
        const double l = std::min(r.left, r.right), rt = std::max(r.left, r.right);
        const double t = std::min(r.top, r.bottom), b = std::max(r.top, r.bottom);
        const double rw = std::min(std::abs(cw) / 2, (rt - l) / 2),
                     rh = std::min(std::abs(ch) / 2, (b - t) / 2);
        if (rw <= 0 || rh <= 0)
            return rectangle({saturatedInt(l), saturatedInt(t), saturatedInt(rt), saturatedInt(b)});
        DrawPath path;
        path.moveTo(dev(l + rw, t));
        path.lineTo(dev(rt - rw, t));
        appendArc(path, {rt - rw, t + rh}, rw, rh, -kPi / 2, kPi / 2, true);
        path.lineTo(dev(rt, b - rh));
        appendArc(path, {rt - rw, b - rh}, rw, rh, 0, kPi / 2, true);
        path.lineTo(dev(l + rw, b));
        appendArc(path, {l + rw, b - rh}, rw, rh, kPi / 2, kPi / 2, true);
        path.lineTo(dev(l, t + rh));
        appendArc(path, {l + rw, t + rh}, rw, rh, kPi, kPi / 2, true);
        path.close();
        output(path, true);
    }

    void ensurePathStart() {
        if (m_pathNeedsMove || !m_path.hasCurrentPoint()) {
            m_path.moveTo(dev(m_dc.curPos));
            m_pathNeedsMove = false;
        }
    }

    void moveTo(PointF p) {
        m_dc.curPos = p;
        if (m_pathOpen) m_pathNeedsMove = true;
    }

    void lineTo(PointF p) {
        if (m_pathOpen) {
            if (pathFull()) return;
            ensurePathStart();
            m_path.lineTo(dev(p));
        } else {
            DrawPath path;
            path.moveTo(dev(m_dc.curPos));
            path.lineTo(dev(p));
            output(path, false);
        }
        m_dc.curPos = p;
    }

    void polylineTo(const std::vector<PointF>& pts) {
        if (pts.empty()) return;
        if (m_pathOpen) {
            if (pathFull()) return;
            ensurePathStart();
            for (const PointF& p : pts) m_path.lineTo(dev(p));
        } else {
            std::vector<PointF> all{m_dc.curPos};
            all.insert(all.end(), pts.begin(), pts.end());
            output(polyPath(all, false), false);
        }
        m_dc.curPos = pts.back();
    }

    void polyBezier(const std::vector<PointF>& pts, bool fromCurrent) {
        if (m_pathOpen && pathFull()) return;
        DrawPath local;
        DrawPath& path = m_pathOpen ? m_path : local;
        std::size_t i = 0;
        if (fromCurrent) {
            if (m_pathOpen)
                ensurePathStart();
            else
                path.moveTo(dev(m_dc.curPos));
        } else {
            if (pts.empty()) return;
            path.moveTo(dev(pts[0]));
            i = 1;
        }
        for (; i + 2 < pts.size(); i += 3) path.cubicTo(dev(pts[i]), dev(pts[i + 1]), dev(pts[i + 2]));
        if (fromCurrent && pts.size() >= 3) m_dc.curPos = pts[(pts.size() / 3) * 3 - 1];
        if (!m_pathOpen) output(local, false);
    }

    void polyDraw(const std::vector<PointF>& pts, std::span<const std::uint8_t> types) {
        if (m_pathOpen && pathFull()) return;
        DrawPath local;
        DrawPath& path = m_pathOpen ? m_path : local;
        if (m_pathOpen)
            ensurePathStart();
        else
            path.moveTo(dev(m_dc.curPos));
        for (std::size_t i = 0; i < pts.size() && i < types.size(); ++i) {
            const std::uint8_t t = types[i] & 0xFE;
            if (t == 6) {
                path.moveTo(dev(pts[i]));
            } else if (t == 2) {
                path.lineTo(dev(pts[i]));
            } else if (t == 4 && i + 2 < pts.size()) {
                path.cubicTo(dev(pts[i]), dev(pts[i + 1]), dev(pts[i + 2]));
                i += 2;
            }
            m_dc.curPos = pts[std::min(i, pts.size() - 1)];
            if (types[std::min(i, types.size() - 1)] & 1) path.close();
        }
        if (!m_pathOpen) output(local, false);
    }

    void setPixel(PointF p, Color c) {
        const PointF d = dev(p);
        const double x = std::floor(d.x), y = std::floor(d.y);
        DrawBrush brush;
        brush.color = c;
        m_canvas.fillPath(DrawPath::rect(x, y, x + 1, y + 1), FillRule::Winding, brush);
    }

    // ---- text -------------------------------------------------------------------------------
    void textOut(PointF at, std::u16string text, const std::vector<double>& dxLogical, unsigned options,
                 std::optional<Rect> rect) {
        if (m_pathOpen) return;  // text outlines are not added to paths
        const bool clipped = rect && (options & kEtoClipped);
        DrawPath rectPath;
        if (rect) {
            rectPath.moveTo(dev(rect->left, rect->top));
            rectPath.lineTo(dev(rect->right, rect->top));
            rectPath.lineTo(dev(rect->right, rect->bottom));
            rectPath.lineTo(dev(rect->left, rect->bottom));
            rectPath.close();
        }
        if (rect && (options & kEtoOpaque)) {
            DrawBrush bg;
            bg.color = m_dc.bkColor;
            m_canvas.fillPath(rectPath, FillRule::Winding, bg);
        }
        if (clipped) {
            auto steps = *m_dc.clip;
            steps.push_back({ClipStep::Op::Intersect, rectPath});
            m_canvas.setClip(steps);
        }
        if (!text.empty()) {
            DrawText t;
            const bool updateCp = (m_dc.textAlign & kTaUpdateCp) != 0;
            t.anchor = dev(updateCp ? m_dc.curPos : at);
            t.text = std::move(text);
            const double xs = xScale();
            for (double d : dxLogical) t.advances.push_back(clampCoord(d * xs));
            t.font.face = m_dc.font.face;
            const double h = std::abs(static_cast<double>(m_dc.font.height)) * yScale();
            t.font.height = m_dc.font.height == 0 ? 16 : std::clamp(h, 1.0, 4096.0);
            t.font.cellHeight = m_dc.font.height > 0;
            t.font.weight = m_dc.font.weight;
            t.font.italic = m_dc.font.italic;
            t.font.underline = m_dc.font.underline;
            t.font.strikeOut = m_dc.font.strikeOut;
            double angle = m_dc.font.escapement / 10.0;
            if (m_dc.world.m12 != 0 || m_dc.world.m11 < 0)
                angle -= std::atan2(m_dc.world.m12, m_dc.world.m11) * 180 / kPi;
            t.angle = angle;
            switch (m_dc.textAlign & kTaCenter) {
                case kTaCenter:
                    t.hAlign = DrawText::HAlign::Center;
                    break;
                case kTaRight:
                    t.hAlign = DrawText::HAlign::Right;
                    break;
                default:
                    t.hAlign = DrawText::HAlign::Left;
            }
            switch (m_dc.textAlign & kTaBaseline) {
                case kTaBaseline:
                    t.vAlign = DrawText::VAlign::Baseline;
                    break;
                case kTaBottom:
                    t.vAlign = DrawText::VAlign::Bottom;
                    break;
                default:
                    t.vAlign = DrawText::VAlign::Top;
            }
            t.color = m_dc.textColor;
            t.opaqueBackground = m_dc.bkMode == kOpaque;
            t.background = m_dc.bkColor;
            if (updateCp) {
                double advance = 0;
                if (!dxLogical.empty()) {
                    for (double d : dxLogical) advance += d;
                } else {
                    advance = static_cast<double>(t.text.size()) *
                              std::abs(m_dc.font.height ? m_dc.font.height : 16) * 0.5;
                }
                m_dc.curPos.x += advance;
            }
            m_canvas.drawText(t);
        }
        if (clipped) m_canvas.setClip(*m_dc.clip);
    }

    // ---- clipping ---------------------------------------------------------------------------
    void addClip(ClipStep::Op op, DrawPath path) {
        auto steps = op == ClipStep::Op::Replace ? std::vector<ClipStep>{} : *m_dc.clip;
        // A clip region built of too many steps or points keeps its earlier shape.
        if (steps.size() >= kMaxClipSteps || clipPoints(steps) + path.pointCount() > kMaxClipPoints) return;
        steps.push_back({op, std::move(path)});
        m_dc.clip = std::make_shared<const std::vector<ClipStep>>(std::move(steps));
        m_canvas.setClip(*m_dc.clip);
    }
    void resetClip() {
        m_dc.clip = std::make_shared<const std::vector<ClipStep>>();
        m_canvas.setClip(*m_dc.clip);
    }
    DrawPath logicalRectPath(Rect r) const {
        DrawPath p;
        p.moveTo(dev(r.left, r.top));
        p.lineTo(dev(r.right, r.top));
        p.lineTo(dev(r.right, r.bottom));
        p.lineTo(dev(r.left, r.bottom));
        p.close();
        return p;
    }
    DrawPath regionPath(const Region& rgn, bool deviceUnits) const {
        DrawPath p;
        for (const Rect& r : rgn.rects) {
            if (deviceUnits) {
                const PointF a = m_device.map(r.left, r.top), b = m_device.map(r.right, r.bottom);
                p.append(DrawPath::rect(clampCoord(a.x), clampCoord(a.y), clampCoord(b.x), clampCoord(b.y)));
            } else {
                p.append(logicalRectPath(r));
            }
        }
        return p;
    }
    void setClipRegion(const Region& rgn, ClipStep::Op op, bool deviceUnits) {
        addClip(op, regionPath(rgn, deviceUnits));
    }
    void offsetClip(double dx, double dy) {
        const PointF v = m_pageDevice.mapVector(dx, dy);
        auto steps = *m_dc.clip;
        for (auto& step : steps) step.path.translate(clampCoord(v.x), clampCoord(v.y));
        m_dc.clip = std::make_shared<const std::vector<ClipStep>>(std::move(steps));
        m_canvas.setClip(*m_dc.clip);
    }

    void saveDc() {
        if (m_saved.size() < kMaxSavedStates)
            m_saved.push_back(m_dc);
        else
            ++m_lostSaves;
    }
    void restoreDc(int which) {
        std::size_t depth = m_saved.size() + m_lostSaves;
        std::size_t target;
        if (which < 0) {
            const std::size_t up = static_cast<std::size_t>(-static_cast<std::int64_t>(which));
            if (up > depth) return;
            target = depth - up;
        } else {
            if (which == 0 || static_cast<std::size_t>(which) > depth) return;
            target = static_cast<std::size_t>(which) - 1;
        }
        while (depth > target + 1 && m_lostSaves > 0) --m_lostSaves, --depth;
        if (target >= m_saved.size()) return;
        m_dc = m_saved[target];
        m_saved.resize(target);
        m_lostSaves = 0;
        updateTransform();
        m_canvas.setClip(*m_dc.clip);
    }

    // ---- bitmaps ----------------------------------------------------------------------------
    // A DIB from its header-and-colour-table and its pixel bytes; null when it cannot be read.
    std::shared_ptr<const Bitmap> dib(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits,
                                      std::uint32_t usage) const {
        if (info.size() < 12) return nullptr;
        std::vector<std::uint8_t> buffer(info.begin(), info.end());
        if (usage == 1 && info.size() >= 40) {
            // Colour tables of palette indices: look the colours up in the selected palette.
            ByteReader r(info, "DIB");
            const std::uint32_t headerSize = r.u32le("header");
            r.skip(10, "header");
            const std::uint16_t bitCount = r.u16le("bit count");
            r.skip(16, "header");
            const std::uint32_t used = r.u32le("colours used");
            if (bitCount <= 8 && headerSize >= 40 && headerSize <= info.size()) {
                const std::size_t count = used ? std::min<std::uint32_t>(used, 256) : (1u << bitCount);
                buffer.assign(info.begin(), info.begin() + headerSize);
                r.seek(headerSize, "colour table");
                for (std::size_t i = 0; i < count; ++i) {
                    const std::uint16_t idx = r.remaining() >= 2 ? r.u16le("colour index") : 0;
                    Color c = kBlack;
                    if (m_dc.palette && idx < m_dc.palette->entries.size())
                        c = m_dc.palette->entries[idx];
                    else if (idx < defaultPalette(8).size())
                        c = defaultPalette(8)[idx];
                    buffer.insert(buffer.end(), {c.b, c.g, c.r, 0});
                }
            }
        }
        buffer.insert(buffer.end(), bits.begin(), bits.end());
        try {
            return std::make_shared<Bitmap>(readDib(buffer, defaultDecodeLimits()));
        } catch (const ImageError&) {
            return nullptr;
        }
    }

    static bool dibBottomUp(std::span<const std::uint8_t> info) {
        if (info.size() >= 12 && (info[0] | (info[1] << 8)) == 12) return true;
        if (info.size() < 12) return true;
        const auto h =
            static_cast<std::int32_t>(static_cast<std::uint32_t>(info[8]) | (info[9] << 8) |
                                      (info[10] << 16) | (static_cast<std::uint32_t>(info[11]) << 24));
        return h > 0;
    }

    // Draws part of an image into a logical rectangle. Source coordinates run top-down.
    void blit(std::shared_ptr<const Bitmap> image, double sx, double sy, double sw, double sh, double x,
              double y, double w, double h, BlitOp op, bool alpha = false, double opacity = 1) {
        if (!image || image->empty() || m_pathOpen || op == BlitOp::None) return;
        if (sw < 0) sx += sw, sw = -sw, x += w, w = -w;
        if (sh < 0) sy += sh, sh = -sh, y += h, h = -h;
        if (sw <= 0 || sh <= 0) return;
        // Clip the source to the image, moving the destination edges in proportion.
        const double cl = std::max(sx, 0.0), ct = std::max(sy, 0.0);
        const double cr = std::min(sx + sw, static_cast<double>(image->width()));
        const double cb = std::min(sy + sh, static_cast<double>(image->height()));
        if (!(cr > cl) || !(cb > ct)) return;  // also refuses NaN coordinates
        const double x0 = x + w * (cl - sx) / sw, x1 = x + w * (cr - sx) / sw;
        const double y0 = y + h * (ct - sy) / sh, y1 = y + h * (cb - sy) / sh;
        DrawImage d;
        d.image = std::move(image);
        d.source = {saturatedInt(std::floor(cl)), saturatedInt(std::floor(ct)), saturatedInt(std::ceil(cr)),
                    saturatedInt(std::ceil(cb))};
        d.topLeft = dev(x0, y0);
        d.topRight = dev(x1, y0);
        d.bottomLeft = dev(x0, y1);
        d.op = op;
        d.useAlpha = alpha;
        d.opacity = std::clamp(opacity, 0.0, 1.0);
        m_canvas.drawImage(d);
    }

    void patBlt(Rect r, std::uint32_t rop) {
        if (m_pathOpen) return;
        const BlitOp op = patternOp(rop);
        if (op == BlitOp::None) return;
        m_canvas.patternBlit(logicalRectPath(r), brushFor(m_dc.brush), op);
    }

    // A WMF Bitmap16: device-dependent pixels; 1-bit ones take the text and background colours.
    std::shared_ptr<const Bitmap> bitmap16(ByteReader& r) const {
        r.u16le("bitmap type");
        const int w = static_cast<std::int16_t>(r.u16le("bitmap width"));
        const int h = static_cast<std::int16_t>(r.u16le("bitmap height"));
        const std::uint16_t widthBytes = r.u16le("bitmap row bytes");
        const std::uint8_t planes = r.u8("bitmap planes"), bits = r.u8("bitmap bits");
        checkDimensions("WMF", w, h, defaultDecodeLimits());
        if (planes != 1 || (bits != 1 && bits != 24 && bits != 32)) return nullptr;
        const auto need = checkedMul(static_cast<std::size_t>(w), bits);
        if (!need || widthBytes < (*need + 7) / 8) return nullptr;
        const auto total = checkedMul(widthBytes, static_cast<std::size_t>(h));
        if (!total || *total > r.remaining()) return nullptr;
        auto out = std::make_shared<Bitmap>(w, h, bits == 1 ? PixelFormat::Bpp1 : PixelFormat::Bpp24);
        if (bits == 1) out->setPalette({m_dc.textColor, m_dc.bkColor});
        for (int yy = 0; yy < h; ++yy) {
            const auto row = r.bytes(widthBytes, "bitmap bits");
            for (int xx = 0; xx < w; ++xx) {
                const auto xs = static_cast<std::size_t>(xx);
                if (bits == 1) {
                    out->setRaw(xx, yy, (row[xs / 8] >> (7 - xs % 8)) & 1u);
                } else {
                    const std::size_t o = xs * (bits / 8);
                    out->setRaw(xx, yy, packRgb({row[o + 2], row[o + 1], row[o]}));
                }
            }
        }
        return out;
    }

    // ---- point lists ------------------------------------------------------------------------
    static std::vector<PointF> points16(ByteReader& r, std::size_t count) {
        if (count > r.remaining() / 4) throw DecodeError("metafile: point count beyond the record");
        std::vector<PointF> pts(count);
        for (auto& p : pts) {
            p.x = static_cast<std::int16_t>(r.u16le("point"));
            p.y = static_cast<std::int16_t>(r.u16le("point"));
        }
        return pts;
    }
    static std::vector<PointF> points32(ByteReader& r, std::size_t count) {
        if (count > r.remaining() / 8) throw DecodeError("metafile: point count beyond the record");
        std::vector<PointF> pts(count);
        for (auto& p : pts) {
            p.x = r.i32le("point");
            p.y = r.i32le("point");
        }
        return pts;
    }
    static double i16(ByteReader& r) { return static_cast<std::int16_t>(r.u16le("parameter")); }
    static float f32(ByteReader& r) {
        const std::uint32_t v = r.u32le("parameter");
        float f;
        std::memcpy(&f, &v, 4);
        return f;
    }
    static Rect rectL(ByteReader& r) {
        Rect rc;
        rc.left = r.i32le("rectangle");
        rc.top = r.i32le("rectangle");
        rc.right = r.i32le("rectangle");
        rc.bottom = r.i32le("rectangle");
        return rc;
    }
    static Rect rect16Reversed(ByteReader& r) {  // WMF order: bottom, right, top, left
        Rect rc;
        rc.bottom = static_cast<std::int16_t>(r.u16le("rectangle"));
        rc.right = static_cast<std::int16_t>(r.u16le("rectangle"));
        rc.top = static_cast<std::int16_t>(r.u16le("rectangle"));
        rc.left = static_cast<std::int16_t>(r.u16le("rectangle"));
        return rc;
    }

    void polyPolygon(const std::vector<std::size_t>& counts, const std::vector<PointF>& pts, bool closed) {
        DrawPath path;
        std::size_t at = 0;
        for (std::size_t n : counts) {
            if (n > pts.size() - at) break;
            for (std::size_t i = 0; i < n; ++i) {
                if (i == 0)
                    path.moveTo(dev(pts[at + i]));
                else
                    path.lineTo(dev(pts[at + i]));
            }
            if (closed && n > 0) path.close();
            at += n;
        }
        output(path, closed, fillRule());
    }

    // ---- WMF --------------------------------------------------------------------------------
    void wmfRecord(const MetafileRecord& rec) {
        ByteReader r(m_mf.params(rec), "WMF");
        const std::uint16_t fn = static_cast<std::uint16_t>(rec.type);
        switch (fn) {
            case 0x001E:
                saveDc();
                break;
            case 0x0127:
                restoreDc(static_cast<std::int16_t>(r.u16le("level")));
                break;
            case 0x0102:
                m_dc.bkMode = r.u16le("mode");
                break;
            case 0x0103: {
                const int mode = r.u16le("mode");
                // The window of a WMF is always fitted to the picture; only the choice between
                // keeping and not keeping its shape is taken from the file.
                m_dc.mapMode = mode == MM_ISOTROPIC ? MM_ISOTROPIC : MM_ANISOTROPIC;
                updateTransform();
                break;
            }
            case 0x0106:
                m_dc.polyFill = r.u16le("mode");
                break;
            case 0x012E:
                m_dc.textAlign = r.u16le("alignment");
                break;
            case 0x0201:
                m_dc.bkColor = resolveColor(r.u32le("colour"));
                break;
            case 0x0209:
                m_dc.textColor = resolveColor(r.u32le("colour"));
                break;
            case 0x020B: {
                const double y = i16(r), x = i16(r);
                m_dc.winOrg = {x, y};
                updateTransform();
                break;
            }
            case 0x020C: {
                const double y = i16(r), x = i16(r);
                m_dc.winExt = {x, y};
                updateTransform();
                break;
            }
            case 0x020F: {
                const double y = i16(r), x = i16(r);
                m_dc.winOrg.x += x, m_dc.winOrg.y += y;
                updateTransform();
                break;
            }
            case 0x0410: {
                const double yd = i16(r), yn = i16(r), xd = i16(r), xn = i16(r);
                if (xd != 0 && yd != 0) m_dc.winExt = {m_dc.winExt.x * xn / xd, m_dc.winExt.y * yn / yd};
                updateTransform();
                break;
            }
            case 0x020D:
            case 0x020E:
            case 0x0211:
            case 0x0412:
                break;  // the viewport is the output
            case 0x0213: {
                const double y = i16(r), x = i16(r);
                lineTo({x, y});
                break;
            }
            case 0x0214: {
                const double y = i16(r), x = i16(r);
                moveTo({x, y});
                break;
            }
            case 0x0220: {
                const double y = i16(r), x = i16(r);
                offsetClip(x, y);
                break;
            }
            case 0x0415:
                addClip(ClipStep::Op::Exclude, logicalRectPath(rect16Reversed(r)));
                break;
            case 0x0416:
                addClip(ClipStep::Op::Intersect, logicalRectPath(rect16Reversed(r)));
                break;
            case 0x012C: {
                const std::uint16_t idx = r.u16le("region");
                if (idx < m_objects.size() && m_objects[idx] &&
                    std::holds_alternative<Region>(*m_objects[idx]))
                    setClipRegion(std::get<Region>(*m_objects[idx]), ClipStep::Op::Replace, false);
                else
                    resetClip();
                break;
            }
            case 0x012D: {
                const std::uint16_t idx = r.u16le("object");
                if (idx < m_objects.size() && m_objects[idx]) selectObject(*m_objects[idx]);
                break;
            }
            case 0x0234: {
                const std::uint16_t idx = r.u16le("palette");
                if (idx < m_objects.size() && m_objects[idx]) selectObject(*m_objects[idx]);
                break;
            }
            case 0x01F0: {
                const std::uint16_t idx = r.u16le("object");
                if (idx < m_objects.size()) m_objects[idx].reset();
                break;
            }
            case 0x02FA: {
                const int slot = addWmfObject(std::monostate{});
                LogPen pen;
                pen.style = r.u16le("pen style");
                pen.width = static_cast<std::int16_t>(r.u16le("pen width"));
                r.u16le("pen width");
                pen.color = resolveColor(r.u32le("pen colour"));
                if (slot >= 0) m_objects[static_cast<std::size_t>(slot)] = pen;
                break;
            }
            case 0x02FC: {
                const int slot = addWmfObject(std::monostate{});
                LogBrush b;
                b.style = r.u16le("brush style");
                b.color = resolveColor(r.u32le("brush colour"));
                b.hatch = r.u16le("brush hatch");
                if (b.style == 3 || b.style == 5 || b.style == 6) b.style = 0;  // no pattern given here
                if (slot >= 0) m_objects[static_cast<std::size_t>(slot)] = b;
                break;
            }
            case 0x02FB: {
                const int slot = addWmfObject(std::monostate{});
                LogFont f;
                f.height = static_cast<std::int16_t>(r.u16le("font height"));
                r.u16le("font width");
                f.escapement = static_cast<std::int16_t>(r.u16le("font escapement"));
                r.u16le("font orientation");
                f.weight = static_cast<std::int16_t>(r.u16le("font weight"));
                f.italic = r.u8("font italic") != 0;
                f.underline = r.u8("font underline") != 0;
                f.strikeOut = r.u8("font strike-out") != 0;
                r.skip(5, "font");
                f.face = faceFromAnsi(r.bytes(std::min<std::size_t>(32, r.remaining()), "font face"));
                if (slot >= 0) m_objects[static_cast<std::size_t>(slot)] = f;
                break;
            }
            case 0x00F7: {
                const int slot = addWmfObject(std::monostate{});
                r.u16le("palette start");
                const std::uint16_t n = r.u16le("palette entries");
                LogPalette pal;
                for (std::uint16_t i = 0; i < n && r.remaining() >= 4; ++i) {
                    const auto e = r.bytes(4, "palette entry");
                    pal.entries.push_back({e[0], e[1], e[2]});
                }
                if (slot >= 0) m_objects[static_cast<std::size_t>(slot)] = pal;
                break;
            }
            case 0x01F9: {  // pattern brush from a Bitmap16
                const int slot = addWmfObject(std::monostate{});
                LogBrush b;
                b.style = 3;
                // The Bitmap16 header is followed by 18 reserved bytes before the bits.
                const auto all = r.data();
                if (all.size() >= 28) {
                    std::vector<std::uint8_t> joined(all.begin(), all.begin() + 10);
                    joined.insert(joined.end(), all.begin() + 28, all.end());
                    ByteReader br(joined, "WMF");
                    auto bmp = bitmap16(br);
                    b.mono = bmp && bmp->pixelFormat() == PixelFormat::Bpp1;
                    b.pattern = std::move(bmp);
                }
                if (slot >= 0) m_objects[static_cast<std::size_t>(slot)] = b;
                break;
            }
            case 0x0142: {
                const int slot = addWmfObject(std::monostate{});
                LogBrush b;
                const std::uint16_t style = r.u16le("brush style");
                const std::uint16_t usage = r.u16le("colour usage");
                b.style = 5;
                const auto rest = r.bytes(r.remaining(), "pattern");
                if (style == 3) {  // a Bitmap16 in place of the DIB
                    ByteReader br(rest, "WMF");
                    auto bmp = bitmap16(br);
                    b.mono = bmp && bmp->pixelFormat() == PixelFormat::Bpp1;
                    b.pattern = std::move(bmp);
                } else {
                    b.pattern = dib(rest, {}, usage);
                }
                if (slot >= 0) m_objects[static_cast<std::size_t>(slot)] = b;
                break;
            }
            case 0x06FF: {
                const int slot = addWmfObject(std::monostate{});
                Region rgn;
                r.skip(10, "region header");
                const int scans = r.u16le("scan count");
                r.skip(2, "region header");
                const Rect box{static_cast<std::int16_t>(r.u16le("region box")),
                               static_cast<std::int16_t>(r.u16le("region box")),
                               static_cast<std::int16_t>(r.u16le("region box")),
                               static_cast<std::int16_t>(r.u16le("region box"))};
                try {
                    for (int s = 0; s < scans; ++s) {
                        const std::uint16_t count = r.u16le("scan");
                        const int top = static_cast<std::int16_t>(r.u16le("scan")),
                                  bottom = static_cast<std::int16_t>(r.u16le("scan"));
                        for (std::uint16_t i = 0; i + 1 < count; i += 2) {
                            const int left = static_cast<std::int16_t>(r.u16le("scan")),
                                      right = static_cast<std::int16_t>(r.u16le("scan"));
                            rgn.rects.push_back({left, top, right, bottom});
                        }
                        r.u16le("scan");
                    }
                } catch (const DecodeError&) {
                    rgn.rects = {box};  // a damaged scan list: the bounding box stands in
                }
                if (scans == 0 && rgn.rects.empty() && box.right > box.left && box.bottom > box.top)
                    rgn.rects = {box};
                if (slot >= 0) m_objects[static_cast<std::size_t>(slot)] = rgn;
                break;
            }
            case 0x0228:
            case 0x012B: {  // fill / paint region
                const std::uint16_t idx = r.u16le("region");
                LogBrush brush = m_dc.brush;
                if (fn == 0x0228) {
                    const std::uint16_t b = r.u16le("brush");
                    if (b < m_objects.size() && m_objects[b] &&
                        std::holds_alternative<LogBrush>(*m_objects[b]))
                        brush = std::get<LogBrush>(*m_objects[b]);
                }
                if (idx < m_objects.size() && m_objects[idx] &&
                    std::holds_alternative<Region>(*m_objects[idx]) && !m_pathOpen) {
                    const DrawBrush db = brushFor(brush);
                    if (db.visible())
                        m_canvas.fillPath(regionPath(std::get<Region>(*m_objects[idx]), false),
                                          FillRule::EvenOdd, db);
                }
                break;
            }
            case 0x0324:
            case 0x0325: {
                const std::size_t n = r.u16le("point count");
                const auto pts = points16(r, n);
                if (fn == 0x0324)
                    output(polyPath(pts, true), true, fillRule());
                else
                    output(polyPath(pts, false), false);
                break;
            }
            case 0x0538: {
                const std::size_t polys = r.u16le("polygon count");
                if (polys > r.remaining() / 2) throw DecodeError("WMF: polygon count beyond the record");
                std::vector<std::size_t> counts(polys);
                std::size_t total = 0;
                for (auto& c : counts) total += (c = r.u16le("polygon points"));
                polyPolygon(counts, points16(r, total), true);
                break;
            }
            case 0x041B:
                rectangle(rect16Reversed(r));
                break;
            case 0x0418:
                ellipse(rect16Reversed(r));
                break;
            case 0x061C: {
                const double h = i16(r), w = i16(r);
                roundRect(rect16Reversed(r), w, h);
                break;
            }
            case 0x0817:
            case 0x081A:
            case 0x0830: {
                const double ye = i16(r), xe = i16(r), ys = i16(r), xs = i16(r);
                const Rect rc = rect16Reversed(r);
                arc(fn == 0x0817   ? ArcKind::Arc
                    : fn == 0x081A ? ArcKind::Pie
                                   : ArcKind::Chord,
                    rc, {xs, ys}, {xe, ye});
                break;
            }
            case 0x041F: {
                const Color c = resolveColor(r.u32le("colour"));
                const double y = i16(r), x = i16(r);
                setPixel({x, y}, c);
                break;
            }
            case 0x0521: {
                const std::uint16_t n = r.u16le("string length");
                const auto s = r.bytes(n, "string");
                if (n & 1) r.skip(1, "string padding");
                const double y = i16(r), x = i16(r);
                std::u16string text;
                for (std::uint8_t b : s) text.push_back(ansiChar(b));
                textOut({x, y}, std::move(text), {}, 0, std::nullopt);
                break;
            }
            case 0x0A32: {
                const double y = i16(r), x = i16(r);
                const std::uint16_t n = r.u16le("string length");
                const std::uint16_t options = r.u16le("options");
                std::optional<Rect> rc;
                if (options & (kEtoOpaque | kEtoClipped)) {
                    Rect box;
                    box.left = static_cast<std::int16_t>(r.u16le("rectangle"));
                    box.top = static_cast<std::int16_t>(r.u16le("rectangle"));
                    box.right = static_cast<std::int16_t>(r.u16le("rectangle"));
                    box.bottom = static_cast<std::int16_t>(r.u16le("rectangle"));
                    rc = box;
                }
                const auto s = r.bytes(n, "string");
                if (n & 1 && r.remaining() > 0) r.skip(1, "string padding");
                std::vector<double> dx;
                if (r.remaining() >= std::size_t{n} * 2)
                    for (std::uint16_t i = 0; i < n; ++i) dx.push_back(i16(r));
                std::u16string text;
                for (std::uint8_t b : s) text.push_back(ansiChar(b));
                textOut({x, y}, std::move(text), dx, options, rc);
                break;
            }
            case 0x061D: {
                const std::uint32_t rop = r.u32le("raster operation");
                const double h = i16(r), w = i16(r), y = i16(r), x = i16(r);
                patBlt({saturatedInt(x), saturatedInt(y), saturatedInt(x + w), saturatedInt(y + h)}, rop);
                break;
            }
            case 0x0922:
            case 0x0940:
            case 0x0B23:
            case 0x0B41:
                wmfBlit(fn, rec, r);
                break;
            case 0x0F43: {
                const std::uint32_t rop = r.u32le("raster operation");
                const std::uint16_t usage = r.u16le("colour usage");
                const double sh = i16(r), sw = i16(r), sy = i16(r), sx = i16(r);
                const double dh = i16(r), dw = i16(r), dy = i16(r), dxv = i16(r);
                const auto info = r.bytes(r.remaining(), "DIB");
                auto image = dib(info, {}, usage);
                if (!image) break;
                const double top = dibBottomUp(info) ? image->height() - sy - sh : sy;
                blit(image, sx, top, sw, sh, dxv, dy, dw, dh, sourceOp(rop));
                break;
            }
            case 0x0D33: {
                const std::uint16_t usage = r.u16le("colour usage");
                r.u16le("scan count");
                r.u16le("start scan");
                const double sy = i16(r), sx = i16(r), h = i16(r), w = i16(r), dy = i16(r), dxv = i16(r);
                const auto info = r.bytes(r.remaining(), "DIB");
                auto image = dib(info, {}, usage);
                if (!image) break;
                const double top = dibBottomUp(info) ? image->height() - sy - h : sy;
                blit(image, sx, top, w, h, dxv, dy, w, h, BlitOp::Copy);
                break;
            }
            default:
                break;  // palettes animation, escapes, flood fills and the rest draw nothing here
        }
    }

    void wmfBlit(std::uint16_t fn, const MetafileRecord& rec, ByteReader& r) {
        const bool stretch = fn == 0x0B23 || fn == 0x0B41;
        const bool withDib = fn == 0x0940 || fn == 0x0B41;
        // Records without a bitmap are (function >> 8) + 3 words long and carry a reserved word.
        const bool noBitmap = rec.size / 2 == static_cast<std::size_t>((fn >> 8) + 3);
        const std::uint32_t rop = r.u32le("raster operation");
        double sh = 0, sw = 0;
        if (stretch) sh = i16(r), sw = i16(r);
        const double sy = i16(r), sx = i16(r);
        if (noBitmap) r.u16le("reserved");
        const double dh = i16(r), dw = i16(r), dy = i16(r), dxv = i16(r);
        if (!stretch) sh = dh, sw = dw;
        const Rect destRect{saturatedInt(dxv), saturatedInt(dy), saturatedInt(dxv + dw),
                            saturatedInt(dy + dh)};
        if (noBitmap || !usesSource(rop)) {
            patBlt(destRect, rop);
            return;
        }
        std::shared_ptr<const Bitmap> image;
        double top = sy;
        if (withDib) {
            const auto info = r.bytes(r.remaining(), "DIB");
            image = dib(info, {}, 0);
            if (image && dibBottomUp(info)) top = image->height() - sy - sh;
        } else {
            image = bitmap16(r);
        }
        blit(image, sx, top, sw, sh, dxv, dy, dw, dh, sourceOp(rop));
    }

    // ---- EMF --------------------------------------------------------------------------------
    std::span<const std::uint8_t> at(const MetafileRecord& rec, std::uint32_t offset,
                                     std::uint32_t size) const {
        if (size == 0) return {};
        if (offset > rec.size || size > rec.size - offset)
            throw DecodeError("EMF: data offset beyond its record");
        return m_mf.bytes(rec).subspan(offset, size);
    }

    Region rgnData(ByteReader& r, std::uint32_t size) const {
        Region rgn;
        if (size < 32) return rgn;
        const auto data = r.bytes(size, "region");
        ByteReader rr(data, "EMF");
        rr.u32le("region header");
        rr.u32le("region header");
        const std::uint32_t count = rr.u32le("region rectangle count");
        rr.skip(20, "region header");
        if (count > rr.remaining() / 16) throw DecodeError("EMF: region rectangle count beyond the record");
        for (std::uint32_t i = 0; i < count; ++i) rgn.rects.push_back(rectL(rr));
        return rgn;
    }

    void emfBlit(const MetafileRecord& rec, ByteReader& r, std::uint32_t type) {
        r.skip(16, "bounds");
        const double x = r.i32le("destination"), y = r.i32le("destination");
        const double w = r.i32le("destination"), h = r.i32le("destination");
        std::uint32_t rop = r.u32le("raster operation");
        const Rect dest{saturatedInt(x), saturatedInt(y), saturatedInt(x + w), saturatedInt(y + h)};
        if (type != 114 && type != 116 && !usesSource(rop)) {
            patBlt(dest, rop);  // the source fields do not matter
            return;
        }
        const double sx = r.i32le("source"), sy = r.i32le("source");
        Matrix srcForm;
        srcForm.m11 = f32(r), srcForm.m12 = f32(r), srcForm.m21 = f32(r), srcForm.m22 = f32(r);
        srcForm.dx = f32(r), srcForm.dy = f32(r);
        const std::uint32_t bkColorSrc = r.u32le("source background");
        const std::uint32_t usage = r.u32le("colour usage");
        const std::uint32_t offBmi = r.u32le("offset"), cbBmi = r.u32le("size");
        const std::uint32_t offBits = r.u32le("offset"), cbBits = r.u32le("size");
        double sw = w, sh = h;
        if (type != 76 && r.remaining() >= 8) sw = r.i32le("source size"), sh = r.i32le("source size");
        bool alpha = false;
        double opacity = 1;
        if (type == 114) {  // blend function in place of the raster operation
            opacity = ((rop >> 16) & 0xFF) / 255.0;
            alpha = ((rop >> 24) & 1) != 0;
            rop = 0x00CC0020;
        }
        if (cbBmi == 0) {
            if (type != 114 && type != 116) patBlt(dest, rop);
            return;
        }
        auto image = dib(at(rec, offBmi, cbBmi), at(rec, offBits, cbBits), usage);
        if (!image) return;
        if (type == 116) {  // the colour named in place of the operation is left undrawn
            auto keyed = std::make_shared<Bitmap>(*image);
            keyed->setTransparent(true);
            keyed->setTransparentColor(colorRef(rop));
            image = std::move(keyed);
            rop = 0x00CC0020;
        }
        (void)bkColorSrc;
        // The source position is in the source's own units: apply its scale and offset.
        const PointF s0 = srcForm.map(sx, sy);
        const PointF sv = srcForm.mapVector(sw, sh);
        blit(image, s0.x, s0.y, sv.x, sv.y, x, y, w, h, sourceOp(rop), alpha, opacity);
    }

    void emfRecord(const MetafileRecord& rec) {
        ByteReader r(m_mf.params(rec), "EMF");
        switch (rec.type) {
            case 2:
            case 3:
            case 4:
            case 5:
            case 6:
            case 85:
            case 86:
            case 87:
            case 88:
            case 89: {
                r.skip(16, "bounds");
                const std::size_t n = r.u32le("point count");
                const auto pts = rec.type >= 85 ? points16(r, n) : points32(r, n);
                switch (rec.type) {
                    case 2:
                    case 85:
                        polyBezier(pts, false);
                        break;
                    case 3:
                    case 86:
                        output(polyPath(pts, true), true, fillRule());
                        break;
                    case 4:
                    case 87:
                        output(polyPath(pts, false), false);
                        break;
                    case 5:
                    case 88:
                        polyBezier(pts, true);
                        break;
                    default:
                        polylineTo(pts);
                        break;
                }
                break;
            }
            case 7:
            case 8:
            case 90:
            case 91: {
                r.skip(16, "bounds");
                const std::size_t polys = r.u32le("figure count");
                const std::size_t total = r.u32le("point count");
                if (polys > r.remaining() / 4) throw DecodeError("EMF: figure count beyond the record");
                std::vector<std::size_t> counts(polys);
                for (auto& c : counts) c = r.u32le("figure points");
                const auto pts = rec.type >= 90 ? points16(r, total) : points32(r, total);
                polyPolygon(counts, pts, rec.type == 8 || rec.type == 91);
                break;
            }
            case 56:
            case 92: {
                r.skip(16, "bounds");
                const std::size_t n = r.u32le("point count");
                const auto pts = rec.type == 92 ? points16(r, n) : points32(r, n);
                polyDraw(pts, r.bytes(std::min(n, r.remaining()), "point types"));
                break;
            }
            case 9:
                m_dc.winExt = {static_cast<double>(r.i32le("x")), static_cast<double>(r.i32le("y"))};
                updateTransform();
                break;
            case 10:
                m_dc.winOrg = {static_cast<double>(r.i32le("x")), static_cast<double>(r.i32le("y"))};
                updateTransform();
                break;
            case 11:
                m_dc.vpExt = {static_cast<double>(r.i32le("x")), static_cast<double>(r.i32le("y"))};
                updateTransform();
                break;
            case 12:
                m_dc.vpOrg = {static_cast<double>(r.i32le("x")), static_cast<double>(r.i32le("y"))};
                updateTransform();
                break;
            case 31:
            case 32: {
                const double xn = r.i32le("scale"), xd = r.i32le("scale"), yn = r.i32le("scale"),
                             yd = r.i32le("scale");
                PointF& ext = rec.type == 31 ? m_dc.vpExt : m_dc.winExt;
                if (xd != 0 && yd != 0) ext = {ext.x * xn / xd, ext.y * yn / yd};
                updateTransform();
                break;
            }
            case 15: {
                const double x = r.i32le("x"), y = r.i32le("y");
                setPixel({x, y}, resolveColor(r.u32le("colour")));
                break;
            }
            case 17:
                m_dc.mapMode = static_cast<int>(r.u32le("mode"));
                updateTransform();
                break;
            case 18:
                m_dc.bkMode = static_cast<int>(r.u32le("mode"));
                break;
            case 19:
                m_dc.polyFill = static_cast<int>(r.u32le("mode"));
                break;
            case 22:
                m_dc.textAlign = r.u32le("alignment");
                break;
            case 24:
                m_dc.textColor = resolveColor(r.u32le("colour"));
                break;
            case 25:
                m_dc.bkColor = resolveColor(r.u32le("colour"));
                break;
            case 26: {
                const double x = r.i32le("x"), y = r.i32le("y");
                offsetClip(x, y);
                break;
            }
            case 27: {
                const double x = r.i32le("x"), y = r.i32le("y");
                moveTo({x, y});
                break;
            }
            case 29:
                addClip(ClipStep::Op::Exclude, logicalRectPath(rectL(r)));
                break;
            case 30:
                addClip(ClipStep::Op::Intersect, logicalRectPath(rectL(r)));
                break;
            case 33:
                saveDc();
                break;
            case 34:
                restoreDc(r.i32le("level"));
                break;
            case 35:
            case 36: {
                Matrix m;
                m.m11 = f32(r), m.m12 = f32(r), m.m21 = f32(r), m.m22 = f32(r), m.dx = f32(r), m.dy = f32(r);
                const std::uint32_t mode = rec.type == 35 ? 4 : r.u32le("mode");
                if (!m.finite()) break;
                switch (mode) {
                    case 1:
                        m_dc.world = Matrix{};
                        break;
                    case 2:
                        m_dc.world = m.then(m_dc.world);
                        break;
                    case 3:
                        m_dc.world = m_dc.world.then(m);
                        break;
                    case 4:
                        m_dc.world = m;
                        break;
                    default:
                        break;
                }
                updateTransform();
                break;
            }
            case 37: {
                const std::uint32_t idx = r.u32le("object");
                if (idx & 0x80000000u)
                    selectStock(idx & 0x7FFFFFFFu);
                else if (idx < m_objects.size() && m_objects[idx])
                    selectObject(*m_objects[idx]);
                break;
            }
            case 48: {
                const std::uint32_t idx = r.u32le("palette");
                if (idx & 0x80000000u)
                    selectStock(idx & 0x7FFFFFFFu);
                else if (idx < m_objects.size() && m_objects[idx])
                    selectObject(*m_objects[idx]);
                break;
            }
            case 40: {
                const std::uint32_t idx = r.u32le("object");
                if (idx < m_objects.size()) m_objects[idx].reset();
                break;
            }
            case 38: {
                const std::uint32_t idx = r.u32le("object");
                LogPen pen;
                pen.style = r.u32le("pen style");
                pen.width = r.i32le("pen width");
                r.i32le("pen width");
                pen.color = resolveColor(r.u32le("pen colour"));
                setEmfObject(idx, pen);
                break;
            }
            case 95: {
                const std::uint32_t idx = r.u32le("object");
                r.skip(16, "pattern");
                LogPen pen;
                pen.extended = true;
                pen.style = r.u32le("pen style");
                pen.width = r.u32le("pen width");
                const std::uint32_t brushStyle = r.u32le("pen brush style");
                pen.color = resolveColor(r.u32le("pen colour"));
                if (brushStyle == 1) pen.style = (pen.style & ~0xFu) | 5;  // a hollow brush draws nothing
                setEmfObject(idx, pen);
                break;
            }
            case 39: {
                const std::uint32_t idx = r.u32le("object");
                LogBrush b;
                b.style = r.u32le("brush style");
                b.color = resolveColor(r.u32le("brush colour"));
                b.hatch = r.u32le("brush hatch");
                if (b.style == 3 || b.style == 5 || b.style == 6) b.style = 0;
                setEmfObject(idx, b);
                break;
            }
            case 93:
            case 94: {
                const std::uint32_t idx = r.u32le("object");
                const std::uint32_t usage = r.u32le("colour usage");
                const std::uint32_t offBmi = r.u32le("offset"), cbBmi = r.u32le("size");
                const std::uint32_t offBits = r.u32le("offset"), cbBits = r.u32le("size");
                LogBrush b;
                b.style = 5;
                b.pattern = dib(at(rec, offBmi, cbBmi), at(rec, offBits, cbBits), rec.type == 93 ? 0 : usage);
                b.mono = rec.type == 93 && b.pattern && b.pattern->pixelFormat() == PixelFormat::Bpp1;
                setEmfObject(idx, b);
                break;
            }
            case 82: {
                const std::uint32_t idx = r.u32le("object");
                LogFont f;
                f.height = r.i32le("font height");
                r.i32le("font width");
                f.escapement = r.i32le("font escapement");
                r.i32le("font orientation");
                f.weight = r.i32le("font weight");
                f.italic = r.u8("font italic") != 0;
                f.underline = r.u8("font underline") != 0;
                f.strikeOut = r.u8("font strike-out") != 0;
                r.skip(5, "font");
                f.face = faceFromUtf16(r.bytes(std::min<std::size_t>(64, r.remaining()), "font face"));
                setEmfObject(idx, f);
                break;
            }
            case 49: {
                const std::uint32_t idx = r.u32le("object");
                r.u16le("palette version");
                const std::uint16_t n = r.u16le("palette entries");
                LogPalette pal;
                for (std::uint16_t i = 0; i < n && r.remaining() >= 4; ++i) {
                    const auto e = r.bytes(4, "palette entry");
                    pal.entries.push_back({e[0], e[1], e[2]});
                }
                setEmfObject(idx, pal);
                break;
            }
            case 41: {
                const double cx = r.i32le("centre"), cy = r.i32le("centre");
                const double radius = r.u32le("radius");
                const double start = f32(r), sweep = f32(r);
                if (!std::isfinite(start) || !std::isfinite(sweep)) break;
                const double sign = anticlockwiseSign();
                const double t0 = sign * start * kPi / 180,
                             sw = std::clamp(sign * sweep * kPi / 180, -2 * kPi, 2 * kPi);
                DrawPath local;
                if (m_pathOpen && pathFull()) break;
                DrawPath& path = m_pathOpen ? m_path : local;
                if (m_pathOpen)
                    ensurePathStart();
                else
                    path.moveTo(dev(m_dc.curPos));
                if (sw != 0) appendArc(path, {cx, cy}, radius, radius, t0, sw, true);
                m_dc.curPos = {cx + radius * std::cos(t0 + sw), cy + radius * std::sin(t0 + sw)};
                if (!m_pathOpen) output(local, false);
                break;
            }
            case 42:
                ellipse(rectL(r));
                break;
            case 43:
                rectangle(rectL(r));
                break;
            case 44: {
                const Rect rc = rectL(r);
                const double w = r.i32le("corner"), h = r.i32le("corner");
                roundRect(rc, w, h);
                break;
            }
            case 45:
            case 46:
            case 47:
            case 55: {
                const Rect rc = rectL(r);
                const double xs = r.i32le("start"), ys = r.i32le("start"), xe = r.i32le("end"),
                             ye = r.i32le("end");
                const ArcKind kind = rec.type == 45   ? ArcKind::Arc
                                     : rec.type == 46 ? ArcKind::Chord
                                     : rec.type == 47 ? ArcKind::Pie
                                                      : ArcKind::ArcTo;
                arc(kind, rc, {xs, ys}, {xe, ye});
                break;
            }
            case 54: {
                const double x = r.i32le("x"), y = r.i32le("y");
                lineTo({x, y});
                break;
            }
            case 57:
                m_dc.arcDirection = static_cast<int>(r.u32le("direction"));
                break;
            case 58: {
                const float limit = f32(r);
                if (std::isfinite(limit) && limit >= 1) m_dc.miterLimit = limit;
                break;
            }
            case 59:
                m_pathOpen = true;
                m_path = DrawPath{};
                m_pathNeedsMove = true;
                break;
            case 60:
                m_pathOpen = false;
                break;
            case 61:
                m_path.close();
                m_pathNeedsMove = false;
                break;
            case 62:
            case 63:
            case 64: {
                if (m_pathOpen) break;
                const DrawPath path = std::move(m_path);
                m_path = DrawPath{};
                if (path.empty()) break;
                if (rec.type != 64) {
                    const DrawBrush brush = brushFor(m_dc.brush);
                    if (brush.visible()) m_canvas.fillPath(path, fillRule(), brush);
                }
                if (rec.type != 62) {
                    const DrawPen pen = devicePen();
                    if (pen.visible()) m_canvas.strokePath(path, pen);
                }
                break;
            }
            case 67: {
                const std::uint32_t mode = r.u32le("mode");
                if (m_pathOpen) break;
                addClip(clipOp(mode), std::move(m_path));
                m_path = DrawPath{};
                break;
            }
            case 68:
                m_pathOpen = false;
                m_path = DrawPath{};
                break;
            case 71:
            case 74: {
                r.skip(16, "bounds");
                const std::uint32_t size = r.u32le("region size");
                LogBrush brush = m_dc.brush;
                if (rec.type == 71) {
                    const std::uint32_t b = r.u32le("brush");
                    if (b & 0x80000000u) {
                        const DcState saved = m_dc;
                        selectStock(b & 0x7FFFFFFFu);
                        brush = m_dc.brush;
                        m_dc = saved;
                    } else if (b < m_objects.size() && m_objects[b] &&
                               std::holds_alternative<LogBrush>(*m_objects[b])) {
                        brush = std::get<LogBrush>(*m_objects[b]);
                    }
                }
                const Region rgn = rgnData(r, size);
                const DrawBrush db = brushFor(brush);
                if (db.visible() && !m_pathOpen)
                    m_canvas.fillPath(regionPath(rgn, false), FillRule::EvenOdd, db);
                break;
            }
            case 75: {
                const std::uint32_t size = r.u32le("region size");
                const std::uint32_t mode = r.u32le("mode");
                if (size < 32) {
                    if (mode == 5) resetClip();
                    break;
                }
                setClipRegion(rgnData(r, size), clipOp(mode), true);
                break;
            }
            case 76:
            case 77:
            case 114:
            case 116:
                emfBlit(rec, r, rec.type);
                break;
            case 78:
            case 79: {  // mask and parallelogram blits: drawn as plain copies
                r.skip(16, "bounds");
                if (rec.type == 79) {
                    std::array<PointF, 3> p{};
                    for (auto& q : p)
                        q = {static_cast<double>(r.i32le("point")), static_cast<double>(r.i32le("point"))};
                    const double sx = r.i32le("source"), sy = r.i32le("source"), sw = r.i32le("source"),
                                 sh = r.i32le("source");
                    r.skip(24 + 4, "source transform");
                    const std::uint32_t usage = r.u32le("colour usage");
                    const std::uint32_t offBmi = r.u32le("offset"), cbBmi = r.u32le("size");
                    const std::uint32_t offBits = r.u32le("offset"), cbBits = r.u32le("size");
                    auto image = dib(at(rec, offBmi, cbBmi), at(rec, offBits, cbBits), usage);
                    if (!image || sw <= 0 || sh <= 0 || m_pathOpen) break;
                    const Rect src{saturatedInt(sx), saturatedInt(sy), saturatedInt(sx + sw),
                                   saturatedInt(sy + sh)};
                    if (src.left < 0 || src.top < 0 || src.right > image->width() ||
                        src.bottom > image->height())
                        break;
                    DrawImage d;
                    d.image = image;
                    d.source = src;
                    d.topLeft = dev(p[0]);
                    d.topRight = dev(p[1]);
                    d.bottomLeft = dev(p[2]);
                    m_canvas.drawImage(d);
                } else {
                    emfBlit(rec, r, 76);
                }
                break;
            }
            case 80: {
                r.skip(16, "bounds");
                const double x = r.i32le("destination"), y = r.i32le("destination");
                const double sx = r.i32le("source"), sy = r.i32le("source"), sw = r.i32le("source"),
                             sh = r.i32le("source");
                const std::uint32_t offBmi = r.u32le("offset"), cbBmi = r.u32le("size");
                const std::uint32_t offBits = r.u32le("offset"), cbBits = r.u32le("size");
                const std::uint32_t usage = r.u32le("colour usage");
                const auto info = at(rec, offBmi, cbBmi);
                auto image = dib(info, at(rec, offBits, cbBits), usage);
                if (!image) break;
                const double top = dibBottomUp(info) ? image->height() - sy - sh : sy;
                blit(image, sx, top, sw, sh, x, y, sw, sh, BlitOp::Copy);
                break;
            }
            case 81: {
                r.skip(16, "bounds");
                const double x = r.i32le("destination"), y = r.i32le("destination");
                const double sx = r.i32le("source"), sy = r.i32le("source"), sw = r.i32le("source"),
                             sh = r.i32le("source");
                const std::uint32_t offBmi = r.u32le("offset"), cbBmi = r.u32le("size");
                const std::uint32_t offBits = r.u32le("offset"), cbBits = r.u32le("size");
                const std::uint32_t usage = r.u32le("colour usage");
                const std::uint32_t rop = r.u32le("raster operation");
                const double w = r.i32le("destination"), h = r.i32le("destination");
                if (cbBmi == 0 || !usesSource(rop)) {
                    patBlt({saturatedInt(x), saturatedInt(y), saturatedInt(x + w), saturatedInt(y + h)}, rop);
                    break;
                }
                const auto info = at(rec, offBmi, cbBmi);
                auto image = dib(info, at(rec, offBits, cbBits), usage);
                if (!image) break;
                const double top = dibBottomUp(info) ? image->height() - sy - sh : sy;
                blit(image, sx, top, sw, sh, x, y, w, h, sourceOp(rop));
                break;
            }
            case 83:
            case 84:
                emfText(rec, r, rec.type == 84);
                break;
            case 118:
                gradientFill(r);
                break;
            case 96:
            case 97: {
                r.skip(16 + 4 + 8, "text header");
                const std::uint32_t count = r.u32le("string count");
                for (std::uint32_t i = 0; i < count && r.remaining() >= 40; ++i)
                    emfTextBlock(rec, r, rec.type == 97);
                break;
            }
            default:
                break;  // comments (including EMF+), palettes, colour management and the rest
        }
    }

    // Rectangles shaded across or down from one vertex colour to another; triangles are filled
    // with the mean of their corners.
    void gradientFill(ByteReader& r) {
        if (m_pathOpen) return;
        r.skip(16, "bounds");
        const std::uint32_t nVer = r.u32le("vertex count"), nTri = r.u32le("shape count"),
                            mode = r.u32le("mode");
        if (nVer > r.remaining() / 16) throw DecodeError("EMF: vertex count beyond the record");
        struct Vertex {
            double x, y;
            Color c;
        };
        std::vector<Vertex> v(nVer);
        for (auto& q : v) {
            q.x = r.i32le("vertex");
            q.y = r.i32le("vertex");
            const auto red = static_cast<std::uint8_t>(r.u16le("vertex") >> 8);
            const auto green = static_cast<std::uint8_t>(r.u16le("vertex") >> 8);
            const auto blue = static_cast<std::uint8_t>(r.u16le("vertex") >> 8);
            r.u16le("vertex");
            q.c = {red, green, blue};
        }
        const std::size_t per = mode == 2 ? 12 : 8;
        if (nTri > r.remaining() / per) throw DecodeError("EMF: gradient count beyond the record");
        for (std::uint32_t i = 0; i < nTri; ++i) {
            if (mode == 2) {
                const std::uint32_t a = r.u32le("triangle"), b = r.u32le("triangle"), c = r.u32le("triangle");
                if (a >= nVer || b >= nVer || c >= nVer) continue;
                DrawBrush brush;
                brush.color = {static_cast<std::uint8_t>((v[a].c.r + v[b].c.r + v[c].c.r) / 3),
                               static_cast<std::uint8_t>((v[a].c.g + v[b].c.g + v[c].c.g) / 3),
                               static_cast<std::uint8_t>((v[a].c.b + v[b].c.b + v[c].c.b) / 3)};
                m_canvas.fillPath(polyPath({{v[a].x, v[a].y}, {v[b].x, v[b].y}, {v[c].x, v[c].y}}, true),
                                  FillRule::Winding, brush);
                continue;
            }
            const std::uint32_t a = r.u32le("rectangle"), b = r.u32le("rectangle");
            if (a >= nVer || b >= nVer) continue;
            const bool across = mode == 0;
            const PointF p0 = dev(v[a].x, v[a].y), p1 = dev(v[b].x, v[b].y);
            const double span = across ? std::abs(p1.x - p0.x) : std::abs(p1.y - p0.y);
            const int steps = std::clamp(saturatedInt(std::ceil(span)), 1, 4096);
            auto ramp = std::make_shared<Bitmap>(across ? steps : 1, across ? 1 : steps, PixelFormat::Bpp24);
            for (int k = 0; k < steps; ++k) {
                const double t = steps == 1 ? 0 : static_cast<double>(k) / (steps - 1);
                auto mix = [&](std::uint8_t x, std::uint8_t y) {
                    return static_cast<std::uint8_t>(std::lround(x + (y - x) * t));
                };
                const Color c{mix(v[a].c.r, v[b].c.r), mix(v[a].c.g, v[b].c.g), mix(v[a].c.b, v[b].c.b)};
                ramp->setPixel(across ? k : 0, across ? 0 : k, c);
            }
            blit(ramp, 0, 0, ramp->width(), ramp->height(), v[a].x, v[a].y, v[b].x - v[a].x, v[b].y - v[a].y,
                 BlitOp::Copy);
        }
    }

    static ClipStep::Op clipOp(std::uint32_t mode) {
        switch (mode) {
            case 2:
                return ClipStep::Op::Unite;
            case 3:
                return ClipStep::Op::Xor;
            case 4:
                return ClipStep::Op::Exclude;
            case 5:
                return ClipStep::Op::Replace;
            default:
                return ClipStep::Op::Intersect;
        }
    }

    void emfText(const MetafileRecord& rec, ByteReader& r, bool wide) {
        r.skip(16 + 4 + 8, "text header");
        emfTextBlock(rec, r, wide);
    }

    void emfTextBlock(const MetafileRecord& rec, ByteReader& r, bool wide) {
        const double x = r.i32le("reference"), y = r.i32le("reference");
        const std::uint32_t n = r.u32le("character count");
        const std::uint32_t offString = r.u32le("string offset");
        const std::uint32_t options = r.u32le("options");
        std::optional<Rect> rc;
        if (!(options & kEtoNoRect)) rc = rectL(r);
        const std::uint32_t offDx = r.u32le("spacing offset");
        if (n > rec.size) throw DecodeError("EMF: character count beyond the record");
        const auto s = at(rec, offString, wide ? n * 2 : n);
        std::u16string text;
        for (std::uint32_t i = 0; i < n; ++i)
            text.push_back(wide ? static_cast<char16_t>(s[2 * i] | (s[2 * i + 1] << 8)) : ansiChar(s[i]));
        std::vector<double> dx;
        const std::uint32_t per = (options & kEtoPdy) ? 2 : 1;
        if (offDx != 0 && offDx <= rec.size && (rec.size - offDx) / 4 >= std::size_t{n} * per) {
            ByteReader dr(at(rec, offDx, n * per * 4), "EMF");
            for (std::uint32_t i = 0; i < n; ++i) {
                dx.push_back(dr.i32le("spacing"));
                if (per == 2) dr.i32le("spacing");
            }
        }
        if (!(rc && rc->right > rc->left && rc->bottom > rc->top)) rc.reset();
        // Glyph indices name glyphs of the recording font, not characters: drawing them as
        // text would show other letters, so only the background box is drawn.
        if (options & kEtoGlyphIndex) text.clear();
        textOut({x, y}, std::move(text), dx, options, rc);
    }

    const Metafile& m_mf;
    BudgetCanvas m_budget;
    MetafileCanvas& m_canvas;
    bool m_wmf;
    double m_pxPerMmX = 96 / 25.4, m_pxPerMmY = 96 / 25.4;
    Matrix m_device;      // reference device -> output
    Matrix m_full;        // logical -> output
    Matrix m_pageDevice;  // page space -> output
    DcState m_dc;
    std::vector<DcState> m_saved;
    std::size_t m_lostSaves = 0;
    std::vector<std::optional<GdiObject>> m_objects;
    bool m_pathOpen = false;
    bool m_pathNeedsMove = true;
    DrawPath m_path;
};

}  // namespace

void playMetafile(const Metafile& metafile, MetafileCanvas& canvas, int width, int height) {
    Player player(metafile, canvas, width, height);
    player.run();
}

Bitmap renderMetafile(const Metafile& metafile) {
    checkDimensions("Metafile", metafile.width, metafile.height, defaultDecodeLimits());
    std::unique_ptr<MetafileCanvas> canvas;
    if (auto factory = metafileCanvasFactory()) canvas = factory(metafile.width, metafile.height);
    if (!canvas) canvas = makeRasterCanvas(metafile.width, metafile.height);
    playMetafile(metafile, *canvas, metafile.width, metafile.height);
    return canvas->result();
}

}  // namespace vexilo
