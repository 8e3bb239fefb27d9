#include "control/full_view/gif_playback.h"

#include <algorithm>

#include "base/errors.h"
#include "base/file_io.h"
#include "codecs/ani_cursor.h"
#include "codecs/webp_codec.h"

namespace vexilo {

namespace {
constexpr int kMinDelayMs = 20;
constexpr int kSlowDelayMs = 100;
// Every frame of a WebP animation is held at once: a quarter of the decoder's pixel limit keeps
// that within 256 MiB.
constexpr std::uint64_t kWebpPlayPixels = std::uint64_t{1} << 26;

Bitmap withAlpha(const AlphaImage& image) {
    Bitmap out(image.color.width(), image.color.height(), PixelFormat::Bpp32);
    const auto& from = image.color.pixels();
    auto& to = out.pixels();
    for (std::size_t i = 0; i < to.size(); ++i) {
        const std::uint32_t alpha = image.alpha.empty() ? 255u : image.alpha[i];
        to[i] = (alpha << 24) | (from[i] & 0xFFFFFFu);
    }
    return out;
}

// A cursor frame as it shows over any background: drawn over black and over white, the
// difference gives the coverage (the mask's or the alpha's) and the black drawing the colour.
Bitmap withAlpha(const Icon& icon) {
    Bitmap onBlack(icon.width(), icon.height(), PixelFormat::Bpp32);
    Bitmap onWhite(icon.width(), icon.height(), PixelFormat::Bpp32);
    std::fill(onBlack.pixels().begin(), onBlack.pixels().end(), 0u);
    std::fill(onWhite.pixels().begin(), onWhite.pixels().end(), 0xFFFFFFu);
    icon.drawOnto(onBlack);
    icon.drawOnto(onWhite);
    Bitmap out(icon.width(), icon.height(), PixelFormat::Bpp32);
    auto& to = out.pixels();
    for (std::size_t i = 0; i < to.size(); ++i) {
        const std::uint32_t b = onBlack.pixels()[i], w = onWhite.pixels()[i];
        const std::uint32_t gap =
            std::min<std::uint32_t>(255, ((w >> 8) & 0xFF) - std::min((w >> 8) & 0xFF, (b >> 8) & 0xFF));
        const std::uint32_t alpha = 255 - gap;
        std::uint32_t color = 0;
        for (int shift : {0, 8, 16}) {
            const std::uint32_t c =
                alpha == 0 ? 0 : std::min<std::uint32_t>(255, ((b >> shift) & 0xFF) * 255 / alpha);
            color |= c << shift;
        }
        to[i] = (alpha << 24) | color;
    }
    return out;
}
}  // namespace

GifPlayback::GifPlayback() = default;
GifPlayback::~GifPlayback() = default;

int GifPlayback::playbackDelayMs(int delayMs) {
    return delayMs < kMinDelayMs ? kSlowDelayMs : delayMs;
}

bool GifPlayback::loadWebp(const std::vector<std::uint8_t>& bytes) {
    if (!looksLikeWebp(bytes)) return false;
    DecodeLimits limits = kDefaultDecodeLimits;
    limits.maxPixels = std::min(limits.maxPixels, kWebpPlayPixels);
    WebpAnimation animation = decodeWebpAnimation(bytes, limits);
    if (animation.frames.size() < 2) throw DecodeError("WebP: the file holds one picture, no animation");
    for (const AlphaImage& frame : animation.frames) m_webpFrames.push_back(withAlpha(frame));
    m_webpDelays = std::move(animation.durationsMs);
    m_webpLoops = animation.loopCount;
    return true;
}

bool GifPlayback::loadAni(const std::vector<std::uint8_t>& bytes) {
    if (!looksLikeAni(bytes)) return false;
    DecodeLimits limits = kDefaultDecodeLimits;
    limits.maxPixels = std::min(limits.maxPixels, kWebpPlayPixels);
    AniCursor cursor = decodeAniCursor(bytes, limits);
    for (const Icon& frame : cursor.frames) m_webpFrames.push_back(withAlpha(frame));
    m_webpDelays = std::move(cursor.delaysMs);
    m_steps = std::move(cursor.sequence);
    m_webpLoops = 0;  // cursors animate for as long as they show
    m_ownDelays = true;
    return true;
}

bool GifPlayback::load(const std::string& path, std::string* error) {
    m_animator.reset();
    m_image.reset();
    m_webpFrames.clear();
    m_webpDelays.clear();
    m_steps.clear();
    m_ownDelays = false;
    m_webpShown = -1;
    m_ended = true;
    try {
        {
            const std::vector<std::uint8_t> bytes = readFileBytes(path);
            if (loadWebp(bytes) || loadAni(bytes)) return true;
        }
        m_image = std::make_unique<TGIFImage>();
        m_image->loadFromFile(path);
        if (m_image->frameCount() == 0) throw DecodeError("GIF: the file holds no image");
        m_animator = std::make_unique<GifAnimator>(*m_image);
        if (m_animator->canvas().empty()) throw DecodeError("GIF: the image has no size");
    } catch (const std::exception& e) {
        if (error) *error = e.what();
        m_animator.reset();
        m_image.reset();
        m_webpFrames.clear();
        m_webpDelays.clear();
        m_steps.clear();
        return false;
    }
    return true;
}

int GifPlayback::width() const {
    return canvas().width();
}
int GifPlayback::height() const {
    return canvas().height();
}
int GifPlayback::frameCount() const {
    if (!m_steps.empty()) return static_cast<int>(m_steps.size());
    if (!m_webpFrames.empty()) return static_cast<int>(m_webpFrames.size());
    return m_image ? m_image->frameCount() : 0;
}
const Bitmap& GifPlayback::canvas() const {
    if (!m_webpFrames.empty()) {
        const auto step = static_cast<std::size_t>(std::max(m_webpShown, 0));
        return m_webpFrames[m_steps.empty() ? step : static_cast<std::size_t>(m_steps[step])];
    }
    return m_animator ? m_animator->canvas() : m_empty;
}
int GifPlayback::shownFrame() const {
    if (!m_webpFrames.empty()) return m_webpShown;
    return m_animator ? m_animator->shownFrame() : -1;
}

int GifPlayback::start() {
    if (!loaded()) return -1;
    // Without a loop extension a GIF plays once; a loop count of n repeats it n more times, 0
    // forever. A WebP loop count is the number of passes, 0 forever.
    if (!m_webpFrames.empty())
        m_loopsLeft = m_webpLoops == 0 ? -1 : m_webpLoops - 1;
    else
        m_loopsLeft = !m_image->looping() ? 0 : m_image->loopCount() == 0 ? -1 : m_image->loopCount();
    m_ended = false;
    const int delay = show(0);
    if (delay < 0 || frameCount() == 1) m_ended = true;
    return m_ended ? -1 : delay;
}

int GifPlayback::step() {
    if (!loaded() || m_ended) return -1;
    int next = shownFrame() + 1;
    if (next >= frameCount()) {
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

int GifPlayback::frameDelayMs(int index) const {
    if (!m_webpFrames.empty()) return m_webpDelays[static_cast<std::size_t>(index)];
    return m_image->frame(index).delayMs;
}

int GifPlayback::show(int index) {
    if (!m_webpFrames.empty()) {
        m_webpShown = index;
        return m_ownDelays ? frameDelayMs(index) : playbackDelayMs(frameDelayMs(index));
    }
    try {
        m_animator->showFrame(index);
    } catch (const std::exception&) {
        // A damaged file plays the frames that decode and stops there.
        return -1;
    }
    return playbackDelayMs(frameDelayMs(index));
}

}  // namespace vexilo
