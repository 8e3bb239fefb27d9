// Kind 10: TGA files through the TGA codec; only the colour raster is drawn.
#include "codecs/tga_codec.h"
#include "imageio/format_loaders.h"
#include "imageio/loaders.h"

namespace vexilo {

namespace loading {

// TGA has no signature: only the header fields the codec refuses outright are tested here (the
// image type and a size of 1 to 3000 each way), so every file it would read passes.
bool mayBeTga(LoadSource&, std::span<const std::uint8_t> head) {
    if (head.size() < 18) return false;
    const int type = head[2];
    const bool knownType = type <= 3 || (type >= 9 && type <= 11) || type == 32 || type == 33;
    const int width = head[12] | (head[13] << 8), height = head[14] | (head[15] << 8);
    return knownType && width >= 1 && width <= TTarga::kMaxSize && height >= 1 && height <= TTarga::kMaxSize;
}

bool loadTga(LoadSource& source, Bitmap& bitmap, const LoadRequest& request) {
    TTarga targa;
    // The loader shows only the colours; the alpha raster would be a second full-size copy.
    targa.ColorOnly = request.alpha == nullptr;
    return loadGuarded(
        Refusal::AnyError, request, bitmap,
        [&] {
            targa.loadFromBytes(source.bytes());
            return true;
        },
        [&] {
            std::vector<std::uint8_t> alpha;
            const Bitmap& a = targa.alphaRaster();
            if (request.alpha && targa.HasAlpha && !a.empty()) {
                alpha.reserve(a.pixels().size());
                for (const std::uint32_t v : a.pixels()) alpha.push_back(static_cast<std::uint8_t>(v));
            }
            showLoaded(targa.takeColorRaster(), std::move(alpha), bitmap, request);
        });
}

}  // namespace loading

bool LoadTgaFile(const std::string& path, Bitmap* bitmap, const LoadRequest& request) {
    return loading::loadFileWith(loading::loadTga, path, bitmap, request);
}

}  // namespace vexilo
