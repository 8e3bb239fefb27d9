#include "imageio/loaders.h"

#include "base/errors.h"
#include "codecs/bmp_codec.h"

namespace vexilo {

void drawLoaded(const Bitmap& picture, Bitmap& bitmap) {
    bitmap.setWidth(picture.width());
    bitmap.setHeight(picture.height());
    bitmap.draw(picture, 0, 0);
}

void drawLoaded(const Icon& icon, Bitmap& bitmap) {
    bitmap.setWidth(icon.width());
    bitmap.setHeight(icon.height());
    icon.drawOnto(bitmap, 0, 0);
}

bool LoadImageAs(FileKind kind, const std::string& path, Bitmap* bitmap) {
    std::uint16_t index = 0;
    switch (kind & 0x7F) {
        case kind::AllFiles:
            return LoadAssociatedIcon(path, bitmap);
        case kind::Exe:
        case kind::Dll:
        case kind::Cpl:
        case kind::Cur:
            return LoadExecutableIcon(path, index, bitmap);
        case kind::Wmf:
            return LoadMetafile(path, bitmap, ".wmf");
        case kind::Emf:
            return LoadMetafile(path, bitmap, ".emf");
        case kind::Bmp:
            return LoadBitmapFile(path, bitmap);
        case kind::Ico:
            return LoadIconFile(path, bitmap);
        case kind::Jpeg:
            return LoadJpegFile(path, bitmap);
        case kind::Tga:
            return LoadTgaFile(path, bitmap);
        case kind::Png:
            return LoadPngFile(path, bitmap);
        case kind::Gif:
            return LoadGifFile(path, bitmap);
        default:
            return false;
    }
}

bool ProbeImageKind(const std::string& path, Bitmap* bitmap, FileKind& kind) {
    if (!bitmap) return false;
    for (FileKind k = 1; k <= 12; ++k) {
        try {
            if (LoadImageAs(k, path, bitmap)) {
                kind = k;
                return true;
            }
        } catch (...) {
        }
    }
    if (LoadImageAs(kind::AllFiles, path, bitmap)) {
        kind = kind::AllFiles;
        return true;
    }
    return false;
}

bool LoadBitmapFile(const std::string& path, Bitmap* bitmap) {
    if (!bitmap || path.empty()) return false;
    try {
        *bitmap = loadBmpFile(path);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace vexilo
