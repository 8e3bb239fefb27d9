// Selecting a row in the target panel (offscreen platform) from the click to the painted
// preview, beside the bare decode of the same file in the same run: a 1920 x 1080 JPEG (arg 0)
// and PNG (arg 1), and arrowing through 50 rows of 32 x 32 icons (per_row: seconds a row). The
// files live under the system temp folder and are removed at exit. On a busy machine compare
// CPU times, with --benchmark_repetitions and --benchmark_enable_random_interleaving.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QMenu>
#include <QSpinBox>
#include <filesystem>
#include <memory>

#include "codecs/icon_writer.h"
#include "codecs/jpeg_codec.h"
#include "declining_dialogs.h"
#include "imageio/loaders.h"
#include "imageio/savers.h"
#include "lang/lang.h"
#include "settings/settings_store.h"
#include "ui/main_window/target_panel.h"

namespace fs = std::filesystem;
using namespace vexilo;

namespace {

constexpr int kIcons = 50;

Bitmap photoLike(int w, int h) {
    Bitmap b(w, h, PixelFormat::Bpp24);
    std::uint32_t seed = 12345;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int noise = static_cast<int>(seed >> 28) - 8;
            auto clamp = [](int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
            b.setPixel(x, y,
                       {clamp((x * 255) / w + noise), clamp((y * 255) / h + noise),
                        clamp(((x + y) & 255) / 2 + 64)});
        }
    return b;
}

struct Fixture {
    fs::path dir = fs::temp_directory_path() / ("vexilo-bench-target-" + std::to_string(::getpid()));
    std::vector<search::FoundRow> rows;  // photo.jpg, photo.png, then the icons
    Fixture() {
        fs::create_directories(dir);
        const Bitmap photo = photoLike(1920, 1080);
        SaveImageAs(kind::Jpeg, path("photo.jpg"), &photo, {});
        SaveImageAs(kind::Png, path("photo.png"), &photo, {});
        const Bitmap icon = photoLike(32, 32);
        for (int i = 0; i < kIcons; ++i)
            SaveImageAs(kind::Ico, path("icon" + std::to_string(i) + ".ico"), &icon, {});
        for (const std::string name : {"photo.jpg", "photo.png"}) rows.push_back(row(name));
        for (int i = 0; i < kIcons; ++i) rows.push_back(row("icon" + std::to_string(i) + ".ico"));
    }
    ~Fixture() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    search::FoundRow row(const std::string& name) const {
        search::FoundRow r;
        r.caption = name;
        r.image.Folder = dir.string() + "/";
        r.image.Name = name;
        return r;
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

QApplication& app() {
    static int argc = 1;
    static char name[] = "bench_target_window";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

// The target panel in a group box with the window's controls, shown.
struct Window {
    SettingsStore store;
    TLang lang;
    bench::DecliningDialogs dialogs;
    QGroupBox box;
    const Bitmap placeholder{32, 32};  // the panel keeps references to both
    const ExportOptions exportOptions;
    FullViewPosition fullViewPlace;
    std::unique_ptr<TargetPanel> panel;
    const search::FoundRow* selected = nullptr;
    Window() {
        TargetControls c{&box,
                         new QComboBox(&box),
                         new QCheckBox(&box),
                         new QCheckBox(&box),
                         new QCheckBox(&box),
                         new QCheckBox(&box),
                         new QSpinBox(&box),
                         new QSpinBox(&box),
                         new QMenu(&box)};
        panel = std::make_unique<TargetPanel>(fullViewPlace, lang, dialogs, placeholder, exportOptions, c);
        panel->selectedRow = [this] { return selected; };
        box.resize(700, 500);
        box.show();
        QCoreApplication::processEvents();
    }
    void click(const search::FoundRow& row) {
        selected = &row;
        panel->ListView1Click();
        panel->preview()->repaint();  // the paint itself, not only its request
    }
};

void BM_Decode(benchmark::State& state) {
    const auto& row = fixture().rows[static_cast<std::size_t>(state.range(0))];
    for (auto _ : state) {
        Bitmap bitmap;
        FileKind kind = 0;
        if (!ProbeImageKind(row.image.path(), &bitmap, kind)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(bitmap.pixels().data());
    }
}
BENCHMARK(BM_Decode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SelectRow(benchmark::State& state) {
    app();
    Window w;
    const auto& row = fixture().rows[static_cast<std::size_t>(state.range(0))];
    for (auto _ : state) w.click(row);
}
BENCHMARK(BM_SelectRow)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DecodeIcons(benchmark::State& state) {
    for (auto _ : state)
        for (int i = 0; i < kIcons; ++i) {
            Bitmap bitmap;
            FileKind kind = 0;
            ProbeImageKind(fixture().rows[static_cast<std::size_t>(2 + i)].image.path(), &bitmap, kind);
        }
    state.counters["per_row"] = benchmark::Counter(
        kIcons, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DecodeIcons)->Unit(benchmark::kMillisecond);

// Arrowing through 50 icon rows: each row from its selection to its painted preview.
void BM_ArrowThroughIcons(benchmark::State& state) {
    app();
    Window w;
    for (auto _ : state)
        for (int i = 0; i < kIcons; ++i) w.click(fixture().rows[static_cast<std::size_t>(2 + i)]);
    state.counters["per_row"] = benchmark::Counter(
        kIcons, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ArrowThroughIcons)->Unit(benchmark::kMillisecond);

}  // namespace
