#include "search/thumbnail_cache.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/md5.h"
#include "base/paths.h"
#include "base/uri.h"
#include "base/xdg_folders.h"
#include "codecs/png_codec.h"
#include "raster/raster_ops.h"

namespace vexilo::search {

namespace {

constexpr const char* kUriKey = "Thumb::URI";
constexpr const char* kTimeKey = "Thumb::MTime";
constexpr const char* kSizeKey = "Thumb::Size";
constexpr const char* kMimeKey = "Thumb::Mimetype";
// The program's own key: the file kind the row shows, which no MIME type says exactly.
constexpr const char* kKindKey = "X-Vexilo::Kind";
constexpr const char* kFailFolder = "/fail/vexilo/";
// Thumbnails are small: a larger cache file is no thumbnail of ours to read.
constexpr std::uint64_t kMaxThumbnailBytes = 8u << 20;

struct KindMime {
    FileKind kind;
    const char* mime;
};
constexpr KindMime kMimes[] = {{kind::Bmp, "image/bmp"},   {kind::Ico, "image/vnd.microsoft.icon"},
                               {kind::Jpeg, "image/jpeg"}, {kind::Tga, "image/x-tga"},
                               {kind::Png, "image/png"},   {kind::Gif, "image/gif"}};

const char* mimeOf(FileKind k) {
    for (const auto& m : kMimes)
        if (m.kind == k) return m.mime;
    return nullptr;
}

bool parseWhole(const std::string& text, std::int64_t& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    value = v;
    return true;
}

std::string canonical(const std::string& path) {
    char buffer[PATH_MAX];
    if (::realpath(path.c_str(), buffer)) return buffer;
    return std::filesystem::path(path).lexically_normal().string();
}

bool isInside(const std::string& folder, const std::string& root) {
    std::string f = folder, r = root;
    if (f.empty() || f.back() != '/') f += '/';
    if (r.empty() || r.back() != '/') r += '/';
    return f.compare(0, r.size(), r) == 0;
}

// The texts of a cached file when it belongs to this file; empty when it does not.
struct Record {
    bool valid = false;
    std::vector<PngText> texts;
};

Record readRecord(const std::string& cachePath, const CachedFile& file, std::vector<std::uint8_t>& bytes) {
    Record r;
    try {
        bytes = readFileBytes(cachePath, kMaxThumbnailBytes);
        r.texts = readPngTexts(bytes);
    } catch (const std::exception&) {
        return r;  // missing or damaged: made again
    }
    bool uri = false, time = false, size = true;
    for (const PngText& t : r.texts) {
        std::int64_t v = 0;
        if (t.keyword == kUriKey) uri = t.text == fileUrl(file.path);
        if (t.keyword == kTimeKey) time = parseWhole(t.text, v) && v == file.modified;
        if (t.keyword == kSizeKey) size = parseWhole(t.text, v) && static_cast<std::uint64_t>(v) == file.size;
    }
    r.valid = uri && time && size;
    return r;
}

std::vector<PngText> requiredTexts(const CachedFile& file) {
    return {{kUriKey, fileUrl(file.path)},
            {kTimeKey, std::to_string(file.modified)},
            {kSizeKey, std::to_string(file.size)}};
}

}  // namespace

ThumbnailCache::ThumbnailCache(std::string root) : m_root(std::move(root)) {
    while (m_root.size() > 1 && m_root.back() == '/') m_root.pop_back();
}

std::string ThumbnailCache::defaultRoot() {
    return xdgCacheHome() + "/thumbnails";
}

bool ThumbnailCache::holds(const std::string& folder) const {
    if (isInside(std::filesystem::path(folder).lexically_normal().string(), m_root)) return true;
    return isInside(canonical(folder), canonical(m_root));
}

std::string ThumbnailCache::thumbnailPath(const std::string& path, int folderSize) const {
    const char* name = folderSize > kNormalThumbnailSize ? "/large/" : "/normal/";
    return m_root + name + md5Hex(fileUrl(path)) + ".png";
}

std::string ThumbnailCache::failurePath(const std::string& path) const {
    return m_root + kFailFolder + md5Hex(fileUrl(path)) + ".png";
}

ThumbnailCache::Found ThumbnailCache::find(const CachedFile& file, int wanted, Bitmap& picture,
                                           FileKind& kind) const {
    std::vector<std::uint8_t> bytes;
    const Record r = readRecord(thumbnailPath(file.path, folderSizeFor(wanted)), file, bytes);
    if (r.valid) {
        std::optional<FileKind> found;
        for (const PngText& t : r.texts) {
            std::int64_t v = 0;
            if (t.keyword == kKindKey && parseWhole(t.text, v) && fileFormat(static_cast<FileKind>(v)) &&
                v >= 0 && v < 256)
                found = static_cast<FileKind>(v);
        }
        // A thumbnail another program made says the file's type only as a MIME type.
        for (const PngText& t : r.texts)
            for (const auto& m : kMimes)
                if (!found && t.keyword == kMimeKey && t.text == m.mime) found = m.kind;
        if (found) {
            try {
                PngAlphaImage decoded = readPngWithAlpha(bytes);
                Bitmap& color = decoded.color;
                if (!decoded.alpha.empty()) {
                    // Over white, as the loaders leave transparent pixels.
                    std::size_t i = 0;
                    for (auto& v : color.pixels()) {
                        const std::uint32_t a = decoded.alpha[i++];
                        const auto blend = [&](std::uint32_t c) {
                            return (c * a + 255 * (255 - a) + 127) / 255;
                        };
                        v = (blend((v >> 16) & 0xFF) << 16) | (blend((v >> 8) & 0xFF) << 8) | blend(v & 0xFF);
                    }
                }
                picture = std::move(color);
                kind = *found;
                return Found::Picture;
            } catch (const std::exception&) {
            }
        }
    }
    if (readRecord(failurePath(file.path), file, bytes).valid) return Found::Failure;
    return Found::Nothing;
}

Bitmap ThumbnailCache::store(const CachedFile& file, int wanted, const Bitmap& picture, FileKind kind) const {
    const int size = folderSizeFor(wanted);
    Bitmap thumbnail = ShrinkToFit(picture, size);
    if (thumbnail.empty()) return thumbnail;
    std::vector<PngText> texts = requiredTexts(file);
    if (const char* mime = mimeOf(kind)) texts.push_back({kMimeKey, mime});
    texts.push_back({kKindKey, std::to_string(kind)});
    texts.push_back({"Software", "Vexilo"});
    try {
        write(thumbnailPath(file.path, size), encodePng(thumbnail, texts));
    } catch (const std::exception&) {
    }
    return thumbnail;
}

void ThumbnailCache::storeFailure(const CachedFile& file) const {
    try {
        Bitmap empty(1, 1);
        write(failurePath(file.path), encodePng(empty, requiredTexts(file)));
    } catch (const std::exception&) {
    }
}

bool ThumbnailCache::ensureFolder(const std::string& folder) const {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (m_madeFolders.count(folder)) return true;
    std::string reason;
    if (!makeFolders(folder, reason)) return false;
    m_madeFolders.insert(folder);
    return true;
}

void ThumbnailCache::write(const std::string& target, const std::vector<std::uint8_t>& bytes) const {
    if (!ensureFolder(folderOf(target))) return;
    // No sync: a thumbnail lost in a crash is only made again, and the rename keeps readers
    // from ever seeing half a file.
    std::string temp;
    FileDescriptor fd = createTemporaryBeside(target, temp, 0600);
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    if (fd.closeNow() != 0) ok = false;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) ::unlink(temp.c_str());
}

}  // namespace vexilo::search
