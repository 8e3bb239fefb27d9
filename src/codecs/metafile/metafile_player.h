#pragma once
// Plays WMF and EMF records into a MetafileCanvas: the device context (mapping modes, window and
// viewport, world transform, saved states, clip region, current position, paths), the object
// tables (pens, brushes, fonts, palettes, regions) and every drawing and bitmap record, resolved
// to output pixels. Records it does not know, and records whose fields do not fit their length,
// are skipped; hostile counts and sizes are checked against the record before use.
#include "codecs/metafile/metafile_canvas.h"
#include "codecs/metafile/metafile_format.h"
#include "raster/bitmap.h"

namespace vexilo {

// Plays the whole picture into the canvas so that it fills width x height output pixels.
// Bitmaps in the records that are beyond the limits are left undrawn. Never throws for damaged
// records (they are skipped).
void playMetafile(const Metafile& metafile, MetafileCanvas& canvas, int width, int height,
                  const DecodeLimits& limits = kDefaultDecodeLimits);

// The picture at its own size (Metafile::width x height) on a canvas the factory makes, or on
// the core's plain rasteriser when the factory is empty or makes none. Throws ImageError when
// the size is beyond the limits.
Bitmap renderMetafile(const Metafile& metafile, const DecodeLimits& limits = kDefaultDecodeLimits,
                      const MetafileCanvasFactory& canvasFactory = {});

// A metafile is vector: a thumbnail needs no more than this many pixels a side.
constexpr int kMetafileThumbnailSide = 1024;

// The picture scaled to fit maxSide x maxSide, keeping its shape (at its own size when that is
// smaller), for a thumbnail, on a canvas as renderMetafile chooses it. Throws ImageError as
// renderMetafile does.
Bitmap renderMetafileThumbnail(const Metafile& metafile, int maxSide = kMetafileThumbnailSide,
                               const DecodeLimits& limits = kDefaultDecodeLimits,
                               const MetafileCanvasFactory& canvasFactory = {});

}  // namespace vexilo
