// Kind 12: the first frame of a GIF file. Only files that start with "GIF" exactly are decoded.
#include <fstream>

#include "codecs/gif_image.h"
#include "imaging/loaders.h"

namespace vexilo {

bool LoadGifFile(const std::string& path, Bitmap* bitmap) {
    if (!bitmap || path.empty()) return false;
    try {
        char signature[3] = {};
        {
            std::ifstream in(path, std::ios::binary);
            if (!in.read(signature, 3)) return false;
        }
        if (signature[0] != 'G' || signature[1] != 'I' || signature[2] != 'F') return false;
        TGIFImage image;
        image.loadFromFile(path);
        if (image.frameCount() == 0) return false;
        Bitmap picture = image.frame(0).bitmap();
        picture.setTransparent(false);
        *bitmap = std::move(picture);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace vexilo
