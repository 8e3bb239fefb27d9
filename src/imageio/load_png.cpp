// Kind 11: PNG files through the PNG codec.
#include "codecs/png_codec.h"
#include "imageio/loaders.h"

namespace vexilo {

bool LoadPngFile(const std::string& path, Bitmap* bitmap) {
    if (!bitmap || path.empty()) return false;
    TPNGImage image;
    try {
        image.loadFromFile(path);
    } catch (const std::exception&) {
        return false;
    }
    drawLoaded(image, *bitmap);
    return true;
}

}  // namespace vexilo
