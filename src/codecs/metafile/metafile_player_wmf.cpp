// The metafile player's WMF records: device context state, the object table, and drawing.
// WMF coordinates are 16-bit, and points and rectangles are stored y before x, bottom first.
#include <algorithm>

#include "codecs/metafile/metafile_player_impl.h"

namespace vexilo::gdi {

void Player::wmfRecord(const MetafileRecord& rec) {
    ByteReader r(m_mf.params(rec), "WMF");
    const std::uint16_t fn = static_cast<std::uint16_t>(rec.type);
    if (wmfStateRecord(fn, r) || wmfObjectRecord(fn, r)) return;
    // Palette animation, escapes, flood fills and the rest draw nothing here.
    wmfDrawRecord(fn, rec, r);
}

bool Player::wmfStateRecord(std::uint16_t fn, ByteReader& r) {
    switch (fn) {
        case wmf::kSaveDc:
            saveDc();
            return true;
        case wmf::kRestoreDc:
            restoreDc(static_cast<std::int16_t>(r.u16le("level")));
            return true;
        case wmf::kSetBkMode:
            m_dc.bkMode = r.u16le("mode");
            return true;
        case wmf::kSetMapMode: {
            const int mode = r.u16le("mode");
            // The window of a WMF is always fitted to the picture; only the choice between
            // keeping and not keeping its shape is taken from the file.
            m_dc.mapMode = mode == MM_ISOTROPIC ? MM_ISOTROPIC : MM_ANISOTROPIC;
            updateTransform();
            return true;
        }
        case wmf::kSetPolyFillMode:
            m_dc.polyFill = r.u16le("mode");
            return true;
        case wmf::kSetTextAlign:
            m_dc.textAlign = r.u16le("alignment");
            return true;
        case wmf::kSetBkColor:
            m_dc.bkColor = resolveColor(r.u32le("colour"));
            return true;
        case wmf::kSetTextColor:
            m_dc.textColor = resolveColor(r.u32le("colour"));
            return true;
        case wmf::kSetWindowOrg:
        case wmf::kSetWindowExt:
        case wmf::kOffsetWindowOrg: {
            const double y = i16(r), x = i16(r);
            if (fn == wmf::kSetWindowOrg)
                m_dc.winOrg = {x, y};
            else if (fn == wmf::kSetWindowExt)
                m_dc.winExt = {x, y};
            else
                m_dc.winOrg.x += x, m_dc.winOrg.y += y;
            updateTransform();
            return true;
        }
        case wmf::kScaleWindowExt: {
            const double yd = i16(r), yn = i16(r), xd = i16(r), xn = i16(r);
            if (xd != 0 && yd != 0) m_dc.winExt = {m_dc.winExt.x * xn / xd, m_dc.winExt.y * yn / yd};
            updateTransform();
            return true;
        }
        case wmf::kSetViewportOrg:
        case wmf::kSetViewportExt:
        case wmf::kOffsetViewportOrg:
        case wmf::kScaleViewportExt:
            return true;  // the viewport is the output
        case wmf::kOffsetClipRgn: {
            const double y = i16(r), x = i16(r);
            offsetClip(x, y);
            return true;
        }
        case wmf::kExcludeClipRect:
            addClip(ClipStep::Op::Exclude, logicalRectPath(rect16Reversed(r)));
            return true;
        case wmf::kIntersectClipRect:
            addClip(ClipStep::Op::Intersect, logicalRectPath(rect16Reversed(r)));
            return true;
        default:
            return false;
    }
}

// The new object takes the first free slot before its fields are read, so a record that does
// not fit its length still uses up a slot, as later records' indices expect.
template <class Read>
void Player::createWmfObject(Read read) {
    const int slot = addWmfObject(std::monostate{});
    GdiObject obj = read();
    if (slot >= 0) m_objects[static_cast<std::size_t>(slot)] = std::move(obj);
}

bool Player::wmfObjectRecord(std::uint16_t fn, ByteReader& r) {
    switch (fn) {
        case wmf::kSelectClipRegion: {
            const std::uint16_t idx = r.u16le("region");
            if (idx < m_objects.size() && m_objects[idx] && std::holds_alternative<Region>(*m_objects[idx]))
                setClipRegion(std::get<Region>(*m_objects[idx]), ClipStep::Op::Replace, false);
            else
                resetClip();
            return true;
        }
        case wmf::kSelectObject:
        case wmf::kSelectPalette: {
            const std::uint16_t idx = r.u16le(fn == wmf::kSelectObject ? "object" : "palette");
            if (idx < m_objects.size() && m_objects[idx]) selectObject(*m_objects[idx]);
            return true;
        }
        case wmf::kDeleteObject: {
            const std::uint16_t idx = r.u16le("object");
            if (idx < m_objects.size()) m_objects[idx].reset();
            return true;
        }
        case wmf::kCreatePenIndirect:
            createWmfObject([&] { return wmfPen(r); });
            return true;
        case wmf::kCreateBrushIndirect:
            createWmfObject([&] { return wmfBrush(r); });
            return true;
        case wmf::kCreateFontIndirect:
            createWmfObject([&] { return wmfFont(r); });
            return true;
        case wmf::kCreatePalette:
            createWmfObject([&] { return wmfPalette(r); });
            return true;
        case wmf::kCreatePatternBrush:
            createWmfObject([&] { return wmfPatternBrush(r); });
            return true;
        case wmf::kDibCreatePatternBrush:
            createWmfObject([&] { return wmfDibPatternBrush(r); });
            return true;
        case wmf::kCreateRegion:
            createWmfObject([&] { return wmfRegion(r); });
            return true;
        default:
            return false;
    }
}

LogPen Player::wmfPen(ByteReader& r) const {
    LogPen pen;
    pen.style = r.u16le("pen style");
    pen.width = static_cast<std::int16_t>(r.u16le("pen width"));
    r.u16le("pen width");
    pen.color = resolveColor(r.u32le("pen colour"));
    return pen;
}

LogBrush Player::wmfBrush(ByteReader& r) const {
    LogBrush b;
    b.style = r.u16le("brush style");
    b.color = resolveColor(r.u32le("brush colour"));
    b.hatch = r.u16le("brush hatch");
    if (b.style == kBsPattern || b.style == kBsDibPattern || b.style == kBsDibPatternPt)
        b.style = kBsSolid;  // no pattern given here
    return b;
}

LogFont Player::wmfFont(ByteReader& r) {
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
    return f;
}

LogPalette Player::wmfPalette(ByteReader& r) {
    r.u16le("palette start");
    const std::uint16_t n = r.u16le("palette entries");
    LogPalette pal;
    for (std::uint16_t i = 0; i < n && r.remaining() >= 4; ++i) {
        const auto e = r.bytes(4, "palette entry");
        pal.entries.push_back({e[0], e[1], e[2]});
    }
    return pal;
}

// A pattern brush from a Bitmap16.
LogBrush Player::wmfPatternBrush(ByteReader& r) const {
    LogBrush b;
    b.style = kBsPattern;
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
    return b;
}

LogBrush Player::wmfDibPatternBrush(ByteReader& r) const {
    LogBrush b;
    const std::uint16_t style = r.u16le("brush style");
    const std::uint16_t usage = r.u16le("colour usage");
    b.style = kBsDibPattern;
    const auto rest = r.bytes(r.remaining(), "pattern");
    if (style == kBsPattern) {  // a Bitmap16 in place of the DIB
        ByteReader br(rest, "WMF");
        auto bmp = bitmap16(br);
        b.mono = bmp && bmp->pixelFormat() == PixelFormat::Bpp1;
        b.pattern = std::move(bmp);
    } else {
        b.pattern = dib(rest, {}, usage);
    }
    return b;
}

Region Player::wmfRegion(ByteReader& r) {
    Region rgn;
    r.skip(10, "region header");
    const int scans = r.u16le("scan count");
    r.skip(2, "region header");
    const Rect box{
        static_cast<std::int16_t>(r.u16le("region box")), static_cast<std::int16_t>(r.u16le("region box")),
        static_cast<std::int16_t>(r.u16le("region box")), static_cast<std::int16_t>(r.u16le("region box"))};
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
    if (scans == 0 && rgn.rects.empty() && box.right > box.left && box.bottom > box.top) rgn.rects = {box};
    return rgn;
}

bool Player::wmfDrawRecord(std::uint16_t fn, const MetafileRecord& rec, ByteReader& r) {
    switch (fn) {
        case wmf::kLineTo:
        case wmf::kMoveTo: {
            const double y = i16(r), x = i16(r);
            if (fn == wmf::kLineTo)
                lineTo({x, y});
            else
                moveTo({x, y});
            return true;
        }
        case wmf::kFillRegion:
        case wmf::kPaintRegion:
            wmfPaintRegion(fn, r);
            return true;
        case wmf::kPolygon:
        case wmf::kPolyline:
            wmfPoly(fn, r);
            return true;
        case wmf::kPolyPolygon:
            wmfPolyPolygon(r);
            return true;
        case wmf::kRectangle:
            rectangle(rect16Reversed(r));
            return true;
        case wmf::kEllipse:
            ellipse(rect16Reversed(r));
            return true;
        case wmf::kRoundRect: {
            const double h = i16(r), w = i16(r);
            roundRect(rect16Reversed(r), w, h);
            return true;
        }
        case wmf::kArc:
        case wmf::kPie:
        case wmf::kChord:
            wmfArc(fn, r);
            return true;
        case wmf::kSetPixel: {
            const Color c = resolveColor(r.u32le("colour"));
            const double y = i16(r), x = i16(r);
            setPixel({x, y}, c);
            return true;
        }
        case wmf::kTextOut:
            wmfTextOut(r);
            return true;
        case wmf::kExtTextOut:
            wmfExtTextOut(r);
            return true;
        case wmf::kPatBlt: {
            const std::uint32_t rop = r.u32le("raster operation");
            const double h = i16(r), w = i16(r), y = i16(r), x = i16(r);
            patBlt({saturatedInt(x), saturatedInt(y), saturatedInt(x + w), saturatedInt(y + h)}, rop);
            return true;
        }
        case wmf::kBitBlt:
        case wmf::kDibBitBlt:
        case wmf::kStretchBlt:
        case wmf::kDibStretchBlt:
            wmfBlit(fn, rec, r);
            return true;
        case wmf::kStretchDib:
            wmfStretchDib(r);
            return true;
        case wmf::kSetDibToDev:
            wmfSetDibToDev(r);
            return true;
        default:
            return false;
    }
}

// Fill region (with a brush of its own) and paint region (with the selected one).
void Player::wmfPaintRegion(std::uint16_t fn, ByteReader& r) {
    const std::uint16_t idx = r.u16le("region");
    LogBrush brush = m_dc.brush;
    if (fn == wmf::kFillRegion) {
        const std::uint16_t b = r.u16le("brush");
        if (b < m_objects.size() && m_objects[b] && std::holds_alternative<LogBrush>(*m_objects[b]))
            brush = std::get<LogBrush>(*m_objects[b]);
    }
    if (idx < m_objects.size() && m_objects[idx] && std::holds_alternative<Region>(*m_objects[idx]) &&
        !m_pathOpen) {
        const DrawBrush db = brushFor(brush);
        if (db.visible())
            m_canvas.fillPath(regionPath(std::get<Region>(*m_objects[idx]), false), FillRule::EvenOdd, db);
    }
}

void Player::wmfPoly(std::uint16_t fn, ByteReader& r) {
    const std::size_t n = r.u16le("point count");
    const auto pts = points16(r, n);
    if (fn == wmf::kPolygon)
        output(polyPath(pts, true), true, fillRule());
    else
        output(polyPath(pts, false), false);
}

void Player::wmfPolyPolygon(ByteReader& r) {
    const std::size_t polys = r.u16le("polygon count");
    if (polys > r.remaining() / 2) throw DecodeError("WMF: polygon count beyond the record");
    std::vector<std::size_t> counts(polys);
    std::size_t total = 0;
    for (auto& c : counts) total += (c = r.u16le("polygon points"));
    polyPolygon(counts, points16(r, total), true);
}

void Player::wmfArc(std::uint16_t fn, ByteReader& r) {
    const double ye = i16(r), xe = i16(r), ys = i16(r), xs = i16(r);
    const Rect rc = rect16Reversed(r);
    arc(fn == wmf::kArc   ? ArcKind::Arc
        : fn == wmf::kPie ? ArcKind::Pie
                          : ArcKind::Chord,
        rc, {xs, ys}, {xe, ye});
}

void Player::wmfTextOut(ByteReader& r) {
    const std::uint16_t n = r.u16le("string length");
    const auto s = r.bytes(n, "string");
    if (n & 1) r.skip(1, "string padding");
    const double y = i16(r), x = i16(r);
    std::u16string text;
    for (std::uint8_t b : s) text.push_back(ansiChar(b));
    textOut({x, y}, std::move(text), {}, 0, std::nullopt);
}

void Player::wmfExtTextOut(ByteReader& r) {
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
}

void Player::wmfStretchDib(ByteReader& r) {
    const std::uint32_t rop = r.u32le("raster operation");
    const std::uint16_t usage = r.u16le("colour usage");
    const double sh = i16(r), sw = i16(r), sy = i16(r), sx = i16(r);
    const double dh = i16(r), dw = i16(r), dy = i16(r), dxv = i16(r);
    const auto info = r.bytes(r.remaining(), "DIB");
    auto image = dib(info, {}, usage);
    if (!image) return;
    const double top = dibBottomUp(info) ? image->height() - sy - sh : sy;
    blit(image, sx, top, sw, sh, dxv, dy, dw, dh, sourceOp(rop));
}

void Player::wmfSetDibToDev(ByteReader& r) {
    const std::uint16_t usage = r.u16le("colour usage");
    r.u16le("scan count");
    r.u16le("start scan");
    const double sy = i16(r), sx = i16(r), h = i16(r), w = i16(r), dy = i16(r), dxv = i16(r);
    const auto info = r.bytes(r.remaining(), "DIB");
    auto image = dib(info, {}, usage);
    if (!image) return;
    const double top = dibBottomUp(info) ? image->height() - sy - h : sy;
    blit(image, sx, top, w, h, dxv, dy, w, h, BlitOp::Copy);
}

void Player::wmfBlit(std::uint16_t fn, const MetafileRecord& rec, ByteReader& r) {
    const bool stretch = fn == wmf::kStretchBlt || fn == wmf::kDibStretchBlt;
    const bool withDib = fn == wmf::kDibBitBlt || fn == wmf::kDibStretchBlt;
    // Records without a bitmap are (function >> 8) + 3 words long and carry a reserved word.
    const bool noBitmap = rec.size / 2 == static_cast<std::size_t>((fn >> 8) + 3);
    const std::uint32_t rop = r.u32le("raster operation");
    double sh = 0, sw = 0;
    if (stretch) sh = i16(r), sw = i16(r);
    const double sy = i16(r), sx = i16(r);
    if (noBitmap) r.u16le("reserved");
    const double dh = i16(r), dw = i16(r), dy = i16(r), dxv = i16(r);
    if (!stretch) sh = dh, sw = dw;
    const Rect destRect{saturatedInt(dxv), saturatedInt(dy), saturatedInt(dxv + dw), saturatedInt(dy + dh)};
    if (noBitmap || !usesSource(rop)) {
        patBlt(destRect, rop);
        return;
    }
    std::shared_ptr<const Bitmap> image;
    double top = sy;
    if (withDib) {
        const auto info = r.bytes(r.remaining(), "DIB");
        image = dib(info, {}, kDibRgbColors);
        if (image && dibBottomUp(info)) top = image->height() - sy - sh;
    } else {
        image = bitmap16(r);
    }
    blit(image, sx, top, sw, sh, dxv, dy, dw, dh, sourceOp(rop));
}

}  // namespace vexilo::gdi
