#include "imageio/file_kind.h"

#include <algorithm>
#include <array>

#include "imageio/format_loaders.h"
#include "imageio/loaders.h"
#include "imageio/savers.h"

namespace vexilo {

namespace {
using namespace loading;

// clang-format off
const std::array<FileFormat, 20> kFormats{{
    {kind::AllFiles, "All files as Windows Icons", "All files as Windows Icons", "All files as Windows Icons",
     false, false, false, LoadAssociatedIconAs, nullptr, nullptr, nullptr, {}},
    {kind::Exe, "*.EXE", ".exe", "*.exe", false, false, false, LoadFirstExecutableIcon, mayBeExecutableIcon,
     loadExecutableIcon, nullptr, {}},
    {kind::Dll, "*.DLL", ".dll", "*.dll", false, false, false, LoadFirstExecutableIcon, nullptr, nullptr, nullptr, {}},
    {kind::Cpl, "*.CPL", ".cpl", "*.cpl", false, false, false, LoadFirstExecutableIcon, nullptr, nullptr, nullptr, {}},
    {kind::Cur, "*.CUR", ".cur", "*.cur;*.ani", false, false, false, LoadCursorFile, mayBeAni, loadAni, nullptr, {}},
    // One save command writes both metafile kinds, the name choosing which (see EncodeAsMetafile).
    {kind::Wmf, "Windows Metafile (.wmf)", ".wmf", "*.wmf", true, false, false, LoadWmfFile, mayBeWmf, loadWmf,
     EncodeAsMetafile, {}},
    {kind::Emf, "Enhanced Metafile (.emf)", ".emf", "*.emf", true, false, false, LoadEmfFile, mayBeEmf, loadEmf,
     EncodeAsMetafile,
     {7, 76, "Save target as Meta&file...", "Metafiles (*.emf,*.wmf)|*.emf;*.wmf", false}},
    {kind::Bmp, "Bitmap", ".bmp", "*.bmp", true, false, true, LoadBitmapFile, mayBeBmp, loadBmp,
     EncodeAsBmp,
     {1, 50, "Save target as &BMP...", "Bmp files (*.bmp)|*.bmp", true}},
    {kind::Ico, "Icon", ".ico", "*.ico", true, false, false, LoadIconFile, mayBeIco, loadIco,
     EncodeAsIcon,
     {3, 9, "Save target as &ICO...", "ICON files (*.ico)|*.ico", true}},
    {kind::Jpeg, "Jpeg", ".jpg", "*.jpg;*.jpeg;*.jfif", true, false, false, LoadJpegFile, mayBeJpeg, loadJpeg,
     EncodeAsJpeg,
     {2, 27, "Save target as &JPG...", "JPEG files (*.jpg)|*.jpg", true}, "jpeg"},
    {kind::Tga, "Targa", ".tga", "*.tga", true, false, false, LoadTgaFile, mayBeTga, loadTga,
     EncodeAsTga,
     {5, 71, "Save target as &TGA...", "TARGA files (*.tga)|*.tga", false}},
    {kind::Png, "Png", ".png", "*.png", true, false, false, LoadPngFile, mayBePng, loadPng,
     EncodeAsPng,
     {6, 72, "Save target as &PNG...", "PNG files (*.png)|*.png", false}},
    {kind::Gif, "Gif", ".gif", "*.gif", true, true, false, LoadGifFile, mayBeGif, loadGif,
     EncodeAsGif,
     {4, 65, "Save target as &GIF...", "GIF files (*.gif)|*.gif", true}},
    {kind::Webp, "WebP", ".webp", "*.webp", true, false, false, nullptr, mayBeWebp, loadWebp, EncodeAsWebp,
     {8, 145, "Save target as &WebP...", "WebP files (*.webp)|*.webp", true}, "", 138},
    {kind::Tiff, "Tiff", ".tif", "*.tif*", true, false, false, nullptr, mayBeTiff, loadTiff, EncodeAsTiff,
     {9, 146, "&Save target as TIFF...", "TIFF files (*.tif,*.tiff)|*.tif;*.tiff", true}, "tiff", 139},
    {kind::Svg, "Svg", ".svg", "*.svg*", false, false, false, nullptr, mayBeSvg, loadSvg, nullptr, {}, "", 140},
    {kind::Avif, "Avif", ".avif", "*.avif", false, false, false, nullptr, mayBeAvif, loadAvif, nullptr, {}, "", 141},
    {kind::Heif, "Heif", ".heic", "*.hei?", false, false, false, nullptr, mayBeHeif, loadHeif, nullptr, {}, "", 142},
    {kind::Xpm, "Xpm", ".xpm", "*.xpm", false, false, false, nullptr, mayBeXpm, loadXpm, nullptr, {}, "", 143},
    {kind::Pnm, "Pnm", ".pnm", "*.p?m", false, false, false, nullptr, mayBePnm, loadPnm, nullptr, {}, "", 144},
}};
// clang-format on
}  // namespace

std::span<const FileFormat> fileFormats() {
    return kFormats;
}

const FileFormat* fileFormat(FileKind k) {
    for (const FileFormat& f : kFormats)
        if (f.kind == k) return &f;
    return nullptr;
}

int fileFormatPosition(int k) {
    for (std::size_t i = 0; i < kFormats.size(); ++i)
        if (kFormats[i].kind == k) return static_cast<int>(i);
    return -1;
}

const std::vector<const FileFormat*>& saveMenuFormats() {
    static const std::vector<const FileFormat*> rows = [] {
        std::vector<const FileFormat*> out;
        for (const FileFormat& f : kFormats)
            if (f.save.place > 0) out.push_back(&f);
        std::sort(out.begin(), out.end(),
                  [](const FileFormat* a, const FileFormat* b) { return a->save.place < b->save.place; });
        return out;
    }();
    return rows;
}

const FileFormat* saveMenuFormatWithText(int textNumber) {
    for (const FileFormat* f : saveMenuFormats())
        if (f->save.textNumber == textNumber) return f;
    return nullptr;
}

const char* fileKindName(FileKind k) {
    const FileFormat* f = fileFormat(k);
    return f ? f->name : "";
}
const char* fileKindExtension(FileKind k) {
    const FileFormat* f = fileFormat(k);
    return f ? f->extension : "";
}
bool isOutputKind(FileKind k) {
    const FileFormat* f = fileFormat(k);
    return f && f->output;
}

}  // namespace vexilo
