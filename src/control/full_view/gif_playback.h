#pragma once
// The playing of an animated GIF, WebP or cursor for the enlarged view, without its widget: the
// frames (a GIF's composed by GifAnimator, a WebP's whole canvases from its library, a cursor's
// frames in the order of its steps), the time each
// stays, and when the animation ends. The widget runs a timer on the delays this answers and
// paints canvas().
#include <memory>
#include <string>
#include <vector>

#include "codecs/gif_animation.h"
#include "codecs/gif_image.h"
#include "imageio/file_kind.h"

namespace vexilo {

class GifPlayback {
public:
    GifPlayback();
    ~GifPlayback();
    GifPlayback(const GifPlayback&) = delete;
    GifPlayback& operator=(const GifPlayback&) = delete;

    // The kinds the enlarged view plays from the file itself.
    static bool plays(FileKind kind) { return kind == kind::Gif || kind == kind::Webp || kind == kind::Cur; }

    // Reads the file through the program's GIF codec, or a WebP file or animated cursor (by its
    // signature) through its own codec. False, with the codec's message in `error`, when the file cannot be
    // read or holds no frame, and for a WebP file of one frame (a still picture is shown as any other); the
    // playback is then empty.
    bool load(const std::string& path, std::string* error = nullptr);
    bool loaded() const { return m_animator != nullptr || !m_webpFrames.empty(); }
    int width() const;
    int height() const;
    int frameCount() const;
    // The composed picture: 32 bits, alpha 0 where the background shows through.
    const Bitmap& canvas() const;
    int shownFrame() const;

    // Shows frame 0. Answers the milliseconds until step() should run, or -1 when nothing
    // follows (one frame, or frame 0 already failed).
    int start();
    // Shows the next frame, wrapping round while loops are left. Answers as start(); -1 when the
    // animation has ended or a frame failed to decode (the last good picture stays).
    int step();

    // How long a frame with this delay stays: delays under 2 hundredths play at 10, as browsers
    // play them (GIF and WebP alike).
    static int playbackDelayMs(int delayMs);

private:
    int show(int index);
    bool loadWebp(const std::vector<std::uint8_t>& bytes);
    bool loadAni(const std::vector<std::uint8_t>& bytes);
    int frameDelayMs(int index) const;

    std::unique_ptr<TGIFImage> m_image;
    std::unique_ptr<GifAnimator> m_animator;
    // A WebP animation or animated cursor: every canvas (32 bits with alpha), each step's
    // duration, and the step shown. A cursor's steps name their canvas in m_steps; a WebP's
    // steps are its canvases in order (m_steps empty).
    std::vector<Bitmap> m_webpFrames;
    std::vector<int> m_webpDelays;
    std::vector<int> m_steps;
    bool m_ownDelays = false;  // a cursor's rates play as they are
    int m_webpLoops = 0;
    int m_webpShown = -1;
    Bitmap m_empty;
    int m_loopsLeft = 0;  // repeats after the first pass; -1 forever
    bool m_ended = true;
};

}  // namespace vexilo
