#pragma once
// Plays a GIF image frame by frame onto a canvas of its logical screen, honouring each frame's
// offset, transparent colour and disposal method. Frames that reach past the screen are clipped.
#include "codecs/gif_image.h"
#include "raster/bitmap.h"

namespace vexilo {

class GifAnimator {
public:
    // The image must outlive the animator. The canvas is the logical screen (the frames'
    // extent when the screen is empty); its size is checked against the image's decode limits.
    explicit GifAnimator(TGIFImage& image);

    // 32-bit canvas: alpha 255 where a frame has drawn, 0 where the background shows through.
    const Bitmap& canvas() const { return m_canvas; }
    // Composes frames up to `index` (from the start when going back) and returns the canvas.
    // Throws DecodeError when a frame cannot be decoded.
    const Bitmap& showFrame(int index);
    int shownFrame() const { return m_shown; }
    // The frame after the shown one, wrapping round; -1 without frames.
    int nextFrame() const;
    // Milliseconds the shown frame stays; frames without a delay stay 100 ms.
    int delayOfShownFrame() const;

private:
    void reset();
    void drawFrame(int index);
    void dispose(int index);

    TGIFImage& m_image;
    Bitmap m_canvas;
    Bitmap m_saved;  // the canvas before the last frame, for "restore to previous"
    int m_shown = -1;
};

}  // namespace vexilo
