// The metafile player's drawing: shapes, lines and paths in logical units, text, and bitmaps
// (DIBs and WMF Bitmap16s) drawn through raster operations.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "codecs/bmp_codec.h"
#include "codecs/metafile/metafile_player_impl.h"

namespace vexilo::gdi {

namespace {
constexpr double kPi = std::numbers::pi;
}  // namespace

BlitOp sourceOp(std::uint32_t rop) {
    switch ((rop >> 16) & 0xFF) {
        case kRopSrcAnd:
            return BlitOp::And;
        case kRopSrcPaint:
            return BlitOp::Or;
        case kRopSrcInvert:
            return BlitOp::Xor;
        case kRopNotSrcCopy:
            return BlitOp::NotCopy;
        case kRopDstInvert:
            return BlitOp::Invert;
        case kRopBlackness:
            return BlitOp::Black;
        case kRopWhiteness:
            return BlitOp::White;
        case kRopDest:
            return BlitOp::None;
        default:
            return BlitOp::Copy;  // the other source operations are drawn as a plain copy
    }
}

BlitOp patternOp(std::uint32_t rop) {
    switch ((rop >> 16) & 0xFF) {
        case kRopPatInvert:
            return BlitOp::Xor;
        case kRopDstInvert:
            return BlitOp::Invert;
        case kRopBlackness:
            return BlitOp::Black;
        case kRopWhiteness:
            return BlitOp::White;
        case kRopDest:
            return BlitOp::None;
        default:
            return BlitOp::Copy;
    }
}

bool usesSource(std::uint32_t rop) {
    const std::uint32_t r = (rop >> 16) & 0xFF;
    return ((r >> 2) & 0x33) != (r & 0x33);
}

std::vector<PointF> points16(ByteReader& r, std::size_t count) {
    if (count > r.remaining() / 4) throw DecodeError("metafile: point count beyond the record");
    std::vector<PointF> pts(count);
    for (auto& p : pts) {
        p.x = static_cast<std::int16_t>(r.u16le("point"));
        p.y = static_cast<std::int16_t>(r.u16le("point"));
    }
    return pts;
}
std::vector<PointF> points32(ByteReader& r, std::size_t count) {
    if (count > r.remaining() / 8) throw DecodeError("metafile: point count beyond the record");
    std::vector<PointF> pts(count);
    for (auto& p : pts) {
        p.x = r.i32le("point");
        p.y = r.i32le("point");
    }
    return pts;
}

Rect rectL(ByteReader& r) {
    Rect rc;
    rc.left = r.i32le("rectangle");
    rc.top = r.i32le("rectangle");
    rc.right = r.i32le("rectangle");
    rc.bottom = r.i32le("rectangle");
    return rc;
}
Rect rect16Reversed(ByteReader& r) {  // WMF order: bottom, right, top, left
    Rect rc;
    rc.bottom = static_cast<std::int16_t>(r.u16le("rectangle"));
    rc.right = static_cast<std::int16_t>(r.u16le("rectangle"));
    rc.top = static_cast<std::int16_t>(r.u16le("rectangle"));
    rc.left = static_cast<std::int16_t>(r.u16le("rectangle"));
    return rc;
}

// ---- shapes and paths ---------------------------------------------------------------------

void Player::output(const DrawPath& path, bool closed, std::optional<FillRule> rule) {
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

DrawPath Player::polyPath(const std::vector<PointF>& pts, bool close) const {
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
void Player::appendArc(DrawPath& path, PointF c, double rx, double ry, double start, double sweep,
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

Player::ArcGeometry Player::arcGeometry(Rect r, PointF s, PointF e) const {
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
    double sweep = sign > 0 ? std::fmod(te - ts + 4 * kPi, 2 * kPi) : -std::fmod(ts - te + 4 * kPi, 2 * kPi);
    if (std::abs(sweep) < 1e-9) sweep = sign * 2 * kPi;
    g.start = ts;
    g.sweep = sweep;
    g.end = {g.c.x + g.rx * std::cos(ts + sweep), g.c.y + g.ry * std::sin(ts + sweep)};
    return g;
}

void Player::arc(ArcKind kind, Rect r, PointF s, PointF e) {
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

void Player::ellipse(Rect r) {
    const double l = std::min(r.left, r.right), rt = std::max(r.left, r.right);
    const double t = std::min(r.top, r.bottom), b = std::max(r.top, r.bottom);
    DrawPath path;
    appendArc(path, {(l + rt) / 2, (t + b) / 2}, (rt - l) / 2, (b - t) / 2, 0, 2 * kPi, false);
    path.close();
    output(path, true);
}

void Player::rectangle(Rect r) {
    DrawPath path;
    path.moveTo(dev(r.left, r.top));
    path.lineTo(dev(r.right, r.top));
    path.lineTo(dev(r.right, r.bottom));
    path.lineTo(dev(r.left, r.bottom));
    path.close();
    output(path, true);
}

void Player::roundRect(Rect r, double cw, double ch) {
    const double l = std::min(r.left, r.right), rt = std::max(r.left, r.right);
    const double t = std::min(r.top, r.bottom), b = std::max(r.top, r.bottom);
    const double rw = std::min(std::abs(cw) / 2, (rt - l) / 2), rh = std::min(std::abs(ch) / 2, (b - t) / 2);
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

void Player::ensurePathStart() {
    if (m_pathNeedsMove || !m_path.hasCurrentPoint()) {
        m_path.moveTo(dev(m_dc.curPos));
        m_pathNeedsMove = false;
    }
}

void Player::moveTo(PointF p) {
    m_dc.curPos = p;
    if (m_pathOpen) m_pathNeedsMove = true;
}

void Player::lineTo(PointF p) {
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

void Player::polylineTo(const std::vector<PointF>& pts) {
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

void Player::polyBezier(const std::vector<PointF>& pts, bool fromCurrent) {
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

void Player::polyDraw(const std::vector<PointF>& pts, std::span<const std::uint8_t> types) {
    if (m_pathOpen && pathFull()) return;
    DrawPath local;
    DrawPath& path = m_pathOpen ? m_path : local;
    if (m_pathOpen)
        ensurePathStart();
    else
        path.moveTo(dev(m_dc.curPos));
    for (std::size_t i = 0; i < pts.size() && i < types.size(); ++i) {
        const std::uint8_t t = types[i] & ~kPtCloseFigure;
        if (t == kPtMoveTo) {
            path.moveTo(dev(pts[i]));
        } else if (t == kPtLineTo) {
            path.lineTo(dev(pts[i]));
        } else if (t == kPtBezierTo && i + 2 < pts.size()) {
            path.cubicTo(dev(pts[i]), dev(pts[i + 1]), dev(pts[i + 2]));
            i += 2;
        }
        m_dc.curPos = pts[std::min(i, pts.size() - 1)];
        if (types[std::min(i, types.size() - 1)] & kPtCloseFigure) path.close();
    }
    if (!m_pathOpen) output(local, false);
}

void Player::polyPolygon(const std::vector<std::size_t>& counts, const std::vector<PointF>& pts,
                         bool closed) {
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

void Player::setPixel(PointF p, Color c) {
    const PointF d = dev(p);
    const double x = std::floor(d.x), y = std::floor(d.y);
    DrawBrush brush;
    brush.color = c;
    m_canvas.fillPath(DrawPath::rect(x, y, x + 1, y + 1), FillRule::Winding, brush);
}

// ---- text ---------------------------------------------------------------------------------

void Player::textOut(PointF at, std::u16string text, const std::vector<double>& dxLogical, unsigned options,
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
        const DrawText t = textFor(at, std::move(text), dxLogical);
        if ((m_dc.textAlign & kTaUpdateCp) != 0) {
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

// The text in the selected font, colours and alignment, at its output position.
DrawText Player::textFor(PointF at, std::u16string text, const std::vector<double>& dxLogical) const {
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
    return t;
}

// ---- bitmaps ------------------------------------------------------------------------------

// A DIB from its header-and-colour-table and its pixel bytes; null when it cannot be read.
std::shared_ptr<const Bitmap> Player::dib(std::span<const std::uint8_t> info,
                                          std::span<const std::uint8_t> bits, std::uint32_t usage) const {
    if (info.size() < 12) return nullptr;
    std::vector<std::uint8_t> buffer(info.begin(), info.end());
    if (usage == kDibPalColors && info.size() >= 40) {
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
        return std::make_shared<Bitmap>(readDib(buffer, m_limits));
    } catch (const ImageError&) {
        return nullptr;
    }
}

bool Player::dibBottomUp(std::span<const std::uint8_t> info) {
    if (info.size() >= 12 && (info[0] | (info[1] << 8)) == 12) return true;
    if (info.size() < 12) return true;
    const auto h = static_cast<std::int32_t>(static_cast<std::uint32_t>(info[8]) | (info[9] << 8) |
                                             (info[10] << 16) | (static_cast<std::uint32_t>(info[11]) << 24));
    return h > 0;
}

// Draws part of an image into a logical rectangle. Source coordinates run top-down.
void Player::blit(std::shared_ptr<const Bitmap> image, double sx, double sy, double sw, double sh, double x,
                  double y, double w, double h, BlitOp op, bool alpha, double opacity) {
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

void Player::patBlt(Rect r, std::uint32_t rop) {
    if (m_pathOpen) return;
    const BlitOp op = patternOp(rop);
    if (op == BlitOp::None) return;
    m_canvas.patternBlit(logicalRectPath(r), brushFor(m_dc.brush), op);
}

// A WMF Bitmap16: device-dependent pixels; 1-bit ones take the text and background colours.
std::shared_ptr<const Bitmap> Player::bitmap16(ByteReader& r) const {
    r.u16le("bitmap type");
    const int w = static_cast<std::int16_t>(r.u16le("bitmap width"));
    const int h = static_cast<std::int16_t>(r.u16le("bitmap height"));
    const std::uint16_t widthBytes = r.u16le("bitmap row bytes");
    const std::uint8_t planes = r.u8("bitmap planes"), bits = r.u8("bitmap bits");
    checkDimensions("WMF", w, h, m_limits);
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

}  // namespace vexilo::gdi
