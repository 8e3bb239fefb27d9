// Kind 9: JPEG files through the JPEG codec with its decoding defaults.
#include "base/errors.h"
#include "codecs/jpeg_codec.h"
#include "imageio/loaders.h"

namespace vexilo {

bool LoadJpegFile(const std::string& path, Bitmap* bitmap) {
    if (!bitmap || path.empty()) return false;
    try {
        TJPEGImage jpeg;
        jpeg.loadFromFile(path);
        // Decodes first and replaces the raster only on success: a damaged file leaves the
        // caller's bitmap as it was.
        jpeg.drawInto(*bitmap);
        return true;
    } catch (const ImageError&) {
        return false;
    }
}

}  // namespace vexilo
