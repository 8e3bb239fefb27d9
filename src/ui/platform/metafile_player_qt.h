#pragma once
// The desktop canvas for metafile playback: the core's player resolves the records, and this
// canvas paints the result with QPainter onto an image, without smoothing, as the format's
// own renderer does.
#include <memory>

#include "codecs/metafile/metafile_canvas.h"

namespace vexilo {

std::unique_ptr<MetafileCanvas> makeQtMetafileCanvas(int width, int height);

// Makes renderMetafile (and so LoadMetafile) paint with Qt. Needs a QGuiApplication for text.
void installMetafilePlayer();

}  // namespace vexilo
