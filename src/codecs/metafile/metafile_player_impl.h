#pragma once
// Inside the metafile player: the device context and object types, the GDI constants the records
// use, and the player class, whose members are defined by record group in
// metafile_player*.cpp. Only those files include this header.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "base/byte_reader.h"
#include "codecs/metafile/metafile_budget.h"
#include "codecs/metafile/metafile_canvas.h"
#include "codecs/metafile/metafile_format.h"
#include "raster/bitmap.h"

namespace vexilo::gdi {

// Output coordinates are kept within this range, far outside any picture, so that a hostile
// transform cannot hand the canvas infinities or values its rasteriser cannot hold.
constexpr double kCoordinateLimit = 4194304.0;
constexpr std::size_t kMaxSavedStates = 1024;
constexpr std::size_t kMaxClipSteps = 256;
constexpr std::size_t kMaxClipPoints = std::size_t{1} << 16;
constexpr std::size_t kMaxObjects = 65535;
// A path bracket holds at most this many points; further figures are dropped.
constexpr std::size_t kMaxPathPoints = std::size_t{1} << 22;

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

// Stock objects; an EMF names one by its index with the high bit set.
constexpr std::uint32_t kStockObjectFlag = 0x80000000u;
constexpr std::uint32_t kWhiteBrush = 0, kLtGrayBrush = 1, kGrayBrush = 2, kDkGrayBrush = 3, kBlackBrush = 4,
                        kNullBrush = 5, kWhitePen = 6, kBlackPen = 7, kNullPen = 8;
constexpr std::uint32_t kOemFixedFont = 10, kAnsiFixedFont = 11, kAnsiVarFont = 12, kSystemFont = 13,
                        kDeviceDefaultFont = 14, kDefaultPalette = 15, kSystemFixedFont = 16,
                        kDefaultGuiFont = 17;

// Pen styles: the dash in the low bits, then end caps, joins and the geometric flag.
constexpr std::uint32_t kPsSolid = 0, kPsDash = 1, kPsDot = 2, kPsDashDot = 3, kPsDashDotDot = 4, kPsNull = 5,
                        kPsInsideFrame = 6, kPsUserStyle = 7, kPsAlternate = 8;
constexpr std::uint32_t kPsStyleMask = 0xF;
constexpr std::uint32_t kPsEndcapSquare = 0x100, kPsEndcapFlat = 0x200, kPsEndcapMask = 0xF00;
constexpr std::uint32_t kPsJoinBevel = 0x1000, kPsJoinMiter = 0x2000, kPsJoinMask = 0xF000;
constexpr std::uint32_t kPsGeometric = 0x10000;

constexpr std::uint32_t kBsSolid = 0, kBsNull = 1, kBsHatched = 2, kBsPattern = 3, kBsDibPattern = 5,
                        kBsDibPatternPt = 6;

// Region combination modes of the clip records.
constexpr std::uint32_t kRgnAnd = 1, kRgnOr = 2, kRgnXor = 3, kRgnDiff = 4, kRgnCopy = 5;
// World transform modes.
constexpr std::uint32_t kMwtIdentity = 1, kMwtLeftMultiply = 2, kMwtRightMultiply = 3, kMwtSet = 4;
// Raster operations, by the byte that names them (bits 16 to 23 of the 32-bit code).
constexpr std::uint32_t kRopBlackness = 0x00, kRopNotSrcCopy = 0x33, kRopDstInvert = 0x55,
                        kRopPatInvert = 0x5A, kRopSrcInvert = 0x66, kRopSrcAnd = 0x88, kRopDest = 0xAA,
                        kRopSrcPaint = 0xEE, kRopWhiteness = 0xFF;
constexpr std::uint32_t kSrcCopy = 0x00CC0020;
// Colour tables of DIBs: colours, or indices into the selected palette.
constexpr std::uint32_t kDibRgbColors = 0, kDibPalColors = 1;
constexpr std::uint32_t kGradientFillRectH = 0, kGradientFillRectV = 1, kGradientFillTriangle = 2;
// Point types of the poly-draw records.
constexpr std::uint8_t kPtCloseFigure = 1, kPtLineTo = 2, kPtBezierTo = 4, kPtMoveTo = 6;

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
    std::uint32_t style = kPsSolid;
    double width = 0;  // logical units
    Color color = kBlack;
    bool extended = false;  // created with explicit caps and joins
};
struct LogBrush {
    std::uint32_t style = kBsSolid;
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

inline Color colorRef(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16)};
}

inline double clampCoord(double v) {
    if (!std::isfinite(v)) return 0;
    return std::clamp(v, -kCoordinateLimit, kCoordinateLimit);
}

// Windows-1252 for the 8-bit strings of WMF and EMF ANSI records.
char16_t ansiChar(std::uint8_t b);
// Font face names in UTF-8, up to the first zero.
std::string faceFromAnsi(std::span<const std::uint8_t> bytes);
std::string faceFromUtf16(std::span<const std::uint8_t> bytes);

// What a raster operation does with its source, and with the brush when it has no source.
BlitOp sourceOp(std::uint32_t rop);
BlitOp patternOp(std::uint32_t rop);
bool usesSource(std::uint32_t rop);

// Record fields.
std::vector<PointF> points16(ByteReader& r, std::size_t count);
std::vector<PointF> points32(ByteReader& r, std::size_t count);
inline double i16(ByteReader& r) {
    return static_cast<std::int16_t>(r.u16le("parameter"));
}
inline float f32(ByteReader& r) {
    const std::uint32_t v = r.u32le("parameter");
    float f;
    std::memcpy(&f, &v, 4);
    return f;
}
Rect rectL(ByteReader& r);
Rect rect16Reversed(ByteReader& r);  // WMF order: bottom, right, top, left

class Player {
public:
    Player(const Metafile& mf, MetafileCanvas& canvas, int width, int height, const DecodeLimits& limits);
    void run();

private:
    // ---- transforms (metafile_player.cpp) ---------------------------------------------------
    Matrix pageMatrix() const;
    void updateTransform();
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

    // ---- objects and attributes (metafile_player.cpp) ---------------------------------------
    int addWmfObject(GdiObject obj);
    void setEmfObject(std::uint32_t index, GdiObject obj);
    void selectObject(const GdiObject& obj);
    void selectStock(std::uint32_t index);
    Color resolveColor(std::uint32_t v) const;
    DrawPen devicePen() const;
    DrawBrush brushFor(const LogBrush& b) const;
    FillRule fillRule() const { return m_dc.polyFill == kAlternate ? FillRule::EvenOdd : FillRule::Winding; }

    // ---- clipping and saved states (metafile_player.cpp) ------------------------------------
    void addClip(ClipStep::Op op, DrawPath path);
    void resetClip();
    DrawPath logicalRectPath(Rect r) const;
    DrawPath regionPath(const Region& rgn, bool deviceUnits) const;
    void setClipRegion(const Region& rgn, ClipStep::Op op, bool deviceUnits) {
        addClip(op, regionPath(rgn, deviceUnits));
    }
    void offsetClip(double dx, double dy);
    void saveDc();
    void restoreDc(int which);

    // ---- drawing (metafile_player_draw.cpp) -------------------------------------------------
    void output(const DrawPath& path, bool closed, std::optional<FillRule> rule = std::nullopt);
    bool pathFull() const { return m_path.pointCount() >= kMaxPathPoints; }
    DrawPath polyPath(const std::vector<PointF>& pts, bool close) const;
    void appendArc(DrawPath& path, PointF c, double rx, double ry, double start, double sweep,
                   bool connect) const;
    struct ArcGeometry {
        PointF c;
        double rx, ry, start, sweep;
        PointF end;
    };
    ArcGeometry arcGeometry(Rect r, PointF s, PointF e) const;
    enum class ArcKind { Arc, Chord, Pie, ArcTo };
    void arc(ArcKind kind, Rect r, PointF s, PointF e);
    void ellipse(Rect r);
    void rectangle(Rect r);
    void roundRect(Rect r, double cw, double ch);
    void ensurePathStart();
    void moveTo(PointF p);
    void lineTo(PointF p);
    void polylineTo(const std::vector<PointF>& pts);
    void polyBezier(const std::vector<PointF>& pts, bool fromCurrent);
    void polyDraw(const std::vector<PointF>& pts, std::span<const std::uint8_t> types);
    void polyPolygon(const std::vector<std::size_t>& counts, const std::vector<PointF>& pts, bool closed);
    void setPixel(PointF p, Color c);
    void textOut(PointF at, std::u16string text, const std::vector<double>& dxLogical, unsigned options,
                 std::optional<Rect> rect);
    DrawText textFor(PointF at, std::u16string text, const std::vector<double>& dxLogical) const;

    // ---- bitmaps (metafile_player_draw.cpp) -------------------------------------------------
    std::shared_ptr<const Bitmap> dib(std::span<const std::uint8_t> info, std::span<const std::uint8_t> bits,
                                      std::uint32_t usage) const;
    static bool dibBottomUp(std::span<const std::uint8_t> info);
    void blit(std::shared_ptr<const Bitmap> image, double sx, double sy, double sw, double sh, double x,
              double y, double w, double h, BlitOp op, bool alpha = false, double opacity = 1);
    void patBlt(Rect r, std::uint32_t rop);
    std::shared_ptr<const Bitmap> bitmap16(ByteReader& r) const;

    // ---- WMF records (metafile_player_wmf.cpp) ----------------------------------------------
    void wmfRecord(const MetafileRecord& rec);
    bool wmfStateRecord(std::uint16_t fn, ByteReader& r);
    bool wmfObjectRecord(std::uint16_t fn, ByteReader& r);
    bool wmfDrawRecord(std::uint16_t fn, const MetafileRecord& rec, ByteReader& r);
    template <class Read>
    void createWmfObject(Read read);
    LogPen wmfPen(ByteReader& r) const;
    LogBrush wmfBrush(ByteReader& r) const;
    static LogFont wmfFont(ByteReader& r);
    static LogPalette wmfPalette(ByteReader& r);
    LogBrush wmfPatternBrush(ByteReader& r) const;
    LogBrush wmfDibPatternBrush(ByteReader& r) const;
    static Region wmfRegion(ByteReader& r);
    void wmfPaintRegion(std::uint16_t fn, ByteReader& r);
    void wmfPoly(std::uint16_t fn, ByteReader& r);
    void wmfPolyPolygon(ByteReader& r);
    void wmfArc(std::uint16_t fn, ByteReader& r);
    void wmfTextOut(ByteReader& r);
    void wmfExtTextOut(ByteReader& r);
    void wmfStretchDib(ByteReader& r);
    void wmfSetDibToDev(ByteReader& r);
    void wmfBlit(std::uint16_t fn, const MetafileRecord& rec, ByteReader& r);

    // ---- EMF state records (metafile_player_emf_state.cpp) ----------------------------------
    void emfRecord(const MetafileRecord& rec);
    bool emfMappingRecord(std::uint32_t type, ByteReader& r);
    bool emfDcRecord(std::uint32_t type, ByteReader& r);
    bool emfClipPathRecord(std::uint32_t type, ByteReader& r);
    bool emfObjectRecord(std::uint32_t type, const MetafileRecord& rec, ByteReader& r);
    void emfWorldTransform(std::uint32_t type, ByteReader& r);
    void emfSelect(ByteReader& r, const char* what);
    void emfCreatePen(ByteReader& r);
    void emfExtCreatePen(ByteReader& r);
    void emfCreateBrush(ByteReader& r);
    void emfDibBrush(std::uint32_t type, const MetafileRecord& rec, ByteReader& r);
    void emfCreateFont(ByteReader& r);
    void emfCreatePalette(ByteReader& r);
    void emfSelectClipRegion(ByteReader& r);
    static ClipStep::Op clipOp(std::uint32_t mode);
    // The bytes at an offset of a record; throws DecodeError when they run past it.
    std::span<const std::uint8_t> at(const MetafileRecord& rec, std::uint32_t offset,
                                     std::uint32_t size) const;
    static Region rgnData(ByteReader& r, std::uint32_t size);

    // ---- EMF drawing records (metafile_player_emf_draw.cpp) ---------------------------------
    bool emfPolyRecord(std::uint32_t type, ByteReader& r);
    bool emfShapeRecord(std::uint32_t type, ByteReader& r);
    bool emfImageTextRecord(std::uint32_t type, const MetafileRecord& rec, ByteReader& r);
    void emfPoly(std::uint32_t type, ByteReader& r);
    void emfPolyPoly(std::uint32_t type, ByteReader& r);
    void emfPolyDraw(std::uint32_t type, ByteReader& r);
    void emfAngleArc(ByteReader& r);
    void emfArc(std::uint32_t type, ByteReader& r);
    void emfDrawPath(std::uint32_t type);
    void emfFillRegion(std::uint32_t type, ByteReader& r);
    void emfBlit(const MetafileRecord& rec, ByteReader& r, std::uint32_t type);
    void emfPlgBlt(const MetafileRecord& rec, ByteReader& r);
    void emfSetDiBits(const MetafileRecord& rec, ByteReader& r);
    void emfStretchDiBits(const MetafileRecord& rec, ByteReader& r);
    void emfText(const MetafileRecord& rec, ByteReader& r, bool wide);
    void emfPolyText(const MetafileRecord& rec, ByteReader& r, bool wide);
    void emfTextBlock(const MetafileRecord& rec, ByteReader& r, bool wide);
    void gradientFill(ByteReader& r);

    const Metafile& m_mf;
    DecodeLimits m_limits;  // for the bitmaps inside the records
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

}  // namespace vexilo::gdi
