#pragma once
// Turning any file into a raster, by file kind. Loaders answer true when the image was loaded
// and drawn into `bitmap` (a fresh raster the caller owns) and false otherwise; they never show
// a message. Paths are full paths and are never cut.
#include <cstdint>
#include <optional>
#include <string>

#include "imageio/file_kind.h"
#include "raster/bitmap.h"
#include "raster/icon.h"

namespace vexilo {

// The common ending of every loader: size the caller's bitmap to the decoded picture (width,
// then height; new pixels white) and draw the picture at (0, 0).
void drawLoaded(const Bitmap& picture, Bitmap& bitmap);
void drawLoaded(const Icon& icon, Bitmap& bitmap);

// Dispatches on the low seven bits of kind (a code above 12 gives false); kinds 1 to 4 use icon
// index 0. Exceptions raised after the file was read (drawing, resources) reach the caller.
bool LoadImageAs(FileKind kind, const std::string& path, Bitmap* bitmap);

// Tries kinds 1 to 12 in order, each attempt swallowing exceptions, then kind 0 without a
// handler. Stores the first kind that loads; on failure kind is unchanged.
bool ProbeImageKind(const std::string& path, Bitmap* bitmap, FileKind& kind);

// Kinds 1 to 4: icon `index` of an executable, library, control panel item or cursor file.
// An index of 0 comes back as the file's icon count (0 when it has none).
bool LoadExecutableIcon(const std::string& path, std::uint16_t& index, Bitmap* bitmap);
// The icon at `index`, the count/associated-icon rules of the icon walk; see the .cpp.
std::optional<Icon> ExtractIconAt(const std::string& path, std::uint16_t& index);
// Kind 0: the icon the desktop shows for the file.
bool LoadAssociatedIcon(const std::string& path, Bitmap* bitmap);

bool LoadBitmapFile(const std::string& path, Bitmap* bitmap);  // kind 7, keeps format and palette
bool LoadIconFile(const std::string& path, Bitmap* bitmap);    // kind 8
bool LoadJpegFile(const std::string& path, Bitmap* bitmap);    // kind 9
// Kinds 5 and 6: requiredExtension is ".wmf" or ".emf".
bool LoadMetafile(const std::string& path, Bitmap* bitmap, const std::string& requiredExtension);
bool LoadTgaFile(const std::string& path, Bitmap* bitmap);  // kind 10
bool LoadPngFile(const std::string& path, Bitmap* bitmap);  // kind 11
bool LoadGifFile(const std::string& path, Bitmap* bitmap);  // kind 12

}  // namespace vexilo
