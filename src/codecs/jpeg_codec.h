#pragma once
// JPEG images through libjpeg's classic API. Reads baseline, extended and progressive files in
// greyscale, YCbCr/RGB and CMYK/YCCK (converted to RGB); damaged data past the header decodes
// as far as it goes, with warnings ignored. Writes 8-bit baseline or progressive files, colour
// or greyscale. Rejects arithmetic-coded files when the library lacks them, rasters beyond the
// decode limits and progressive files with more than kMaxScans scans.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "codecs/export_options.h"
#include "raster/bitmap.h"

namespace vexilo {

enum class JpegPixelFormat : std::uint8_t { Bits24 = 0, Bits8 = 1 };
enum class JpegPerformance : std::uint8_t { BestQuality, BestSpeed };

// A JPEG graphic: the compressed file data and the raster decoded from it on demand, or a
// raster given by assign() and compressed on demand with the current options.
// Library failures throw ImageError("JPEG error #N"); our own checks throw DecodeError.
class TJPEGImage {
public:
    static constexpr int kMaxScans = 1000;
    static constexpr int kQuantizedColors = 236;  // leaves 20 entries of an 8-bit palette free

    // Starts from the process-wide defaults: quality 90, colour, best quality, 24 bit,
    // progressive encoding off, full scale, smoothing on.
    TJPEGImage();

    // Options. Changing one that affects decoding drops a raster decoded from file data.
    int compressionQuality() const { return m_quality; }
    void setCompressionQuality(int quality) { m_quality = quality; }  // clamped to 1-100 on use
    JpegPixelFormat pixelFormat() const { return m_pixelFormat; }
    void setPixelFormat(JpegPixelFormat format);
    // On loading: whether the file is greyscale. For decoding: greyscale output. For
    // encoding: write a one-component greyscale file.
    bool grayscale() const { return m_grayscale; }
    void setGrayscale(bool on);
    // On loading: whether the file has several scans. For encoding: write a progressive file.
    bool progressiveEncoding() const { return m_progressive; }
    void setProgressiveEncoding(bool on) { m_progressive = on; }
    JpegPerformance performance() const { return m_performance; }
    void setPerformance(JpegPerformance p);
    // Decoding scale 1 / 2^scale, scale 0 to 3.
    int scale() const { return m_scale; }
    void setScale(int scale);
    // Decoding scale in eighths, 1 (1/8) to 8 (full size): the DCT scales libjpeg offers
    // between the powers of two. setScale sets it too (scale s is 8 >> s eighths).
    int scaleEighths() const { return m_eighths; }
    void setScaleEighths(int eighths);
    bool smoothing() const { return m_smoothing; }
    void setSmoothing(bool on);
    void setLimits(const DecodeLimits& limits) { m_limits = limits; }

    // Applies the four export options in their order: quality, pixel format, greyscale,
    // progressive encoding.
    void applyOptions(const JpegOptions& options);

    // Takes the compressed data and reads its header (size, greyscale, progressive).
    void loadFromBytes(std::vector<std::uint8_t> data);
    void loadFromFile(const std::string& path);
    // The same for data the caller keeps alive and unchanged for as long as this image decodes
    // from it (a loader's file buffer): nothing is copied.
    void loadFromView(std::span<const std::uint8_t> data);

    // Takes a copy of the raster; the compressed data is discarded until the next save.
    void assign(const Bitmap& bitmap);

    // The compressed data, compressing the assigned raster first when needed. Throws
    // ImageError for an image with no pixels.
    const std::vector<std::uint8_t>& data();
    // Writes data() atomically.
    void saveToFile(const std::string& path);

    bool empty() const { return width() <= 0 || height() <= 0; }
    int width() const;
    int height() const;
    // A JPEG image has the size of its data; this always throws ImageError.
    [[noreturn]] void setSize(int width, int height);

    // The raster, decoding the data on first use: 24 bits per pixel, or 8 bits with a palette
    // of at most kQuantizedColors entries for the 8-bit pixel format and greyscale output.
    const Bitmap& bitmap();
    // Sizes target to the image and draws the image into it at (0, 0), keeping target's own
    // pixel format. target is untouched when decoding fails.
    void drawInto(Bitmap& target);

private:
    bool quantizes() const;
    void decode(Bitmap& out);
    void compress();
    void dropDecoded();

    int m_quality = 90;
    JpegPixelFormat m_pixelFormat = JpegPixelFormat::Bits24;
    bool m_grayscale = false;
    bool m_progressive = false;
    JpegPerformance m_performance = JpegPerformance::BestQuality;
    int m_scale = 0;
    int m_eighths = 8;
    bool m_smoothing = true;
    DecodeLimits m_limits = kDefaultDecodeLimits;

    std::span<const std::uint8_t> source() const {
        return m_data.empty() ? m_view : std::span<const std::uint8_t>(m_data);
    }
    void readHeader(std::span<const std::uint8_t> data);

    std::vector<std::uint8_t> m_data;  // empty when the image came from assign() or a view
    std::span<const std::uint8_t> m_view;
    int m_dataWidth = 0, m_dataHeight = 0;
    bool m_fileGray = false, m_fileCmyk = false;
    std::optional<Bitmap> m_bitmap;  // decoded or assigned raster
    bool m_bitmapFromData = false;
};

}  // namespace vexilo
