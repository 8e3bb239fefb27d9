// Kind 12: the first frame of a GIF file. Only regular files that start with "GIF" exactly are
// decoded; the signature is read without blocking, so a named pipe cannot stall a scan.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "codecs/gif_image.h"
#include "imageio/loaders.h"

namespace vexilo {

namespace {

bool startsWithGifSignature(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    char signature[3] = {};
    const bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::read(fd, signature, 3) == 3;
    ::close(fd);
    return ok && signature[0] == 'G' && signature[1] == 'I' && signature[2] == 'F';
}

}  // namespace

bool LoadGifFile(const std::string& path, Bitmap* bitmap) {
    if (!bitmap || path.empty()) return false;
    try {
        if (!startsWithGifSignature(path)) return false;
        TGIFImage image;
        image.loadFromFile(path);
        if (image.frameCount() == 0) return false;
        // Frame 0 as every viewer shows it: at its offset on the logical screen.
        Bitmap picture = firstFrameOnScreen(image);
        picture.setTransparent(false);
        *bitmap = std::move(picture);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace vexilo
