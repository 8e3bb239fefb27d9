#pragma once
// The desktop's shared thumbnail cache, which file managers fill too: PNG files named by the MD5
// of the file's URI, valid while their recorded URI, modification time (and size, when given)
// match the file. A miss is made once and written for every program; a file no decoder reads
// gets a failure entry of this program's own, so it is not tried again until it changes.
// Safe to use from several threads at once.
#include <cstdint>
#include <mutex>
#include <set>
#include <string>

#include "imageio/file_kind.h"
#include "raster/bitmap.h"

namespace vexilo::search {

// The larger side of the thumbnails in the cache's "normal" and "large" folders.
constexpr int kNormalThumbnailSize = 128;
constexpr int kLargeThumbnailSize = 256;

// What the cache compares a thumbnail with.
struct CachedFile {
    std::string path;           // absolute
    std::int64_t modified = 0;  // last write, whole seconds since 1970
    std::uint64_t size = 0;
};

class ThumbnailCache {
public:
    // root is the thumbnails folder, normally defaultRoot().
    explicit ThumbnailCache(std::string root);
    // $XDG_CACHE_HOME/thumbnails.
    static std::string defaultRoot();
    const std::string& root() const { return m_root; }

    // True when folder is the cache folder or lies inside it, also through symbolic links:
    // thumbnails of thumbnails would only grow the cache.
    bool holds(const std::string& folder) const;

    // The folder size that serves thumbnails of wanted pixels: 128, or 256 above 128.
    static int folderSizeFor(int wanted) {
        return wanted > kNormalThumbnailSize ? kLargeThumbnailSize : kNormalThumbnailSize;
    }
    std::string thumbnailPath(const std::string& path, int folderSize) const;
    std::string failurePath(const std::string& path) const;

    enum class Found { Nothing, Picture, Failure };
    // Picture: a valid thumbnail of at least `wanted` on its larger side (or the folder's
    // largest) in picture, in display words, and the kind of the file in kind. Failure: a
    // valid failure entry of this program.
    Found find(const CachedFile& file, int wanted, Bitmap& picture, FileKind& kind) const;
    // Shrinks the decoded picture into the folder for `wanted`, writes it, and answers the
    // thumbnail. A write that fails is let go: the cache is a help, not a need.
    Bitmap store(const CachedFile& file, int wanted, const Bitmap& picture, FileKind kind) const;
    void storeFailure(const CachedFile& file) const;

private:
    bool ensureFolder(const std::string& folder) const;
    void write(const std::string& target, const std::vector<std::uint8_t>& bytes) const;

    std::string m_root;
    mutable std::mutex m_mutex;
    mutable std::set<std::string> m_madeFolders;
};

}  // namespace vexilo::search
