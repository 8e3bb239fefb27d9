#pragma once
// Writing a raster to a file in each output format, for the save-target commands
// (control/main_window/save_names.h) and the batch job, through the format table's encoders. Every write is
// atomic: a failed save leaves any old file whole. Paths are full paths and are never cut.
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
// stretched to the system icon size, at 16 or 256 colours (options.iconColors), or all sizes at
// 32 bits with alpha; any other value refused. With options.keepTransparency and an alpha that
// fits the raster, PNG and TGA write it and a 16- or 256-colour icon takes its mask from it. JPEG:
// options.jpeg applied in their order, then compressed through 24-bit colour.
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
// WebP: lossless (options.webpLossless), else lossy at the JPEG quality. TIFF: deflate RGB.
std::vector<std::uint8_t> EncodeAsWebp(const Bitmap& bitmap, const std::string& path,
                                       const ExportOptions& options);
std::vector<std::uint8_t> EncodeAsTiff(const Bitmap& bitmap, const std::string& path, const ExportOptions&);

}  // namespace vexilo
