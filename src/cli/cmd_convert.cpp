// vexilo-cli convert: the window's batch conversion from the command line, with the same job,
// names and replace rules.
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <thread>

#include "base/file_io.h"
#include "base/paths.h"
#include "batch/batch_job.h"
#include "cli/cli_command.h"
#include "cli/output.h"
#include "imageio/loaders.h"

namespace vexilo::cli {
namespace {

// The names --to takes: each output row's extension without its dot, in the table's order; with
// withAliases its other name follows in brackets ("jpg (jpeg)").
std::vector<std::string> outputNames(bool withAliases = false) {
    std::vector<std::string> names;
    for (const FileFormat& format : fileFormats())
        if (format.output)
            names.push_back(std::string(format.extension + 1) +
                            (withAliases && *format.alias ? std::string(" (") + format.alias + ")" : ""));
    return names;
}

std::string joined(const std::vector<std::string>& names, const char* between, const char* last) {
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i)
        out += (i == 0 ? "" : i + 1 == names.size() ? last : between) + names[i];
    return out;
}

std::string synopsis() {
    return "--to " + joined(outputNames(), "|", "|") +
           " [--out FOLDER] [--width W --height H [--fit] | --percent P] [--button] [--icon-colors "
           "16|256|32] "
           "[--quality Q] [--grayscale] [--no-progressive] [--lossless] [--overwrite | --skip-existing] "
           "[--no-orientation] [--associated-icons] [--icon-size system|largest] [--keep-transparency] "
           "[--jobs N] [--quiet] [-0] FILE[#ICON]... | -";
}

constexpr const char* kHelpIntro =
    "Converts every FILE to one format, one output per file, named after the file with the new\n"
    "extension. FILE#N converts icon number N of an executable, library or cursor file; a plain\n"
    "executable converts every icon in it. With several outputs, each icon's output name starts\n"
    "with its number and \"_\" (0_tools.ico, 1_tools.ico).\n"
    "\n"
    "Options:\n";

constexpr const char* kHelpOptions =
    "  --out FOLDER        where the outputs go: an absolute folder, or a folder relative to each\n"
    "                      FILE's own folder; default: beside each FILE\n"
    "  --width W --height H\n"
    "                      every output W x H pixels (1 to 65535), stretched\n"
    "  --fit               with --width and --height: every output as large as fits inside\n"
    "                      W x H keeping its source's aspect\n"
    "  --percent P         every output P percent of its source's size (1 to 10000)\n"
    "                      (default: each output keeps its source's size)\n"
    "  --button            draw a raised button frame around each output\n"
    "  --icon-colors N     icons with 16 or 256 colours (default 256), or 32: true colour with\n"
    "                      transparency, all sizes (16 to 256 pixels)\n"
    "  --icon-size S       system (default): icons at 32 x 32; largest: an icon's largest image\n"
    "  --keep-transparency PNG, TGA and ICO outputs keep the alpha of icons, PNG, GIF and TGA\n"
    "                      sources\n"
    "  --quality Q         JPEG and lossy WebP quality, 1 to 100 (default 80)\n"
    "  --grayscale         greyscale JPEG files\n"
    "  --no-progressive    baseline instead of progressive JPEG files\n"
    "  --lossless          lossless WebP files (default: lossy at the quality)\n"
    "  --overwrite         replace outputs that exist without asking\n"
    "  --skip-existing     never touch an output that exists\n"
    "                      (default: ask on a terminal, skip when there is none)\n"
    "  --no-orientation    keep pictures as stored, not turned by their EXIF orientation\n"
    "  --associated-icons  a file that no decoder reads is converted into the icon the\n"
    "                      desktop shows for it (default: it is not loaded)\n"
    "  --jobs N            convert on N threads (default: one per processor)\n"
    "  --quiet             no progress bar and no summary on standard error; errors still\n"
    "  -                   as the only FILE: read the files from standard input, one a line\n"
    "                      (an existing output is then skipped unless --overwrite)\n"
    "  -0                  with \"-\": the names on standard input end with a NUL byte instead\n"
    "  --                  what follows is a FILE, even when it starts with \"-\"\n"
    "  --help              show this help\n"
    "\n"
    "Two files with one output, or an output that is another FILE, are not written. Every file\n"
    "that is not converted is named on standard error with the reason, and the converted,\n"
    "not-loaded and failed counts follow there.\n"
    "A progress bar is shown on a terminal. Ctrl+C stops after the current file.\n"
    "Exit status: 0 when every file converted or was skipped, 1 when any file did not load,\n"
    "failed or clashed, 2 for a bad command line, 130 when stopped.\n";

volatile std::sig_atomic_t g_interrupted = 0;

int usageError(const std::string& why) {
    std::cerr << "vexilo-cli convert: " << why << "\nusage: vexilo-cli convert " << synopsis()
              << "\n(see vexilo-cli convert --help)\n";
    return 2;
}

// A whole decimal number within [lo, hi], or nullopt.
std::optional<int> parseNumber(const std::string& text, int lo, int hi) {
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
        return std::nullopt;
    const int v = std::stoi(text);
    if (v < lo || v > hi) return std::nullopt;
    return v;
}

// FILE#N names icon N of FILE, unless a file of that whole name exists.
std::pair<std::string, int> splitIconNumber(const std::string& arg) {
    const std::size_t hash = arg.find_last_of('#');
    if (hash == std::string::npos || hash == 0 || fileExists(arg)) return {arg, -1};
    const auto n = parseNumber(arg.substr(hash + 1), 0, 65535);
    if (!n) return {arg, -1};
    return {arg.substr(0, hash), *n};
}

// The rows the list shows for a file: one per icon of an executable (as the scan walks them),
// else the file as a whole image.
void addRows(BatchRequest& r, const std::string& path) {
    const auto count = ForEachExecutableIcon(path, [&](std::uint16_t i, const Bitmap* picture) {
        if (!picture) return false;
        r.files.push_back(path);
        r.iconIndexes.push_back(i);
        return true;
    });
    if (!count) {
        r.files.push_back(path);
        r.iconIndexes.push_back(-1);
    }
}

ReplaceAnswer askOnTerminal(const std::string& path, bool& eof) {
    for (;;) {
        std::cerr << "\r\033[KThis file already exists: " << path
                  << "\n  [o]verwrite, overwrite [a]ll, [s]kip, skip a[l]l? " << std::flush;
        std::string line;
        if (!std::getline(std::cin, line)) {
            eof = true;
            std::cerr << "\n";
            return ReplaceAnswer::SkipAll;
        }
        if (line == "o") return ReplaceAnswer::Overwrite;
        if (line == "a") return ReplaceAnswer::OverwriteAll;
        if (line == "s") return ReplaceAnswer::Skip;
        if (line == "l") return ReplaceAnswer::SkipAll;
    }
}

void drawProgress(const BatchProgress& p) {
    constexpr int kBarWidth = 30;
    const int filled = p.count > 0 ? p.position * kBarWidth / p.count : kBarWidth;
    std::string name = fileNameOf(p.source);
    if (name.size() > 40) name = name.substr(0, 37) + "...";
    std::cerr << "\r\033[K[" << std::string(static_cast<std::size_t>(filled), '#')
              << std::string(static_cast<std::size_t>(kBarWidth - filled), '-') << "] " << p.position << "/"
              << p.count << " " << name << std::flush;
}

// An output row by its extension without the dot, its other name ("jpeg") or its number.
std::optional<FileKind> outputKindNamed(const std::string& lower) {
    const auto k = kindNamed(lower);
    if (k && isOutputKind(*k)) return k;
    return std::nullopt;
}

int convert(const std::vector<std::string>& args) {
    BatchRequest r;
    ExportOptions options;
    std::optional<FileKind> target;
    std::optional<int> width, height, percent;
    bool overwrite = false, skipExisting = false, optionsDone = false, associatedIcons = false;
    bool fit = false, quiet = false, nulSeparated = false;
    int jobs = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    std::vector<std::string> files;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsDone || a == "-" || a.empty() || a[0] != '-') {
            files.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsDone = true;
            continue;
        }
        if (a == "--help" || a == "-h") {
            std::cout << "usage: vexilo-cli convert " << synopsis() << "\n\n"
                      << kHelpIntro
                      << "  --to FORMAT         output format: " << joined(outputNames(true), ", ", " or ")
                      << " (required)\n"
                      << kHelpOptions;
            return 0;
        }
        // Options with a value take it from the next argument or after "=".
        std::string name = a, value;
        bool hasValue = false;
        if (const auto eq = a.find('='); eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            hasValue = true;
        }
        static const std::vector<std::string> kValued = {"--to",      "--out",     "--width",
                                                         "--height",  "--percent", "--icon-colors",
                                                         "--quality", "--jobs",    "--icon-size"};
        const bool valued = std::find(kValued.begin(), kValued.end(), name) != kValued.end();
        if (valued && !hasValue) {
            if (i + 1 >= args.size()) return usageError(name + " needs a value");
            value = args[++i];
        } else if (!valued && hasValue) {
            return usageError(name + " takes no value");
        }
        if (name == "--to") {
            std::string lower = value;
            std::transform(lower.begin(), lower.end(), lower.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            target = outputKindNamed(lower);
            if (!target) return usageError("unknown format \"" + value + "\" for --to");
        } else if (name == "--out") {
            if (value.empty()) return usageError("--out needs a folder");
            // A folder from the command line is a folder even without its trailing "/".
            r.outputFolder = value.back() == '/' ? value : value + "/";
        } else if (name == "--width" || name == "--height") {
            const auto v = parseNumber(value, 1, 65535);
            if (!v)
                return usageError(name + " must be a whole number from 1 to 65535, not \"" + value + "\"");
            (name == "--width" ? width : height) = v;
        } else if (name == "--percent") {
            percent = parseNumber(value, 1, 10000);
            if (!percent)
                return usageError("--percent must be a whole number from 1 to 10000, not \"" + value + "\"");
        } else if (name == "--icon-colors") {
            if (value != "16" && value != "256" && value != "32")
                return usageError("--icon-colors must be 16, 256 or 32");
            options.iconColors = value == "16"   ? IconColors::Colors16
                                 : value == "32" ? IconColors::AllSizes32
                                                 : IconColors::Colors256;
        } else if (name == "--icon-size") {
            if (value != "system" && value != "largest")
                return usageError("--icon-size must be system or largest");
            r.iconSize = value == "largest" ? IconSize::Largest : IconSize::System;
        } else if (name == "--keep-transparency") {
            options.keepTransparency = true;
        } else if (name == "--quality") {
            const auto q = parseNumber(value, 1, 100);
            if (!q)
                return usageError("--quality must be a whole number from 1 to 100, not \"" + value + "\"");
            options.jpeg.CompressionQuality = static_cast<std::uint8_t>(*q);
        } else if (name == "--jobs") {
            const auto n = parseNumber(value, 1, 64);
            if (!n) return usageError("--jobs must be a whole number from 1 to 64, not \"" + value + "\"");
            jobs = *n;
        } else if (name == "--button") {
            r.buttonShape = true;
        } else if (name == "--grayscale" || name == "--greyscale") {
            options.jpeg.Grayscale = true;
        } else if (name == "--no-progressive") {
            options.jpeg.ProgressiveEncoding = false;
        } else if (name == "--lossless") {
            options.webpLossless = true;
        } else if (name == "--no-orientation") {
            r.turnByOrientation = false;
        } else if (name == "--overwrite") {
            overwrite = true;
        } else if (name == "--skip-existing") {
            skipExisting = true;
        } else if (name == "--associated-icons") {
            associatedIcons = true;
        } else if (name == "--fit") {
            fit = true;
        } else if (name == "--quiet") {
            quiet = true;
        } else if (name == "-0") {
            nulSeparated = true;
        } else {
            return usageError("unknown option \"" + a + "\"");
        }
    }
    if (!target) return usageError("--to is required");
    if (files.empty()) return usageError("no file given");
    if (overwrite && skipExisting) return usageError("--overwrite and --skip-existing exclude each other");
    if (width.has_value() != height.has_value()) return usageError("--width and --height go together");
    if (width && percent) return usageError("--percent excludes --width and --height");
    if (fit && !width) return usageError("--fit needs --width and --height");
    const bool filesFromInput = files.size() == 1 && files[0] == "-";
    try {
        files = fileList(std::move(files), nulSeparated, std::cin);
    } catch (const UsageError& e) {
        return usageError(e.what());
    }

    r.targetKind = *target;
    r.actualSize = !width && !percent;
    r.proportional = percent.has_value();
    r.percent = percent.value_or(-1);
    r.width = width.value_or(0);
    r.height = height.value_or(0);
    r.fit = fit;
    r.promptOnReplace = !overwrite;
    for (const auto& f : files) {
        const auto [path, icon] = splitIconNumber(f);
        if (icon >= 0) {
            r.files.push_back(path);
            r.iconIndexes.push_back(icon);
        } else {
            addRows(r, path);
        }
    }
    r.singleFile = r.files.size() == 1;
    r.associatedIcons.assign(r.files.size(), associatedIcons);

    const bool terminal = ::isatty(STDERR_FILENO) != 0;
    // Standard input that gave the file names has no answers left.
    const bool canAsk = terminal && !filesFromInput && ::isatty(STDIN_FILENO) != 0;
    bool inputEnded = false;
    BatchCallbacks callbacks;
    callbacks.askReplace = [&](const std::string& path) {
        if (skipExisting || !canAsk || inputEnded) return ReplaceAnswer::SkipAll;
        return askOnTerminal(path, inputEnded);
    };
    callbacks.onProgress = [&](const BatchProgress& p) {
        if (g_interrupted) return false;
        if (terminal && !quiet) drawProgress(p);
        return true;
    };
    g_interrupted = 0;
    auto previous = std::signal(SIGINT, [](int) {
        g_interrupted = 1;
        std::signal(SIGINT, SIG_DFL);  // a second Ctrl+C ends at once
    });
    // Every file allocates rasters of the same few sizes: keeping freed memory in the heap saves
    // the kernel zeroing fresh pages for each of them.
    ::mallopt(M_MMAP_THRESHOLD, 256 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 512 << 20);
    const BatchResult result = RunBatchJob(r, options, callbacks, jobs);
    std::signal(SIGINT, previous);
    if (terminal && !quiet) std::cerr << "\r\033[K" << std::flush;

    const BatchReportTexts texts;
    for (const std::string& line : BatchIssueLines(result, texts))
        std::cerr << "vexilo-cli convert: " << escapeField(line) << "\n";
    std::string summary = BatchSummary(result, texts);
    for (std::size_t at; (at = summary.find("\n\r")) != std::string::npos;) summary.replace(at, 2, "\n");
    if (!quiet) std::cerr << summary << "\n";
    if (result.stopped) return 130;
    return result.notLoaded == 0 && result.failed == 0 ? 0 : 1;
}

const CliRegistrar reg({"convert", synopsis(),
                        "Converts files to one image format with the window's batch conversion; tells the "
                        "converted, not-loaded and failed counts on standard error.",
                        convert});

}  // namespace
}  // namespace vexilo::cli
