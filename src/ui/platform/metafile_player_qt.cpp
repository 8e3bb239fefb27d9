#include "ui/platform/metafile_player_qt.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <algorithm>
#include <cmath>

#include "ui/platform/qimage_convert.h"

namespace vexilo {

namespace {

QColor qcolor(Color c) {
    return QColor(c.r, c.g, c.b);
}

QPainterPath toQPath(const DrawPath& path, FillRule rule) {
    QPainterPath q;
    q.setFillRule(rule == FillRule::EvenOdd ? Qt::OddEvenFill : Qt::WindingFill);
    const auto& pts = path.points();
    std::size_t i = 0;
    for (DrawPath::Verb v : path.verbs()) {
        switch (v) {
            case DrawPath::Verb::Move:
                q.moveTo(pts[i].x, pts[i].y), ++i;
                break;
            case DrawPath::Verb::Line:
                q.lineTo(pts[i].x, pts[i].y), ++i;
                break;
            case DrawPath::Verb::Cubic:
                q.cubicTo(pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y, pts[i + 2].x, pts[i + 2].y);
                i += 3;
                break;
            case DrawPath::Verb::Close:
                q.closeSubpath();
                break;
        }
    }
    return q;
}

// The image's colours; with alpha its premultiplied alpha bytes, with a transparent colour that
// colour cleared.
QImage imageFor(const Bitmap& b, bool useAlpha) {
    if (!useAlpha && !b.transparent()) return toQImage(b);
    QImage img(b.width(), b.height(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < b.height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < b.width(); ++x) {
            const Color c = b.pixel(x, y);
            if (b.transparent() && c == b.transparentColor()) {
                out[x] = 0;
                continue;
            }
            if (!useAlpha) {
                out[x] = qRgba(c.r, c.g, c.b, 255);
                continue;
            }
            const int a = b.alpha(x, y);
            out[x] = qRgba(std::min<int>(c.r, a), std::min<int>(c.g, a), std::min<int>(c.b, a), a);
        }
    }
    return img;
}

QPainter::CompositionMode modeFor(BlitOp op) {
    switch (op) {
        case BlitOp::And:
            return QPainter::RasterOp_SourceAndDestination;
        case BlitOp::Or:
            return QPainter::RasterOp_SourceOrDestination;
        case BlitOp::Xor:
            return QPainter::RasterOp_SourceXorDestination;
        case BlitOp::NotCopy:
            return QPainter::RasterOp_NotSource;
        case BlitOp::Invert:
            return QPainter::RasterOp_NotDestination;
        default:
            return QPainter::CompositionMode_SourceOver;
    }
}

class QtMetafileCanvas : public MetafileCanvas {
public:
    QtMetafileCanvas(int width, int height) : m_image(width, height, QImage::Format_RGB32) {
        m_image.fill(Qt::white);
        m_painter.begin(&m_image);
        // Metafiles draw without smoothing; text keeps the font's own rendering.
        m_painter.setRenderHint(QPainter::Antialiasing, false);
        m_painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    }

    void setClip(const std::vector<ClipStep>& steps) override {
        if (steps.empty()) {
            m_painter.setClipping(false);
            return;
        }
        QPainterPath region;
        region.addRect(QRectF(-1, -1, m_image.width() + 2, m_image.height() + 2));
        for (const ClipStep& step : steps) {
            const QPainterPath p = toQPath(step.path, FillRule::EvenOdd);
            switch (step.op) {
                case ClipStep::Op::Intersect:
                    region = region.intersected(p);
                    break;
                case ClipStep::Op::Exclude:
                    region = region.subtracted(p);
                    break;
                case ClipStep::Op::Unite:
                    region = region.united(p);
                    break;
                case ClipStep::Op::Xor:
                    region = region.subtracted(p).united(p.subtracted(region));
                    break;
                case ClipStep::Op::Replace:
                    region = p;
                    break;
            }
        }
        m_painter.setClipPath(region);
    }

    void fillPath(const DrawPath& path, FillRule rule, const DrawBrush& brush) override {
        if (!brush.visible()) return;
        const QPainterPath q = toQPath(path, rule);
        if (brush.style == DrawBrush::Style::Hatch && brush.opaqueBackground)
            m_painter.fillPath(q, qcolor(brush.background));
        m_painter.fillPath(q, qbrush(brush));
    }

    void strokePath(const DrawPath& path, const DrawPen& pen) override {
        if (!pen.visible()) return;
        QPen q(qcolor(pen.color));
        q.setWidthF(pen.width);
        switch (pen.dash) {
            case PenDash::Dash:
                q.setStyle(Qt::DashLine);
                break;
            case PenDash::Dot:
                q.setStyle(Qt::DotLine);
                break;
            case PenDash::DashDot:
                q.setStyle(Qt::DashDotLine);
                break;
            case PenDash::DashDotDot:
                q.setStyle(Qt::DashDotDotLine);
                break;
            default:
                q.setStyle(Qt::SolidLine);
                break;
        }
        q.setCapStyle(pen.cap == PenCap::Flat     ? Qt::FlatCap
                      : pen.cap == PenCap::Square ? Qt::SquareCap
                                                  : Qt::RoundCap);
        q.setJoinStyle(pen.join == PenJoin::Bevel   ? Qt::BevelJoin
                       : pen.join == PenJoin::Miter ? Qt::MiterJoin
                                                    : Qt::RoundJoin);
        q.setMiterLimit(pen.miterLimit);
        m_painter.strokePath(toQPath(path, FillRule::Winding), q);
    }

    void patternBlit(const DrawPath& path, const DrawBrush& brush, BlitOp op) override {
        const QPainterPath q = toQPath(path, FillRule::Winding);
        switch (op) {
            case BlitOp::None:
                return;
            case BlitOp::Black:
                m_painter.fillPath(q, Qt::black);
                return;
            case BlitOp::White:
                m_painter.fillPath(q, Qt::white);
                return;
            case BlitOp::Invert:
                m_painter.setCompositionMode(QPainter::RasterOp_NotDestination);
                m_painter.fillPath(q, Qt::black);
                break;
            case BlitOp::Xor:
                if (!brush.visible()) return;
                m_painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
                m_painter.fillPath(q, qbrush(brush));
                break;
            default:
                if (!brush.visible()) return;
                m_painter.fillPath(q, qbrush(brush));
                break;
        }
        m_painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }

    void drawText(const DrawText& t) override {
        // Fonts need the GUI application; without one text is left out, as in the core canvas.
        if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()) || t.text.empty()) return;
        QFont font(QString::fromStdString(t.font.face));
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(t.font.height))));
        if (t.font.cellHeight) {
            const double cell = QFontMetricsF(font).height();
            if (cell > 0)
                font.setPixelSize(
                    std::max(1, static_cast<int>(std::lround(t.font.height * t.font.height / cell))));
        }
        font.setWeight(
            static_cast<QFont::Weight>(std::clamp(t.font.weight == 0 ? 400 : t.font.weight, 100, 900)));
        font.setItalic(t.font.italic);
        font.setUnderline(t.font.underline);
        font.setStrikeOut(t.font.strikeOut);
        const QFontMetricsF fm(font);
        const QString text = QString::fromUtf16(t.text.data(), static_cast<qsizetype>(t.text.size()));
        double width = 0;
        if (!t.advances.empty()) {
            for (std::size_t i = 0; i < t.text.size() && i < t.advances.size(); ++i) width += t.advances[i];
        } else {
            width = fm.horizontalAdvance(text);
        }
        double x = 0, y = 0;
        if (t.hAlign == DrawText::HAlign::Center)
            x = -width / 2;
        else if (t.hAlign == DrawText::HAlign::Right)
            x = -width;
        if (t.vAlign == DrawText::VAlign::Top)
            y = fm.ascent();
        else if (t.vAlign == DrawText::VAlign::Bottom)
            y = -fm.descent();

        m_painter.save();
        m_painter.translate(t.anchor.x, t.anchor.y);
        m_painter.rotate(-t.angle);
        m_painter.setRenderHint(QPainter::TextAntialiasing, true);
        if (t.opaqueBackground)
            m_painter.fillRect(QRectF(x, y - fm.ascent(), width, fm.ascent() + fm.descent()),
                               qcolor(t.background));
        m_painter.setFont(font);
        m_painter.setPen(qcolor(t.color));
        if (!t.advances.empty() && t.advances.size() >= t.text.size()) {
            double at = x;
            for (qsizetype i = 0; i < text.size(); ++i) {
                m_painter.drawText(QPointF(at, y), QString(text[i]));
                at += t.advances[static_cast<std::size_t>(i)];
            }
        } else {
            m_painter.drawText(QPointF(x, y), text);
        }
        m_painter.restore();
    }

    void drawImage(const DrawImage& d) override {
        if (!d.image || d.source.width() <= 0 || d.source.height() <= 0) return;
        if (d.op == BlitOp::None) return;
        const QImage whole = imageFor(*d.image, d.useAlpha);
        QImage part = whole.copy(d.source.left, d.source.top, d.source.width(), d.source.height());
        m_painter.save();
        m_painter.setOpacity(d.opacity);
        if (d.op == BlitOp::Black || d.op == BlitOp::White || d.op == BlitOp::Invert) {
            // Operations that ignore the source: fill the parallelogram.
            QPainterPath q;
            q.moveTo(d.topLeft.x, d.topLeft.y);
            q.lineTo(d.topRight.x, d.topRight.y);
            q.lineTo(d.topRight.x + d.bottomLeft.x - d.topLeft.x,
                     d.topRight.y + d.bottomLeft.y - d.topLeft.y);
            q.lineTo(d.bottomLeft.x, d.bottomLeft.y);
            q.closeSubpath();
            if (d.op == BlitOp::Invert) m_painter.setCompositionMode(QPainter::RasterOp_NotDestination);
            m_painter.fillPath(q, d.op == BlitOp::White ? Qt::white : Qt::black);
            m_painter.restore();
            return;
        }
        m_painter.setCompositionMode(modeFor(d.op));
        if (d.topLeft.y == d.topRight.y && d.topLeft.x == d.bottomLeft.x) {
            // Axis-aligned, as almost every blit is: whole device pixels, like the format's own
            // renderer, so that a 1:1 image lands exactly on the pixels it covers.
            int l = static_cast<int>(std::lround(d.topLeft.x)),
                r = static_cast<int>(std::lround(d.topRight.x));
            int t = static_cast<int>(std::lround(d.topLeft.y)),
                b = static_cast<int>(std::lround(d.bottomLeft.y));
            const bool flipX = r < l, flipY = b < t;
            if (flipX) std::swap(l, r);
            if (flipY) std::swap(t, b);
            if (flipX || flipY) part = part.mirrored(flipX, flipY);
            if (r > l && b > t) m_painter.drawImage(QRect(l, t, r - l, b - t), part);
        } else {
            const double sw = part.width(), sh = part.height();
            const QTransform form((d.topRight.x - d.topLeft.x) / sw, (d.topRight.y - d.topLeft.y) / sw,
                                  (d.bottomLeft.x - d.topLeft.x) / sh, (d.bottomLeft.y - d.topLeft.y) / sh,
                                  d.topLeft.x, d.topLeft.y);
            m_painter.setTransform(form, true);
            m_painter.drawImage(QPointF(0, 0), part);
        }
        m_painter.restore();
    }

    Bitmap result() override {
        if (m_painter.isActive()) m_painter.end();
        return fromQImage(m_image);
    }

private:
    QBrush qbrush(const DrawBrush& b) const {
        switch (b.style) {
            case DrawBrush::Style::Hatch: {
                static constexpr Qt::BrushStyle kStyles[] = {Qt::HorPattern,   Qt::VerPattern,
                                                             Qt::FDiagPattern, Qt::BDiagPattern,
                                                             Qt::CrossPattern, Qt::DiagCrossPattern};
                return QBrush(qcolor(b.color), kStyles[static_cast<int>(b.hatch)]);
            }
            case DrawBrush::Style::Pattern:
                if (b.pattern && !b.pattern->empty()) return QBrush(toQImage(*b.pattern));
                return QBrush(qcolor(b.color));
            case DrawBrush::Style::Null:
                return Qt::NoBrush;
            case DrawBrush::Style::Solid:
                break;
        }
        return QBrush(qcolor(b.color));
    }

    QImage m_image;
    QPainter m_painter;
};

}  // namespace

std::unique_ptr<MetafileCanvas> makeQtMetafileCanvas(int width, int height) {
    return std::make_unique<QtMetafileCanvas>(width, height);
}

}  // namespace vexilo
