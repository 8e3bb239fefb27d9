#include "codecs/metafile/metafile_budget.h"

#include <algorithm>
#include <cmath>

namespace vexilo {

BudgetCanvas::BudgetCanvas(MetafileCanvas& inner, int width, int height)
    : m_inner(inner),
      m_width(width),
      m_height(height),
      m_budget(std::max(1.0, static_cast<double>(width) * height) * 256.0 + 1e8) {}

void BudgetCanvas::setClip(const std::vector<ClipStep>& steps) {
    // A canvas rebuilds the region from its steps: each costs what a fill of it would.
    double units = 64;
    for (const ClipStep& step : steps)
        units += cost(step.path) + static_cast<double>(step.path.pointCount()) * 8;
    if (charge(units)) m_inner.setClip(steps);
}

void BudgetCanvas::fillPath(const DrawPath& path, FillRule rule, const DrawBrush& brush) {
    if (charge(cost(path))) m_inner.fillPath(path, rule, brush);
}

void BudgetCanvas::strokePath(const DrawPath& path, const DrawPen& pen) {
    if (charge(cost(path) + static_cast<double>(path.pointCount()) * std::max(1.0, pen.width) * 4))
        m_inner.strokePath(path, pen);
}

void BudgetCanvas::patternBlit(const DrawPath& path, const DrawBrush& brush, BlitOp op) {
    if (charge(cost(path))) m_inner.patternBlit(path, brush, op);
}

void BudgetCanvas::drawText(const DrawText& text) {
    const double h = text.font.height;
    if (charge(static_cast<double>(text.text.size()) * h * h + 64)) m_inner.drawText(text);
}

void BudgetCanvas::drawImage(const DrawImage& d) {
    const double w = std::abs(d.topRight.x - d.topLeft.x) + std::abs(d.bottomLeft.x - d.topLeft.x);
    const double h = std::abs(d.topRight.y - d.topLeft.y) + std::abs(d.bottomLeft.y - d.topLeft.y);
    const double src = static_cast<double>(d.image->width()) * d.image->height();
    if (charge(std::min(w * h, area()) + src + 64)) m_inner.drawImage(d);
}

// The pixels a path can touch, inside the output, plus its points.
double BudgetCanvas::cost(const DrawPath& path) const {
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

}  // namespace vexilo
