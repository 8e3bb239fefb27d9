#pragma once
// The neutral drawing model a metafile plays into. The player (metafile_player.h) resolves
// every record, mapping mode and object into these calls in output pixels; a canvas only draws.
// The desktop layer supplies a canvas that paints with its graphics library; without one the
// core falls back to its own plain rasteriser (metafile_raster.h).
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "raster/bitmap.h"

namespace vexilo {

// Coordinates come from the file and may be anything: converting an out-of-range double to int
// is undefined, so every such conversion saturates (NaN gives 0).
inline int saturatedInt(double v) {
    constexpr double kLimit = 1 << 29;  // differences of two still fit
    if (!(v == v)) return 0;
    return static_cast<int>(v < -kLimit ? -kLimit : v > kLimit ? kLimit : v);
}

struct PointF {
    double x = 0, y = 0;
};

// Figures made of straight and cubic segments, in output pixels.
class DrawPath {
public:
    enum class Verb : std::uint8_t { Move, Line, Cubic, Close };

    void moveTo(PointF p);
    void lineTo(PointF p);
    void cubicTo(PointF c1, PointF c2, PointF p);
    void close();
    void append(const DrawPath& other);
    void translate(double dx, double dy);
    // A rectangle as one closed figure.
    static DrawPath rect(double left, double top, double right, double bottom);

    bool empty() const { return m_verbs.empty(); }
    const std::vector<Verb>& verbs() const { return m_verbs; }
    // One point per Move and Line, three per Cubic, none per Close.
    const std::vector<PointF>& points() const { return m_points; }
    std::size_t pointCount() const { return m_points.size(); }
    bool hasCurrentPoint() const { return !m_verbs.empty(); }
    PointF currentPoint() const { return m_points.empty() ? PointF{} : m_points.back(); }
    struct Figure {
        std::vector<PointF> points;
        bool closed = false;
    };
    // Figures as polygons, cubic segments flattened; lone points are dropped.
    std::vector<Figure> flatten() const;

private:
    std::vector<Verb> m_verbs;
    std::vector<PointF> m_points;
    PointF m_figureStart;
};

enum class FillRule : std::uint8_t { EvenOdd, Winding };

enum class PenDash : std::uint8_t { Solid, Dash, Dot, DashDot, DashDotDot, None };
enum class PenCap : std::uint8_t { Round, Square, Flat };
enum class PenJoin : std::uint8_t { Round, Bevel, Miter };

struct DrawPen {
    PenDash dash = PenDash::Solid;
    Color color = kBlack;
    double width = 0;  // output pixels; 0 draws one pixel wide
    PenCap cap = PenCap::Round;
    PenJoin join = PenJoin::Round;
    double miterLimit = 10;
    bool visible() const { return dash != PenDash::None; }
};

enum class HatchStyle : std::uint8_t {
    Horizontal,
    Vertical,
    ForwardDiagonal,
    BackwardDiagonal,
    Cross,
    DiagonalCross
};

struct DrawBrush {
    enum class Style : std::uint8_t { Null, Solid, Hatch, Pattern };
    Style style = Style::Solid;
    Color color = kWhite;
    HatchStyle hatch = HatchStyle::Horizontal;
    std::shared_ptr<const Bitmap> pattern;  // tiled from the output's origin
    bool opaqueBackground = true;           // hatch gaps filled with `background`
    Color background = kWhite;
    bool visible() const { return style != Style::Null && (style != Style::Pattern || pattern); }
};

// The raster operations of image and pattern blits, reduced to those a canvas can honour.
enum class BlitOp : std::uint8_t { Copy, And, Or, Xor, NotCopy, Invert, Black, White, None };

struct DrawFont {
    std::string face;         // UTF-8
    double height = 16;       // output pixels
    bool cellHeight = false;  // height counts the whole cell (ascent + descent), not the em
    int weight = 400;
    bool italic = false, underline = false, strikeOut = false;
};

// Text anchored at a point: the horizontal and vertical alignment say which point of the text's
// box the anchor is; the box is turned by `angle` degrees anticlockwise about the anchor.
struct DrawText {
    enum class HAlign : std::uint8_t { Left, Center, Right };
    enum class VAlign : std::uint8_t { Top, Baseline, Bottom };
    PointF anchor;
    std::u16string text;
    std::vector<double> advances;  // output pixels per character, or empty for the font's own
    DrawFont font;
    double angle = 0;
    HAlign hAlign = HAlign::Left;
    VAlign vAlign = VAlign::Top;
    Color color = kBlack;
    bool opaqueBackground = false;
    Color background = kWhite;
};

// An image, or a part of it, drawn into the parallelogram given by three output points.
struct DrawImage {
    std::shared_ptr<const Bitmap> image;
    Rect source;  // pixels of `image`, inside it
    PointF topLeft, topRight, bottomLeft;
    BlitOp op = BlitOp::Copy;
    bool useAlpha = false;  // the image's alpha bytes, premultiplied, blend it over the output
    double opacity = 1;
};

// One step of building the clip region, applied in order to "everything".
struct ClipStep {
    enum class Op : std::uint8_t { Intersect, Exclude, Unite, Xor, Replace };
    Op op = Op::Intersect;
    DrawPath path;  // closed figures, even-odd filled
};

class MetafileCanvas {
public:
    virtual ~MetafileCanvas() = default;
    // The clip region as a list of steps from "everything"; an empty list clips nothing away.
    virtual void setClip(const std::vector<ClipStep>& steps) = 0;
    virtual void fillPath(const DrawPath& path, FillRule rule, const DrawBrush& brush) = 0;
    virtual void strokePath(const DrawPath& path, const DrawPen& pen) = 0;
    // Combines the brush with the output over the path by op (Copy paints the brush).
    virtual void patternBlit(const DrawPath& path, const DrawBrush& brush, BlitOp op) = 0;
    virtual void drawText(const DrawText& text) = 0;
    virtual void drawImage(const DrawImage& image) = 0;
    // The picture drawn so far.
    virtual Bitmap result() = 0;
};

// Makes a canvas of width x height output pixels, white. The desktop layer supplies one
// (imageio/desktop_services.h); renderMetafile takes it as an argument.
using MetafileCanvasFactory = std::function<std::unique_ptr<MetafileCanvas>(int width, int height)>;

}  // namespace vexilo
