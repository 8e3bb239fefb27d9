// Kinds 5 and 6: Windows and enhanced metafiles, chosen by the file's extension as the picture
// loader does, played at their own size in pixels. The desktop's canvas draws them when it is
// installed; otherwise the core's plain rasteriser does (shapes and images, no text).
#include <algorithm>
#include <cctype>

#include "base/errors.h"
#include "base/file_io.h"
#include "codecs/metafile/metafile_format.h"
#include "codecs/metafile/metafile_player.h"
#include "imageio/loaders.h"

namespace vexilo {

namespace {
std::string lowerExtension(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}
}  // namespace

bool LoadMetafile(const std::string& path, Bitmap* bitmap, const std::string& requiredExtension) {
    if (!bitmap || path.empty()) return false;
    const std::string ext = lowerExtension(path);
    // Only these two extensions pick the metafile decoder; any other gives no metafile.
    if (ext != ".wmf" && ext != ".emf") return false;
    try {
        // The loaders take no limits of their own: they decode under the program's.
        const DecodeLimits& limits = defaultDecodeLimits();
        const Metafile metafile = parseMetafile(readFileBytes(path), limits);
        Bitmap picture = renderMetafile(metafile, limits);
        *bitmap = std::move(picture);
    } catch (const ImageError&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    // The picture is drawn before the extension is compared, so a .emf loaded as kind 5 is
    // drawn and still answers false: the probing order relies on it.
    return ext == requiredExtension;
}

}  // namespace vexilo
