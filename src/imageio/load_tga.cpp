// Kind 10: TGA files through the TGA codec; only the colour raster is drawn.
#include "codecs/tga_codec.h"
#include "imageio/loaders.h"

namespace vexilo {

bool LoadTgaFile(const std::string& path, Bitmap* bitmap) {
    if (!bitmap || path.empty()) return false;
    TTarga targa;
    try {
        targa.loadFromFile(path);
    } catch (const std::exception&) {
        return false;
    }
    drawLoaded(targa.colorRaster(), *bitmap);
    return true;
}

}  // namespace vexilo
