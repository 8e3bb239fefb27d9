#pragma once
// Turning any file into a raster, by file kind. Loaders answer true when the image was loaded
// and drawn into `bitmap` (a fresh raster the caller owns) and false otherwise; they never show
// a message. Paths are full paths and are never cut. A LoadRequest says what the picture is
// for: the found-image list asks for thumbnails, the target and the batch job for the full
// picture (the default).
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "codecs/pe_icons.h"
#include "imageio/file_kind.h"
#include "imageio/load_request.h"
#include "raster/bitmap.h"
#include "raster/icon.h"

namespace vexilo {

// The common ending of every loader: size the caller's bitmap to the decoded picture (width,
// then height; new pixels white) and draw the picture at (0, 0).
void drawLoaded(const Bitmap& picture, Bitmap& bitmap);
void drawLoaded(const Icon& icon, Bitmap& bitmap);
// The same result as drawLoaded, without a second raster: when `bitmap` is still empty and in
// the display's format, the picture's own pixels are turned into display words in place (the
// transparent colour's pixels white) and moved into it.
void keepLoaded(Bitmap&& picture, Bitmap& bitmap);
// The ending of the loaders of pictures that can be transparent: with request.alpha the plain
// colours and their alpha (an icon's mask counts as alpha 0 where it has none of its own), else
// drawLoaded over white. `alpha` is the picture's (width x height bytes, or empty for none).
void showLoaded(const Icon& icon, Bitmap& bitmap, const LoadRequest& request);
void showLoaded(Bitmap&& picture, std::vector<std::uint8_t>&& alpha, Bitmap& bitmap,
                const LoadRequest& request);

// The loader of the format row of the low seven bits of kind (false for a code of no row); kinds
// 1 to 4 use icon index 0. Exceptions raised after the file was read (drawing, resources) reach the caller.
bool LoadImageAs(FileKind kind, const std::string& path, Bitmap* bitmap, const LoadRequest& request = {});
// The same for a format row: its load column, or its probe loader on the file alone.
bool LoadWithFormat(const FileFormat& format, const std::string& path, Bitmap* bitmap,
                    const LoadRequest& request = {});

// Tries the rows after kind 0 in the table's order, each attempt swallowing exceptions, then kind 0 without a
// handler (unless request.associatedIcon is false). Stores the first kind that loads; on failure kind is
// unchanged. The file is opened and read once; a kind whose refusal test rejects the file's first bytes is
// not tried.
bool ProbeImageKind(const std::string& path, Bitmap* bitmap, FileKind& kind, const LoadRequest& request = {});
// The same answer by trying every loader in turn on its own reading of the file, with no
// refusal tests: the reference that ProbeImageKind is tested against.
bool ProbeImageKindByTrying(const std::string& path, Bitmap* bitmap, FileKind& kind,
                            const LoadRequest& request = {});

// Kinds 1 to 4: icon `index` of an executable, library, control panel item or cursor file.
// An index of 0 comes back as the file's icon count (0 when it has none).
bool LoadExecutableIcon(const std::string& path, std::uint16_t& index, Bitmap* bitmap,
                        const LoadRequest& request = {});
// The same, except that a file without icons or a number past the end loads nothing instead of
// the file's associated icon.
bool LoadExecutableOwnIcon(const std::string& path, std::uint16_t& index, Bitmap* bitmap,
                           const LoadRequest& request = {});
// The icon walk of the scan, the batch list and the command line: each(number, picture) for icon
// 0, 1, ... of an executable, library, control panel item or cursor file, picture null for an icon
// that did not load; each answers whether to go on. A file without icons gives its associated
// icon as icon 0. Answers the file's icon count (0 without icons), or nullopt without calling
// each when icon 0 does not load (no such file, not of these kinds).
std::optional<std::uint16_t> ForEachExecutableIcon(
    const std::string& path, const std::function<bool(std::uint16_t, const Bitmap*)>& each,
    const LoadRequest& request = {});
// The icon at `index`, the count/associated-icon rules of the icon walk; see the .cpp.
// request.iconSize picks the image (see IconSize); the associated icon is always at the system size.
std::optional<Icon> ExtractIconAt(const std::string& path, std::uint16_t& index, bool associatedIcon = true,
                                  const LoadRequest& request = {});
// The image choice of a request's icon size, and the side it is chosen for.
IconImageChoice iconChoiceFor(const LoadRequest& request, int& side);
// Kind 0: the icon the desktop shows for the file.
bool LoadAssociatedIcon(const std::string& path, Bitmap* bitmap);

// The format table's loaders of kinds 0 to 6, in the one signature of a row.
bool LoadAssociatedIconAs(const std::string& path, Bitmap* bitmap, const LoadRequest& request);
bool LoadFirstExecutableIcon(const std::string& path, Bitmap* bitmap, const LoadRequest& request);
// Kind 4: a cursor file by its name as LoadFirstExecutableIcon, or an animated cursor by its
// contents (its first frame).
bool LoadCursorFile(const std::string& path, Bitmap* bitmap, const LoadRequest& request);
bool LoadWmfFile(const std::string& path, Bitmap* bitmap, const LoadRequest& request);
bool LoadEmfFile(const std::string& path, Bitmap* bitmap, const LoadRequest& request);

// Kind 7, keeps format and palette.
bool LoadBitmapFile(const std::string& path, Bitmap* bitmap, const LoadRequest& request = {});
bool LoadIconFile(const std::string& path, Bitmap* bitmap, const LoadRequest& request = {});  // kind 8
// Kind 9. For a thumbnail the picture is decoded at the smallest DCT scale (1/2, 1/4, 1/8)
// that still covers the requested size on both sides.
bool LoadJpegFile(const std::string& path, Bitmap* bitmap, const LoadRequest& request = {});
// Kinds 5 and 6: requiredExtension is ".wmf" or ".emf".
bool LoadMetafile(const std::string& path, Bitmap* bitmap, const std::string& requiredExtension,
                  const LoadRequest& request = {});
bool LoadTgaFile(const std::string& path, Bitmap* bitmap, const LoadRequest& request = {});  // kind 10
bool LoadPngFile(const std::string& path, Bitmap* bitmap, const LoadRequest& request = {});  // kind 11
bool LoadGifFile(const std::string& path, Bitmap* bitmap, const LoadRequest& request = {});  // kind 12

}  // namespace vexilo
