// BMP decoding and StretchInto on a 1920 x 1080 image, each beside Qt's own BMP reader and
// nearest-pixel scaling in the same run (Qt is linked into this benchmark only as the peer).
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImage>

#include "codecs/bmp_codec.h"
#include "raster/raster_ops.h"

namespace {

using namespace vexilo;

Bitmap photoLike(PixelFormat format) {
    Bitmap b(1920, 1080, format);
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            b.setPixel(
                x, y,
                {static_cast<std::uint8_t>((x * 255) / 1920), static_cast<std::uint8_t>((y * 255) / 1080),
                 static_cast<std::uint8_t>((x * y) >> 8)});
    return b;
}

const std::vector<std::uint8_t>& bmpFile(int bits) {
    static const auto b24 = writeBmp(photoLike(PixelFormat::Bpp24));
    static const auto b8 = writeBmp(photoLike(PixelFormat::Bpp8));
    return bits == 24 ? b24 : b8;
}

void BM_BmpDecode_Vexilo(benchmark::State& state) {
    const auto& file = bmpFile(static_cast<int>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(readBmp(file));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_BmpDecode_Vexilo)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_BmpDecode_QtPeer(benchmark::State& state) {
    const auto& file = bmpFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        QImage image;
        image.loadFromData(file.data(), static_cast<int>(file.size()), "BMP");
        benchmark::DoNotOptimize(image);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_BmpDecode_QtPeer)->Arg(24)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_StretchInto_Vexilo(benchmark::State& state) {
    static const Bitmap source = photoLike(PixelFormat::Device);
    const int size = static_cast<int>(state.range(0));
    for (auto _ : state) {
        Bitmap thumb;
        StretchInto(source, thumb, size, size);
        benchmark::DoNotOptimize(thumb);
    }
}
BENCHMARK(BM_StretchInto_Vexilo)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);

void BM_StretchInto_QtPeer(benchmark::State& state) {
    static const QImage source = [] {
        QImage image(1920, 1080, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        return image;
    }();
    const int size = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(source.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation));
}
BENCHMARK(BM_StretchInto_QtPeer)->Arg(32)->Arg(16)->Unit(benchmark::kMicrosecond);

}  // namespace
