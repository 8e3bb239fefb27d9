#pragma once
// The core's own plain canvas for metafile playback, used when no desktop canvas is installed
// (tests, the fuzzers, a program without a display). It fills and strokes without smoothing
// (dashes draw solid), blits images by nearest pixel with their raster operation, honours the
// clip region, and draws no text: glyphs need the desktop's fonts.
#include <memory>

#include "codecs/metafile/metafile_canvas.h"

namespace vexilo {

std::unique_ptr<MetafileCanvas> makeRasterCanvas(int width, int height);

}  // namespace vexilo
