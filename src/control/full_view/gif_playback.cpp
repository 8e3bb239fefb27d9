#include "control/full_view/gif_playback.h"

#include "base/errors.h"

namespace vexilo {

namespace {
constexpr int kMinDelayMs = 20;
constexpr int kSlowDelayMs = 100;
}  // namespace

GifPlayback::GifPlayback() = default;
GifPlayback::~GifPlayback() = default;

int GifPlayback::playbackDelayMs(int delayMs) {
    return delayMs < kMinDelayMs ? kSlowDelayMs : delayMs;
}

bool GifPlayback::load(const std::string& path, std::string* error) {
    m_animator.reset();
    m_image = std::make_unique<TGIFImage>();
    m_ended = true;
    try {
        m_image->loadFromFile(path);
        if (m_image->frameCount() == 0) throw DecodeError("GIF: the file holds no image");
        m_animator = std::make_unique<GifAnimator>(*m_image);
        if (m_animator->canvas().empty()) throw DecodeError("GIF: the image has no size");
    } catch (const std::exception& e) {
        if (error) *error = e.what();
        m_animator.reset();
        m_image.reset();
        return false;
    }
    return true;
}

int GifPlayback::width() const {
    return m_animator ? m_animator->canvas().width() : 0;
}
int GifPlayback::height() const {
    return m_animator ? m_animator->canvas().height() : 0;
}
int GifPlayback::frameCount() const {
    return m_image ? m_image->frameCount() : 0;
}
const Bitmap& GifPlayback::canvas() const {
    return m_animator ? m_animator->canvas() : m_empty;
}
int GifPlayback::shownFrame() const {
    return m_animator ? m_animator->shownFrame() : -1;
}

int GifPlayback::start() {
    if (!m_animator) return -1;
    // Without a loop extension the animation plays once; a loop count of n repeats it n more
    // times, 0 forever.
    m_loopsLeft = !m_image->looping() ? 0 : m_image->loopCount() == 0 ? -1 : m_image->loopCount();
    m_ended = false;
    const int delay = show(0);
    if (delay < 0 || m_image->frameCount() == 1) m_ended = true;
    return m_ended ? -1 : delay;
}

int GifPlayback::step() {
    if (!m_animator || m_ended) return -1;
    int next = m_animator->shownFrame() + 1;
    if (next >= m_image->frameCount()) {
        if (m_loopsLeft == 0) {
            m_ended = true;
            return -1;
        }
        if (m_loopsLeft > 0) --m_loopsLeft;
        next = 0;
    }
    const int delay = show(next);
    if (delay < 0) m_ended = true;
    return delay;
}

int GifPlayback::show(int index) {
    try {
        m_animator->showFrame(index);
    } catch (const std::exception&) {
        // A damaged file plays the frames that decode and stops there.
        return -1;
    }
    return playbackDelayMs(m_image->frame(index).delayMs);
}

}  // namespace vexilo
