#pragma once
// TGA files. Reads image types 1/9 colour-mapped 8-bit, 2/10 true colour 15/16/24/32 bits and
// 3/11 grey 8-bit (and 16-bit grey with alpha), raw and run-length encoded, in all four origins.
// Refuses a header that does not hold together (the rule stands at the top of tga_codec.cpp:
// type 0, types 32 and 33, depths and maps a type does not allow, less than one row of pixels),
// other types and sizes outside 1..3000. A file that ends inside the pixels keeps what was read
// and leaves the rest black. Writes run-length-encoded 24-bit true colour (type 10), or
// uncompressed 16/24/32-bit true colour (type 2) for the other codec types.
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "base/errors.h"
#include "raster/bitmap.h"

namespace vexilo {

// An unsupported image type or a size outside 1..3000: "%d is not within the valid range of %d..%d".
class TgaRangeError : public DecodeError {
public:
    TgaRangeError(long value, long low, long high);
};

enum TTargaType {
    ttNoImageData = 0,
    ttColorMapedImage = 1,
    ttTrueColorImage = 2,
    ttBlackAndWhiteImage = 3,
    ttRLEColorMapedImage = 4,
    ttRLETrueColorImage = 5,
    ttRLEBlackAndWhiteImage = 6
};

enum TTargaColorDepthType { cd8bit = 0, cd16bit = 1, cd24bit = 2, cd32bit = 3 };

// The 18-byte header as read (or last written).
struct TgaHeader {
    std::uint8_t idLength = 0;
    std::uint8_t colorMapType = 0;
    std::uint8_t imageType = 0;
    std::uint16_t colorMapFirst = 0;
    std::uint16_t colorMapLength = 0;
    std::uint8_t colorMapEntrySize = 0;
    std::uint16_t xOrigin = 0, yOrigin = 0;
    std::uint16_t width = 0, height = 0;
    std::uint8_t bitsPerPixel = 0;
    std::uint8_t descriptor = 0;  // bits 0-3 alpha bits, bit 4 right-to-left, bit 5 top-down
};

// The codec object: a 32-bit colour raster and an alpha raster of the same size (alpha as grey).
class TTarga {
public:
    static constexpr int kMaxSize = 3000;
    static constexpr std::size_t kMaxColorMap = 1000;

    // Colour raster: Bpp32, the fourth byte always 0.
    const Bitmap& colorRaster() const { return m_color; }
    // Alpha raster: Bpp32 grey, 255 = opaque.
    const Bitmap& alphaRaster() const { return m_alpha; }
    // Moves the colour raster out (the codec object is left empty), for a loader that keeps it.
    Bitmap takeColorRaster();
    // Assigns any raster to the colour raster (converted to 32 bits); the alpha raster becomes
    // opaque at the same size.
    void setColorRaster(const Bitmap& raster);
    int width() const { return m_color.width(); }
    int height() const { return m_color.height(); }

    TTargaType TargaType = ttNoImageData;
    TTargaColorDepthType ColorDepth = cd24bit;
    bool HasAlpha = false;  // the file carried alpha values (32-bit true colour)
    // When set before loading, the alpha raster is not built (it stays empty): for callers that
    // only show the colours.
    bool ColorOnly = false;
    // Called after every successful load.
    std::function<void()> OnChange;

    const TgaHeader& header() const { return m_header; }
    const std::string& identification() const { return m_identification; }
    // Blue, green, red, alpha per entry; at most kMaxColorMap entries are kept.
    const std::vector<std::array<std::uint8_t, 4>>& colorMap() const { return m_colorMap; }

    // Throws TgaRangeError / DecodeError; a file cut short inside the pixels is no error.
    void loadFromBytes(std::span<const std::uint8_t> data, const DecodeLimits& limits = kDefaultDecodeLimits);
    void loadFromFile(const std::string& path, const DecodeLimits& limits = kDefaultDecodeLimits);
    // Writes by TargaType: run-length 24-bit for ttRLETrueColorImage, else uncompressed type 2.
    // Throws ImageError for an empty raster.
    std::vector<std::uint8_t> saveToBytes() const;
    // Sets TargaType to ttRLETrueColorImage and writes the file atomically; throws ImageError.
    void saveToFile(const std::string& path);

    // Stretches the colour raster into rect; the alpha raster is not used.
    void draw(Bitmap& canvas, const Rect& rect) const;
    // Copies both rasters.
    void assign(const TTarga& source);

private:
    Bitmap m_color;
    Bitmap m_alpha;
    TgaHeader m_header;
    std::string m_identification;
    std::vector<std::array<std::uint8_t, 4>> m_colorMap;
};

enum TTargaViewType { tvBitmap, tvAlphaChannel, tvUseAlphaChannel };

// The holder of the codec object used for saving; its display properties take no part in
// loading or saving.
class TTargaImage {
public:
    TTarga& Targa() { return m_targa; }
    const TTarga& Targa() const { return m_targa; }
    TTargaType targaType() const { return m_targa.TargaType; }
    TTargaColorDepthType colorDepth() const { return m_targa.ColorDepth; }

    bool AutoSize = false;
    bool IncludeAlphaChannel = false;
    bool Stretch = false;
    TTargaViewType ViewType = tvBitmap;

private:
    TTarga m_targa;
};

// The decoded colour raster (Bpp32), as the loader draws it. Throws DecodeError.
Bitmap decodeTga(std::span<const std::uint8_t> data, const DecodeLimits& limits = kDefaultDecodeLimits);
// Any raster as a run-length-encoded 24-bit true-colour file, as the saver writes it. Throws
// ImageError for an empty raster or one wider or taller than 65535.
std::vector<std::uint8_t> encodeTga(const Bitmap& bitmap);
// An uncompressed 32-bit true-colour TGA with 8 alpha bits of one alpha byte a pixel (width x
// height, 255 = opaque). Throws ImageError for an empty raster or an alpha of another size.
std::vector<std::uint8_t> encodeTgaWithAlpha(const Bitmap& bitmap, const std::vector<std::uint8_t>& alpha);
void saveTgaFile(const Bitmap& bitmap, const std::string& path);  // atomic; throws ImageError

}  // namespace vexilo
