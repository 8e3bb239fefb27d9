#pragma once
// Record numbers of Windows metafiles (WMF function numbers) and enhanced metafiles (EMF record
// types), by the names the formats give them. A WMF function's high byte is its usual parameter
// count in words; the reader, the player, the writer and the tests all take the numbers from here.
#include <cstdint>

namespace vexilo {

namespace wmf {
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;

constexpr std::uint16_t kEof = 0x0000;
// Device context state.
constexpr std::uint16_t kSaveDc = 0x001E, kRestoreDc = 0x0127;
constexpr std::uint16_t kSetBkMode = 0x0102, kSetMapMode = 0x0103, kSetPolyFillMode = 0x0106;
constexpr std::uint16_t kSetTextAlign = 0x012E, kSetBkColor = 0x0201, kSetTextColor = 0x0209;
constexpr std::uint16_t kSetWindowOrg = 0x020B, kSetWindowExt = 0x020C, kOffsetWindowOrg = 0x020F;
constexpr std::uint16_t kScaleWindowExt = 0x0410;
constexpr std::uint16_t kSetViewportOrg = 0x020D, kSetViewportExt = 0x020E, kOffsetViewportOrg = 0x0211;
constexpr std::uint16_t kScaleViewportExt = 0x0412;
// Clipping.
constexpr std::uint16_t kOffsetClipRgn = 0x0220, kExcludeClipRect = 0x0415, kIntersectClipRect = 0x0416;
constexpr std::uint16_t kSelectClipRegion = 0x012C;
// Objects.
constexpr std::uint16_t kSelectObject = 0x012D, kSelectPalette = 0x0234, kDeleteObject = 0x01F0;
constexpr std::uint16_t kCreatePenIndirect = 0x02FA, kCreateBrushIndirect = 0x02FC;
constexpr std::uint16_t kCreateFontIndirect = 0x02FB, kCreatePalette = 0x00F7;
constexpr std::uint16_t kCreatePatternBrush = 0x01F9, kDibCreatePatternBrush = 0x0142;
constexpr std::uint16_t kCreateRegion = 0x06FF;
// Drawing.
constexpr std::uint16_t kLineTo = 0x0213, kMoveTo = 0x0214;
constexpr std::uint16_t kFillRegion = 0x0228, kPaintRegion = 0x012B;
constexpr std::uint16_t kPolygon = 0x0324, kPolyline = 0x0325, kPolyPolygon = 0x0538;
constexpr std::uint16_t kRectangle = 0x041B, kEllipse = 0x0418, kRoundRect = 0x061C;
constexpr std::uint16_t kArc = 0x0817, kPie = 0x081A, kChord = 0x0830;
constexpr std::uint16_t kSetPixel = 0x041F, kTextOut = 0x0521, kExtTextOut = 0x0A32;
// Bitmaps.
constexpr std::uint16_t kPatBlt = 0x061D, kBitBlt = 0x0922, kDibBitBlt = 0x0940;
constexpr std::uint16_t kStretchBlt = 0x0B23, kDibStretchBlt = 0x0B41;
constexpr std::uint16_t kStretchDib = 0x0F43, kSetDibToDev = 0x0D33;
}  // namespace wmf

namespace emr {
constexpr std::uint32_t kSignature = 0x464D4520;  // " EMF"

constexpr std::uint32_t kHeader = 1, kEof = 14;
// Point lists, with 32-bit points and (the *16 ones) with 16-bit points.
constexpr std::uint32_t kPolyBezier = 2, kPolygon = 3, kPolyline = 4, kPolyBezierTo = 5, kPolylineTo = 6;
constexpr std::uint32_t kPolyPolyline = 7, kPolyPolygon = 8, kPolyDraw = 56;
constexpr std::uint32_t kPolyBezier16 = 85, kPolygon16 = 86, kPolyline16 = 87, kPolyBezierTo16 = 88;
constexpr std::uint32_t kPolylineTo16 = 89, kPolyPolyline16 = 90, kPolyPolygon16 = 91, kPolyDraw16 = 92;
// Mapping and transforms.
constexpr std::uint32_t kSetWindowExtEx = 9, kSetWindowOrgEx = 10;
constexpr std::uint32_t kSetViewportExtEx = 11, kSetViewportOrgEx = 12;
constexpr std::uint32_t kScaleViewportExtEx = 31, kScaleWindowExtEx = 32;
constexpr std::uint32_t kSetMapMode = 17, kSetWorldTransform = 35, kModifyWorldTransform = 36;
// Device context state.
constexpr std::uint32_t kSetBkMode = 18, kSetPolyFillMode = 19, kSetTextAlign = 22;
constexpr std::uint32_t kSetTextColor = 24, kSetBkColor = 25;
constexpr std::uint32_t kSaveDc = 33, kRestoreDc = 34;
constexpr std::uint32_t kSetArcDirection = 57, kSetMiterLimit = 58;
// Clipping.
constexpr std::uint32_t kOffsetClipRgn = 26, kExcludeClipRect = 29, kIntersectClipRect = 30;
constexpr std::uint32_t kSelectClipPath = 67, kExtSelectClipRgn = 75;
// Objects.
constexpr std::uint32_t kSelectObject = 37, kCreatePen = 38, kCreateBrushIndirect = 39;
constexpr std::uint32_t kDeleteObject = 40, kSelectPalette = 48, kCreatePalette = 49;
constexpr std::uint32_t kExtCreateFontIndirectW = 82, kCreateMonoBrush = 93;
constexpr std::uint32_t kCreateDibPatternBrushPt = 94, kExtCreatePen = 95;
// Paths.
constexpr std::uint32_t kBeginPath = 59, kEndPath = 60, kCloseFigure = 61;
constexpr std::uint32_t kFillPath = 62, kStrokeAndFillPath = 63, kStrokePath = 64, kAbortPath = 68;
// Drawing.
constexpr std::uint32_t kSetPixelV = 15, kMoveToEx = 27, kLineTo = 54;
constexpr std::uint32_t kAngleArc = 41, kEllipse = 42, kRectangle = 43, kRoundRect = 44;
constexpr std::uint32_t kArc = 45, kChord = 46, kPie = 47, kArcTo = 55;
constexpr std::uint32_t kFillRgn = 71, kPaintRgn = 74;
constexpr std::uint32_t kExtTextOutA = 83, kExtTextOutW = 84, kPolyTextOutA = 96, kPolyTextOutW = 97;
constexpr std::uint32_t kGradientFill = 118;
// Bitmaps.
constexpr std::uint32_t kBitBlt = 76, kStretchBlt = 77, kMaskBlt = 78, kPlgBlt = 79;
constexpr std::uint32_t kSetDiBitsToDevice = 80, kStretchDiBits = 81;
constexpr std::uint32_t kAlphaBlend = 114, kTransparentBlt = 116;
}  // namespace emr

}  // namespace vexilo
