#include "codecs/jpeg_codec.h"

#include <algorithm>
#include <bit>
#include <limits>

#include "base/errors.h"
#include "base/file_io.h"
#include "codecs/jpeg_guard.h"

namespace vexilo {

namespace {

using jpeg::ErrorTrap;

// libjpeg-turbo writes 0xFF into the X byte; rasters keep the alpha byte of an opaque colour at 0.
constexpr std::uint32_t kRgbMask = 0x00FFFFFFu;
// Rows decoded per call into the raster: few enough to still be in cache when the alpha byte
// is cleared.
constexpr std::size_t kRowBatch = 16;

// The colour space that puts pixels straight into a raster's 0xAARRGGBB words.
constexpr J_COLOR_SPACE kWordColorSpace =
    std::endian::native == std::endian::little ? JCS_EXT_BGRX : JCS_EXT_XRGB;

struct ScanLimit {  // a progress monitor that also stops files with endless scans
    jpeg_progress_mgr pub{};
    int maxScans = TJPEGImage::kMaxScans;
};

void watchScans(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    auto* limit = reinterpret_cast<ScanLimit*>(cinfo->progress);
    if (d->input_scan_number > limit->maxScans)
        ErrorTrap::fail(cinfo, "JPEG: more than 1000 scans in one image");
}

// A destination that grows a vector; the data stays ours whatever happens.
struct VectorDestination {
    jpeg_destination_mgr pub{};
    std::vector<std::uint8_t>* out = nullptr;
};

constexpr std::size_t kInitialOutput = 64 * 1024;

void initDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    bool ok = true;
    try {
        dest->out->assign(kInitialOutput, 0);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (!ok)
        ErrorTrap::fail(reinterpret_cast<j_common_ptr>(cinfo), "JPEG: out of memory for the compressed data");
    dest->pub.next_output_byte = dest->out->data();
    dest->pub.free_in_buffer = dest->out->size();
}

boolean growDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    const std::size_t used = dest->out->size();
    bool ok = true;
    try {
        dest->out->resize(used * 2);
    } catch (const std::exception&) {
        ok = false;
    }
    if (!ok)
        ErrorTrap::fail(reinterpret_cast<j_common_ptr>(cinfo), "JPEG: out of memory for the compressed data");
    dest->pub.next_output_byte = dest->out->data() + used;
    dest->pub.free_in_buffer = dest->out->size() - used;
    return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<VectorDestination*>(cinfo->dest);
    dest->out->resize(dest->out->size() - dest->pub.free_in_buffer);  // shrinking never throws
}

// Adobe writes CMYK inverted (0 = full ink); other writers store it plainly.
inline std::uint32_t cmykToWord(const JSAMPLE* p, bool inverted) {
    unsigned c = p[0], m = p[1], y = p[2], k = p[3];
    if (!inverted) {
        c = 255 - c;
        m = 255 - m;
        y = 255 - y;
        k = 255 - k;
    }
    const auto r = (c * k + 127) / 255, g = (m * k + 127) / 255, b = (y * k + 127) / 255;
    return (r << 16) | (g << 8) | b;
}

}  // namespace

TJPEGImage::TJPEGImage() = default;

void TJPEGImage::dropDecoded() {
    if (m_bitmapFromData) {
        m_bitmap.reset();
        m_bitmapFromData = false;
    }
}

void TJPEGImage::setPixelFormat(JpegPixelFormat format) {
    if (format != m_pixelFormat) dropDecoded();
    m_pixelFormat = format;
}

void TJPEGImage::setGrayscale(bool on) {
    if (on != m_grayscale) dropDecoded();
    m_grayscale = on;
}

void TJPEGImage::setPerformance(JpegPerformance p) {
    if (p != m_performance) dropDecoded();
    m_performance = p;
}

void TJPEGImage::setScale(int scale) {
    scale = std::clamp(scale, 0, 3);
    setScaleEighths(8 >> scale);
}

void TJPEGImage::setScaleEighths(int eighths) {
    eighths = std::clamp(eighths, 1, 8);
    if (eighths != m_eighths) dropDecoded();
    m_eighths = eighths;
    m_scale = 0;
    while (m_scale < 3 && (8 >> (m_scale + 1)) >= eighths) ++m_scale;
}

void TJPEGImage::setSmoothing(bool on) {
    if (on != m_smoothing) dropDecoded();
    m_smoothing = on;
}

void TJPEGImage::applyOptions(const JpegOptions& options) {
    setCompressionQuality(options.CompressionQuality);
    setPixelFormat(options.PixelFormat == 1 ? JpegPixelFormat::Bits8 : JpegPixelFormat::Bits24);
    setGrayscale(options.Grayscale);
    setProgressiveEncoding(options.ProgressiveEncoding);
}

void TJPEGImage::loadFromFile(const std::string& path) {
    loadFromBytes(readFileBytes(path));
}

void TJPEGImage::loadFromBytes(std::vector<std::uint8_t> data) {
    readHeader(data);
    m_data = std::move(data);
}

void TJPEGImage::loadFromView(std::span<const std::uint8_t> data) {
    readHeader(data);
    m_view = data;
}

void TJPEGImage::readHeader(std::span<const std::uint8_t> data) {
    m_bitmap.reset();
    m_bitmapFromData = false;
    m_data.clear();
    m_view = {};
    m_dataWidth = m_dataHeight = 0;

    jpeg::Decompressor d;
    bool multiScan = false;
    d.trap().run([&] {
        jpeg_mem_src(d.get(), data.data(), static_cast<unsigned long>(data.size()));
        jpeg_read_header(d.get(), TRUE);
        multiScan = jpeg_has_multiple_scans(d.get()) != 0;
    });
    checkDimensions("JPEG", d->image_width, d->image_height, m_limits);
    m_dataWidth = static_cast<int>(d->image_width);
    m_dataHeight = static_cast<int>(d->image_height);
    m_fileGray = d->jpeg_color_space == JCS_GRAYSCALE;
    m_fileCmyk = d->jpeg_color_space == JCS_CMYK || d->jpeg_color_space == JCS_YCCK;
    m_grayscale = m_fileGray;
    m_progressive = multiScan;
}

void TJPEGImage::assign(const Bitmap& bitmap) {
    m_bitmap = bitmap;
    m_bitmapFromData = false;
    m_data.clear();
    m_view = {};
    m_dataWidth = m_dataHeight = 0;
}

int TJPEGImage::width() const {
    if (m_bitmap) return m_bitmap->width();
    return (m_dataWidth * m_eighths + 7) / 8;
}

int TJPEGImage::height() const {
    if (m_bitmap) return m_bitmap->height();
    return (m_dataHeight * m_eighths + 7) / 8;
}

void TJPEGImage::setSize(int, int) {
    throw ImageError("Cannot change the size of a JPEG image");
}

bool TJPEGImage::quantizes() const {
    return !m_fileCmyk && (m_pixelFormat == JpegPixelFormat::Bits8 || m_grayscale || m_fileGray);
}

const Bitmap& TJPEGImage::bitmap() {
    if (!m_bitmap) {
        if (source().empty()) throw ImageError("JPEG: the image is empty");
        Bitmap out(0, 0, PixelFormat::Bpp24);
        decode(out);
        m_bitmap = std::move(out);
        m_bitmapFromData = true;
    }
    return *m_bitmap;
}

void TJPEGImage::drawInto(Bitmap& target) {
    const PixelFormat f = target.pixelFormat();
    const bool wordsMatch = f == PixelFormat::Device || f == PixelFormat::Bpp24 || f == PixelFormat::Bpp32;
    if (!m_bitmap && !source().empty() && wordsMatch && !quantizes()) {
        // An opaque picture covering the whole raster: decoding straight into the raster's
        // words gives the same pixels as drawing, without a second copy.
        Bitmap out(0, 0, f);
        out.setPalette(target.palette());
        out.setTransparent(target.transparent());
        out.setTransparentColor(target.transparentColor());
        decode(out);
        target = std::move(out);
        return;
    }
    const Bitmap& image = bitmap();
    Bitmap out = target;
    out.setSize(image.width(), image.height());
    out.draw(image);
    target = std::move(out);
}

void TJPEGImage::decode(Bitmap& out) {
    jpeg::Decompressor d;
    ScanLimit scanLimit;
    scanLimit.pub.progress_monitor = watchScans;
    d->progress = &scanLimit.pub;
    d.trap().run([&] {
        const auto data = source();
        jpeg_mem_src(d.get(), data.data(), static_cast<unsigned long>(data.size()));
        jpeg_read_header(d.get(), TRUE);
    });

    d->scale_num = static_cast<unsigned>(m_eighths);
    d->scale_denom = 8;
    d->do_block_smoothing = m_smoothing ? TRUE : FALSE;
    if (m_performance == JpegPerformance::BestSpeed) {
        d->dct_method = JDCT_IFAST;
        d->do_fancy_upsampling = FALSE;
        d->two_pass_quantize = FALSE;
        d->dither_mode = JDITHER_ORDERED;
    }
    const bool cmyk = m_fileCmyk;
    if (m_grayscale && !cmyk) d->out_color_space = JCS_GRAYSCALE;
    const bool quantize = quantizes();
    if (quantize) {
        d->quantize_colors = TRUE;
        d->desired_number_of_colors = kQuantizedColors;
        if (d->out_color_space != JCS_GRAYSCALE) d->out_color_space = JCS_RGB;
    } else if (cmyk) {
        d->out_color_space = JCS_CMYK;
    } else {
        d->out_color_space = kWordColorSpace;
    }
    d.trap().run([&] { jpeg_calc_output_dimensions(d.get()); });
    checkDimensions("JPEG", d->output_width, d->output_height, m_limits);
    // Whole-image buffers (progressive coefficients, two-pass quantising) stay within the
    // limits; beyond this libjpeg fails instead of asking for more.
    const std::uint64_t budget = std::min<std::uint64_t>(m_limits.maxPixels * 24 + (std::uint64_t{64} << 20),
                                                         std::numeric_limits<long>::max());
    d->mem->max_memory_to_use = static_cast<long>(budget);
    d.trap().run([&] { jpeg_start_decompress(d.get()); });

    const int w = static_cast<int>(d->output_width), h = static_cast<int>(d->output_height);
    const auto uw = static_cast<std::size_t>(w);
    if (quantize) {
        const int count = std::clamp(d->actual_number_of_colors, 0, 256);
        std::vector<Color> palette(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            if (d->out_color_components == 1) {
                const auto v = static_cast<std::uint8_t>(d->colormap[0][i]);
                palette[static_cast<std::size_t>(i)] = {v, v, v};
            } else {
                palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(d->colormap[0][i]),
                                                        static_cast<std::uint8_t>(d->colormap[1][i]),
                                                        static_cast<std::uint8_t>(d->colormap[2][i])};
            }
        }
        out = Bitmap(0, 0, PixelFormat::Bpp8);
        out.setPalette(std::move(palette));
        out.setSize(w, h);
        std::vector<JSAMPLE> line(uw);
        JSAMPROW linePtr = line.data();
        d.trap().run([&] {
            while (d->output_scanline < d->output_height) {
                const auto y = static_cast<int>(d->output_scanline);
                jpeg_read_scanlines(d.get(), &linePtr, 1);
                auto row = out.row(y);
                for (std::size_t x = 0; x < uw; ++x) row[x] = line[x];
            }
        });
    } else if (cmyk) {
        out.setSize(w, h);
        std::vector<JSAMPLE> line(uw * 4);
        JSAMPROW linePtr = line.data();
        const bool inverted = d->saw_Adobe_marker != 0;
        d.trap().run([&] {
            while (d->output_scanline < d->output_height) {
                const auto y = static_cast<int>(d->output_scanline);
                jpeg_read_scanlines(d.get(), &linePtr, 1);
                auto row = out.row(y);
                for (std::size_t x = 0; x < uw; ++x) row[x] = cmykToWord(&line[x * 4], inverted);
            }
        });
    } else {
        // Every row is decoded into the raster's words, so they are not filled first.
        {
            const bool transparent = out.transparent();
            const Color key = out.transparentColor();
            std::vector<Color> palette = out.palette();
            out.resetForOverwrite(w, h, out.pixelFormat());
            out.setPalette(std::move(palette));
            out.setTransparent(transparent);
            out.setTransparentColor(key);
        }
        std::vector<JSAMPROW> rows(static_cast<std::size_t>(h));
        for (int y = 0; y < h; ++y)
            rows[static_cast<std::size_t>(y)] = reinterpret_cast<JSAMPROW>(out.row(y).data());
        std::uint32_t* const words = out.pixels().data();
        d.trap().run([&] {
            while (d->output_scanline < d->output_height) {
                const JDIMENSION first = d->output_scanline;
                const JDIMENSION want =
                    std::min<JDIMENSION>(static_cast<JDIMENSION>(kRowBatch), d->output_height - first);
                JDIMENSION got = 0;
                while (got < want) {
                    const JDIMENSION n = jpeg_read_scanlines(d.get(), rows.data() + first + got, want - got);
                    if (n == 0) break;
                    got += n;
                }
                std::uint32_t* p = words + static_cast<std::size_t>(first) * uw;
                std::uint32_t* const end = p + static_cast<std::size_t>(got) * uw;
                for (; p != end; ++p) *p &= kRgbMask;
                if (got == 0) break;
            }
        });
        // Rows the library never delivered show the canvas background.
        std::fill(words + static_cast<std::size_t>(d->output_scanline) * uw,
                  words + static_cast<std::size_t>(h) * uw, out.encode(kWhite));
    }
}

const std::vector<std::uint8_t>& TJPEGImage::data() {
    if (m_data.empty() && !m_view.empty()) m_data.assign(m_view.begin(), m_view.end());
    if (m_data.empty()) compress();
    return m_data;
}

void TJPEGImage::compress() {
    if (!m_bitmap || m_bitmap->empty()) throw ImageError("JPEG: cannot write an image without pixels");
    const Bitmap& src = *m_bitmap;
    std::vector<std::uint8_t> out;
    jpeg::Compressor c;
    VectorDestination dest;
    dest.out = &out;
    dest.pub.init_destination = initDestination;
    dest.pub.empty_output_buffer = growDestination;
    dest.pub.term_destination = termDestination;
    c->dest = &dest.pub;
    c->image_width = static_cast<JDIMENSION>(src.width());
    c->image_height = static_cast<JDIMENSION>(src.height());
    c->input_components = 3;
    c->in_color_space = JCS_RGB;
    const int quality = std::clamp(m_quality, 1, 100);
    const auto uw = static_cast<std::size_t>(src.width());
    std::vector<JSAMPLE> line(uw * 3);
    JSAMPROW linePtr = line.data();
    const bool gray = m_grayscale, progressive = m_progressive;
    c.trap().run([&] {
        jpeg_set_defaults(c.get());
        jpeg_set_quality(c.get(), quality, TRUE);
        if (gray) jpeg_set_colorspace(c.get(), JCS_GRAYSCALE);
        if (progressive) jpeg_simple_progression(c.get());
        jpeg_start_compress(c.get(), TRUE);
        // Every source format goes through 24-bit colour rows.
        while (c->next_scanline < c->image_height) {
            const auto row = src.row(static_cast<int>(c->next_scanline));
            JSAMPLE* o = line.data();
            if (isIndexed(src.pixelFormat())) {
                for (std::size_t x = 0; x < uw; ++x, o += 3) {
                    const Color col = src.colorOf(row[x]);
                    o[0] = col.r;
                    o[1] = col.g;
                    o[2] = col.b;
                }
            } else {
                // Direct formats hold the colour itself as 0xAARRGGBB.
                for (std::size_t x = 0; x < uw; ++x, o += 3) {
                    const std::uint32_t w = row[x];
                    o[0] = static_cast<JSAMPLE>(w >> 16);
                    o[1] = static_cast<JSAMPLE>(w >> 8);
                    o[2] = static_cast<JSAMPLE>(w);
                }
            }
            jpeg_write_scanlines(c.get(), &linePtr, 1);
        }
        jpeg_finish_compress(c.get());
    });
    m_data = std::move(out);
}

void TJPEGImage::saveToFile(const std::string& path) {
    writeFileAtomic(path, data());
}

}  // namespace vexilo
