#pragma once
// The playing of an animated GIF for the enlarged view, without its widget: the frames composed
// by GifAnimator, the time each stays, and when the animation ends. The widget runs a timer on
// the delays this answers and paints canvas().
#include <memory>
#include <string>

#include "codecs/gif_animation.h"
#include "codecs/gif_image.h"

namespace vexilo {

class GifPlayback {
public:
    GifPlayback();
    ~GifPlayback();
    GifPlayback(const GifPlayback&) = delete;
    GifPlayback& operator=(const GifPlayback&) = delete;

    // Reads the file through the program's GIF codec. False, with the codec's message in
    // `error`, when the file cannot be read or holds no frame; the playback is then empty.
    bool load(const std::string& path, std::string* error = nullptr);
    bool loaded() const { return m_animator != nullptr; }
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
    // play them.
    static int playbackDelayMs(int delayMs);

private:
    int show(int index);

    std::unique_ptr<TGIFImage> m_image;
    std::unique_ptr<GifAnimator> m_animator;
    Bitmap m_empty;
    int m_loopsLeft = 0;  // repeats after the first pass; -1 forever
    bool m_ended = true;
};

}  // namespace vexilo
