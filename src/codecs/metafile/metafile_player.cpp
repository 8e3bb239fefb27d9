// The metafile player's device context: set-up, transforms, the object table, pens and brushes,
// clipping and saved states. The record groups are played in metafile_player_wmf.cpp,
// metafile_player_emf_state.cpp and metafile_player_emf_draw.cpp, the shapes and bitmaps they
// draw in metafile_player_draw.cpp.
#include "codecs/metafile/metafile_player.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "codecs/metafile/metafile_player_impl.h"
#include "codecs/metafile/metafile_raster.h"

namespace vexilo {

namespace gdi {

namespace {

std::size_t clipPoints(const std::vector<ClipStep>& steps) {
    std::size_t n = 0;
    for (const auto& s : steps) n += s.path.pointCount();
    return n;
}

}  // namespace

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

Player::Player(const Metafile& mf, MetafileCanvas& canvas, int width, int height, const DecodeLimits& limits)
    : m_mf(mf),
      m_limits(limits),
      m_budget(canvas, width, height),
      m_canvas(m_budget),
      m_wmf(mf.type == MetafileType::Wmf) {
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
        const double fl = mf.emfFrame.left / 100.0 * m_pxPerMmX, ft = mf.emfFrame.top / 100.0 * m_pxPerMmY;
        // In double: the frame's corners are any 32-bit values, their difference may not fit.
        const double fw = (double{1.0} * mf.emfFrame.right - mf.emfFrame.left) / 100.0 * m_pxPerMmX;
        const double fh = (double{1.0} * mf.emfFrame.bottom - mf.emfFrame.top) / 100.0 * m_pxPerMmY;
        const double sx = fw != 0 ? width / fw : 1, sy = fh != 0 ? height / fh : 1;
        m_device = {sx, 0, 0, sy, -fl * sx, -ft * sy};
        m_objects.resize(mf.emfHandles);
    }
    updateTransform();
}

void Player::run() {
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

Matrix Player::pageMatrix() const {
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

void Player::updateTransform() {
    m_full = m_dc.world.then(pageMatrix()).then(m_device);
    if (!m_full.finite() || m_full.det() == 0) m_full = Matrix{0, 0, 0, 0, 0, 0};
    m_pageDevice = pageMatrix().then(m_device);
    if (!m_pageDevice.finite()) m_pageDevice = Matrix{0, 0, 0, 0, 0, 0};
}

int Player::addWmfObject(GdiObject obj) {
    for (std::size_t i = 0; i < m_objects.size(); ++i)
        if (!m_objects[i]) {
            m_objects[i] = std::move(obj);
            return static_cast<int>(i);
        }
    if (m_objects.size() >= kMaxObjects) return -1;
    m_objects.push_back(std::move(obj));
    return static_cast<int>(m_objects.size() - 1);
}
void Player::setEmfObject(std::uint32_t index, GdiObject obj) {
    if (index == 0 || index >= kMaxObjects) return;  // 0 is the metafile itself
    if (index >= m_objects.size()) m_objects.resize(index + 1);
    m_objects[index] = std::move(obj);
}
void Player::selectObject(const GdiObject& obj) {
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

void Player::selectStock(std::uint32_t index) {
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
        case kWhiteBrush:
            m_dc.brush = solid(kWhite);
            break;
        case kLtGrayBrush:
            m_dc.brush = solid({192, 192, 192});
            break;
        case kGrayBrush:
            m_dc.brush = solid({128, 128, 128});
            break;
        case kDkGrayBrush:
            m_dc.brush = solid({64, 64, 64});
            break;
        case kBlackBrush:
            m_dc.brush = solid(kBlack);
            break;
        case kNullBrush:
            m_dc.brush = solid(kBlack), m_dc.brush.style = kBsNull;
            break;
        case kWhitePen:
            m_dc.pen = pen(kPsSolid, kWhite);
            break;
        case kBlackPen:
            m_dc.pen = pen(kPsSolid, kBlack);
            break;
        case kNullPen:
            m_dc.pen = pen(kPsNull, kBlack);
            break;
        case kOemFixedFont:
        case kAnsiFixedFont:
        case kAnsiVarFont:
        case kSystemFont:
        case kDeviceDefaultFont:
        case kSystemFixedFont:
        case kDefaultGuiFont:
            m_dc.font = LogFont{};
            break;
        case kDefaultPalette:
            m_dc.palette.reset();
            break;
        default:
            break;
    }
}

Color Player::resolveColor(std::uint32_t v) const {
    if ((v >> 24) == 1) {  // an index into the selected palette
        const std::size_t i = v & 0xFFFF;
        if (m_dc.palette && i < m_dc.palette->entries.size()) return m_dc.palette->entries[i];
        return kBlack;
    }
    return colorRef(v);
}

DrawPen Player::devicePen() const {
    DrawPen pen;
    switch (m_dc.pen.style & kPsStyleMask) {
        case kPsDash:
        case kPsUserStyle:
            pen.dash = PenDash::Dash;
            break;
        case kPsDot:
        case kPsAlternate:
            pen.dash = PenDash::Dot;
            break;
        case kPsDashDot:
            pen.dash = PenDash::DashDot;
            break;
        case kPsDashDotDot:
            pen.dash = PenDash::DashDotDot;
            break;
        case kPsNull:
            pen.dash = PenDash::None;
            break;
        default:
            break;
    }
    pen.color = m_dc.pen.color;
    const bool geometric = (m_dc.pen.style & kPsGeometric) != 0;
    const bool cosmetic = m_dc.pen.extended && !geometric;
    pen.width = cosmetic ? 0 : std::min(m_dc.pen.width * xScale(), 16384.0);
    if (pen.width < 1.5) pen.width = 0;
    // Styled pens wider than one pixel draw solid unless made with explicit geometry.
    if (pen.width > 1 && !geometric && pen.dash != PenDash::None) pen.dash = PenDash::Solid;
    if (geometric || m_dc.pen.extended) {
        switch (m_dc.pen.style & kPsEndcapMask) {
            case kPsEndcapSquare:
                pen.cap = PenCap::Square;
                break;
            case kPsEndcapFlat:
                pen.cap = PenCap::Flat;
                break;
            default:
                pen.cap = PenCap::Round;
        }
        switch (m_dc.pen.style & kPsJoinMask) {
            case kPsJoinBevel:
                pen.join = PenJoin::Bevel;
                break;
            case kPsJoinMiter:
                pen.join = PenJoin::Miter;
                break;
            default:
                pen.join = PenJoin::Round;
        }
    }
    pen.miterLimit = m_dc.miterLimit;
    return pen;
}

DrawBrush Player::brushFor(const LogBrush& b) const {
    DrawBrush brush;
    brush.color = b.color;
    brush.opaqueBackground = m_dc.bkMode != kTransparent;
    brush.background = m_dc.bkColor;
    switch (b.style) {
        case kBsSolid:
            brush.style = DrawBrush::Style::Solid;
            break;
        case kBsHatched:
            brush.style = DrawBrush::Style::Hatch;
            brush.hatch = static_cast<HatchStyle>(std::min<std::uint32_t>(b.hatch, 5));
            break;
        case kBsPattern:
        case kBsDibPattern:
        case kBsDibPatternPt:
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

void Player::addClip(ClipStep::Op op, DrawPath path) {
    auto steps = op == ClipStep::Op::Replace ? std::vector<ClipStep>{} : *m_dc.clip;
    // A clip region built of too many steps or points keeps its earlier shape.
    if (steps.size() >= kMaxClipSteps || clipPoints(steps) + path.pointCount() > kMaxClipPoints) return;
    steps.push_back({op, std::move(path)});
    m_dc.clip = std::make_shared<const std::vector<ClipStep>>(std::move(steps));
    m_canvas.setClip(*m_dc.clip);
}
void Player::resetClip() {
    m_dc.clip = std::make_shared<const std::vector<ClipStep>>();
    m_canvas.setClip(*m_dc.clip);
}
DrawPath Player::logicalRectPath(Rect r) const {
    DrawPath p;
    p.moveTo(dev(r.left, r.top));
    p.lineTo(dev(r.right, r.top));
    p.lineTo(dev(r.right, r.bottom));
    p.lineTo(dev(r.left, r.bottom));
    p.close();
    return p;
}
DrawPath Player::regionPath(const Region& rgn, bool deviceUnits) const {
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

void Player::offsetClip(double dx, double dy) {
    const PointF v = m_pageDevice.mapVector(dx, dy);
    auto steps = *m_dc.clip;
    for (auto& step : steps) step.path.translate(clampCoord(v.x), clampCoord(v.y));
    m_dc.clip = std::make_shared<const std::vector<ClipStep>>(std::move(steps));
    m_canvas.setClip(*m_dc.clip);
}

void Player::saveDc() {
    if (m_saved.size() < kMaxSavedStates)
        m_saved.push_back(m_dc);
    else
        ++m_lostSaves;
}
void Player::restoreDc(int which) {
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

}  // namespace gdi

void playMetafile(const Metafile& metafile, MetafileCanvas& canvas, int width, int height,
                  const DecodeLimits& limits) {
    gdi::Player player(metafile, canvas, width, height, limits);
    player.run();
}

namespace {

Bitmap renderAt(const Metafile& metafile, int width, int height, const DecodeLimits& limits,
                const MetafileCanvasFactory& canvasFactory) {
    checkDimensions("Metafile", width, height, limits);
    std::unique_ptr<MetafileCanvas> canvas;
    if (canvasFactory) canvas = canvasFactory(width, height);
    if (!canvas) canvas = makeRasterCanvas(width, height);
    playMetafile(metafile, *canvas, width, height, limits);
    return canvas->result();
}

}  // namespace

Bitmap renderMetafile(const Metafile& metafile, const DecodeLimits& limits,
                      const MetafileCanvasFactory& canvasFactory) {
    return renderAt(metafile, metafile.width, metafile.height, limits, canvasFactory);
}

Bitmap renderMetafileThumbnail(const Metafile& metafile, int maxSide, const DecodeLimits& limits,
                               const MetafileCanvasFactory& canvasFactory) {
    int w = metafile.width, h = metafile.height;
    if (w > 0 && h > 0 && maxSide > 0 && std::max(w, h) > maxSide) {
        const double scale = static_cast<double>(maxSide) / std::max(w, h);
        w = std::clamp(static_cast<int>(std::lround(w * scale)), 1, maxSide);
        h = std::clamp(static_cast<int>(std::lround(h * scale)), 1, maxSide);
    }
    return renderAt(metafile, w, h, limits, canvasFactory);
}

}  // namespace vexilo
