// Kind 12: the first frame of a GIF file. Only regular files that start with "GIF" exactly are
// decoded; the file is opened without blocking, so a named pipe cannot stall a scan.
#include "codecs/gif_image.h"
#include "imageio/format_loaders.h"
#include "imageio/loaders.h"

namespace vexilo {

namespace loading {

bool mayBeGif(LoadSource&, std::span<const std::uint8_t> head) {
    return head.size() >= 3 && head[0] == 'G' && head[1] == 'I' && head[2] == 'F';
}

bool loadGif(LoadSource& source, Bitmap& bitmap, const LoadRequest& request) {
    return loadGuarded(Refusal::AnyErrorOverLimitKeepsKind, request, bitmap, [&] {
        if (!mayBeGif(source, source.head())) return false;
        TGIFImage image;
        image.loadFromBytes(source.bytes(), decodeLimitsFor(request));
        if (image.frameCount() == 0) return false;
        // Frame 0 as every viewer shows it: at its offset on the logical screen.
        Bitmap picture = firstFrameOnScreen(image);
        std::vector<std::uint8_t> alpha;
        if (request.alpha && picture.transparent()) {
            // The transparent colour's pixels become alpha 0 where transparency is kept.
            const std::uint32_t key = picture.encode(picture.transparentColor());
            const auto& px = picture.pixels();
            alpha.resize(px.size());
            for (std::size_t i = 0; i < px.size(); ++i) alpha[i] = px[i] == key ? 0 : 255;
        }
        picture.setTransparent(false);
        if (!alpha.empty()) {
            showLoaded(std::move(picture), std::move(alpha), bitmap, request);
            return true;
        }
        bitmap = std::move(picture);
        return true;
    });
}

}  // namespace loading

bool LoadGifFile(const std::string& path, Bitmap* bitmap, const LoadRequest& request) {
    return loading::loadFileWith(loading::loadGif, path, bitmap, request);
}

}  // namespace vexilo
