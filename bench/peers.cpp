// Whole scans with thumbnails beside GraphicsMagick's thumbnailer, and single-file loads beside
// ImageMagick's reader, on the same files in the same run. The peers run as external commands
// (bench/setup.sh installs them; bench/peers.sh finds them); a missing peer skips its half.
//
// Sets: 24 photo-like 1920 x 1080 pictures in each of PNG, JPEG, GIF, TGA and BMP, written with
// the program's own savers, and 2,000 48 x 48 icons mixed over ICO, PNG, BMP, GIF, TGA and JPEG.
// Each scan benchmark reports, per iteration, our wall time, gm's wall time on the same folder
// (`gm mogrify -thumbnail 32x32`, written to a scratch folder so the sources stay as they are),
// their ratio (peer / ours: above 1 means we are faster) and the peak resident memory of each
// as a process of its own (ours: this program running only that scan or load). The load benchmarks do the
// same with `convert FILE null:` per file.
//
// The files are made under the system temp folder (VEXILO_BENCH_DIR overrides) and removed at exit.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "codecs/icon_writer.h"
#include "control/main_window/image_search.h"
#include "imageio/loaders.h"
#include "imageio/savers.h"
#include "raster/icon.h"

extern char** environ;

namespace fs = std::filesystem;
using namespace vexilo;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPhotoWidth = 1920, kPhotoHeight = 1080, kIconSize = 48;

// The set sizes: 24 photos a set and 2,000 icons, or VEXILO_BENCH_PHOTOS / VEXILO_BENCH_ICONS
// (bench/thumbnails.sh makes its smaller sets through them).
int countFromEnvironment(const char* name, int fallback) {
    const char* v = std::getenv(name);
    const int n = v ? std::atoi(v) : 0;
    return n > 0 ? n : fallback;
}
const int kPhotosPerSet = countFromEnvironment("VEXILO_BENCH_PHOTOS", 24);
const int kIconCount = countFromEnvironment("VEXILO_BENCH_ICONS", 2000);

// Smooth gradients, soft shapes and a little noise: compresses and quantises like a photograph.
Bitmap photo(unsigned seed) {
    Bitmap b(kPhotoWidth, kPhotoHeight, PixelFormat::Bpp24);
    std::minstd_rand rng(seed + 1);
    const double cx = 300 + seed * 61 % 1300, cy = 200 + seed * 37 % 700;
    for (int y = 0; y < kPhotoHeight; ++y) {
        auto row = b.row(y);
        for (int x = 0; x < kPhotoWidth; ++x) {
            const double sky = 1.0 - y / double(kPhotoHeight);
            const double hill = std::sin(x * 0.004 + seed) * 80 + std::cos(x * 0.011 + y * 0.003) * 30;
            const double disc = std::hypot(x - cx, y - cy) < 140 ? 60 : 0;
            const auto n = static_cast<double>(rng() % 7) - 3.0;
            auto ch = [&](double v) { return static_cast<std::uint8_t>(std::clamp(v + n, 0.0, 255.0)); };
            row[static_cast<std::size_t>(x)] =
                packRgb({ch(60 + 150 * sky + hill * 0.3 + disc), ch(90 + 120 * sky + hill * 0.5 + disc * 0.8),
                         ch(140 + 100 * sky - hill * 0.2)});
        }
    }
    return b;
}

// A small picture with flat areas and a white background, as icons are.
Bitmap iconPicture(unsigned seed) {
    Bitmap b(kIconSize, kIconSize, PixelFormat::Bpp24);
    const Color ink{static_cast<std::uint8_t>(seed * 53), static_cast<std::uint8_t>(seed * 97),
                    static_cast<std::uint8_t>(seed * 31)};
    const int r = 10 + static_cast<int>(seed % 12);
    for (int y = 0; y < kIconSize; ++y)
        for (int x = 0; x < kIconSize; ++x) {
            const int dx = x - 24, dy = y - 24;
            b.setPixel(x, y, dx * dx + dy * dy < r * r ? ink : (x + y) % 9 == 0 ? Color{90, 90, 90} : kWhite);
        }
    return b;
}

// VEXILO_BENCH_DIR names a folder that keeps the sets between runs (made once, never removed);
// otherwise they live in a fresh temp folder removed at exit.
struct Tree {
    fs::path root;
    bool kept = false;
    Tree() {
        const char* env = std::getenv("VEXILO_BENCH_DIR");
        kept = env && *env;
        root = kept ? fs::path(env)
                    : fs::temp_directory_path() / ("vexilo-peer-bench-" + std::to_string(::getpid()));
        fs::create_directories(root);
    }
    ~Tree() {
        std::error_code ec;
        if (!kept && ::getpid() == owner) fs::remove_all(root, ec);
    }
    pid_t owner = ::getpid();
};

const Tree& tree() {
    static const Tree t;
    return t;
}

const char* extensionOf(FileKind k) {
    return fileKindExtension(k);
}

// One folder of photos of one kind, made on first use (a folder is complete once its marker exists).
fs::path photoSet(FileKind k) {
    const fs::path dir = tree().root / (std::string("photos") + extensionOf(k));
    if (fs::exists(dir.string() + ".done")) return dir;
    fs::create_directories(dir);
    const ExportOptions options;
    for (int i = 0; i < kPhotosPerSet; ++i) {
        const Bitmap b = photo(static_cast<unsigned>(i));
        const fs::path file = dir / ("photo" + std::to_string(i) + extensionOf(k));
        if (!SaveImageAs(k, file.string(), &b, options))
            throw std::runtime_error("cannot write " + file.string());
    }
    FILE* done = std::fopen((dir.string() + ".done").c_str(), "w");
    if (done) std::fclose(done);
    return dir;
}

// 2,000 icons in one folder, the formats taking turns; ICO files carry a mask.
fs::path iconSet() {
    const fs::path dir = tree().root / "icons";
    if (fs::exists(dir.string() + ".done")) return dir;
    fs::create_directories(dir);
    const ExportOptions options;
    const FileKind kinds[] = {kind::Ico, kind::Png, kind::Bmp, kind::Gif, kind::Tga, kind::Jpeg};
    for (int i = 0; i < kIconCount; ++i) {
        const FileKind k = kinds[i % 6];
        const Bitmap b = iconPicture(static_cast<unsigned>(i));
        const fs::path file = dir / ("icon" + std::to_string(i) + extensionOf(k));
        if (k == kind::Ico) {
            Icon icon = Icon::blank(kIconSize, kIconSize);
            for (int y = 0; y < kIconSize; ++y)
                for (int x = 0; x < kIconSize; ++x) {
                    const Color c = b.pixel(x, y);
                    const bool clear = c == kWhite;
                    icon.color.setPixel(x, y, clear ? kBlack : c);
                    icon.mask.setRaw(x, y, clear ? 1 : 0);
                }
            const auto bytes = encodeIconFile(icon, 8);
            FILE* f = std::fopen(file.c_str(), "wb");
            if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
                throw std::runtime_error("cannot write " + file.string());
            std::fclose(f);
        } else if (!SaveImageAs(k, file.string(), &b, options)) {
            throw std::runtime_error("cannot write " + file.string());
        }
    }
    FILE* done = std::fopen((dir.string() + ".done").c_str(), "w");
    if (done) std::fclose(done);
    return dir;
}

std::size_t scan(const fs::path& folder) {
    search::ImageSearch s;
    s.scanSubfolders = false;
    s.SBAddPathClick(folder.string() + "/");
    s.RunScan();
    return s.list().size();
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Runs argv as a child process; answers its wall time in seconds. Output goes to /dev/null.
struct ChildRun {
    double wall = -1;
    bool ok = false;
};
ChildRun runChild(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    ChildRun run;
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        run.wall = seconds(Clock::now() - start);
        run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    posix_spawn_file_actions_destroy(&actions);
    return run;
}

std::string selfPath() {
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).string();
}

// Peak resident memory in MiB of a command. The peak a parent reports for its child includes
// the parent's own size at the spawn, so a fresh small copy of this program (`--measure`)
// starts the command and reports its child's figure through a file.
double peakMiB(const std::vector<std::string>& command) {
    const fs::path out = tree().root / ("peak-" + std::to_string(::getpid()));
    std::vector<std::string> args{selfPath(), "--measure", out.string()};
    args.insert(args.end(), command.begin(), command.end());
    const ChildRun run = runChild(args);
    FILE* f = std::fopen(out.c_str(), "r");
    long kib = -1;
    if (f) {
        if (std::fscanf(f, "%ld", &kib) != 1) kib = -1;
        std::fclose(f);
    }
    return run.ok && kib >= 0 ? static_cast<double>(kib) / 1024.0 : -1;
}

int measureMain(const char* outFile, char** command) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execv(command[0], command);
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || ::wait4(pid, &status, 0, &usage) < 0) return 1;
    FILE* f = std::fopen(outFile, "w");
    if (!f) return 1;
    std::fprintf(f, "%ld\n", usage.ru_maxrss);
    std::fclose(f);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

std::string peer(const char* variable) {
    const char* v = std::getenv(variable);
    if (v && *v) return v;
    // Without bench/peers.sh sourced: the Debian packages' paths.
    const std::string fallback =
        std::string(variable) == "VEXILO_GM" ? "/usr/bin/gm" : "/usr/bin/convert-im6.q16";
    return fs::exists(fallback) ? fallback : std::string();
}

std::vector<std::string> filesOf(const fs::path& dir) {
    std::vector<std::string> files;
    for (const auto& e : fs::directory_iterator(dir)) files.push_back(e.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

// gm writes each thumbnail in its source's format, or in `format` when given (it cannot write ICO).
void scanBesideGm(benchmark::State& state, const fs::path& dir, const std::string& format = {}) {
    const std::string gm = peer("VEXILO_GM");
    const fs::path out = tree().root / ("gm-out-" + dir.filename().string());
    fs::create_directories(out);
    std::vector<std::string> args{
        gm, "mogrify", "-output-directory", out.string(), "-create-directories", "-thumbnail", "32x32"};
    if (!format.empty()) args.insert(args.begin() + 2, {"-format", format});
    for (const auto& f : filesOf(dir)) args.push_back(f);
    std::size_t rows = 0;
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        rows = scan(dir);
        const double t = seconds(Clock::now() - start);
        state.SetIterationTime(t);
        ours += t;
        if (!gm.empty()) {
            const ChildRun r = runChild(args);
            if (!r.ok) state.SkipWithError("gm mogrify failed");
            theirs += r.wall;
        }
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["ours_ms"] = ours / n * 1000;
    state.counters["peak_MiB"] = peakMiB({selfPath(), "--child-scan", dir.string()});
    if (!gm.empty()) {
        state.counters["gm_ms"] = theirs / n * 1000;
        state.counters["gm_over_ours"] = theirs / ours;
        state.counters["gm_peak_MiB"] = peakMiB(args);
    }
}

void loadBesideConvert(benchmark::State& state, FileKind k) {
    const std::string convert = peer("VEXILO_IM_CONVERT");
    const auto files = filesOf(photoSet(k));
    double ours = 0, theirs = 0;
    std::size_t next = 0;
    for (auto _ : state) {
        const std::string& file = files[next++ % files.size()];
        const auto start = Clock::now();
        Bitmap b;
        if (!LoadImageAs(k, file, &b)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(b.pixels().data());
        const double t = seconds(Clock::now() - start);
        state.SetIterationTime(t);
        ours += t;
        if (!convert.empty()) {
            const ChildRun r = runChild({convert, file, "null:"});
            if (!r.ok) state.SkipWithError("convert failed");
            theirs += r.wall;
        }
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["ours_ms"] = ours / n * 1000;
    state.counters["peak_MiB"] = peakMiB({selfPath(), "--child-load", std::to_string(k), files.front()});
    if (!convert.empty()) {
        state.counters["im_ms"] = theirs / n * 1000;
        state.counters["im_over_ours"] = theirs / ours;
        state.counters["im_peak_MiB"] = peakMiB({convert, files.front(), "null:"});
    }
}

// One run per photo set.
void photoKinds(benchmark::internal::Benchmark* b) {
    b->ArgName("kind");
    for (FileKind k : {kind::Png, kind::Jpeg, kind::Gif, kind::Tga, kind::Bmp}) b->Arg(k);
}

void BM_ScanPhotos(benchmark::State& state) {
    scanBesideGm(state, photoSet(static_cast<FileKind>(state.range(0))));
}
BENCHMARK(BM_ScanPhotos)->Apply(photoKinds)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ScanIcons(benchmark::State& state) {
    scanBesideGm(state, iconSet(), "png");
}
BENCHMARK(BM_ScanIcons)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_LoadPhoto(benchmark::State& state) {
    loadBesideConvert(state, static_cast<FileKind>(state.range(0)));
}
BENCHMARK(BM_LoadPhoto)->Apply(photoKinds)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(12);

}  // namespace

// The child runs for the memory figures, else the benchmarks.
int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--child-idle") return 0;
    if (mode == "--measure" && argc > 3) return measureMain(argv[2], argv + 3);
    if (mode == "--child-scan" && argc == 3) return scan(argv[2]) > 0 ? 0 : 1;
    if (mode == "--child-load" && argc == 4) {
        Bitmap b;
        return LoadImageAs(static_cast<FileKind>(std::atoi(argv[2])), argv[3], &b) ? 0 : 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
