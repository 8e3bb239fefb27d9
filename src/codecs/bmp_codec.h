#pragma once
// BMP files. Reads core (OS/2 1.x, 12-byte) and info headers of 16, 40, 52, 56, 64, 108 and 124
// bytes; 1, 2, 4, 8, 16, 24 and 32 bits per pixel; RLE8, RLE4 and (OS/2 2.x) RLE24 with their
// escapes; bit-field masks; bottom-up and top-down rows; short palettes. Rejects embedded
// JPEG/PNG, Huffman data, 64-bit pixels, top-down RLE and rasters beyond the decode limits.
// A 124-byte header's colour profile that sits where an icon's AND mask would be means no mask.
// Writes a 40-byte info header in the raster's own format (Device as 32-bit) and palette.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "raster/bitmap.h"

namespace vexilo {

// Decodes a whole BMP file (starting with "BM"). Throws DecodeError.
Bitmap readBmp(std::span<const std::uint8_t> file, const DecodeLimits& limits = kDefaultDecodeLimits);

// Reads up to into.size() bytes of a file at an offset and answers how many: fewer only at the
// end of the file. Throws on a read error.
using FileReadAt = std::function<std::size_t(std::uint64_t offset, std::span<std::uint8_t> into)>;

// Decodes a BMP file of fileSize bytes whose first bytes are `head` as readBmp does, reading its
// plain rows through readAt a block at a time, so that a large file is never held whole (other
// files are read whole through it).
Bitmap readBmpBlocks(std::span<const std::uint8_t> head, std::uint64_t fileSize, const FileReadAt& readAt,
                     const DecodeLimits& limits = kDefaultDecodeLimits);

// Decodes a device-independent bitmap that starts with its info header, the palette and the
// pixels following it. With iconImage the height field counts the colour rows and the AND mask
// rows together and only the colour rows are read; the mask rows are returned in `andMask` when
// it is given (1 = transparent, empty when the data stops before them).
Bitmap readDib(std::span<const std::uint8_t> dib, const DecodeLimits& limits = kDefaultDecodeLimits,
               bool iconImage = false, Bitmap* andMask = nullptr);

// Encodes the raster as a BMP file. Throws ImageError for an empty raster.
std::vector<std::uint8_t> writeBmp(const Bitmap& bitmap);

// File helpers: read (DecodeError/ImageError on failure) and write atomically.
Bitmap loadBmpFile(const std::string& path);
void saveBmpFile(const Bitmap& bitmap, const std::string& path);

}  // namespace vexilo
