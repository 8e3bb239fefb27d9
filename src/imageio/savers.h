#pragma once
// Writing a raster to a file in each output format, for the save-target commands
// (control/main_window/save_names.h) and the batch job. Savers answer true when the file was written.
// SaveAsBmp catches every error and answers false; the others let ImageError through ("Cannot create file
// ...", write errors) so that the caller can show its text. Every write is atomic: a failed save leaves any
// old file whole. Paths are full paths and are never cut.
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/export_options.h"
#include "imageio/file_kind.h"
#include "raster/bitmap.h"

namespace vexilo {

// Creates the folder part of path when no folder of that name exists, with one creation call:
// only the last level, so missing parents make it fail. Throws ImageError on failure.
void EnsureFolder(const std::string& path);

// Writes the bytes of the output row of kind (EncodeImageAs) in place of any old file; false for
// a null bitmap or a kind that is no output kind. EnsureFolder runs first and its error passes
// through; after it a row whose failure is quiet (BMP) answers false for every error.
bool SaveImageAs(FileKind kind, const std::string& path, const Bitmap* bitmap, const ExportOptions& options);

// The bytes SaveImageAs would write to path (whose name picks a Windows or an enhanced
// metafile), for writers that place the file themselves. Throws ImageError, with its reason,
// for a kind that is not an output kind or a raster that cannot be written; writes nothing.
std::vector<std::uint8_t> EncodeImageAs(FileKind kind, const std::string& path, const Bitmap& bitmap,
                                        const ExportOptions& options);

// The output rows' encoders, as the format table holds them. Each throws ImageError for a raster
// it cannot write. Metafile: the path's name picks a Windows or an enhanced metafile. Icon:
// stretched to the system icon size, at 16 or 256 colours (options.iconColors), any other value
// refused. JPEG: options.jpeg applied in their order, then compressed through 24-bit colour.
std::vector<std::uint8_t> EncodeAsMetafile(const Bitmap& bitmap, const std::string& path,
                                           const ExportOptions&);
std::vector<std::uint8_t> EncodeAsBmp(const Bitmap& bitmap, const std::string& path, const ExportOptions&);
std::vector<std::uint8_t> EncodeAsIcon(const Bitmap& bitmap, const std::string& path,
                                       const ExportOptions& options);
std::vector<std::uint8_t> EncodeAsJpeg(const Bitmap& bitmap, const std::string& path,
                                       const ExportOptions& options);
std::vector<std::uint8_t> EncodeAsTga(const Bitmap& bitmap, const std::string& path, const ExportOptions&);
std::vector<std::uint8_t> EncodeAsPng(const Bitmap& bitmap, const std::string& path, const ExportOptions&);
std::vector<std::uint8_t> EncodeAsGif(const Bitmap& bitmap, const std::string& path, const ExportOptions&);

// False for a null bitmap and for any failure: the raster in its own pixel format and palette
// (the display's format as 32 bits).
bool SaveAsBmp(const Bitmap* bitmap, const std::string& path);
// The options applied in their order (quality, pixel format, greyscale, progressive), then the
// raster compressed through 24-bit colour. Throws ImageError for an empty raster.
bool SaveAsJpeg(const Bitmap* bitmap, const std::string& path, const JpegOptions& options);
// The raster stretched to the system icon size, written as a one-image icon at 16 or 256
// colours; false, writing nothing, for another IconColors value.
bool SaveAsIcon(const Bitmap* bitmap, const std::string& path, IconColors colors);
// One frame, reduced to 256 colours when the raster has more.
bool SaveAsGif(const Bitmap* bitmap, const std::string& path);
bool SaveAsTga(const Bitmap* bitmap, const std::string& path);
bool SaveAsPng(const Bitmap* bitmap, const std::string& path);
// A placeable Windows metafile when the lower-cased extension is ".wmf", an enhanced metafile
// for any other name, holding the raster as one bitmap record.
bool SaveAsMetafile(const Bitmap* image, const std::string& path);

}  // namespace vexilo
