#include "search/thumbnail_maker.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>

#include "base/paths.h"
#include "imageio/loaders.h"

namespace vexilo::search {

Thumbnail MakeThumbnail(const ThumbnailJob& given, LoadBuffers* buffers) {
    ThumbnailJob job = given;
    if (job.cache && job.size < job.cache->smallestFile) job.cache = nullptr;
    // The cache keeps one picture a file, made at the system icon size: icons chosen by the
    // cell size bypass it.
    if (job.cache && job.iconSize == IconSize::Largest && lowerExtension(job.path) == ".ico")
        job.cache = nullptr;
    Thumbnail out;
    const int wanted = std::max(job.cellWidth, job.cellHeight);
    // The cache knows files by their absolute path.
    const std::string absolute = job.path.empty() || job.path[0] == '/'
                                     ? job.path
                                     : std::filesystem::absolute(job.path).lexically_normal().string();
    const CachedFile file{absolute, job.modified, job.size};
    if (job.cache) {
        switch (job.cache->find(file, wanted, out.picture, out.kind)) {
            case ThumbnailCache::Found::Picture:
                out.loaded = true;
                return out;
            case ThumbnailCache::Found::Failure:
                return out;
            case ThumbnailCache::Found::Nothing:
                break;
        }
    }
    // A cached thumbnail is made at the cache folder's size, so the reduced decode must cover
    // that, not just the cell.
    const int side = job.cache ? ThumbnailCache::folderSizeFor(wanted) : 0;
    LoadRequest request = job.cache ? LoadRequest::thumbnail(side, side, buffers)
                                    : LoadRequest::thumbnail(job.cellWidth, job.cellHeight, buffers);
    request.associatedIcon = false;
    request.iconSize = job.iconSize;
    request.turnByOrientation = job.turnByOrientation;
    Bitmap picture;
    FileKind kind = kind::AllFiles;
    out.loaded = ProbeImageKind(job.path, &picture, kind, request);
    if (!out.loaded) {
        if (job.cache) job.cache->storeFailure(file);
        return out;
    }
    out.kind = kind;
    out.picture = job.cache ? job.cache->store(file, wanted, picture, kind) : std::move(picture);
    return out;
}

bool thumbnailNeedsDesktop(const std::string& path) {
    std::string ext = fileExtension(path);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (ext == ".WMF" || ext == ".EMF") return true;
    // The executable icon loader's own test: the extension occurs in this text.
    return !ext.empty() && std::string_view(".EXE.DLL.CPL.CUR").find(ext) != std::string_view::npos;
}

}  // namespace vexilo::search
