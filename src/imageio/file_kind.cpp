#include "imageio/file_kind.h"

#include <array>

namespace vexilo {

namespace {
constexpr std::array<const char*, kFileKindCount> kNames{"All files as Windows Icons",
                                                         "*.EXE",
                                                         "*.DLL",
                                                         "*.CPL",
                                                         "*.CUR",
                                                         "Windows Metafile (.wmf)",
                                                         "Enhanced Metafile (.emf)",
                                                         "Bitmap",
                                                         "Icon",
                                                         "Jpeg",
                                                         "Targa",
                                                         "Png",
                                                         "Gif"};
constexpr std::array<const char*, kFileKindCount> kExtensions{"All files as Windows Icons",
                                                              ".exe",
                                                              ".dll",
                                                              ".cpl",
                                                              ".cur",
                                                              ".wmf",
                                                              ".emf",
                                                              ".bmp",
                                                              ".ico",
                                                              ".jpg",
                                                              ".tga",
                                                              ".png",
                                                              ".gif"};
}  // namespace

const char* fileKindName(FileKind k) {
    return k < kFileKindCount ? kNames[k] : "";
}
const char* fileKindExtension(FileKind k) {
    return k < kFileKindCount ? kExtensions[k] : "";
}
bool isOutputKind(FileKind k) {
    return k >= kind::Wmf && k <= kind::Gif;
}

}  // namespace vexilo
