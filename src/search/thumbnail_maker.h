#pragma once
// One file's thumbnail as the scan needs it, from the thumbnail cache when it holds a fresh one,
// else decoded (and then cached). Runs on any thread: what needs the desktop is left to the
// caller (see thumbnailNeedsDesktop and Thumbnail::loaded).
#include <cstdint>
#include <string>

#include "imageio/file_kind.h"
#include "imageio/load_request.h"
#include "raster/bitmap.h"
#include "search/thumbnail_cache.h"

namespace vexilo {
class LoadBuffers;
}

namespace vexilo::search {

struct ThumbnailJob {
    std::string path;
    std::int64_t modified = 0;  // last write, seconds since 1970
    std::uint64_t size = 0;
    int cellWidth = 0, cellHeight = 0;  // the largest cell the picture is stretched into
    // Null when the thumbnail is not cached: the cache is off or the file lies inside it.
    const ThumbnailCache* cache = nullptr;
    // With "Largest size" an icon takes its image closest to the cell, not the system size.
    IconSize iconSize = IconSize::System;
    bool turnByOrientation = true;  // see LoadRequest
};

struct Thumbnail {
    // False when no decoder reads the file: its row shows the desktop's icon for it, which only
    // the calling thread may ask for.
    bool loaded = false;
    Bitmap picture;
    FileKind kind = kind::AllFiles;
};

// Loader exceptions reach the caller, as the probe lets them.
Thumbnail MakeThumbnail(const ThumbnailJob& job, LoadBuffers* buffers);

// Files whose loading may call the desktop services (executables' icons with their associated
// icon, metafile playback): the calling thread loads them as it always did.
bool thumbnailNeedsDesktop(const std::string& path);

}  // namespace vexilo::search
