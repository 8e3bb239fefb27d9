#pragma once
// The export options shared by single-image saving and the batch job: the icon colour depth and
// the four JPEG options. The program keeps one process-wide set (see currentExportOptions); the
// savers also take them explicitly, so tests and the batch job can pass their own.
#include <cstdint>

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
};

// The process-wide options, starting at the values above. The main window resets them at
// start-up and the batch dialog stores into them; SaveImageAs reads them.
inline ExportOptions& currentExportOptions() {
    static ExportOptions options;
    return options;
}

}  // namespace vexilo
