#pragma once
// The work budget of one playback: a canvas that passes drawing on to the real one while
// counting the work it asks for, so that a hostile file of many huge fills or clip changes ends
// instead of running for hours. Real pictures use a small part of it.
#include <vector>

#include "codecs/metafile/metafile_canvas.h"

namespace vexilo {

class BudgetCanvas : public MetafileCanvas {
public:
    // The budget is 256 times the output's area, and some for small outputs. `inner` must
    // outlive this canvas.
    BudgetCanvas(MetafileCanvas& inner, int width, int height);
    // True once the drawing asked for more than the budget; later drawing is dropped.
    bool exhausted() const { return m_used > m_budget; }

    void setClip(const std::vector<ClipStep>& steps) override;
    void fillPath(const DrawPath& path, FillRule rule, const DrawBrush& brush) override;
    void strokePath(const DrawPath& path, const DrawPen& pen) override;
    void patternBlit(const DrawPath& path, const DrawBrush& brush, BlitOp op) override;
    void drawText(const DrawText& text) override;
    void drawImage(const DrawImage& d) override;
    Bitmap result() override { return m_inner.result(); }

private:
    double area() const { return static_cast<double>(m_width) * m_height; }
    double cost(const DrawPath& path) const;
    bool charge(double units) {
        m_used += units;
        return !exhausted();
    }

    MetafileCanvas& m_inner;
    int m_width, m_height;
    double m_budget;
    double m_used = 0;
};

}  // namespace vexilo
