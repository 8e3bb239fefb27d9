// Kind 8: an .ico file, drawn at the system icon size over the bitmap's white background.
#include <sys/stat.h>

#include "base/file_io.h"
#include "codecs/icon_file.h"
#include "imageio/loaders.h"

namespace vexilo {

bool LoadIconFile(const std::string& path, Bitmap* bitmap) {
    if (!bitmap || path.empty()) return false;
    // Only regular files: opening a named pipe would wait for a writer.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    Icon icon;
    try {
        // Icon files are small; a huge one is not an icon worth reading.
        icon = ReadIconFile(readFileBytes(path, std::uint64_t{64} << 20));
    } catch (const std::exception&) {
        return false;
    }
    drawLoaded(icon, *bitmap);
    return true;
}

}  // namespace vexilo
