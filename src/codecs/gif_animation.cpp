#include "codecs/gif_animation.h"

#include <algorithm>

#include "base/byte_reader.h"

namespace vexilo {

namespace {
constexpr int kDefaultDelayMs = 100;
constexpr int kDisposeToBackground = 2;
constexpr int kDisposeToPrevious = 3;
}  // namespace

GifAnimator::GifAnimator(TGIFImage& image) : m_image(image) {
    int w = image.screenWidth(), h = image.screenHeight();
    if (w <= 0 || h <= 0) {
        // No screen given: the frames' extent stands in for it.
        for (int i = 0; i < image.frameCount(); ++i) {
            const TGIFFrame& f = image.frame(i);
            w = std::max(w, std::min(f.left + f.width(), 65535));
            h = std::max(h, std::min(f.top + f.height(), 65535));
        }
    }
    if (w > 0 && h > 0) checkDimensions("GIF", w, h, image.limits());
    m_canvas = Bitmap(0, 0, PixelFormat::Bpp32);
    m_canvas.setSize(w, h);
    reset();
}

void GifAnimator::reset() {
    std::fill(m_canvas.pixels().begin(), m_canvas.pixels().end(), 0u);
    m_saved = Bitmap();
    m_shown = -1;
}

int GifAnimator::nextFrame() const {
    const int n = m_image.frameCount();
    if (n == 0) return -1;
    return (m_shown + 1) % n;
}

int GifAnimator::delayOfShownFrame() const {
    if (m_shown < 0 || m_shown >= m_image.frameCount()) return kDefaultDelayMs;
    const int d = m_image.frame(m_shown).delayMs;
    return d > 0 ? d : kDefaultDelayMs;
}

const Bitmap& GifAnimator::showFrame(int index) {
    if (index < 0 || index >= m_image.frameCount()) return m_canvas;
    if (index <= m_shown) reset();
    while (m_shown < index) {
        if (m_shown >= 0) dispose(m_shown);
        drawFrame(m_shown + 1);
        ++m_shown;
    }
    return m_canvas;
}

void GifAnimator::dispose(int index) {
    TGIFFrame& f = m_image.frame(index);
    if (f.disposal == kDisposeToPrevious && !m_saved.empty()) {
        m_canvas = m_saved;
    } else if (f.disposal == kDisposeToBackground) {
        const int x0 = std::clamp(f.left, 0, m_canvas.width()), y0 = std::clamp(f.top, 0, m_canvas.height());
        const int x1 = std::clamp(f.left + f.width(), 0, m_canvas.width());
        const int y1 = std::clamp(f.top + f.height(), 0, m_canvas.height());
        for (int y = y0; y < y1; ++y) {
            auto row = m_canvas.row(y);
            std::fill(row.begin() + x0, row.begin() + x1, 0u);
        }
    }
}

void GifAnimator::drawFrame(int index) {
    TGIFFrame& f = m_image.frame(index);
    if (f.disposal == kDisposeToPrevious) m_saved = m_canvas;
    const Bitmap& picture = f.bitmap();
    if (picture.empty()) return;
    // Clip the frame's rectangle to the canvas.
    const int x0 = std::max(f.left, 0), y0 = std::max(f.top, 0);
    const int x1 = std::min(f.left + picture.width(), m_canvas.width());
    const int y1 = std::min(f.top + picture.height(), m_canvas.height());
    const bool keyed = m_image.transparent() && f.transparentColor.has_value();
    for (int y = y0; y < y1; ++y) {
        const auto in = picture.row(y - f.top);
        auto out = m_canvas.row(y);
        for (int x = x0; x < x1; ++x) {
            const Color c = picture.colorOf(in[static_cast<std::size_t>(x - f.left)]);
            if (keyed && c == *f.transparentColor) continue;
            out[static_cast<std::size_t>(x)] = packRgb(c, 0xFF);
        }
    }
    // A long animation would otherwise hold every frame decoded; the encoded data stays.
    f.releaseBitmap();
}

}  // namespace vexilo
