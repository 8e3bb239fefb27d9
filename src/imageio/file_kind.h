#pragma once
// The one-byte kind of a file, with its fixed display name and extension. Kinds 5 to 12 are
// the output kinds. The display names are fixed texts, never translated.
#include <cstdint>

namespace vexilo {

using FileKind = std::uint8_t;

namespace kind {
constexpr FileKind AllFiles = 0, Exe = 1, Dll = 2, Cpl = 3, Cur = 4, Wmf = 5, Emf = 6, Bmp = 7, Ico = 8,
                   Jpeg = 9, Tga = 10, Png = 11, Gif = 12;
}  // namespace kind

constexpr int kFileKindCount = 13;

// Display name and extension ("*.EXE", ".exe"); kind 0's extension is its display name again.
// Kinds above 12 give an empty text.
const char* fileKindName(FileKind k);
const char* fileKindExtension(FileKind k);
bool isOutputKind(FileKind k);

}  // namespace vexilo
