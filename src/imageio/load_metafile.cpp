// Kinds 5 and 6: Windows and enhanced metafiles, chosen by the file's extension as the picture
// loader does, played at their own size in pixels. The desktop's canvas draws them when one is
// installed; otherwise the core's plain rasteriser does (shapes and images, no text).
#include "base/errors.h"
#include "base/paths.h"
#include "codecs/metafile/metafile_format.h"
#include "codecs/metafile/metafile_player.h"
#include "imageio/desktop_services.h"
#include "imageio/format_loaders.h"
#include "imageio/loaders.h"

namespace vexilo {

namespace {

bool loadMetafileFrom(LoadSource& source, Bitmap& bitmap, const std::string& requiredExtension,
                      const LoadRequest& request) {
    const std::string ext = lowerExtension(source.path());
    // Only these two extensions pick the metafile decoder; any other gives no metafile.
    if (ext != ".wmf" && ext != ".emf") return false;
    const bool drawn = loading::loadGuarded(loading::Refusal::ImageErrorsAndMemory, request, bitmap, [&] {
        // The loaders take no limits of their own: they decode under the program's.
        const DecodeLimits& limits = kDefaultDecodeLimits;
        const MetafileCanvasFactory canvas = desktopServices().metafileCanvas;
        const auto bytes = source.bytes();
        const Metafile metafile =
            parseMetafile(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), limits);
        // A thumbnail of a vector picture needs no raster of the size it claims.
        Bitmap picture = request.isThumbnail()
                             ? renderMetafileThumbnail(metafile, kMetafileThumbnailSide, limits, canvas)
                             : renderMetafile(metafile, limits, canvas);
        bitmap = std::move(picture);
        return true;
    });
    // The picture is drawn before the extension is compared, so a .emf loaded as kind 5 is
    // drawn and still answers false: the probing order relies on it.
    return drawn && ext == requiredExtension;
}

}  // namespace

namespace loading {

// A .emf tried as kind 5 is drawn and refused, and kind 6 then draws the same picture, so the
// probe goes straight to the kind whose extension matches. The content is left to the reader.
bool mayBeWmf(LoadSource& source, std::span<const std::uint8_t>) {
    return lowerExtension(source.path()) == ".wmf" && source.readable();
}

bool mayBeEmf(LoadSource& source, std::span<const std::uint8_t>) {
    return lowerExtension(source.path()) == ".emf" && source.readable();
}

bool loadWmf(LoadSource& source, Bitmap& bitmap, const LoadRequest& request) {
    return loadMetafileFrom(source, bitmap, ".wmf", request);
}

bool loadEmf(LoadSource& source, Bitmap& bitmap, const LoadRequest& request) {
    return loadMetafileFrom(source, bitmap, ".emf", request);
}

}  // namespace loading

bool LoadMetafile(const std::string& path, Bitmap* bitmap, const std::string& requiredExtension,
                  const LoadRequest& request) {
    if (!bitmap || path.empty()) return false;
    LoadSource source(path, request.buffers);
    return loadMetafileFrom(source, *bitmap, requiredExtension, request);
}

}  // namespace vexilo
