#pragma once
// The desktop canvas for metafile playback: the core's player resolves the records, and this
// canvas paints the result with QPainter onto an image, without smoothing, as the format's
// own renderer does.
#include <memory>

#include "codecs/metafile/metafile_canvas.h"

namespace vexilo {

// A white canvas of width x height pixels painted with QPainter. Needs a QGuiApplication for
// text.
std::unique_ptr<MetafileCanvas> makeQtMetafileCanvas(int width, int height);

}  // namespace vexilo
