// The metafile player's EMF drawing records: point lists, shapes, path drawing, regions,
// bitmaps, text and gradients.
#include <algorithm>
#include <array>
#include <numbers>

#include "codecs/metafile/metafile_player_impl.h"

namespace vexilo::gdi {

namespace {
constexpr double kPi = std::numbers::pi;
}  // namespace

bool Player::emfPolyRecord(std::uint32_t type, ByteReader& r) {
    switch (type) {
        case emr::kPolyBezier:
        case emr::kPolygon:
        case emr::kPolyline:
        case emr::kPolyBezierTo:
        case emr::kPolylineTo:
        case emr::kPolyBezier16:
        case emr::kPolygon16:
        case emr::kPolyline16:
        case emr::kPolyBezierTo16:
        case emr::kPolylineTo16:
            emfPoly(type, r);
            return true;
        case emr::kPolyPolyline:
        case emr::kPolyPolygon:
        case emr::kPolyPolyline16:
        case emr::kPolyPolygon16:
            emfPolyPoly(type, r);
            return true;
        case emr::kPolyDraw:
        case emr::kPolyDraw16:
            emfPolyDraw(type, r);
            return true;
        default:
            return false;
    }
}

void Player::emfPoly(std::uint32_t type, ByteReader& r) {
    r.skip(16, "bounds");
    const std::size_t n = r.u32le("point count");
    const auto pts = type >= emr::kPolyBezier16 ? points16(r, n) : points32(r, n);
    switch (type) {
        case emr::kPolyBezier:
        case emr::kPolyBezier16:
            polyBezier(pts, false);
            break;
        case emr::kPolygon:
        case emr::kPolygon16:
            output(polyPath(pts, true), true, fillRule());
            break;
        case emr::kPolyline:
        case emr::kPolyline16:
            output(polyPath(pts, false), false);
            break;
        case emr::kPolyBezierTo:
        case emr::kPolyBezierTo16:
            polyBezier(pts, true);
            break;
        default:
            polylineTo(pts);
            break;
    }
}

void Player::emfPolyPoly(std::uint32_t type, ByteReader& r) {
    r.skip(16, "bounds");
    const std::size_t polys = r.u32le("figure count");
    const std::size_t total = r.u32le("point count");
    if (polys > r.remaining() / 4) throw DecodeError("EMF: figure count beyond the record");
    std::vector<std::size_t> counts(polys);
    for (auto& c : counts) c = r.u32le("figure points");
    const auto pts = type >= emr::kPolyPolyline16 ? points16(r, total) : points32(r, total);
    polyPolygon(counts, pts, type == emr::kPolyPolygon || type == emr::kPolyPolygon16);
}

void Player::emfPolyDraw(std::uint32_t type, ByteReader& r) {
    r.skip(16, "bounds");
    const std::size_t n = r.u32le("point count");
    const auto pts = type == emr::kPolyDraw16 ? points16(r, n) : points32(r, n);
    polyDraw(pts, r.bytes(std::min(n, r.remaining()), "point types"));
}

bool Player::emfShapeRecord(std::uint32_t type, ByteReader& r) {
    switch (type) {
        case emr::kSetPixelV: {
            const double x = r.i32le("x"), y = r.i32le("y");
            setPixel({x, y}, resolveColor(r.u32le("colour")));
            return true;
        }
        case emr::kMoveToEx:
        case emr::kLineTo: {
            const double x = r.i32le("x"), y = r.i32le("y");
            if (type == emr::kMoveToEx)
                moveTo({x, y});
            else
                lineTo({x, y});
            return true;
        }
        case emr::kAngleArc:
            emfAngleArc(r);
            return true;
        case emr::kEllipse:
            ellipse(rectL(r));
            return true;
        case emr::kRectangle:
            rectangle(rectL(r));
            return true;
        case emr::kRoundRect: {
            const Rect rc = rectL(r);
            const double w = r.i32le("corner"), h = r.i32le("corner");
            roundRect(rc, w, h);
            return true;
        }
        case emr::kArc:
        case emr::kChord:
        case emr::kPie:
        case emr::kArcTo:
            emfArc(type, r);
            return true;
        case emr::kFillPath:
        case emr::kStrokeAndFillPath:
        case emr::kStrokePath:
            emfDrawPath(type);
            return true;
        case emr::kFillRgn:
        case emr::kPaintRgn:
            emfFillRegion(type, r);
            return true;
        default:
            return false;
    }
}

void Player::emfAngleArc(ByteReader& r) {
    const double cx = r.i32le("centre"), cy = r.i32le("centre");
    const double radius = r.u32le("radius");
    const double start = f32(r), sweep = f32(r);
    if (!std::isfinite(start) || !std::isfinite(sweep)) return;
    const double sign = anticlockwiseSign();
    const double t0 = sign * start * kPi / 180, sw = std::clamp(sign * sweep * kPi / 180, -2 * kPi, 2 * kPi);
    DrawPath local;
    if (m_pathOpen && pathFull()) return;
    DrawPath& path = m_pathOpen ? m_path : local;
    if (m_pathOpen)
        ensurePathStart();
    else
        path.moveTo(dev(m_dc.curPos));
    if (sw != 0) appendArc(path, {cx, cy}, radius, radius, t0, sw, true);
    m_dc.curPos = {cx + radius * std::cos(t0 + sw), cy + radius * std::sin(t0 + sw)};
    if (!m_pathOpen) output(local, false);
}

void Player::emfArc(std::uint32_t type, ByteReader& r) {
    const Rect rc = rectL(r);
    const double xs = r.i32le("start"), ys = r.i32le("start"), xe = r.i32le("end"), ye = r.i32le("end");
    const ArcKind kind = type == emr::kArc     ? ArcKind::Arc
                         : type == emr::kChord ? ArcKind::Chord
                         : type == emr::kPie   ? ArcKind::Pie
                                               : ArcKind::ArcTo;
    arc(kind, rc, {xs, ys}, {xe, ye});
}

// Fills and strokes the path of the last bracket, which the drawing uses up.
void Player::emfDrawPath(std::uint32_t type) {
    if (m_pathOpen) return;
    const DrawPath path = std::move(m_path);
    m_path = DrawPath{};
    if (path.empty()) return;
    if (type != emr::kStrokePath) {
        const DrawBrush brush = brushFor(m_dc.brush);
        if (brush.visible()) m_canvas.fillPath(path, fillRule(), brush);
    }
    if (type != emr::kFillPath) {
        const DrawPen pen = devicePen();
        if (pen.visible()) m_canvas.strokePath(path, pen);
    }
}

// Fill region (with a brush of its own) and paint region (with the selected one).
void Player::emfFillRegion(std::uint32_t type, ByteReader& r) {
    r.skip(16, "bounds");
    const std::uint32_t size = r.u32le("region size");
    LogBrush brush = m_dc.brush;
    if (type == emr::kFillRgn) {
        const std::uint32_t b = r.u32le("brush");
        if (b & kStockObjectFlag) {
            const DcState saved = m_dc;
            selectStock(b & ~kStockObjectFlag);
            brush = m_dc.brush;
            m_dc = saved;
        } else if (b < m_objects.size() && m_objects[b] && std::holds_alternative<LogBrush>(*m_objects[b])) {
            brush = std::get<LogBrush>(*m_objects[b]);
        }
    }
    const Region rgn = rgnData(r, size);
    const DrawBrush db = brushFor(brush);
    if (db.visible() && !m_pathOpen) m_canvas.fillPath(regionPath(rgn, false), FillRule::EvenOdd, db);
}

bool Player::emfImageTextRecord(std::uint32_t type, const MetafileRecord& rec, ByteReader& r) {
    switch (type) {
        case emr::kBitBlt:
        case emr::kStretchBlt:
        case emr::kAlphaBlend:
        case emr::kTransparentBlt:
            emfBlit(rec, r, type);
            return true;
        case emr::kMaskBlt:  // its fields start as a bit blit's; the mask is not applied
            emfBlit(rec, r, emr::kBitBlt);
            return true;
        case emr::kPlgBlt:
            emfPlgBlt(rec, r);
            return true;
        case emr::kSetDiBitsToDevice:
            emfSetDiBits(rec, r);
            return true;
        case emr::kStretchDiBits:
            emfStretchDiBits(rec, r);
            return true;
        case emr::kExtTextOutA:
        case emr::kExtTextOutW:
            emfText(rec, r, type == emr::kExtTextOutW);
            return true;
        case emr::kPolyTextOutA:
        case emr::kPolyTextOutW:
            emfPolyText(rec, r, type == emr::kPolyTextOutW);
            return true;
        case emr::kGradientFill:
            gradientFill(r);
            return true;
        default:
            return false;
    }
}

void Player::emfBlit(const MetafileRecord& rec, ByteReader& r, std::uint32_t type) {
    r.skip(16, "bounds");
    const double x = r.i32le("destination"), y = r.i32le("destination");
    const double w = r.i32le("destination"), h = r.i32le("destination");
    std::uint32_t rop = r.u32le("raster operation");
    const Rect dest{saturatedInt(x), saturatedInt(y), saturatedInt(x + w), saturatedInt(y + h)};
    if (type != emr::kAlphaBlend && type != emr::kTransparentBlt && !usesSource(rop)) {
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
    if (type != emr::kBitBlt && r.remaining() >= 8) sw = r.i32le("source size"), sh = r.i32le("source size");
    bool alpha = false;
    double opacity = 1;
    if (type == emr::kAlphaBlend) {  // blend function in place of the raster operation
        opacity = ((rop >> 16) & 0xFF) / 255.0;
        alpha = ((rop >> 24) & 1) != 0;
        rop = kSrcCopy;
    }
    if (cbBmi == 0) {
        if (type != emr::kAlphaBlend && type != emr::kTransparentBlt) patBlt(dest, rop);
        return;
    }
    auto image = dib(at(rec, offBmi, cbBmi), at(rec, offBits, cbBits), usage);
    if (!image) return;
    if (type == emr::kTransparentBlt) {  // the colour named in place of the operation is left undrawn
        auto keyed = std::make_shared<Bitmap>(*image);
        keyed->setTransparent(true);
        keyed->setTransparentColor(colorRef(rop));
        image = std::move(keyed);
        rop = kSrcCopy;
    }
    (void)bkColorSrc;
    // The source position is in the source's own units: apply its scale and offset.
    const PointF s0 = srcForm.map(sx, sy);
    const PointF sv = srcForm.mapVector(sw, sh);
    blit(image, s0.x, s0.y, sv.x, sv.y, x, y, w, h, sourceOp(rop), alpha, opacity);
}

// A parallelogram blit, drawn as a plain copy.
void Player::emfPlgBlt(const MetafileRecord& rec, ByteReader& r) {
    r.skip(16, "bounds");
    std::array<PointF, 3> p{};
    for (auto& q : p) q = {static_cast<double>(r.i32le("point")), static_cast<double>(r.i32le("point"))};
    const double sx = r.i32le("source"), sy = r.i32le("source"), sw = r.i32le("source"),
                 sh = r.i32le("source");
    r.skip(24 + 4, "source transform");
    const std::uint32_t usage = r.u32le("colour usage");
    const std::uint32_t offBmi = r.u32le("offset"), cbBmi = r.u32le("size");
    const std::uint32_t offBits = r.u32le("offset"), cbBits = r.u32le("size");
    auto image = dib(at(rec, offBmi, cbBmi), at(rec, offBits, cbBits), usage);
    if (!image || sw <= 0 || sh <= 0 || m_pathOpen) return;
    const Rect src{saturatedInt(sx), saturatedInt(sy), saturatedInt(sx + sw), saturatedInt(sy + sh)};
    if (src.left < 0 || src.top < 0 || src.right > image->width() || src.bottom > image->height()) return;
    DrawImage d;
    d.image = image;
    d.source = src;
    d.topLeft = dev(p[0]);
    d.topRight = dev(p[1]);
    d.bottomLeft = dev(p[2]);
    m_canvas.drawImage(d);
}

void Player::emfSetDiBits(const MetafileRecord& rec, ByteReader& r) {
    r.skip(16, "bounds");
    const double x = r.i32le("destination"), y = r.i32le("destination");
    const double sx = r.i32le("source"), sy = r.i32le("source"), sw = r.i32le("source"),
                 sh = r.i32le("source");
    const std::uint32_t offBmi = r.u32le("offset"), cbBmi = r.u32le("size");
    const std::uint32_t offBits = r.u32le("offset"), cbBits = r.u32le("size");
    const std::uint32_t usage = r.u32le("colour usage");
    const auto info = at(rec, offBmi, cbBmi);
    auto image = dib(info, at(rec, offBits, cbBits), usage);
    if (!image) return;
    const double top = dibBottomUp(info) ? image->height() - sy - sh : sy;
    blit(image, sx, top, sw, sh, x, y, sw, sh, BlitOp::Copy);
}

void Player::emfStretchDiBits(const MetafileRecord& rec, ByteReader& r) {
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
        return;
    }
    const auto info = at(rec, offBmi, cbBmi);
    auto image = dib(info, at(rec, offBits, cbBits), usage);
    if (!image) return;
    const double top = dibBottomUp(info) ? image->height() - sy - sh : sy;
    blit(image, sx, top, sw, sh, x, y, w, h, sourceOp(rop));
}

void Player::emfText(const MetafileRecord& rec, ByteReader& r, bool wide) {
    r.skip(16 + 4 + 8, "text header");
    emfTextBlock(rec, r, wide);
}

void Player::emfTextBlock(const MetafileRecord& rec, ByteReader& r, bool wide) {
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

void Player::emfPolyText(const MetafileRecord& rec, ByteReader& r, bool wide) {
    r.skip(16 + 4 + 8, "text header");
    const std::uint32_t count = r.u32le("string count");
    for (std::uint32_t i = 0; i < count && r.remaining() >= 40; ++i) emfTextBlock(rec, r, wide);
}

// Rectangles shaded across or down from one vertex colour to another; triangles are filled
// with the mean of their corners.
void Player::gradientFill(ByteReader& r) {
    if (m_pathOpen) return;
    r.skip(16, "bounds");
    const std::uint32_t nVer = r.u32le("vertex count"), nTri = r.u32le("shape count"), mode = r.u32le("mode");
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
    const std::size_t per = mode == kGradientFillTriangle ? 12 : 8;
    if (nTri > r.remaining() / per) throw DecodeError("EMF: gradient count beyond the record");
    for (std::uint32_t i = 0; i < nTri; ++i) {
        if (mode == kGradientFillTriangle) {
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
        const bool across = mode == kGradientFillRectH;
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

}  // namespace vexilo::gdi
