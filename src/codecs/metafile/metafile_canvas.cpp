#include "codecs/metafile/metafile_canvas.h"

#include <algorithm>
#include <cmath>

namespace vexilo {

void DrawPath::moveTo(PointF p) {
    m_verbs.push_back(Verb::Move);
    m_points.push_back(p);
    m_figureStart = p;
}

void DrawPath::lineTo(PointF p) {
    if (m_verbs.empty()) return moveTo(p);
    m_verbs.push_back(Verb::Line);
    m_points.push_back(p);
}

void DrawPath::cubicTo(PointF c1, PointF c2, PointF p) {
    if (m_verbs.empty()) moveTo(c1);
    m_verbs.push_back(Verb::Cubic);
    m_points.push_back(c1);
    m_points.push_back(c2);
    m_points.push_back(p);
}

void DrawPath::close() {
    if (m_verbs.empty() || m_verbs.back() == Verb::Close) return;
    m_verbs.push_back(Verb::Close);
}

void DrawPath::append(const DrawPath& other) {
    m_verbs.insert(m_verbs.end(), other.m_verbs.begin(), other.m_verbs.end());
    m_points.insert(m_points.end(), other.m_points.begin(), other.m_points.end());
    if (!other.m_verbs.empty()) m_figureStart = other.m_figureStart;
}

void DrawPath::translate(double dx, double dy) {
    for (auto& p : m_points) p.x += dx, p.y += dy;
    m_figureStart.x += dx, m_figureStart.y += dy;
}

DrawPath DrawPath::rect(double left, double top, double right, double bottom) {
    DrawPath p;
    p.moveTo({left, top});
    p.lineTo({right, top});
    p.lineTo({right, bottom});
    p.lineTo({left, bottom});
    p.close();
    return p;
}

std::vector<DrawPath::Figure> DrawPath::flatten() const {
    std::vector<Figure> figures;
    std::size_t i = 0;
    for (Verb v : m_verbs) {
        switch (v) {
            case Verb::Move:
                figures.push_back({{m_points[i++]}, false});
                break;
            case Verb::Line:
                if (figures.empty()) figures.emplace_back();
                figures.back().points.push_back(m_points[i++]);
                break;
            case Verb::Cubic: {
                if (figures.empty() || figures.back().points.empty())
                    figures.push_back({{m_points[i]}, false});
                const PointF p0 = figures.back().points.back(), c1 = m_points[i], c2 = m_points[i + 1],
                             p3 = m_points[i + 2];
                i += 3;
                const double length = std::hypot(c1.x - p0.x, c1.y - p0.y) +
                                      std::hypot(c2.x - c1.x, c2.y - c1.y) +
                                      std::hypot(p3.x - c2.x, p3.y - c2.y);
                const int steps = std::clamp(static_cast<int>(length / 2), 4, 256);
                for (int s = 1; s <= steps; ++s) {
                    const double t = static_cast<double>(s) / steps, u = 1 - t;
                    figures.back().points.push_back(
                        {u * u * u * p0.x + 3 * u * u * t * c1.x + 3 * u * t * t * c2.x + t * t * t * p3.x,
                         u * u * u * p0.y + 3 * u * u * t * c1.y + 3 * u * t * t * c2.y + t * t * t * p3.y});
                }
                break;
            }
            case Verb::Close:
                if (!figures.empty()) {
                    figures.back().closed = true;
                    // Drawing after a close starts from the figure's first point.
                    figures.push_back({{figures.back().points.front()}, false});
                }
                break;
        }
    }
    std::erase_if(figures, [](const Figure& f) { return f.points.size() < 2 && !f.closed; });
    return figures;
}

}  // namespace vexilo
