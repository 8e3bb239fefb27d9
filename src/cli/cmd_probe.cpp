// vexilo-cli probe: which file kind loads each file, and what raster comes out, exactly as the
// found-image list sees it. --ppm also writes each raster as the program holds it, so its
// pixels can be compared with other programs.
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/file_io.h"
#include "cli/cli_command.h"
#include "cli/output.h"
#include "imageio/loaders.h"

namespace vexilo::cli {
namespace {

// Binary PPM (P6) of the colours the raster shows: palette applied, 8 bits a channel.
std::vector<std::uint8_t> toPpm(const Bitmap& b) {
    const std::string header =
        "P6\n" + std::to_string(b.width()) + " " + std::to_string(b.height()) + "\n255\n";
    std::vector<std::uint8_t> out(header.begin(), header.end());
    out.reserve(out.size() + static_cast<std::size_t>(b.width()) * static_cast<std::size_t>(b.height()) * 3);
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) {
            const Color c = b.pixel(x, y);
            out.push_back(c.r);
            out.push_back(c.g);
            out.push_back(c.b);
        }
    return out;
}

constexpr const char* kSynopsis =
    "[--ppm FOLDER] [--icon-size system|largest] [--no-orientation] [--format tsv|json] [--quiet] [-0] "
    "FILE... | -";

void printHelp() {
    std::cout << "usage: vexilo-cli probe " << kSynopsis
              << "\n\n"
                 "Prints, for each FILE, the kind that loads it as the found-image list sees it, then\n"
                 "WIDTHxHEIGHT, bits per pixel and the path, tab-separated (\"-\" for a file that does\n"
                 "not load; a tab, newline, carriage return or backslash in the path written as \\t, \\n,\n"
                 "\\r or \\\\). Kinds: "
              << kindNames()
              << ".\n"
                 "\n"
                 "Options:\n"
                 "  --ppm FOLDER        also write each raster as FOLDER/NAME.ppm\n"
                 "  --icon-size S       system (default): icons at 32 x 32 over white; largest: an\n"
                 "                      icon's largest image at its own size\n"
                 "  --no-orientation    keep pictures as stored, not turned by their EXIF orientation\n"
              << kFormatHelp
              << "                      TSV and JSON columns: kind, width, height, bits, path\n"
              << kQuietHelp << kStdinHelp
              << "  --                  what follows is a FILE, even when it starts with \"-\"\n"
                 "  --help              show this help\n"
                 "\n"
                 "Exit status: 0 when every file loaded, 1 when one did not load or a PPM file could not\n"
                 "be written, 2 for a bad command line.\n";
}

int probe(const std::vector<std::string>& args) {
    std::string ppmFolder;
    bool wantPpm = false, nulSeparated = false;
    OutputFormat format = OutputFormat::Plain;
    LoadRequest request;
    std::vector<std::string> files;
    bool optionsDone = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsDone && a == "--") {
            optionsDone = true;
        } else if (!optionsDone && (a == "--help" || a == "-h")) {
            printHelp();
            return 0;
        } else if (!optionsDone && a == "--ppm") {
            if (i + 1 >= args.size()) throw UsageError("--ppm needs a folder");
            ppmFolder = args[++i];
            wantPpm = true;
        } else if (!optionsDone && a == "--no-orientation") {
            request.turnByOrientation = false;
        } else if (!optionsDone && a.rfind("--ppm=", 0) == 0) {
            ppmFolder = a.substr(6);
            wantPpm = true;
        } else if (!optionsDone && a == "--icon-size") {
            const std::string value = i + 1 < args.size() ? args[++i] : std::string();
            if (value != "system" && value != "largest")
                throw UsageError("--icon-size must be system or largest");
            request.iconSize = value == "largest" ? IconSize::Largest : IconSize::System;
        } else if (!optionsDone && a == "--format") {
            if (i + 1 >= args.size()) throw UsageError("--format needs tsv or json");
            format = parseOutputFormat(args[++i]);
        } else if (!optionsDone && a == "--quiet") {
            // probe prints no progress or summary: nothing to leave out
        } else if (!optionsDone && a == "-0") {
            nulSeparated = true;
        } else if (!optionsDone && a.size() > 1 && a[0] == '-') {
            throw UsageError("unknown option \"" + a + "\"");
        } else {
            files.push_back(a);
        }
    }
    if (files.empty()) throw UsageError("no file given");
    if (wantPpm && ppmFolder.empty()) throw UsageError("--ppm needs a folder");
    files = fileList(std::move(files), nulSeparated, std::cin);
    if (wantPpm) {
        std::error_code ec;
        std::filesystem::create_directories(ppmFolder, ec);
        if (!std::filesystem::is_directory(ppmFolder)) {
            std::cerr << "vexilo-cli probe: cannot create folder \"" << ppmFolder << "\": " << ec.message()
                      << "\n";
            return 1;
        }
    }

    std::optional<RowWriter> rows;
    if (format != OutputFormat::Plain)
        rows.emplace(format, std::vector<std::string>{"kind", "width", "height", "bits", "path"}, std::cout);
    int status = 0;
    for (const auto& path : files) {
        Bitmap bitmap;
        FileKind kind = 0;
        bool loaded = false;
        std::string problem;
        try {
            loaded = ProbeImageKind(path, &bitmap, kind, request);
        } catch (const std::exception& e) {  // the last, associated-icon attempt is not guarded
            problem = e.what();
        }
        if (!loaded) {
            if (rows)
                rows->row({nullptr, nullptr, nullptr, nullptr, path});
            else
                std::cout << "-\t-\t-\t" << escapeField(path) << "\n";
            if (!problem.empty())
                std::cerr << "vexilo-cli probe: " << escapeField(path) << ": " << problem << "\n";
            status = 1;
            continue;
        }
        if (rows)
            rows->row({kindName(kind), bitmap.width(), bitmap.height(), bitmap.bitsPerPixel(), path});
        else
            std::cout << kindName(kind) << "\t" << bitmap.width() << "x" << bitmap.height() << "\t"
                      << bitmap.bitsPerPixel() << "\t" << escapeField(path) << "\n";
        if (!wantPpm) continue;
        const std::string name = std::filesystem::path(path).filename().string() + ".ppm";
        const std::string out = (std::filesystem::path(ppmFolder) / name).string();
        try {
            writeFileAtomic(out, toPpm(bitmap));
        } catch (const ImageError& e) {
            std::cerr << "vexilo-cli probe: " << e.what() << "\n";
            status = 1;
        }
    }
    std::cout.flush();
    return status;
}

const CliRegistrar reg({"probe", kSynopsis,
                        "Prints the kind that loads each file, WIDTHxHEIGHT and bits per pixel; "
                        "--ppm writes each raster to FOLDER/NAME.ppm.",
                        probe});

}  // namespace
}  // namespace vexilo::cli
