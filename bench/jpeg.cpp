// Decoding 1920 x 1080 JPEG files through LoadJpegFile beside plain libjpeg (reading the same
// file into an RGB buffer) in the same run. Arg 0: baseline 4:2:0 at quality 90; arg 1:
// progressive at quality 80, as the program writes by default.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared before it.
// clang-format off
#include <jpeglib.h>
// clang-format on

#include "base/file_io.h"
#include "codecs/jpeg_codec.h"
#include "imageio/loaders.h"

namespace {

using namespace vexilo;

// Gradients, edges and a little noise, so entropy decoding does realistic work.
Bitmap photoLike() {
    Bitmap b(1920, 1080, PixelFormat::Device);
    std::uint32_t seed = 12345;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = static_cast<int>(seed >> 28) - 8;
            const bool band = ((x / 97) + (y / 61)) % 5 == 0;
            auto clamp = [](int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
            b.setPixel(x, y,
                       {clamp((x * 255) / 1920 + noise + (band ? 60 : 0)), clamp((y * 255) / 1080 + noise),
                        clamp(((x + y) & 255) / 2 + 64 + noise)});
        }
    return b;
}

class Files {
public:
    Files()
        : m_dir(std::filesystem::temp_directory_path() /
                ("vexilo-bench-jpeg-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(m_dir);
        const Bitmap picture = photoLike();
        TJPEGImage baseline;
        baseline.setCompressionQuality(90);
        baseline.assign(picture);
        writeFileAtomic(path(0), baseline.data());
        TJPEGImage progressive;
        progressive.applyOptions(JpegOptions{});
        progressive.assign(picture);
        writeFileAtomic(path(1), progressive.data());
    }
    ~Files() {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    std::string path(std::int64_t which) const {
        return (m_dir / (which ? "progressive.jpg" : "baseline.jpg")).string();
    }

private:
    std::filesystem::path m_dir;
};

const Files& files() {
    static const Files f;
    return f;
}

void BM_JpegDecode_LoadJpegFile(benchmark::State& state) {
    const std::string path = files().path(state.range(0));
    for (auto _ : state) {
        Bitmap bitmap;
        if (!LoadJpegFile(path, &bitmap)) state.SkipWithError("LoadJpegFile failed");
        benchmark::DoNotOptimize(bitmap.pixels().data());
    }
}
BENCHMARK(BM_JpegDecode_LoadJpegFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_JpegDecode_PlainLibjpeg(benchmark::State& state) {
    const std::string path = files().path(state.range(0));
    for (auto _ : state) {
        FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) {
            state.SkipWithError("cannot open the file");
            break;
        }
        jpeg_decompress_struct c{};
        jpeg_error_mgr err{};
        c.err = jpeg_std_error(&err);
        jpeg_create_decompress(&c);
        jpeg_stdio_src(&c, f);
        jpeg_read_header(&c, TRUE);
        jpeg_start_decompress(&c);
        const std::size_t stride =
            static_cast<std::size_t>(c.output_width) * static_cast<std::size_t>(c.output_components);
        std::vector<JSAMPLE> pixels(stride * c.output_height);
        while (c.output_scanline < c.output_height) {
            JSAMPROW row = pixels.data() + stride * c.output_scanline;
            jpeg_read_scanlines(&c, &row, 1);
        }
        jpeg_finish_decompress(&c);
        jpeg_destroy_decompress(&c);
        std::fclose(f);
        benchmark::DoNotOptimize(pixels.data());
    }
}
BENCHMARK(BM_JpegDecode_PlainLibjpeg)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
