#include "codecs/png_pixels.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

#include "base/checked_math.h"

namespace vexilo::png {

namespace {

struct Pass {
    std::uint32_t startRow, startColumn, rowStep, columnStep;
};
constexpr std::array<Pass, 7> kAdam7{
    {{0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4}, {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1}}};
constexpr Pass kWhole{0, 0, 1, 1};

std::uint32_t passExtent(std::uint32_t size, std::uint32_t start, std::uint32_t step) {
    return size > start ? (size - start + step - 1) / step : 0;
}

// zlib inflate over the whole IDAT data, always ended.
class Inflater {
public:
    explicit Inflater(const std::vector<std::uint8_t>& input) {
        if (inflateInit(&m_z) != Z_OK) throw EPNGImageException("The zlib decompressor could not start.");
        m_z.next_in = const_cast<Bytef*>(input.data());
        // IDAT data comes out of a file read whole, which stays far below 4 GiB.
        m_z.avail_in =
            static_cast<uInt>(std::min<std::size_t>(input.size(), std::numeric_limits<uInt>::max()));
    }
    ~Inflater() { inflateEnd(&m_z); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Fills exactly n bytes or throws: a stream that ends early is an error, and nothing is
    // ever written past the n bytes asked for.
    void read(std::uint8_t* out, std::size_t n) {
        m_z.next_out = out;
        m_z.avail_out = static_cast<uInt>(n);
        while (m_z.avail_out > 0) {
            if (m_ended) throw EPNGImageException("The image data ends before the last row.");
            const int r = inflate(&m_z, Z_NO_FLUSH);
            if (r == Z_STREAM_END)
                m_ended = true;
            else if (r == Z_BUF_ERROR)
                throw EPNGImageException("The image data ends before the last row.");
            else if (r != Z_OK)
                throw EPNGImageException(std::string("The image data is damaged (zlib: ") +
                                         (m_z.msg ? m_z.msg : "error " + std::to_string(r)) + ").");
        }
    }

private:
    z_stream m_z{};
    bool m_ended = false;
};

// The whole stream in one call, when it inflates to exactly `size` bytes. Anything else (a
// short stream, data after the last row, damage anywhere, even in the checksum past the rows)
// answers null, and the stream reader decides as it always did, with its own messages: the
// two paths never disagree on a file, and the work stays bounded by `size`.
std::unique_ptr<std::uint8_t[]> inflateWhole(const std::vector<std::uint8_t>& input, std::size_t size) {
    struct Free {
        void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
    };
    const std::unique_ptr<libdeflate_decompressor, Free> d(libdeflate_alloc_decompressor());
    if (!d) return nullptr;
    auto out = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    std::size_t got = 0;
    const auto r = libdeflate_zlib_decompress(d.get(), input.data(), input.size(), out.get(), size, &got);
    return r == LIBDEFLATE_SUCCESS && got == size ? std::move(out) : nullptr;
}

// zlib deflate at the default level, always ended.
class Deflater {
public:
    explicit Deflater(std::vector<std::uint8_t>& out) : m_out(out) {
        if (deflateInit(&m_z, Z_DEFAULT_COMPRESSION) != Z_OK)
            throw ImageError("PNG: zlib compressor could not start");
    }
    ~Deflater() { deflateEnd(&m_z); }
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    std::size_t bound(std::size_t n) { return deflateBound(&m_z, static_cast<uLong>(n)); }
    void write(const std::uint8_t* data, std::size_t n, bool finish) {
        m_z.next_in = const_cast<Bytef*>(data);
        m_z.avail_in = static_cast<uInt>(n);
        for (;;) {
            if (m_out.size() - m_used < 65536)
                m_out.resize(m_used + std::max<std::size_t>(65536, m_out.size() / 2));
            m_z.next_out = m_out.data() + m_used;
            m_z.avail_out = static_cast<uInt>(std::min<std::size_t>(m_out.size() - m_used, 1u << 30));
            const uInt before = m_z.avail_out;
            const int r = deflate(&m_z, finish ? Z_FINISH : Z_NO_FLUSH);
            m_used += before - m_z.avail_out;
            if (r == Z_STREAM_END) break;
            if (r != Z_OK && r != Z_BUF_ERROR) throw ImageError("PNG: zlib compression failed");
            if (!finish && m_z.avail_in == 0 && m_z.avail_out > 0) break;
        }
    }
    void done() { m_out.resize(m_used); }

private:
    z_stream m_z{};
    std::vector<std::uint8_t>& m_out;
    std::size_t m_used = 0;
};

// The predictor with the distances computed from the differences, free of branches the
// compiler cannot turn into selects.
inline std::uint8_t paethFast(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    const int ab = pb < pa ? b : a;
    const int pab = pb < pa ? pb : pa;
    return static_cast<std::uint8_t>(pc < pab ? c : ab);
}

inline std::uint8_t paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return static_cast<std::uint8_t>(a);
    if (pb <= pc) return static_cast<std::uint8_t>(b);
    return static_cast<std::uint8_t>(c);
}

// Sub, Average and Paeth for whole pixels of B bytes: the channels are independent, so keeping
// the left pixel in registers lets them run side by side. The filter type is fixed per call so
// that the inner loop holds no branch.
template <std::size_t B, int Type>
void unfilterRun(std::uint8_t* row, const std::uint8_t* prev, std::size_t n) {
    std::array<int, B> left{}, upLeft{};
    auto channel = [&](std::size_t i, std::size_t c) {
        const int up = prev[i + c];
        int v = row[i + c];
        if constexpr (Type == 1)
            v += left[c];
        else if constexpr (Type == 3)
            v += (left[c] + up) >> 1;
        else
            v += paethFast(left[c], up, upLeft[c]);
        v &= 0xFF;
        row[i + c] = static_cast<std::uint8_t>(v);
        left[c] = v;
        if constexpr (Type == 4) upLeft[c] = up;
    };
    // The channels spelled out, so that the left pixel lives in registers.
    for (std::size_t i = 0; i < n; i += B) [&]<std::size_t... C>(std::index_sequence<C...>) {
            (channel(i, C), ...);
        }
    (std::make_index_sequence<B>{});
}

template <std::size_t B>
bool unfilterPixels(std::uint8_t type, std::uint8_t* row, const std::uint8_t* prev, std::size_t n) {
    if (n % B != 0) return false;
    switch (type) {
        case 1:
            unfilterRun<B, 1>(row, prev, n);
            return true;
        case 3:
            unfilterRun<B, 3>(row, prev, n);
            return true;
        case 4:
            unfilterRun<B, 4>(row, prev, n);
            return true;
        default:
            return false;
    }
}

void unfilter(std::uint8_t type, std::uint8_t* row, const std::uint8_t* prev, std::size_t n,
              std::size_t bpp) {
    if (bpp == 3 && unfilterPixels<3>(type, row, prev, n)) return;
    if (bpp == 4 && unfilterPixels<4>(type, row, prev, n)) return;
    switch (type) {
        case 0:
            break;
        case 1:
            for (std::size_t i = bpp; i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + row[i - bpp]);
            break;
        case 2:
            for (std::size_t i = 0; i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + prev[i]);
            break;
        case 3:
            for (std::size_t i = 0; i < std::min(bpp, n); ++i)
                row[i] = static_cast<std::uint8_t>(row[i] + (prev[i] >> 1));
            for (std::size_t i = bpp; i < n; ++i)
                row[i] = static_cast<std::uint8_t>(row[i] + ((row[i - bpp] + prev[i]) >> 1));
            break;
        case 4:
            for (std::size_t i = 0; i < std::min(bpp, n); ++i)
                row[i] = static_cast<std::uint8_t>(row[i] + prev[i]);
            for (std::size_t i = bpp; i < n; ++i)
                row[i] = static_cast<std::uint8_t>(row[i] + paethFast(row[i - bpp], prev[i], prev[i - bpp]));
            break;
        default:
            throw EPNGImageException(
                "The image could not be loaded because it uses an unknown set of filter types.");
    }
}

bool validDepth(int colorType, int depth) {
    switch (colorType) {
        case 0:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        case 3:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        default:
            return depth == 8 || depth == 16;
    }
}

// Rounds half away from zero, as the platform's MulDiv does.
int mulDiv(int a, int b, int c) {
    return (2 * a * b + c) / (2 * c);
}

const std::array<std::uint8_t, 256>& identityTable() {
    static const std::array<std::uint8_t, 256> table = [] {
        std::array<std::uint8_t, 256> t{};
        for (int i = 0; i < 256; ++i) t[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
        return t;
    }();
    return table;
}

// What one decoded row turns into: raster words (and alpha bytes when asked for).
struct RowConverter {
    int colorType = 0, depth = 8;
    const std::uint8_t* gamma = nullptr;  // 256 entries, identity without gAMA
    bool keyed = false;                   // tRNS key colour / grey for alpha
    std::uint32_t keyGrey = 0, keyR = 0, keyG = 0, keyB = 0;
    std::array<std::uint8_t, 256> paletteAlpha{};

    void convert(const std::uint8_t* s, std::uint32_t count, std::uint32_t* out, std::uint8_t* alpha,
                 std::uint32_t x0, std::uint32_t step) const {
        std::size_t x = x0;
        const auto* g = gamma;
        switch (colorType) {
            case 0:
            case 3:
                if (depth < 8) {
                    const unsigned mask = (1u << depth) - 1;
                    const unsigned d = static_cast<unsigned>(depth);
                    for (std::uint32_t k = 0; k < count; ++k, x += step) {
                        const std::size_t bit = std::size_t{k} * d;
                        const unsigned v = (s[bit >> 3] >> (8 - d - (bit & 7))) & mask;
                        // 2-bit samples become 4-bit pixels 0, 5, 10, 15; the palette repeats
                        // its first four entries so that they still name entries 0-3.
                        out[x] = depth == 2 ? v * 5 : v;
                        if (alpha) alpha[x] = alphaOf(v);
                    }
                } else if (depth == 8) {
                    for (std::uint32_t k = 0; k < count; ++k, x += step) {
                        out[x] = s[k];
                        if (alpha) alpha[x] = alphaOf(s[k]);
                    }
                } else {
                    for (std::uint32_t k = 0; k < count; ++k, x += step) {
                        out[x] = s[2 * k];
                        if (alpha) alpha[x] = alphaOf((unsigned(s[2 * k]) << 8) | s[2 * k + 1]);
                    }
                }
                break;
            case 4:
                if (depth == 8) {
                    for (std::uint32_t k = 0; k < count; ++k, x += step) {
                        out[x] = s[2 * k];
                        if (alpha) alpha[x] = s[2 * k + 1];
                    }
                } else {
                    for (std::uint32_t k = 0; k < count; ++k, x += step) {
                        out[x] = s[4 * k];
                        if (alpha) alpha[x] = s[4 * k + 2];
                    }
                }
                break;
            case 2:
                if (depth == 8 && !alpha && step == 1 && g == identityTable().data()) {
                    // The common photo: no gamma, no key colour, one row in order.
                    for (std::uint32_t k = 0; k < count; ++k) {
                        const std::uint8_t* p = s + 3 * std::size_t{k};
                        out[x + k] = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
                    }
                } else if (depth == 8) {
                    for (std::uint32_t k = 0; k < count; ++k, x += step) {
                        const std::uint8_t* p = s + 3 * std::size_t{k};
                        out[x] = (std::uint32_t{g[p[0]]} << 16) | (std::uint32_t{g[p[1]]} << 8) | g[p[2]];
                        if (alpha) alpha[x] = keyed && p[0] == keyR && p[1] == keyG && p[2] == keyB ? 0 : 255;
                    }
                } else {
                    for (std::uint32_t k = 0; k < count; ++k, x += step) {
                        const std::uint8_t* p = s + 6 * std::size_t{k};
                        out[x] = (std::uint32_t{g[p[0]]} << 16) | (std::uint32_t{g[p[2]]} << 8) | g[p[4]];
                        if (alpha) {
                            const unsigned r = (unsigned(p[0]) << 8) | p[1],
                                           gg = (unsigned(p[2]) << 8) | p[3],
                                           b = (unsigned(p[4]) << 8) | p[5];
                            alpha[x] = keyed && r == keyR && gg == keyG && b == keyB ? 0 : 255;
                        }
                    }
                }
                break;
            case 6:
                if (depth == 8) {
                    for (std::uint32_t k = 0; k < count; ++k, x += step) {
                        const std::uint8_t* p = s + 4 * std::size_t{k};
                        out[x] = (std::uint32_t{g[p[0]]} << 16) | (std::uint32_t{g[p[1]]} << 8) | g[p[2]];
                        if (alpha) alpha[x] = p[3];
                    }
                } else {
                    for (std::uint32_t k = 0; k < count; ++k, x += step) {
                        const std::uint8_t* p = s + 8 * std::size_t{k};
                        out[x] = (std::uint32_t{g[p[0]]} << 16) | (std::uint32_t{g[p[2]]} << 8) | g[p[4]];
                        if (alpha) alpha[x] = p[6];
                    }
                }
                break;
        }
    }

    std::uint8_t alphaOf(unsigned sample) const {
        if (colorType == 3) return paletteAlpha[sample & 0xFF];
        return keyed && sample == keyGrey ? 0 : 255;
    }
};

}  // namespace

void decodeImageData(TPNGImage& image, const TChunkIHDR& header, const TChunk* palette,
                     const TChunkGAMA* gamma, const TChunk* transparency,
                     const std::vector<std::uint8_t>& idat) {
    const int colorType = header.colorType();
    const int depth = header.bitDepth();
    const int channels = pngChannelCount(colorType);
    if (channels == 0)
        throw EPNGImageException("Could not read the image because it has an unknown color type.");
    if (!validDepth(colorType, depth))
        throw EPNGImageException("The bit depth " + std::to_string(depth) + " is not valid for color type " +
                                 std::to_string(colorType) + ".");
    if (header.interlaceMethod() > 1) throw EPNGImageException("The image has an unknown interlace method.");
    const std::uint32_t width = header.width(), height = header.height();
    try {
        checkDimensions("PNG", width, height, image.limits());
    } catch (const LimitError&) {
        throw;
    } catch (const DecodeError& e) {
        throw EPNGImageException(e.what());
    }

    const std::array<std::uint8_t, 256>& table = gamma ? gamma->forward() : identityTable();
    PixelFormat format = PixelFormat::Bpp24;
    std::vector<Color> colours;
    if (colorType == 0 || colorType == 4) {
        format = depth == 1 ? PixelFormat::Bpp1 : depth <= 4 ? PixelFormat::Bpp4 : PixelFormat::Bpp8;
        const int n = depth >= 8 ? 256 : 1 << depth;
        for (int i = 0; i < n; ++i) {
            const auto level = table[static_cast<std::size_t>(mulDiv(i, 255, n - 1))];
            colours.push_back({level, level, level});
        }
    } else if (colorType == 3) {
        format = depth == 1 ? PixelFormat::Bpp1 : depth <= 4 ? PixelFormat::Bpp4 : PixelFormat::Bpp8;
        if (!palette)
            throw EPNGImageException("The current image requeries a palette but it is not avaliable.");
        const auto& d = palette->data();
        if (d.size() % 3 != 0)
            throw EPNGImageException("The current image being loaded has an invalid palette!");
        if (d.size() / 3 > 256)
            throw EPNGImageException("The palette holds " + std::to_string(d.size() / 3) +
                                     " entries; a PNG palette holds at most 256.");
        for (std::size_t i = 0; i + 2 < d.size(); i += 3)
            colours.push_back({table[d[i]], table[d[i + 1]], table[d[i + 2]]});
    }
    if (depth == 2 && colours.size() < 16) {
        std::array<Color, 4> first{};
        for (std::size_t i = 0; i < 4 && i < colours.size(); ++i) first[i] = colours[i];
        colours.resize(16);
        for (std::size_t i = 0; i < 16; ++i) colours[i] = first[i % 4];
    }
    if (isIndexed(format)) colours.resize(std::min(colours.size(), std::size_t{1} << bitsPerPixel(format)));

    RowConverter conv;
    conv.colorType = colorType;
    conv.depth = depth;
    conv.gamma = table.data();
    conv.paletteAlpha.fill(255);
    bool hasAlpha = colorType == 4 || colorType == 6;
    if (transparency) {
        const auto& t = transparency->data();
        if (colorType == 3 && !t.empty()) {
            for (std::size_t i = 0; i < t.size() && i < 256; ++i) conv.paletteAlpha[i] = t[i];
            hasAlpha = true;
        } else if (colorType == 0 && t.size() >= 2) {
            conv.keyed = hasAlpha = true;
            conv.keyGrey = (unsigned(t[0]) << 8) | t[1];
        } else if (colorType == 2 && t.size() >= 6) {
            conv.keyed = hasAlpha = true;
            conv.keyR = (unsigned(t[0]) << 8) | t[1];
            conv.keyG = (unsigned(t[2]) << 8) | t[3];
            conv.keyB = (unsigned(t[4]) << 8) | t[5];
        }
    }

    Bitmap& raster = image;
    // Every pixel is written by the rows (of all seven passes when interlaced); a stream that
    // ends early throws before the raster is used.
    raster.resetForOverwrite(static_cast<int>(width), static_cast<int>(height), format);
    if (isIndexed(format)) raster.setPalette(colours);
    auto& alphaPlane = image.alphaPlane();
    alphaPlane.clear();
    const bool keepAlpha = image.keepsAlpha() && hasAlpha;
    if (keepAlpha) alphaPlane.assign(std::size_t{width} * height, 255);

    const std::size_t distance = std::max(1, depth * channels / 8);
    auto rowBytes = [&](std::uint32_t w) -> std::size_t {
        const std::uint64_t bits =
            std::uint64_t{w} * static_cast<std::uint64_t>(depth) * static_cast<std::uint64_t>(channels);
        return static_cast<std::size_t>((bits + 7) / 8);
    };
    const bool interlaced = header.interlaceMethod() == 1;
    const std::span<const Pass> passes =
        interlaced ? std::span<const Pass>(kAdam7) : std::span<const Pass>(&kWhole, 1);
    const auto& progress = image.OnProgress;
    // Unfilters one row in place (`prev` is the row above, unfiltered) and converts it.
    auto finishRow = [&](std::uint8_t* row, const std::uint8_t* prev, const Pass& pass, std::uint32_t pw,
                         std::size_t n, std::uint32_t indexInPass) {
        const std::uint32_t y = pass.startRow + indexInPass * pass.rowStep;
        unfilter(row[0], row + 1, prev, n, distance);
        conv.convert(row + 1, pw, raster.row(static_cast<int>(y)).data(),
                     keepAlpha ? alphaPlane.data() + std::size_t{y} * width : nullptr, pass.startColumn,
                     pass.columnStep);
        if (!interlaced && progress)
            progress(ProgressStage::Running, "Drawing...", static_cast<int>(std::uint64_t{y} * 100 / height),
                     Rect{0, static_cast<int>(y), static_cast<int>(width), static_cast<int>(y) + 1});
    };
    auto passDone = [&](std::size_t p) {
        if (interlaced && progress)
            progress(ProgressStage::Running, "Drawing...", static_cast<int>(100 * p / 6),
                     Rect{0, 0, static_cast<int>(width), static_cast<int>(height)});
    };
    const std::size_t fullRow = rowBytes(width) + 1;
    std::vector<std::uint8_t> above(fullRow);  // zeros: the row above the first of a pass

    // The exact size of the filtered rows of every pass, from the header alone.
    std::optional<std::size_t> total = 0;
    for (const Pass& pass : passes) {
        const std::uint32_t pw = passExtent(width, pass.startColumn, pass.columnStep);
        const std::uint32_t ph = passExtent(height, pass.startRow, pass.rowStep);
        if (pw == 0 || ph == 0 || !total) continue;
        const auto bytes = checkedMul(ph, rowBytes(pw) + 1);
        total = bytes ? checkedAdd(*total, *bytes) : std::nullopt;
    }
    // Deflate cannot expand data more than 1032 times: a stream too small for the rows is
    // short, and the stream reader says so without the buffer ever being allocated.
    const auto mostInflated = checkedMul(idat.size(), 1032);
    if (total && *total <= image.WholeInflateLimit && (!mostInflated || *mostInflated >= *total)) {
        if (const auto whole = inflateWhole(idat, *total)) {
            std::uint8_t* at = whole.get();
            for (std::size_t p = 0; p < passes.size(); ++p) {
                const Pass& pass = passes[p];
                const std::uint32_t pw = passExtent(width, pass.startColumn, pass.columnStep);
                const std::uint32_t ph = passExtent(height, pass.startRow, pass.rowStep);
                if (pw > 0 && ph > 0) {
                    const std::size_t n = rowBytes(pw);
                    const std::uint8_t* prev = above.data() + 1;
                    for (std::uint32_t i = 0; i < ph; ++i, at += n + 1) {
                        finishRow(at, prev, pass, pw, n, i);
                        prev = at + 1;
                    }
                }
                passDone(p);
            }
            return;
        }
    }

    // Rows are inflated a batch at a time (zlib's fast path needs room to write) and unfiltered
    // in place; the last row of a batch is kept as the row above the next batch.
    const std::size_t batchRows = std::max<std::size_t>(1, (std::size_t{1} << 18) / fullRow);
    std::vector<std::uint8_t> batch(batchRows * fullRow);
    Inflater z(idat);
    for (std::size_t p = 0; p < passes.size(); ++p) {
        const Pass& pass = passes[p];
        const std::uint32_t pw = passExtent(width, pass.startColumn, pass.columnStep);
        const std::uint32_t ph = passExtent(height, pass.startRow, pass.rowStep);
        if (pw > 0 && ph > 0) {
            const std::size_t n = rowBytes(pw);
            std::fill(above.begin(), above.end(), 0);
            for (std::uint32_t r0 = 0; r0 < ph;) {
                const std::uint32_t count =
                    static_cast<std::uint32_t>(std::min<std::size_t>(batchRows, ph - r0));
                z.read(batch.data(), count * (n + 1));
                const std::uint8_t* prev = above.data() + 1;
                for (std::uint32_t i = 0; i < count; ++i) {
                    std::uint8_t* row = batch.data() + std::size_t{i} * (n + 1);
                    finishRow(row, prev, pass, pw, n, r0 + i);
                    prev = row + 1;
                }
                std::memcpy(above.data() + 1, prev, n);
                r0 += count;
            }
        }
        passDone(p);
    }
}

PngFilter chooseFilter(const std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
                       std::size_t distance, PngFilterSet filters) {
    if (length < 5 || filters == PngFilterSet{}) return PngFilter::None;
    // Counts the positions that close a run of five equal filtered bytes, computing each filtered
    // byte on the fly.
    auto count = [&](auto filtered) {
        int runs = 0, run = 1;
        std::uint8_t last = filtered(0);
        for (std::size_t i = 1; i < length; ++i) {
            const std::uint8_t v = filtered(i);
            run = v == last ? run + 1 : 1;
            runs += run >= 5;
            last = v;
        }
        return runs;
    };
    PngFilter best = PngFilter::None;
    int bestCount = count([&](std::size_t i) { return row[i]; });
    auto consider = [&](PngFilter f, int c) {
        if (c > bestCount) {
            best = f;
            bestCount = c;
        }
    };
    auto left = [&](std::size_t i) -> int { return i >= distance ? row[i - distance] : 0; };
    auto upLeft = [&](std::size_t i) -> int { return i >= distance ? previous[i - distance] : 0; };
    if (filters.contains(PngFilter::Sub))
        consider(PngFilter::Sub,
                 count([&](std::size_t i) { return static_cast<std::uint8_t>(row[i] - left(i)); }));
    if (filters.contains(PngFilter::Up))
        consider(PngFilter::Up,
                 count([&](std::size_t i) { return static_cast<std::uint8_t>(row[i] - previous[i]); }));
    if (filters.contains(PngFilter::Average))
        consider(PngFilter::Average, count([&](std::size_t i) {
                     return static_cast<std::uint8_t>(row[i] - ((left(i) + previous[i]) >> 1));
                 }));
    if (filters.contains(PngFilter::Paeth))
        consider(PngFilter::Paeth, count([&](std::size_t i) {
                     return static_cast<std::uint8_t>(row[i] - paeth(left(i), previous[i], upLeft(i)));
                 }));
    return best;
}

namespace {

void applyFilter(PngFilter f, const std::uint8_t* row, const std::uint8_t* prev, std::size_t n,
                 std::size_t bpp, std::uint8_t* out) {
    switch (f) {
        case PngFilter::None:
            std::memcpy(out, row, n);
            break;
        case PngFilter::Sub:
            for (std::size_t i = 0; i < n; ++i)
                out[i] = static_cast<std::uint8_t>(row[i] - (i >= bpp ? row[i - bpp] : 0));
            break;
        case PngFilter::Up:
            for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(row[i] - prev[i]);
            break;
        case PngFilter::Average:
            for (std::size_t i = 0; i < n; ++i)
                out[i] = static_cast<std::uint8_t>(row[i] - (((i >= bpp ? row[i - bpp] : 0) + prev[i]) >> 1));
            break;
        case PngFilter::Paeth:
            for (std::size_t i = 0; i < n; ++i)
                out[i] = static_cast<std::uint8_t>(
                    row[i] - paeth(i >= bpp ? row[i - bpp] : 0, prev[i], i >= bpp ? prev[i - bpp] : 0));
            break;
    }
}

}  // namespace

std::vector<std::uint8_t> encodeImageData(const Bitmap& image, const TChunkGAMA* gamma, PngFilterSet filters,
                                          bool interlaced) {
    const bool indexed = isIndexed(image.pixelFormat());
    const int depth = indexed ? image.bitsPerPixel() : 8;
    const int channels = indexed ? 1 : 3;
    const std::size_t distance = indexed ? 1 : 3;
    const auto width = static_cast<std::uint32_t>(image.width()),
               height = static_cast<std::uint32_t>(image.height());
    const auto& table = gamma ? gamma->inverse() : identityTable();
    auto rowBytes = [&](std::uint32_t w) {
        return static_cast<std::size_t>((std::uint64_t{w} * static_cast<unsigned>(depth * channels) + 7) / 8);
    };
    const std::size_t full = rowBytes(width);
    std::vector<std::uint8_t> out;
    Deflater z(out);
    out.resize(z.bound((full + 1) * height) / 2 + 1024);
    std::vector<std::uint8_t> raw(full), prev(full), block;
    constexpr std::size_t kBlock = 1 << 18;
    block.reserve(kBlock + full + 1);

    const std::span<const Pass> passes =
        interlaced ? std::span<const Pass>(kAdam7) : std::span<const Pass>(&kWhole, 1);
    const unsigned mask = (1u << depth) - 1;
    for (const Pass& pass : passes) {
        const std::uint32_t pw = passExtent(width, pass.startColumn, pass.columnStep);
        const std::uint32_t ph = passExtent(height, pass.startRow, pass.rowStep);
        if (pw == 0 || ph == 0) continue;
        const std::size_t n = rowBytes(pw);
        std::fill(prev.begin(), prev.begin() + static_cast<std::ptrdiff_t>(n), 0);
        for (std::uint32_t r = 0; r < ph; ++r) {
            const auto in = image.row(static_cast<int>(pass.startRow + r * pass.rowStep));
            std::size_t x = pass.startColumn;
            if (!indexed) {
                for (std::uint32_t k = 0; k < pw; ++k, x += pass.columnStep) {
                    const std::uint32_t w = in[x];
                    raw[3 * k] = table[(w >> 16) & 0xFF];
                    raw[3 * k + 1] = table[(w >> 8) & 0xFF];
                    raw[3 * k + 2] = table[w & 0xFF];
                }
            } else if (depth == 8) {
                for (std::uint32_t k = 0; k < pw; ++k, x += pass.columnStep)
                    raw[k] = static_cast<std::uint8_t>(in[x]);
            } else {
                std::fill(raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(n), 0);
                for (std::uint32_t k = 0; k < pw; ++k, x += pass.columnStep) {
                    const std::size_t bit = std::size_t{k} * static_cast<unsigned>(depth);
                    raw[bit >> 3] = static_cast<std::uint8_t>(
                        raw[bit >> 3] | ((in[x] & mask) << (8 - depth - static_cast<int>(bit & 7))));
                }
            }
            const PngFilter f = filters == PngFilterSet{}
                                    ? PngFilter::None
                                    : chooseFilter(raw.data(), prev.data(), n, distance, filters);
            const std::size_t at = block.size();
            block.resize(at + n + 1);
            block[at] = static_cast<std::uint8_t>(f);
            applyFilter(f, raw.data(), prev.data(), n, distance, block.data() + at + 1);
            std::swap(raw, prev);
            if (block.size() >= kBlock) {
                z.write(block.data(), block.size(), false);
                block.clear();
            }
        }
    }
    z.write(block.data(), block.size(), true);
    z.done();
    return out;
}

}  // namespace vexilo::png
