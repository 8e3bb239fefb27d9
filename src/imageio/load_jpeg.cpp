// Kind 9: JPEG files through the JPEG codec with its decoding defaults. Thumbnails decode at a
// reduced DCT scale: the smallest picture that still covers the largest thumbnail cell.
#include <cstdint>

#include "base/errors.h"
#include "codecs/exif_orientation.h"
#include "codecs/jpeg_codec.h"
#include "imageio/format_loaders.h"
#include "imageio/loaders.h"

namespace vexilo {

namespace loading {

// The decoder insists on the start-of-image marker as the file's first two bytes.
bool mayBeJpeg(LoadSource&, std::span<const std::uint8_t> head) {
    return head.size() >= 2 && head[0] == 0xFF && head[1] == 0xD8;
}

// The smallest DCT scale, in eighths, whose decoded size still covers width x height (the
// decoder rounds each side up); full size when even that does not cover it.
int thumbnailEighths(int imageWidth, int imageHeight, int width, int height) {
    for (int m = 1; m < 8; ++m) {
        const std::int64_t w = (std::int64_t{imageWidth} * m + 7) / 8,
                           h = (std::int64_t{imageHeight} * m + 7) / 8;
        if (w >= width && h >= height) return m;
    }
    return 8;
}

bool loadJpeg(LoadSource& source, Bitmap& bitmap, const LoadRequest& request) {
    return loadGuarded(Refusal::ImageErrors, request, bitmap, [&] {
        TJPEGImage jpeg;
        jpeg.loadFromView(source.bytes());
        const int orientation = request.turnByOrientation ? jpegExifOrientation(source.bytes()) : 1;
        if (request.isThumbnail()) {
            // A picture turned a quarter has the cell's sides the other way round.
            const bool across = orientation >= 5;
            jpeg.setScaleEighths(thumbnailEighths(jpeg.width(), jpeg.height(),
                                                  across ? request.thumbnailHeight : request.thumbnailWidth,
                                                  across ? request.thumbnailWidth : request.thumbnailHeight));
        }
        // Decodes first and replaces the raster only on success: a damaged file leaves the
        // caller's bitmap as it was.
        jpeg.drawInto(bitmap);
        if (orientation != 1) bitmap = applyOrientation(bitmap, orientation);
        return true;
    });
}

}  // namespace loading

bool LoadJpegFile(const std::string& path, Bitmap* bitmap, const LoadRequest& request) {
    return loading::loadFileWith(loading::loadJpeg, path, bitmap, request);
}

}  // namespace vexilo
