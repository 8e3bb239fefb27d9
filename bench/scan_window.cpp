// The scan in the real main window (offscreen platform) against the same scan with the core
// alone, on one tree of 20,000 small BMP files made once per run: the window's share of the time,
// the longest pause of its event loop during the scan, and the peak memory of the process.
// The tree lives under the system temp folder (VEXILO_BENCH_DIR overrides) and is removed at exit.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "codecs/bmp_codec.h"
#include "control/dialogs.h"
#include "control/main_window/image_search.h"
#include "declining_dialogs.h"
#include "lang/lang.h"
#include "settings/settings_store.h"
#include "ui/main_window/form_main.h"

namespace fs = std::filesystem;
using namespace vexilo;

namespace {

constexpr int kFiles = 20000;

struct Tree {
    fs::path root;
    Tree() {
        const char* base = std::getenv("VEXILO_BENCH_DIR");
        root = fs::path(base ? base : fs::temp_directory_path().string()) / "vexilo-bench-window";
        fs::remove_all(root);
        Bitmap b(16, 16, PixelFormat::Bpp24);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) b.setPixel(x, y, Color{static_cast<std::uint8_t>(x * 16), 0, 0});
        const auto bytes = writeBmp(b);
        for (int i = 0; i < kFiles; ++i) {
            const fs::path dir = root / ("d" + std::to_string(i / 1000));
            if (i % 1000 == 0) fs::create_directories(dir);
            std::FILE* f = std::fopen((dir / ("img" + std::to_string(i) + ".bmp")).c_str(), "wb");
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
    }
    ~Tree() { fs::remove_all(root); }
    std::string folder() const { return root.string() + "/"; }
};

Tree& tree() {
    static Tree t;
    return t;
}

QApplication& app() {
    static int argc = 1;
    static char name[] = "bench_scan_window";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

double peakMegabytes() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

void BM_ScanCore(benchmark::State& state) {
    const std::string folder = tree().folder();
    for (auto _ : state) {
        search::ImageSearch s;
        s.SBAddPathClick(folder);
        s.RunScan();
        if (s.list().size() != kFiles) state.SkipWithError("wrong row count");
    }
    state.counters["files/s"] = benchmark::Counter(kFiles, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_ScanCore)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_ScanWindow(benchmark::State& state) {
    app();
    const std::string folder = tree().folder();
    const fs::path config = tree().root.parent_path() / "vexilo-bench-window-config";
    SettingsStore store(config.string());
    TLang lang(&store);
    bench::DecliningDialogs dialogs;
    double longestPause = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto form = std::make_unique<TFormMain>(store, lang, dialogs);
        form->show();
        QCoreApplication::processEvents();
        form->CheckListBox1DragDrop(folder);
        // A 1 ms timer ticks whenever the event loop runs; the longest gap is the longest pause.
        QElapsedTimer clock;
        qint64 last = 0, worst = 0;
        QTimer tick;
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 now = clock.elapsed();
            worst = std::max(worst, now - last);
            last = now;
        });
        state.ResumeTiming();
        clock.start();
        tick.start();
        form->action(CommandId::SBScan)->trigger();
        QCoreApplication::processEvents();  // the rows' first paint
        tick.stop();
        state.PauseTiming();
        worst = std::max(worst, clock.elapsed() - last);
        longestPause = std::max(longestPause, static_cast<double>(worst));
        if (form->imageSearch().list().size() != kFiles) state.SkipWithError("wrong row count");
        form->close();
        form.reset();
        state.ResumeTiming();
    }
    fs::remove_all(config);
    state.counters["files/s"] = benchmark::Counter(kFiles, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["longest_pause_ms"] = longestPause;
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_ScanWindow)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
