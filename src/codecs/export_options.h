#pragma once
// The export options shared by single-image saving and the batch job: the icon colour depth and
// the four JPEG options. Whoever saves owns a set and passes it (the main window keeps its own,
// the batch job gets one with its request); there is no process-wide copy.
#include <cstdint>
#include <vector>

#include "codecs/icon_writer.h"  // IconColors, the colour depth of a written icon

namespace vexilo {

// The JPEG export options, in their stored order.
struct JpegOptions {
    std::uint8_t CompressionQuality = 80;  // 1 to 100
    std::uint8_t PixelFormat = 0;          // 0 = 24 bit, 1 = 8 bit; changes only how a decode is held
    bool Grayscale = false;                // one-component greyscale file
    bool ProgressiveEncoding = true;       // progressive file
    bool operator==(const JpegOptions&) const = default;
};

struct ExportOptions {
    IconColors iconColors = IconColors::Colors256;
    JpegOptions jpeg;
    // "Keep transparency": PNG, TGA and ICO outputs take the picture's alpha (below).
    bool keepTransparency = false;
    // The alpha of the picture being written (width x height bytes, 255 = opaque), set per
    // picture by whoever writes it; empty for an opaque picture.
    std::vector<std::uint8_t> alpha;
    // WebP files without loss; else lossy at the JPEG quality.
    bool webpLossless = false;
};

}  // namespace vexilo
