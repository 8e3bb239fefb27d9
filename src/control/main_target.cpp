#include "control/main_target.h"

#include "base/paths.h"
#include "imageio/savers.h"

namespace vexilo {

namespace {

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
    std::string name = fileNameOf(targetPath);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name + extension;
}

std::string SaveFolderOf(const std::string& chosenPath) {
    return folderOf(chosenPath);
}

}  // namespace vexilo
