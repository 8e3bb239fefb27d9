// The metafile player's EMF state records: mapping and world transforms, device context
// attributes and saved states, the object table, clipping and path brackets.
#include <algorithm>

#include "codecs/metafile/metafile_player_impl.h"

namespace vexilo::gdi {

void Player::emfRecord(const MetafileRecord& rec) {
    ByteReader r(m_mf.params(rec), "EMF");
    const std::uint32_t type = rec.type;
    if (emfMappingRecord(type, r) || emfDcRecord(type, r) || emfClipPathRecord(type, r) ||
        emfObjectRecord(type, rec, r))
        return;
    if (emfPolyRecord(type, r) || emfShapeRecord(type, r)) return;
    // Comments (including EMF+), palettes, colour management and the rest draw nothing.
    emfImageTextRecord(type, rec, r);
}

bool Player::emfMappingRecord(std::uint32_t type, ByteReader& r) {
    switch (type) {
        case emr::kSetWindowExtEx:
        case emr::kSetWindowOrgEx:
        case emr::kSetViewportExtEx:
        case emr::kSetViewportOrgEx: {
            PointF& p = type == emr::kSetWindowExtEx     ? m_dc.winExt
                        : type == emr::kSetWindowOrgEx   ? m_dc.winOrg
                        : type == emr::kSetViewportExtEx ? m_dc.vpExt
                                                         : m_dc.vpOrg;
            const double x = r.i32le("x");
            p = {x, static_cast<double>(r.i32le("y"))};
            updateTransform();
            return true;
        }
        case emr::kScaleViewportExtEx:
        case emr::kScaleWindowExtEx: {
            const double xn = r.i32le("scale"), xd = r.i32le("scale"), yn = r.i32le("scale"),
                         yd = r.i32le("scale");
            PointF& ext = type == emr::kScaleViewportExtEx ? m_dc.vpExt : m_dc.winExt;
            if (xd != 0 && yd != 0) ext = {ext.x * xn / xd, ext.y * yn / yd};
            updateTransform();
            return true;
        }
        case emr::kSetMapMode:
            m_dc.mapMode = static_cast<int>(r.u32le("mode"));
            updateTransform();
            return true;
        case emr::kSetWorldTransform:
        case emr::kModifyWorldTransform:
            emfWorldTransform(type, r);
            return true;
        default:
            return false;
    }
}

void Player::emfWorldTransform(std::uint32_t type, ByteReader& r) {
    Matrix m;
    m.m11 = f32(r), m.m12 = f32(r), m.m21 = f32(r), m.m22 = f32(r), m.dx = f32(r), m.dy = f32(r);
    const std::uint32_t mode = type == emr::kSetWorldTransform ? kMwtSet : r.u32le("mode");
    if (!m.finite()) return;
    switch (mode) {
        case kMwtIdentity:
            m_dc.world = Matrix{};
            break;
        case kMwtLeftMultiply:
            m_dc.world = m.then(m_dc.world);
            break;
        case kMwtRightMultiply:
            m_dc.world = m_dc.world.then(m);
            break;
        case kMwtSet:
            m_dc.world = m;
            break;
        default:
            break;
    }
    updateTransform();
}

bool Player::emfDcRecord(std::uint32_t type, ByteReader& r) {
    switch (type) {
        case emr::kSetBkMode:
            m_dc.bkMode = static_cast<int>(r.u32le("mode"));
            return true;
        case emr::kSetPolyFillMode:
            m_dc.polyFill = static_cast<int>(r.u32le("mode"));
            return true;
        case emr::kSetTextAlign:
            m_dc.textAlign = r.u32le("alignment");
            return true;
        case emr::kSetTextColor:
            m_dc.textColor = resolveColor(r.u32le("colour"));
            return true;
        case emr::kSetBkColor:
            m_dc.bkColor = resolveColor(r.u32le("colour"));
            return true;
        case emr::kSaveDc:
            saveDc();
            return true;
        case emr::kRestoreDc:
            restoreDc(r.i32le("level"));
            return true;
        case emr::kSetArcDirection:
            m_dc.arcDirection = static_cast<int>(r.u32le("direction"));
            return true;
        case emr::kSetMiterLimit: {
            const float limit = f32(r);
            if (std::isfinite(limit) && limit >= 1) m_dc.miterLimit = limit;
            return true;
        }
        default:
            return false;
    }
}

bool Player::emfClipPathRecord(std::uint32_t type, ByteReader& r) {
    switch (type) {
        case emr::kOffsetClipRgn: {
            const double x = r.i32le("x"), y = r.i32le("y");
            offsetClip(x, y);
            return true;
        }
        case emr::kExcludeClipRect:
            addClip(ClipStep::Op::Exclude, logicalRectPath(rectL(r)));
            return true;
        case emr::kIntersectClipRect:
            addClip(ClipStep::Op::Intersect, logicalRectPath(rectL(r)));
            return true;
        case emr::kSelectClipPath: {
            const std::uint32_t mode = r.u32le("mode");
            if (m_pathOpen) return true;
            addClip(clipOp(mode), std::move(m_path));
            m_path = DrawPath{};
            return true;
        }
        case emr::kExtSelectClipRgn:
            emfSelectClipRegion(r);
            return true;
        case emr::kBeginPath:
            m_pathOpen = true;
            m_path = DrawPath{};
            m_pathNeedsMove = true;
            return true;
        case emr::kEndPath:
            m_pathOpen = false;
            return true;
        case emr::kCloseFigure:
            m_path.close();
            m_pathNeedsMove = false;
            return true;
        case emr::kAbortPath:
            m_pathOpen = false;
            m_path = DrawPath{};
            return true;
        default:
            return false;
    }
}

void Player::emfSelectClipRegion(ByteReader& r) {
    const std::uint32_t size = r.u32le("region size");
    const std::uint32_t mode = r.u32le("mode");
    if (size < 32) {
        if (mode == kRgnCopy) resetClip();
        return;
    }
    setClipRegion(rgnData(r, size), clipOp(mode), true);
}

ClipStep::Op Player::clipOp(std::uint32_t mode) {
    switch (mode) {
        case kRgnOr:
            return ClipStep::Op::Unite;
        case kRgnXor:
            return ClipStep::Op::Xor;
        case kRgnDiff:
            return ClipStep::Op::Exclude;
        case kRgnCopy:
            return ClipStep::Op::Replace;
        default:
            return ClipStep::Op::Intersect;
    }
}

Region Player::rgnData(ByteReader& r, std::uint32_t size) {
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

std::span<const std::uint8_t> Player::at(const MetafileRecord& rec, std::uint32_t offset,
                                         std::uint32_t size) const {
    if (size == 0) return {};
    if (offset > rec.size || size > rec.size - offset)
        throw DecodeError("EMF: data offset beyond its record");
    return m_mf.bytes(rec).subspan(offset, size);
}

bool Player::emfObjectRecord(std::uint32_t type, const MetafileRecord& rec, ByteReader& r) {
    switch (type) {
        case emr::kSelectObject:
            emfSelect(r, "object");
            return true;
        case emr::kSelectPalette:
            emfSelect(r, "palette");
            return true;
        case emr::kDeleteObject: {
            const std::uint32_t idx = r.u32le("object");
            if (idx < m_objects.size()) m_objects[idx].reset();
            return true;
        }
        case emr::kCreatePen:
            emfCreatePen(r);
            return true;
        case emr::kExtCreatePen:
            emfExtCreatePen(r);
            return true;
        case emr::kCreateBrushIndirect:
            emfCreateBrush(r);
            return true;
        case emr::kCreateMonoBrush:
        case emr::kCreateDibPatternBrushPt:
            emfDibBrush(type, rec, r);
            return true;
        case emr::kExtCreateFontIndirectW:
            emfCreateFont(r);
            return true;
        case emr::kCreatePalette:
            emfCreatePalette(r);
            return true;
        default:
            return false;
    }
}

void Player::emfSelect(ByteReader& r, const char* what) {
    const std::uint32_t idx = r.u32le(what);
    if (idx & kStockObjectFlag)
        selectStock(idx & ~kStockObjectFlag);
    else if (idx < m_objects.size() && m_objects[idx])
        selectObject(*m_objects[idx]);
}

void Player::emfCreatePen(ByteReader& r) {
    const std::uint32_t idx = r.u32le("object");
    LogPen pen;
    pen.style = r.u32le("pen style");
    pen.width = r.i32le("pen width");
    r.i32le("pen width");
    pen.color = resolveColor(r.u32le("pen colour"));
    setEmfObject(idx, pen);
}

void Player::emfExtCreatePen(ByteReader& r) {
    const std::uint32_t idx = r.u32le("object");
    r.skip(16, "pattern");
    LogPen pen;
    pen.extended = true;
    pen.style = r.u32le("pen style");
    pen.width = r.u32le("pen width");
    const std::uint32_t brushStyle = r.u32le("pen brush style");
    pen.color = resolveColor(r.u32le("pen colour"));
    if (brushStyle == kBsNull)
        pen.style = (pen.style & ~kPsStyleMask) | kPsNull;  // a hollow brush draws nothing
    setEmfObject(idx, pen);
}

void Player::emfCreateBrush(ByteReader& r) {
    const std::uint32_t idx = r.u32le("object");
    LogBrush b;
    b.style = r.u32le("brush style");
    b.color = resolveColor(r.u32le("brush colour"));
    b.hatch = r.u32le("brush hatch");
    if (b.style == kBsPattern || b.style == kBsDibPattern || b.style == kBsDibPatternPt) b.style = kBsSolid;
    setEmfObject(idx, b);
}

// Monochrome brushes take their colours from the text and background colours when drawn.
void Player::emfDibBrush(std::uint32_t type, const MetafileRecord& rec, ByteReader& r) {
    const std::uint32_t idx = r.u32le("object");
    const std::uint32_t usage = r.u32le("colour usage");
    const std::uint32_t offBmi = r.u32le("offset"), cbBmi = r.u32le("size");
    const std::uint32_t offBits = r.u32le("offset"), cbBits = r.u32le("size");
    const bool mono = type == emr::kCreateMonoBrush;
    LogBrush b;
    b.style = kBsDibPattern;
    b.pattern = dib(at(rec, offBmi, cbBmi), at(rec, offBits, cbBits), mono ? kDibRgbColors : usage);
    b.mono = mono && b.pattern && b.pattern->pixelFormat() == PixelFormat::Bpp1;
    setEmfObject(idx, b);
}

void Player::emfCreateFont(ByteReader& r) {
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
}

void Player::emfCreatePalette(ByteReader& r) {
    const std::uint32_t idx = r.u32le("object");
    r.u16le("palette version");
    const std::uint16_t n = r.u16le("palette entries");
    LogPalette pal;
    for (std::uint16_t i = 0; i < n && r.remaining() >= 4; ++i) {
        const auto e = r.bytes(4, "palette entry");
        pal.entries.push_back({e[0], e[1], e[2]});
    }
    setEmfObject(idx, pal);
}

}  // namespace vexilo::gdi
