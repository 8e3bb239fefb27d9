#include "codecs/tiff_codec.h"

#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "base/errors.h"
#include "codecs/exif_orientation.h"

namespace vexilo {

namespace {

constexpr const char* kFormat = "TIFF";

// libtiff reads and writes through these over a byte buffer; it never sees a file.
struct Memory {
    std::span<const std::uint8_t> input;
    std::vector<std::uint8_t>* output = nullptr;
    std::size_t pos = 0;
    std::string error;
};

tmsize_t readProc(thandle_t h, void* buffer, tmsize_t size) {
    auto* m = static_cast<Memory*>(h);
    if (size <= 0 || m->pos >= m->input.size()) return 0;
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(size), m->input.size() - m->pos);
    std::memcpy(buffer, m->input.data() + m->pos, n);
    m->pos += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t writeProc(thandle_t h, void* buffer, tmsize_t size) {
    auto* m = static_cast<Memory*>(h);
    if (!m->output || size < 0) return -1;
    const auto n = static_cast<std::size_t>(size);
    if (m->pos + n > m->output->size()) m->output->resize(m->pos + n);
    std::memcpy(m->output->data() + m->pos, buffer, n);
    m->pos += n;
    return size;
}

toff_t sizeProc(thandle_t h) {
    auto* m = static_cast<Memory*>(h);
    return m->output ? m->output->size() : m->input.size();
}

toff_t seekProc(thandle_t h, toff_t offset, int whence) {
    auto* m = static_cast<Memory*>(h);
    const std::uint64_t base = whence == SEEK_CUR ? m->pos : whence == SEEK_END ? sizeProc(h) : 0;
    const std::uint64_t target = base + offset;
    // A reader may not seek past the end; a writer may, and the gap is filled on write.
    if (!m->output && target > m->input.size()) return static_cast<toff_t>(-1);
    if (target > (std::uint64_t{1} << 40)) return static_cast<toff_t>(-1);
    m->pos = static_cast<std::size_t>(target);
    return target;
}

int closeProc(thandle_t) {
    return 0;
}
int mapProc(thandle_t, void**, toff_t*) {
    return 0;
}
void unmapProc(thandle_t, void*, toff_t) {}

int errorHandler(TIFF*, void* user, const char*, const char* format, va_list args) {
    auto* m = static_cast<Memory*>(user);
    if (m->error.empty()) {
        char text[256];
        std::vsnprintf(text, sizeof text, format, args);
        m->error = text;
    }
    return 1;
}
int warningHandler(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
using Tiff = std::unique_ptr<TIFF, TiffCloser>;

Tiff openMemory(Memory& memory, const char* mode, std::size_t maxAlloc) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, errorHandler, &memory);
    TIFFOpenOptionsSetWarningHandlerExtR(options, warningHandler, &memory);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(maxAlloc));
    Tiff tiff(TIFFClientOpenExt("memory", mode, &memory, readProc, writeProc, seekProc, closeProc, sizeProc,
                                mapProc, unmapProc, options));
    TIFFOpenOptionsFree(options);
    return tiff;
}

[[noreturn]] void refuse(const Memory& m, const std::string& why) {
    throw DecodeError(std::string("TIFF: ") + (m.error.empty() ? why : m.error));
}

int storedOrientation(TIFF* tiff) {
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
    return orientation >= 1 && orientation <= 8 ? orientation : 1;
}

// 8-bit RGB or RGBA with unassociated alpha, in strips, as this program and most others write
// it: read as stored, since libtiff's RGBA reading premultiplies such alpha and loses a step.
bool readDirect(TIFF* tiff, std::uint32_t width, std::uint32_t height, AlphaImage& image) {
    std::uint16_t bits = 0, samples = 0, photometric = 0, planar = 0, extraCount = 0;
    std::uint16_t* extra = nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
    if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric)) return false;
    const bool rgb = photometric == PHOTOMETRIC_RGB && bits == 8 && planar == PLANARCONFIG_CONTIG;
    const bool plain = samples == 3 && extraCount == 0;
    const bool unassociated = samples == 4 && extraCount == 1 && extra && extra[0] == EXTRASAMPLE_UNASSALPHA;
    if (!rgb || TIFFIsTiled(tiff) || !(plain || unassociated)) return false;
    if (TIFFScanlineSize64(tiff) < std::uint64_t{width} * samples) return false;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize64(tiff)));
    image.color.resetForOverwrite(static_cast<int>(width), static_cast<int>(height), PixelFormat::Device);
    if (unassociated) image.alpha.resize(std::size_t{width} * height);
    auto& words = image.color.pixels();
    for (std::uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tiff, row.data(), y, 0) < 0) throw DecodeError("TIFF: damaged picture data");
        const std::uint8_t* p = row.data();
        for (std::uint32_t x = 0; x < width; ++x, p += samples) {
            const std::size_t at = std::size_t{y} * width + x;
            words[at] = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
            if (unassociated) image.alpha[at] = p[3];
        }
    }
    return true;
}

// Every other layout, through libtiff's RGBA reading. Answers the orientation to apply.
int readRgba(TIFF* tiff, Memory& memory, AlphaImage& image) {
    std::uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tiff, message)) refuse(memory, message);
    TIFFRGBAImage rgba{};
    if (!TIFFRGBAImageBegin(&rgba, tiff, 0, message)) refuse(memory, message);
    // Rows in stored order: the Orientation tag is applied by the caller, rotations included,
    // which libtiff's own handling leaves out.
    const int orientation = rgba.orientation >= 1 && rgba.orientation <= 8 ? rgba.orientation : 1;
    rgba.req_orientation = static_cast<std::uint16_t>(orientation);
    std::vector<std::uint32_t> raster(std::size_t{width} * height);
    const int ok = TIFFRGBAImageGet(&rgba, raster.data(), width, height);
    const bool hasAlpha = rgba.alpha != 0;
    TIFFRGBAImageEnd(&rgba);
    if (!ok) refuse(memory, "damaged picture data");

    image.color.resetForOverwrite(static_cast<int>(width), static_cast<int>(height), PixelFormat::Device);
    auto& words = image.color.pixels();
    if (hasAlpha) image.alpha.resize(raster.size());
    for (std::size_t i = 0; i < raster.size(); ++i) {
        const std::uint32_t p = raster[i];
        std::uint32_t r = TIFFGetR(p), g = TIFFGetG(p), b = TIFFGetB(p);
        const std::uint32_t a = TIFFGetA(p);
        if (hasAlpha) {
            // libtiff hands alpha premultiplied.
            unpremultiply(r, g, b, a);
            image.alpha[i] = static_cast<std::uint8_t>(a);
        }
        words[i] = (r << 16) | (g << 8) | b;
    }
    return orientation;
}

}  // namespace

bool looksLikeTiff(std::span<const std::uint8_t> head) {
    if (head.size() < 4) return false;
    return (head[0] == 'I' && head[1] == 'I' && (head[2] == 42 || head[2] == 43) && head[3] == 0) ||
           (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && (head[3] == 42 || head[3] == 43));
}

AlphaImage decodeTiff(std::span<const std::uint8_t> data, const DecodeLimits& limits, bool turn) {
    Memory memory;
    memory.input = data;
    if (!looksLikeTiff(data)) refuse(memory, "not a TIFF file");
    // No single allocation of libtiff's may pass what the raster itself may take.
    const std::size_t maxAlloc = static_cast<std::size_t>(
        std::min<std::uint64_t>(limits.maxPixels * 4 + (1u << 20), std::uint64_t{1} << 31));
    const Tiff tiff = openMemory(memory, "rm", maxAlloc);
    if (!tiff) refuse(memory, "damaged header");
    std::uint32_t width = 0, height = 0;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    checkDimensions(kFormat, width, height, limits);
    AlphaImage image;
    const int orientation = readDirect(tiff.get(), width, height, image)
                                ? storedOrientation(tiff.get())
                                : readRgba(tiff.get(), memory, image);
    if (turn) applyOrientation(image, orientation);
    return image;
}

std::vector<std::uint8_t> encodeTiff(const Bitmap& color, std::span<const std::uint8_t> alpha) {
    if (color.empty()) throw ImageError("TIFF: nothing to write");
    const auto w = static_cast<std::uint32_t>(color.width()), h = static_cast<std::uint32_t>(color.height());
    const bool withAlpha = alpha.size() == std::size_t{w} * h;
    const std::uint16_t channels = withAlpha ? 4 : 3;
    std::vector<std::uint8_t> bytes;
    Memory memory;
    memory.output = &bytes;
    {
        const Tiff tiff = openMemory(memory, "w", 0);
        if (!tiff) throw ImageError("TIFF: " + memory.error);
        TIFF* t = tiff.get();
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, channels);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(t, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        if (withAlpha) {
            const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
            TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, extra);
        }
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));
        std::vector<std::uint8_t> row(std::size_t{w} * channels);
        for (std::uint32_t y = 0; y < h; ++y) {
            std::size_t at = 0;
            for (std::uint32_t x = 0; x < w; ++x) {
                const Color c = color.pixel(static_cast<int>(x), static_cast<int>(y));
                row[at++] = c.r, row[at++] = c.g, row[at++] = c.b;
                if (withAlpha) row[at++] = alpha[std::size_t{y} * w + x];
            }
            if (TIFFWriteScanline(t, row.data(), y, 0) < 0) throw ImageError("TIFF: " + memory.error);
        }
    }
    if (!memory.error.empty()) throw ImageError("TIFF: " + memory.error);
    return bytes;
}

}  // namespace vexilo
