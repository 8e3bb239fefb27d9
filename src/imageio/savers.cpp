#include "imageio/savers.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "base/errors.h"
#include "base/file_io.h"
#include "codecs/bmp_codec.h"
#include "codecs/gif_image.h"
#include "codecs/icon_writer.h"
#include "codecs/jpeg_codec.h"
#include "codecs/metafile/metafile_writer.h"
#include "codecs/png_codec.h"
#include "codecs/tga_codec.h"
#include "imageio/loaders.h"
#include "raster/raster_ops.h"

namespace vexilo {

namespace {

// The lower-cased extension of the file name with its dot; empty when the name has none (a
// leading dot starts no extension).
std::string lowerExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot <= start) return {};
    std::string ext = path.substr(dot);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

bool saveBmpRow(const Bitmap* b, const std::string& p, const ExportOptions&) {
    return SaveAsBmp(b, p);
}
bool saveJpegRow(const Bitmap* b, const std::string& p, const ExportOptions& o) {
    return SaveAsJpeg(b, p, o.jpeg);
}
bool saveIconRow(const Bitmap* b, const std::string& p, const ExportOptions& o) {
    return SaveAsIcon(b, p, o.iconColors);
}
bool saveGifRow(const Bitmap* b, const std::string& p, const ExportOptions&) {
    return SaveAsGif(b, p);
}
bool saveTgaRow(const Bitmap* b, const std::string& p, const ExportOptions&) {
    return SaveAsTga(b, p);
}
bool savePngRow(const Bitmap* b, const std::string& p, const ExportOptions&) {
    return SaveAsPng(b, p);
}
bool saveMetafileRow(const Bitmap* b, const std::string& p, const ExportOptions&) {
    return SaveAsMetafile(b, p);
}

}  // namespace

void EnsureFolder(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return;  // a bare name lives in the current folder
    std::string folder = path.substr(0, slash);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder.empty()) folder = "/";
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return;
    if (::mkdir(folder.c_str(), 0777) != 0)
        throw ImageError("Cannot create folder \"" + folder + "\": " + std::strerror(errno));
}

bool SaveImageAs(FileKind kind, const std::string& path, const Bitmap* bitmap, const ExportOptions& options) {
    EnsureFolder(path);
    switch (kind) {
        case kind::Wmf:
        case kind::Emf:
            return SaveAsMetafile(bitmap, path);
        case kind::Bmp:
            return SaveAsBmp(bitmap, path);
        case kind::Ico:
            return SaveAsIcon(bitmap, path, options.iconColors);
        case kind::Jpeg:
            return SaveAsJpeg(bitmap, path, options.jpeg);
        case kind::Tga:
            return SaveAsTga(bitmap, path);
        case kind::Png:
            return SaveAsPng(bitmap, path);
        case kind::Gif:
            return SaveAsGif(bitmap, path);
        default:
            return false;
    }
}

bool SaveAsBmp(const Bitmap* bitmap, const std::string& path) {
    if (!bitmap) return false;
    try {
        EnsureFolder(path);
        saveBmpFile(*bitmap, path);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool SaveAsJpeg(const Bitmap* bitmap, const std::string& path, const JpegOptions& options) {
    if (!bitmap) return false;
    TJPEGImage jpeg;
    jpeg.applyOptions(options);
    jpeg.assign(*bitmap);
    (void)jpeg.data();  // compress before touching the disk
    EnsureFolder(path);
    jpeg.saveToFile(path);
    return true;
}

bool SaveAsIcon(const Bitmap* bitmap, const std::string& path, IconColors colors) {
    if (!bitmap) return false;
    Bitmap working;
    StretchInto(*bitmap, working, kSystemIconSize, kSystemIconSize);
    if (colors != IconColors::Colors16 && colors != IconColors::Colors256) return false;
    EnsureFolder(path);
    return saveIconFile(working, path, colors);
}

bool SaveAsGif(const Bitmap* bitmap, const std::string& path) {
    if (!bitmap) return false;
    const std::vector<std::uint8_t> bytes = writeGif(*bitmap);
    EnsureFolder(path);
    writeFileAtomic(path, bytes);
    return true;
}

bool SaveAsTga(const Bitmap* bitmap, const std::string& path) {
    if (!bitmap) return false;
    const std::vector<std::uint8_t> bytes = encodeTga(*bitmap);
    EnsureFolder(path);
    writeFileAtomic(path, bytes);
    return true;
}

bool SaveAsPng(const Bitmap* bitmap, const std::string& path) {
    if (!bitmap) return false;
    const std::vector<std::uint8_t> bytes = encodePng(*bitmap);
    EnsureFolder(path);
    writeFileAtomic(path, bytes);
    return true;
}

bool SaveAsMetafile(const Bitmap* image, const std::string& path) {
    if (!image) return false;
    // The name decides the kind: ".wmf" in any letter case is a placeable Windows metafile,
    // anything else (also no extension at all) an enhanced metafile.
    const bool enhanced = lowerExtension(path) != ".wmf";
    const std::vector<std::uint8_t> bytes = writeMetafile(*image, enhanced);
    EnsureFolder(path);
    writeFileAtomic(path, bytes);
    return true;
}

const std::array<OutputFormat, 7>& outputFormats() {
    static const std::array<OutputFormat, 7> rows{{
        {"Save target as &BMP...", "miSaveasBmpClick", "Bmp files (*.bmp)|*.bmp", ".bmp", true, kind::Bmp,
         saveBmpRow},
        {"Save target as &JPG...", "miSavetargetasJPGClick", "JPEG files (*.jpg)|*.jpg", ".jpg", true,
         kind::Jpeg, saveJpegRow},
        {"Save target as &ICO...", "miSavetargetasICOClick", "ICON files (*.ico)|*.ico", ".ico", true,
         kind::Ico, saveIconRow},
        {"Save target as &GIF...", "miSavetargetasGIFClick", "GIF files (*.gif)|*.gif", ".gif", true,
         kind::Gif, saveGifRow},
        {"Save target as &TGA...", "miSavetargetasTGAClick", "TARGA files (*.tga)|*.tga", ".tga", false,
         kind::Tga, saveTgaRow},
        {"Save target as &PNG...", "miSavetargetasPNGClick", "PNG files (*.png)|*.png", ".png", false,
         kind::Png, savePngRow},
        {"Save target as Meta&file...", "miSavetargetasWmfClick", "Metafiles (*.emf,*.wmf)|*.emf;*.wmf",
         ".emf", false, kind::Emf, saveMetafileRow},
    }};
    return rows;
}

const OutputFormat* outputFormatForKind(FileKind kind) {
    const FileKind wanted = kind == kind::Wmf ? kind::Emf : kind;
    for (const auto& row : outputFormats())
        if (row.kind == wanted) return &row;
    return nullptr;
}

std::string ProposedSaveName(const std::string& targetPath, const std::string& extension) {
    const std::size_t slash = targetPath.find_last_of('/');
    std::string name = slash == std::string::npos ? targetPath : targetPath.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name + extension;
}

std::string SaveFolderOf(const std::string& chosenPath) {
    const std::size_t slash = chosenPath.find_last_of('/');
    return slash == std::string::npos ? std::string() : chosenPath.substr(0, slash + 1);
}

}  // namespace vexilo
