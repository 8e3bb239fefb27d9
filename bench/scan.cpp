// The folder scan: the bare walk against `find` on the same 20,000-file tree, scans with
// thumbnails (files per second) for small icons and 1920 x 1080 photos, and the peak memory of
// whole scans measured in a child process.
//
// The trees are made once per run under the system temp folder (VEXILO_BENCH_DIR overrides) and
// removed at exit. Photos are written as BMP with the program's own writer and as JPEG and PNG
// with libjpeg and libpng, so each format's loader can be timed as soon as it reads them.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdio>
// After <cstdio>: jpeglib.h needs size_t and FILE declared.
#include <jpeglib.h>
#include <png.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "codecs/bmp_codec.h"
#include "control/main_window/image_search.h"

namespace fs = std::filesystem;
using namespace vexilo;

namespace {

constexpr int kPhotoWidth = 1920, kPhotoHeight = 1080;

// A photo-like picture: smooth gradients with a little noise, so the encoders do real work.
std::vector<std::uint8_t> photoRgb(unsigned seed) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kPhotoWidth) * kPhotoHeight * 3);
    std::minstd_rand noise(seed);
    std::size_t i = 0;
    for (int y = 0; y < kPhotoHeight; ++y)
        for (int x = 0; x < kPhotoWidth; ++x) {
            const auto n = static_cast<int>(noise() % 16);
            rgb[i++] = static_cast<std::uint8_t>((x * 255 / kPhotoWidth + n + static_cast<int>(seed)) & 255);
            rgb[i++] = static_cast<std::uint8_t>((y * 255 / kPhotoHeight + n) & 255);
            rgb[i++] = static_cast<std::uint8_t>(((x + y) * 255 / (kPhotoWidth + kPhotoHeight) + n) & 255);
        }
    return rgb;
}

void writeJpeg(const fs::path& path, const std::vector<std::uint8_t>& rgb) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = kPhotoWidth;
    c.image_height = kPhotoHeight;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(rgb.data() + static_cast<std::size_t>(c.next_scanline) * kPhotoWidth * 3);
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
}

void writePng(const fs::path& path, const std::vector<std::uint8_t>& rgb) {
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    img.width = kPhotoWidth;
    img.height = kPhotoHeight;
    img.format = PNG_FORMAT_RGB;
    png_image_write_to_file(&img, path.c_str(), 0, rgb.data(), 0, nullptr);
}

Bitmap photoBitmap(const std::vector<std::uint8_t>& rgb) {
    Bitmap b(kPhotoWidth, kPhotoHeight, PixelFormat::Bpp24);
    std::size_t i = 0;
    for (int y = 0; y < kPhotoHeight; ++y)
        for (auto& w : b.row(y)) {
            w = packRgb({rgb[i], rgb[i + 1], rgb[i + 2]});
            i += 3;
        }
    return b;
}

// Removes a tree when the program ends (the forked children leave through _exit).
struct Tree {
    fs::path path;
    Tree(const Tree&) = delete;
    Tree& operator=(const Tree&) = delete;
    explicit Tree(const std::string& name) {
        const char* env = std::getenv("VEXILO_BENCH_DIR");
        path = fs::path(env && *env ? env : fs::temp_directory_path().string()) /
               ("vexilo-scan-bench-" + std::to_string(::getpid())) / name;
        fs::create_directories(path);
    }
    ~Tree() {
        std::error_code ec;
        fs::remove_all(path.parent_path(), ec);
    }
};

// 20,000 small images: 20 folders of 10 subfolders of 100 files, 32 x 32 and 16 x 16.
const fs::path& smallTree() {
    static const Tree tree("icons");
    static const bool built = [] {
        const auto icon32 = writeBmp(Bitmap(32, 32, PixelFormat::Bpp24));
        const auto icon16 = writeBmp(Bitmap(16, 16, PixelFormat::Bpp24));
        for (int a = 0; a < 20; ++a)
            for (int b = 0; b < 10; ++b) {
                const fs::path dir = tree.path / ("set" + std::to_string(a)) / ("part" + std::to_string(b));
                fs::create_directories(dir);
                for (int k = 0; k < 100; ++k) {
                    const auto& bytes = (k % 2) ? icon16 : icon32;
                    std::ofstream(dir / ("icon" + std::to_string(k) + ".bmp"), std::ios::binary)
                        .write(reinterpret_cast<const char*>(bytes.data()),
                               static_cast<std::streamsize>(bytes.size()));
                }
            }
        return true;
    }();
    (void)built;
    return tree.path;
}

struct Photos {
    fs::path bmp, jpeg, png;
};

// 200 BMP photos (10 different pictures, copied), 20 JPEG and 20 PNG photos.
const Photos& photos() {
    static const Tree t("photos");
    static const Photos p = [] {
        Photos out{t.path / "bmp", t.path / "jpeg", t.path / "png"};
        fs::create_directories(out.bmp);
        fs::create_directories(out.jpeg);
        fs::create_directories(out.png);
        for (int k = 0; k < 10; ++k) {
            const auto rgb = photoRgb(static_cast<unsigned>(k * 17));
            saveBmpFile(photoBitmap(rgb), (out.bmp / ("photo" + std::to_string(k) + ".bmp")).string());
            for (int c = 0; c < 2; ++c) {
                writeJpeg(out.jpeg / ("photo" + std::to_string(k * 2 + c) + ".jpg"), rgb);
                writePng(out.png / ("photo" + std::to_string(k * 2 + c) + ".png"), rgb);
            }
        }
        for (int k = 10; k < 200; ++k)
            fs::copy_file(out.bmp / ("photo" + std::to_string(k % 10) + ".bmp"),
                          out.bmp / ("photo" + std::to_string(k) + ".bmp"));
        return out;
    }();
    return p;
}

// A scan as the window runs it: built-in masks, subfolders, one checked search folder.
// `decodedAs`, when given, counts the rows whose file was read as that kind (not shown by the
// associated icon or the placeholder because its loader is missing).
std::size_t runScan(const fs::path& folder, bool thumbnails, FileKind decodedAs = 0xFF,
                    std::size_t* decoded = nullptr) {
    search::ImageSearch s;
    s.scanSubfolders = true;
    s.buildThumbnails = thumbnails;
    s.SBAddPathClick(folder.string());
    s.RunScan();
    if (decoded) {
        *decoded = 0;
        for (const auto& r : s.list().rows()) *decoded += r.image.Kind == decodedAs;
    }
    return s.list().size();
}

void BM_WalkOnly(benchmark::State& state) {
    const fs::path tree = smallTree();
    std::size_t rows = 0;
    for (auto _ : state) rows = runScan(tree, false);
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["files_per_s"] =
        benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_WalkOnly)->Unit(benchmark::kMillisecond);

// CPU seconds (user + system) that finished child processes used so far.
double childCpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs a shell command per iteration; the CPU column stays the parent's, so the child's own
// CPU time per run is reported as child_cpu_ms (the figure to set beside the walk's CPU time,
// which does not depend on how busy the machine is).
void runCommand(benchmark::State& state, const std::string& cmd) {
    const double before = childCpuSeconds();
    for (auto _ : state)
        if (std::system(cmd.c_str()) != 0) state.SkipWithError("command failed");
    state.counters["child_cpu_ms"] =
        (childCpuSeconds() - before) * 1000.0 / static_cast<double>(state.iterations());
}

// `find` listing the same tree (process start included, as for any command-line walk).
void BM_FindCommand(benchmark::State& state) {
    runCommand(state, "find '" + smallTree().string() + "' -type f > /dev/null");
}
BENCHMARK(BM_FindCommand)->Unit(benchmark::kMillisecond);

// `find` doing what the walk does: match the names and read size and time of each match.
void BM_FindMatchAndStat(benchmark::State& state) {
    const std::string cmd = "find '" + smallTree().string() +
                            "' \\( -iname '*.exe' -o -iname '*.dll' -o -iname '*.cpl' -o -iname '*.cur' -o "
                            "-iname '*.wmf' -o -iname '*.emf' -o -iname '*.bmp' -o -iname '*.ico' -o -iname "
                            "'*.jpg' -o -iname '*.tga' -o -iname '*.png' -o -iname '*.gif' \\) -type f "
                            "-printf '%s %TD %TT %h\\n' > /dev/null";
    runCommand(state, cmd);
}
BENCHMARK(BM_FindMatchAndStat)->Unit(benchmark::kMillisecond);

void scanWithThumbnails(benchmark::State& state, const fs::path& tree, FileKind kind) {
    std::size_t rows = 0, decoded = 0;
    for (auto _ : state) rows = runScan(tree, true, kind, &decoded);
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["decoded"] = static_cast<double>(decoded);
    state.counters["files_per_s"] =
        benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ThumbnailsSmallIcons(benchmark::State& state) {
    scanWithThumbnails(state, smallTree() / "set0", kind::Bmp);
}
BENCHMARK(BM_ThumbnailsSmallIcons)->Unit(benchmark::kMillisecond);

void BM_ThumbnailsPhotosBmp(benchmark::State& state) {
    scanWithThumbnails(state, photos().bmp, kind::Bmp);
}
BENCHMARK(BM_ThumbnailsPhotosBmp)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ThumbnailsPhotosJpeg(benchmark::State& state) {
    scanWithThumbnails(state, photos().jpeg, kind::Jpeg);
}
BENCHMARK(BM_ThumbnailsPhotosJpeg)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_ThumbnailsPhotosPng(benchmark::State& state) {
    scanWithThumbnails(state, photos().png, kind::Png);
}
BENCHMARK(BM_ThumbnailsPhotosPng)->Unit(benchmark::kMillisecond)->Iterations(2);

// Peak resident memory of a child that runs one whole scan with thumbnails, beside a child that
// only starts; the difference is what the scan itself needed at its worst.
double childPeakMiB(const fs::path* tree, std::size_t* rows) {
    int fds[2];
    if (::pipe(fds) != 0) return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::size_t n = tree ? runScan(*tree, true) : 0;
        if (::write(fds[1], &n, sizeof n) != static_cast<ssize_t>(sizeof n)) ::_exit(1);
        ::_exit(0);
    }
    ::close(fds[1]);
    std::size_t n = 0;
    if (::read(fds[0], &n, sizeof n) != static_cast<ssize_t>(sizeof n)) n = 0;
    ::close(fds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    if (rows) *rows = n;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

void peakMemory(benchmark::State& state, const fs::path& tree) {
    double base = 0, peak = 0;
    std::size_t rows = 0;
    for (auto _ : state) {
        base = childPeakMiB(nullptr, nullptr);
        peak = childPeakMiB(&tree, &rows);
    }
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["peak_MiB"] = peak;
    state.counters["scan_MiB"] = peak - base;
    state.counters["KiB_per_row"] = rows ? (peak - base) * 1024.0 / static_cast<double>(rows) : 0;
}

void BM_PeakMemory20000SmallImages(benchmark::State& state) {
    peakMemory(state, smallTree());
}
BENCHMARK(BM_PeakMemory20000SmallImages)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_PeakMemory200BmpPhotos(benchmark::State& state) {
    peakMemory(state, photos().bmp);
}
BENCHMARK(BM_PeakMemory200BmpPhotos)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
