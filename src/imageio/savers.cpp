#include "imageio/savers.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/paths.h"
#include "codecs/bmp_codec.h"
#include "codecs/gif_image.h"
#include "codecs/icon_writer.h"
#include "codecs/jpeg_codec.h"
#include "codecs/metafile/metafile_writer.h"
#include "codecs/png_codec.h"
#include "codecs/tga_codec.h"
#include "codecs/tiff_codec.h"
#include "codecs/webp_codec.h"
#include "imageio/loaders.h"
#include "raster/raster_ops.h"

namespace vexilo {

void EnsureFolder(const std::string& path) {
    std::string folder = folderOf(path);
    if (folder.empty()) return;  // a bare name lives in the current folder
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return;
    if (::mkdir(folder.c_str(), 0777) != 0)
        throw ImageError("Cannot create folder \"" + folder + "\": " + std::strerror(errno));
}

bool SaveImageAs(FileKind kind, const std::string& path, const Bitmap* bitmap, const ExportOptions& options) {
    EnsureFolder(path);
    const FileFormat* format = fileFormat(kind);
    if (!bitmap || !format || !format->encode) return false;
    if (!format->failureIsQuiet) {
        writeFileAtomic(path, format->encode(*bitmap, path, options));
        return true;
    }
    try {
        writeFileAtomic(path, format->encode(*bitmap, path, options));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

namespace {
// Whether a writer that can hold alpha takes the picture's.
bool keepsAlpha(const Bitmap& bitmap, const ExportOptions& options) {
    return options.keepTransparency && options.alpha.size() == static_cast<std::size_t>(bitmap.width()) *
                                                                   static_cast<std::size_t>(bitmap.height());
}

// The metafile kind a name asks for: ".wmf" in any letter case is a placeable Windows
// metafile, anything else (also no extension, or the bare name ".wmf") an enhanced one.
bool wantsEnhancedMetafile(const std::string& path) {
    return lowerExtension(path) != ".wmf" || fileNameOf(path).size() == 4;
}
}  // namespace

std::vector<std::uint8_t> EncodeImageAs(FileKind kind, const std::string& path, const Bitmap& bitmap,
                                        const ExportOptions& options) {
    const FileFormat* format = fileFormat(kind);
    if (!format || !format->encode) throw ImageError("Cannot write files of kind " + std::to_string(kind));
    return format->encode(bitmap, path, options);
}

std::vector<std::uint8_t> EncodeAsMetafile(const Bitmap& bitmap, const std::string& path,
                                           const ExportOptions&) {
    return writeMetafile(bitmap, wantsEnhancedMetafile(path));
}

std::vector<std::uint8_t> EncodeAsBmp(const Bitmap& bitmap, const std::string&, const ExportOptions&) {
    return writeBmp(bitmap);
}

std::vector<std::uint8_t> EncodeAsIcon(const Bitmap& bitmap, const std::string&,
                                       const ExportOptions& options) {
    if (options.iconColors == IconColors::AllSizes32) return encodeAllSizesIconFile(bitmap, options.alpha);
    if (options.iconColors != IconColors::Colors16 && options.iconColors != IconColors::Colors256)
        throw ImageError("Icon: no colour depth chosen");
    Bitmap working;
    StretchInto(bitmap, working, kSystemIconSize, kSystemIconSize);
    const int bits = options.iconColors == IconColors::Colors16 ? 4 : 8;
    if (keepsAlpha(bitmap, options))
        return encodeIconFile(
            BitmapToIcon(working, StretchAlpha(options.alpha, bitmap.width(), bitmap.height(),
                                               kSystemIconSize, kSystemIconSize)),
            bits);
    return encodeIconFile(BitmapToIcon(working), bits);
}

std::vector<std::uint8_t> EncodeAsJpeg(const Bitmap& bitmap, const std::string&,
                                       const ExportOptions& options) {
    TJPEGImage jpeg;
    jpeg.applyOptions(options.jpeg);
    jpeg.assign(bitmap);
    return jpeg.data();
}

std::vector<std::uint8_t> EncodeAsTga(const Bitmap& bitmap, const std::string&,
                                      const ExportOptions& options) {
    return keepsAlpha(bitmap, options) ? encodeTgaWithAlpha(bitmap, options.alpha) : encodeTga(bitmap);
}

std::vector<std::uint8_t> EncodeAsPng(const Bitmap& bitmap, const std::string&,
                                      const ExportOptions& options) {
    return keepsAlpha(bitmap, options) ? encodePngWithAlpha(bitmap, options.alpha) : encodePng(bitmap);
}

std::vector<std::uint8_t> EncodeAsGif(const Bitmap& bitmap, const std::string&, const ExportOptions&) {
    return writeGif(bitmap);
}

// The written raster is the picture as shown, without alpha: no output format keeps it either.
std::vector<std::uint8_t> EncodeAsWebp(const Bitmap& bitmap, const std::string&,
                                       const ExportOptions& options) {
    return encodeWebp(bitmap, {}, options.jpeg.CompressionQuality, options.webpLossless);
}

std::vector<std::uint8_t> EncodeAsTiff(const Bitmap& bitmap, const std::string&, const ExportOptions&) {
    return encodeTiff(bitmap, {});
}

}  // namespace vexilo
