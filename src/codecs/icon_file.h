#pragma once
// Icon files (.ico): the directory, the choice of one image for the display, and the decoding of
// icon images (device-independent bitmaps with an AND mask at 1, 4, 8, 16, 24 and 32 bits, or
// PNG streams) shared with the executable icon reader. 32-bit and PNG images keep their alpha.
#include <cstdint>
#include <optional>
#include <span>

#include "base/byte_reader.h"
#include "raster/icon.h"

namespace vexilo {

// The exact message for an icon file that cannot hold an icon (a cursor's type, no images).
inline constexpr const char* kInvalidIconMessage = "Icon image is not valid";

// The colour word that matches a display of `displayBits` (planes x bits per pixel): 0 for 24,
// else 1 shifted left by the bits modulo 32, in 16 bits (4 -> 16, 8 -> 256, 16 -> 0, 32 -> 1).
std::uint16_t wantedColorWord(int displayBits);

// The directory entry to take, given every entry's colour word in file order: the first exact
// match; else, counting from the first entry whose word is <= wanted, the last entry whose word
// exceeds that first one's (or that first entry itself); else entry 0. 0 for an empty list.
std::size_t chooseIconEntry(std::span<const std::uint16_t> colorWords, std::uint16_t wanted);

// Decodes one icon image at its own size: a DIB whose height counts the colour and mask rows,
// or a PNG stream (its own header decides the size). A 32-bit DIB whose alpha bytes are not
// all zero, and a PNG with transparency, give an icon with alpha. Throws DecodeError.
Icon decodeIconImage(std::span<const std::uint8_t> data, const DecodeLimits& limits = kDefaultDecodeLimits);

// The bytes of the image a directory entry points at. Directories that state a wrong size are
// common, so the image's own header (a DIB's header, palette, rows and mask; a PNG's chunks up
// to IEND) decides its length whenever the file holds that much and the entry says less or
// more than the file holds; otherwise the entry's size. nullopt when the file holds neither.
std::optional<std::span<const std::uint8_t>> iconImageBytes(std::span<const std::uint8_t> file,
                                                            std::uint32_t offset, std::uint32_t size);

// Nearest-pixel scaling of the colour image, the mask and the alpha together.
Icon scaleIcon(const Icon& icon, int width, int height);

// Reads a whole .ico file into an Icon of the system icon size (32 x 32), choosing the image
// for a display of `displayBits`. Throws DecodeError: kInvalidIconMessage for a header type of 2
// or more or no images; "ICO: truncated ..." when the file is shorter than its header, directory
// or the chosen image's data; the image decoder's error when that image cannot be decoded.
Icon ReadIconFile(std::span<const std::uint8_t> file, const DecodeLimits& limits = kDefaultDecodeLimits,
                  int displayBits = 32);

}  // namespace vexilo
