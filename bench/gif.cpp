// GIF decoding, encoding and colour reduction beside giflib, on 1920 x 1080 images.
// Run: bench_gif --benchmark_min_time=0.2
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <cstring>
#include <random>
#include <stdexcept>
#include <vector>

#include "codecs/color_reduction.h"
#include "codecs/gif_image.h"
#include "codecs/gif_lzw.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// A photo-like picture: smooth gradients and shapes with a little sensor noise.
vexilo::Bitmap photo() {
    static const vexilo::Bitmap picture = [] {
        vexilo::Bitmap b(kWidth, kHeight, vexilo::PixelFormat::Bpp24);
        std::mt19937 rng(42);
        for (int y = 0; y < kHeight; ++y) {
            auto row = b.row(y);
            for (int x = 0; x < kWidth; ++x) {
                const int noise = static_cast<int>(rng() % 7) - 3;
                const int dx = x - 1200, dy = y - 400;
                const bool sun = dx * dx + dy * dy < 150 * 150;
                int r = sun ? 250 : 40 + y * 150 / kHeight + (x / 240) * 3;
                int g = sun ? 220 : 90 + (x * 80 / kWidth) - (y > 700 ? 40 : 0);
                int bl = sun ? 120 : 200 - y * 160 / kHeight;
                auto clamp = [&](int v) { return static_cast<std::uint8_t>(std::clamp(v + noise, 0, 255)); };
                row[static_cast<std::size_t>(x)] = vexilo::packRgb({clamp(r), clamp(g), clamp(bl)});
            }
        }
        return b;
    }();
    return picture;
}

// The picture reduced to 256 colours: the indices (top row first) and the colour table.
struct Indexed {
    std::vector<std::uint8_t> pixels;
    std::vector<vexilo::Color> table;
};
const Indexed& indexed() {
    static const Indexed data = [] {
        const vexilo::Bitmap b = vexilo::reduceBitmapTo256(photo());
        Indexed d;
        d.table = b.palette();
        d.pixels.reserve(static_cast<std::size_t>(kWidth) * kHeight);
        for (auto v : b.pixels()) d.pixels.push_back(static_cast<std::uint8_t>(v));
        return d;
    }();
    return data;
}

const std::vector<std::uint8_t>& gifFile() {
    static const std::vector<std::uint8_t> file = [] {
        vexilo::Bitmap b(0, 0, vexilo::PixelFormat::Bpp8);
        b.setPalette(indexed().table);
        b.setSize(kWidth, kHeight);
        for (std::size_t i = 0; i < b.pixels().size(); ++i) b.pixels()[i] = indexed().pixels[i];
        return vexilo::writeGif(b);
    }();
    return file;
}

// ---- giflib through memory callbacks ----

struct MemoryInput {
    const std::vector<std::uint8_t>* data;
    std::size_t pos = 0;
};
int readMemory(GifFileType* gif, GifByteType* out, int n) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    const std::size_t take = std::min<std::size_t>(static_cast<std::size_t>(n), in->data->size() - in->pos);
    std::memcpy(out, in->data->data() + in->pos, take);
    in->pos += take;
    return static_cast<int>(take);
}
int writeMemory(GifFileType* gif, const GifByteType* bytes, int n) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + n);
    return n;
}

void BM_Decode_Vexilo(benchmark::State& state) {
    const auto& file = gifFile();
    for (auto _ : state) {
        vexilo::TGIFImage image;
        image.loadFromBytes(file);  // decodes frame 0 into a raster
        benchmark::DoNotOptimize(image.frame(0).bitmap().pixels().data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_Decode_Giflib(benchmark::State& state) {
    const auto& file = gifFile();
    for (auto _ : state) {
        MemoryInput in{&file};
        int error = 0;
        GifFileType* gif = DGifOpen(&in, readMemory, &error);
        if (!gif || DGifSlurp(gif) != GIF_OK) throw std::runtime_error("giflib could not read the file");
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
        DGifCloseFile(gif, &error);
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// The bare LZW decoder: code bytes to one byte a pixel.
void BM_LzwDecodeOnly_Vexilo(benchmark::State& state) {
    std::vector<std::uint8_t> encoded;
    vexilo::gif::lzwEncode(indexed().pixels, 8, encoded);
    const auto codes = vexilo::gif::joinSubBlocks(std::span<const std::uint8_t>(encoded).subspan(1));
    std::vector<std::uint8_t> out(indexed().pixels.size());
    for (auto _ : state) {
        benchmark::DoNotOptimize(vexilo::gif::lzwDecode(codes, 8, 0xFF, out));
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_Encode_Vexilo(benchmark::State& state) {
    const auto& pixels = indexed().pixels;
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        out.clear();
        vexilo::gif::lzwEncode(pixels, 8, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = static_cast<double>(out.size());
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_Encode_Giflib(benchmark::State& state) {
    auto pixels = indexed().pixels;  // giflib takes non-const lines
    std::vector<GifColorType> colours;
    for (const auto& c : indexed().table) colours.push_back({c.r, c.g, c.b});
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        out.clear();
        int error = 0;
        GifFileType* gif = EGifOpen(&out, writeMemory, &error);
        ColorMapObject* map = GifMakeMapObject(256, colours.data());
        EGifPutScreenDesc(gif, kWidth, kHeight, 8, 0, map);
        EGifPutImageDesc(gif, 0, 0, kWidth, kHeight, false, nullptr);
        for (int y = 0; y < kHeight; ++y)
            EGifPutLine(gif, pixels.data() + static_cast<std::size_t>(y) * kWidth, kWidth);
        EGifCloseFile(gif, &error);
        GifFreeMapObject(map);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = static_cast<double>(out.size());
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// The whole save path: a 256-colour raster to a GIF file image.
void BM_WriteGif8bit_Vexilo(benchmark::State& state) {
    vexilo::Bitmap b(0, 0, vexilo::PixelFormat::Bpp8);
    b.setPalette(indexed().table);
    b.setSize(kWidth, kHeight);
    for (std::size_t i = 0; i < b.pixels().size(); ++i) b.pixels()[i] = indexed().pixels[i];
    for (auto _ : state) benchmark::DoNotOptimize(vexilo::writeGif(b));
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

// ---- colour reduction of a 24-bit photo ----

void BM_Reduce_VexiloPopularity(benchmark::State& state) {
    // The 24-bit rows as the reduction reads them: bottom row first, blue green red.
    const vexilo::Bitmap& src = photo();
    const std::size_t stride = (kWidth * 3 + 3) & ~3u;
    std::vector<std::uint8_t> rows(stride * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const vexilo::Color c = vexilo::unpackRgb(src.raw(x, y));
            std::uint8_t* p = rows.data() + static_cast<std::size_t>(kHeight - 1 - y) * stride + x * 3u;
            p[0] = c.b, p[1] = c.g, p[2] = c.r;
        }
    std::vector<std::uint8_t> out(static_cast<std::size_t>(kWidth) * kHeight);
    for (auto _ : state)
        benchmark::DoNotOptimize(vexilo::reducePopularity(rows, kWidth, kHeight, stride, out));
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_Reduce_VexiloWholeRaster(benchmark::State& state) {
    const vexilo::Bitmap& src = photo();
    for (auto _ : state) benchmark::DoNotOptimize(vexilo::reduceBitmapTo256(src));
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

void BM_Reduce_GiflibMedianCut(benchmark::State& state) {
    const vexilo::Bitmap& src = photo();
    const std::size_t n = static_cast<std::size_t>(kWidth) * kHeight;
    std::vector<GifByteType> r(n), g(n), b(n), out(n);
    for (std::size_t i = 0; i < n; ++i) {
        const vexilo::Color c = vexilo::unpackRgb(src.pixels()[i]);
        r[i] = c.r, g[i] = c.g, b[i] = c.b;
    }
    std::vector<GifColorType> map(256);
    for (auto _ : state) {
        int size = 256;
        if (GifQuantizeBuffer(kWidth, kHeight, &size, r.data(), g.data(), b.data(), out.data(), map.data()) !=
            GIF_OK)
            throw std::runtime_error("giflib could not quantize");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}

BENCHMARK(BM_Decode_Vexilo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode_Giflib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzwDecodeOnly_Vexilo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode_Vexilo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode_Giflib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteGif8bit_Vexilo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reduce_VexiloPopularity)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reduce_VexiloWholeRaster)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reduce_GiflibMedianCut)->Unit(benchmark::kMillisecond);

}  // namespace
