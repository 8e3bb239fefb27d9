// PNG decode and encode of a 1920 x 1080 photo-like picture: this codec against libpng at the
// same zlib level (the default), in the same run.
#include <benchmark/benchmark.h>
#include <png.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <random>
#include <stdexcept>
#include <vector>

#include "codecs/png_codec.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;

// Smooth gradients, a few soft shapes and a little sensor noise: compresses like a photograph.
const vexilo::Bitmap& photo() {
    static const vexilo::Bitmap bitmap = [] {
        vexilo::Bitmap b(kWidth, kHeight, vexilo::PixelFormat::Bpp24);
        std::mt19937 rng(42);
        std::normal_distribution<double> noise(0.0, 2.5);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const double sky = 1.0 - y / double(kHeight);
                const double hill = std::sin(x * 0.004) * 80 + std::cos(x * 0.011 + y * 0.003) * 30;
                const double disc = std::hypot(x - 1300.0, y - 300.0) < 140 ? 60 : 0;
                auto ch = [&](double v) {
                    return static_cast<std::uint8_t>(std::clamp(v + noise(rng), 0.0, 255.0));
                };
                b.setPixel(x, y,
                           {ch(60 + 150 * sky + hill * 0.3 + disc),
                            ch(90 + 120 * sky + hill * 0.5 + disc * 0.8), ch(140 + 100 * sky - hill * 0.2)});
            }
        return b;
    }();
    return bitmap;
}

std::vector<std::uint8_t> rgbRows() {
    const auto& b = photo();
    std::vector<std::uint8_t> rgb(std::size_t{kWidth} * kHeight * 3);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const auto c = b.pixel(x, y);
            std::uint8_t* p = &rgb[(std::size_t(y) * kWidth + std::size_t(x)) * 3];
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
        }
    return rgb;
}

std::vector<std::uint8_t> libpngEncode(const std::vector<std::uint8_t>& rgb) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<std::uint8_t> out;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("libpng write failed");
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto* v = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(p));
            v->insert(v->end(), data, data + n);
        },
        nullptr);
    png_set_compression_level(png, Z_DEFAULT_COMPRESSION);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_bytep> rows(kHeight);
    for (int y = 0; y < kHeight; ++y)
        rows[std::size_t(y)] = const_cast<png_bytep>(&rgb[std::size_t(y) * kWidth * 3]);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

struct MemoryReader {
    const std::vector<std::uint8_t>* data;
    std::size_t pos;
};

void libpngDecode(const std::vector<std::uint8_t>& file, std::vector<std::uint8_t>& rgb) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    MemoryReader reader{&file, 0};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        throw std::runtime_error("libpng read failed");
    }
    png_set_read_fn(png, &reader, [](png_structp p, png_bytep out, png_size_t n) {
        auto* r = static_cast<MemoryReader*>(png_get_io_ptr(p));
        if (r->data->size() - r->pos < n) png_error(p, "short read");
        std::memcpy(out, r->data->data() + r->pos, n);
        r->pos += n;
    });
    png_read_info(png, info);
    const auto h = png_get_image_height(png, info);
    const auto stride = png_get_rowbytes(png, info);
    rgb.resize(stride * h);
    std::vector<png_bytep> rows(h);
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = &rgb[y * stride];
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
}

void BM_EncodeVexilo(benchmark::State& state) {
    const auto& b = photo();
    std::size_t size = 0;
    for (auto _ : state) {
        auto file = vexilo::encodePng(b);
        size = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["bytes"] = static_cast<double>(size);
}

void BM_EncodeLibpng(benchmark::State& state) {
    const auto rgb = rgbRows();
    std::size_t size = 0;
    for (auto _ : state) {
        auto file = libpngEncode(rgb);
        size = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.counters["bytes"] = static_cast<double>(size);
}

// Both decoders read the same two files: one written by this codec, one by libpng.
void BM_DecodeVexilo(benchmark::State& state) {
    const auto file = state.range(0) == 0 ? vexilo::encodePng(photo()) : libpngEncode(rgbRows());
    for (auto _ : state) {
        auto b = vexilo::decodePng(file);
        benchmark::DoNotOptimize(b.pixels().data());
    }
}

// Like a loader, each decode makes a new image (the reused-buffer variant shows the difference).
void BM_DecodeLibpng(benchmark::State& state) {
    const auto file = state.range(0) == 0 ? vexilo::encodePng(photo()) : libpngEncode(rgbRows());
    std::vector<std::uint8_t> reused;
    for (auto _ : state) {
        if (state.range(1) == 0) {
            std::vector<std::uint8_t> rgb;
            libpngDecode(file, rgb);
            benchmark::DoNotOptimize(rgb.data());
        } else {
            libpngDecode(file, reused);
            benchmark::DoNotOptimize(reused.data());
        }
    }
}

}  // namespace

BENCHMARK(BM_EncodeVexilo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeLibpng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeVexilo)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLibpng)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond);
