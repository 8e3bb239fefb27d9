// The main window's cost on a scan: the same 20,000 small images (BMP, PNG, ICO and GIF, 16 and
// 32 pixels, in 200 folders) scanned by the core alone and by the real window on the offscreen
// platform, in the same run. Reports the window's time over the core's, the longest pause of the
// window's event loop during the scan, and each scan's peak resident memory.
//
// Every scan runs in a child process of its own (fork before any Qt object exists), so peak
// memory is that scan's alone and the window starts as fresh as the program does. The tree is
// made once under the system temp folder (VEXILO_BENCH_DIR overrides) and removed at exit.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "codecs/bmp_codec.h"
#include "codecs/gif_image.h"
#include "codecs/icon_writer.h"
#include "codecs/png_codec.h"
#include "control/main_window/image_search.h"
#include "lang/lang.h"
#include "settings/settings_store.h"
#include "ui/main_window/form_main.h"
#include "ui/platform/platform_setup.h"
#include "ui/qt_dialogs.h"

namespace fs = std::filesystem;
using namespace vexilo;

namespace {

constexpr int kFolders = 20, kSubfolders = 10, kFilesPerFolder = 100;  // 20,000 files

struct Tree {
    fs::path root;
    Tree() {
        const char* env = std::getenv("VEXILO_BENCH_DIR");
        root = fs::path(env && *env ? env : fs::temp_directory_path().string()) /
               ("vexilo-window-bench-" + std::to_string(::getpid()));
        fs::create_directories(root);
    }
    ~Tree() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    Tree(const Tree&) = delete;
    Tree& operator=(const Tree&) = delete;
};

Bitmap picture(int size, int seed) {
    Bitmap b(size, size, PixelFormat::Bpp24);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            b.setPixel(x, y,
                       {static_cast<std::uint8_t>(x * 255 / size), static_cast<std::uint8_t>(y * 255 / size),
                        static_cast<std::uint8_t>((seed * 37) & 255)});
    return b;
}

void put(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

const fs::path& smallImages() {
    static const Tree tree;
    static const bool made = [] {
        std::vector<std::vector<std::uint8_t>> files[4];
        for (int seed = 0; seed < 4; ++seed)
            for (int size : {16, 32}) {
                const Bitmap b = picture(size, seed);
                files[0].push_back(writeBmp(b));
                files[1].push_back(encodePng(b));
                files[2].push_back(encodeIconFile(BitmapToIcon(b), 8));
                files[3].push_back(writeGif(b));
            }
        const char* ext[] = {".bmp", ".png", ".ico", ".gif"};
        for (int a = 0; a < kFolders; ++a)
            for (int b = 0; b < kSubfolders; ++b) {
                const fs::path dir = tree.root / ("set" + std::to_string(a)) / ("part" + std::to_string(b));
                fs::create_directories(dir);
                for (int k = 0; k < kFilesPerFolder; ++k)
                    put(dir / ("image" + std::to_string(k) + ext[k % 4]),
                        files[k % 4][static_cast<std::size_t>((a + b + k) % 8)]);
            }
        return true;
    }();
    (void)made;
    return tree.root;
}

// What one child scan reports back.
struct ScanResult {
    double seconds = 0;     // wall clock
    double cpuSeconds = 0;  // the process's CPU time, all threads: steadier on a busy machine
    double longestPauseMs = 0;
    std::size_t rowsAtLongestPause = 0;
    int pausesOver50Ms = 0;
    std::size_t rows = 0;
};

double cpuNow() {
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

double since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

ScanResult coreScan(const fs::path& folder) {
    search::ImageSearch s;
    s.scanSubfolders = true;
    s.SBAddPathClick(folder.string() + "/");
    const auto start = std::chrono::steady_clock::now();
    const double cpu = cpuNow();
    s.RunScan();
    ScanResult r;
    r.seconds = since(start);
    r.cpuSeconds = cpuNow() - cpu;
    r.rows = s.list().size();
    return r;
}

// The program's own window, shown, scanning as after a click on "Start scan". A 1 ms timer
// measures how long the event loop goes without turning.
ScanResult windowScan(const fs::path& folder, bool scan) {
    const fs::path config = folder.parent_path() / ("config-" + std::to_string(::getpid()));
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("XDG_RUNTIME_DIR", config.c_str(), 1);
    fs::create_directories(config);
    fs::permissions(config, fs::perms::owner_all);
    // The offscreen platform's notices (no raise(), no size hints) would bury the results.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    int argc = 1;
    char name[] = "bench_main_window";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    installPlatformServices();
    SettingsStore store(config.string());
    TLang lang(&store);
    QtDialogs dialogs;
    StartOptions options;
    options.programFolder = VEXILO_SOURCE_DIR "/lang/";
    TFormMain form(store, lang, dialogs, options);
    form.show();
    QCoreApplication::processEvents();
    if (!scan) return {};

    ScanResult r;
    QElapsedTimer sinceTick;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const double gap = static_cast<double>(sinceTick.nsecsElapsed()) / 1e6;
        if (gap > r.longestPauseMs) {
            r.longestPauseMs = gap;
            r.rowsAtLongestPause = form.imageSearch().list().size();
        }
        r.pausesOver50Ms += gap > 50;
        sinceTick.start();
    });
    form.imageSearch().SBAddPathClick(folder.string() + "/");
    const auto start = std::chrono::steady_clock::now();
    const double cpu = cpuNow();
    sinceTick.start();
    tick.start();
    form.SBScanClick();
    // The rows must be on screen too: paint what the scan left pending.
    QCoreApplication::processEvents();
    r.seconds = since(start);
    r.cpuSeconds = cpuNow() - cpu;
    tick.stop();
    r.rows = form.imageSearch().list().size();
    fs::remove_all(config);
    return r;
}

// Runs fn in a child process; returns its result and the child's peak resident memory in MiB.
template <typename Fn>
ScanResult inChild(Fn fn, double* peakMiB) {
    int fds[2];
    if (::pipe(fds) != 0) return {};
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const ScanResult r = fn();
        const bool ok = ::write(fds[1], &r, sizeof r) == static_cast<ssize_t>(sizeof r);
        ::_exit(ok ? 0 : 1);
    }
    ::close(fds[1]);
    ScanResult r;
    if (::read(fds[0], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) r = {};
    ::close(fds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    *peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
    return r;
}

// The best wall and CPU times of each kind of scan in this run, for the ratios.
struct Best {
    double wall = 0, cpu = 0;
};
Best g_core, g_window;

template <typename Fn>
void scanBenchmark(benchmark::State& state, Fn fn, Best& best, bool window) {
    const fs::path& tree = smallImages();
    ScanResult last, worst;
    double peak = 0;
    for (auto _ : state) {
        last = inChild([&] { return fn(tree); }, &peak);
        if (last.rows == 0) {
            state.SkipWithError("the scan found no rows");
            return;
        }
        state.SetIterationTime(last.seconds);
        best.wall = best.wall == 0 ? last.seconds : std::min(best.wall, last.seconds);
        best.cpu = best.cpu == 0 ? last.cpuSeconds : std::min(best.cpu, last.cpuSeconds);
        if (last.longestPauseMs > worst.longestPauseMs) worst = last;
        worst.pausesOver50Ms = std::max(worst.pausesOver50Ms, last.pausesOver50Ms);
    }
    state.counters["rows"] = static_cast<double>(last.rows);
    state.counters["peak_MiB"] = peak;
    state.counters["best_cpu_s"] = best.cpu;
    if (window) {
        double idle = 0;
        inChild([&] { return windowScan(tree, false); }, &idle);
        state.counters["idle_window_MiB"] = idle;
        state.counters["longest_pause_ms"] = worst.longestPauseMs;
        state.counters["rows_at_longest"] = static_cast<double>(worst.rowsAtLongestPause);
        state.counters["pauses_over_50ms"] = worst.pausesOver50Ms;
    }
}

void BM_CoreScan20000SmallImages(benchmark::State& state) {
    scanBenchmark(state, coreScan, g_core, false);
}
BENCHMARK(BM_CoreScan20000SmallImages)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

void BM_WindowScan20000SmallImages(benchmark::State& state) {
    scanBenchmark(
        state, [](const fs::path& tree) { return windowScan(tree, true); }, g_window, true);
}
BENCHMARK(BM_WindowScan20000SmallImages)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// The window's best time over the core's best time, wall clock and CPU (goal: at most 1.25).
void BM_WindowOverCore(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(g_window);
    state.counters["wall_ratio"] = g_core.wall > 0 ? g_window.wall / g_core.wall : 0;
    state.counters["cpu_ratio"] = g_core.cpu > 0 ? g_window.cpu / g_core.cpu : 0;
}
BENCHMARK(BM_WindowOverCore)->Iterations(1);

}  // namespace
