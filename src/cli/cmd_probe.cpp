// vexilo-cli probe: which file kind loads each file, and what raster comes out, exactly as the
// found-image list sees it. --ppm also writes each raster as the program holds it, so its
// pixels can be compared with other programs.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "base/errors.h"
#include "base/file_io.h"
#include "cli/cli_command.h"
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

int probe(const std::vector<std::string>& args) {
    std::string ppmFolder;
    bool wantPpm = false;
    LoadRequest request;
    std::vector<std::string> files;
    bool optionsDone = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!optionsDone && a == "--") {
            optionsDone = true;
        } else if (!optionsDone && (a == "--help" || a == "-h")) {
            std::cout
                << "usage: vexilo-cli probe [--ppm FOLDER] [--icon-size system|largest] FILE...\n"
                   "Prints the file kind that loads each file, WIDTHxHEIGHT, bits per pixel and the path\n"
                   "(\"-\" for a file that does not load; exit status 1 then).\n"
                   "  --ppm FOLDER   also write each raster as FOLDER/NAME.ppm\n"
                   "  --icon-size S  system (default): icons at 32 x 32 over white; largest: an icon's\n"
                   "                 largest image at its own size\n";
            return 0;
        } else if (!optionsDone && a == "--ppm") {
            if (i + 1 >= args.size()) {
                std::cerr << "vexilo-cli probe: --ppm needs a folder\n";
                return 2;
            }
            ppmFolder = args[++i];
            wantPpm = true;
        } else if (!optionsDone && (a == "--icon-size" || a.rfind("--icon-size=", 0) == 0)) {
            std::string value = a.size() > 11 ? a.substr(12) : std::string();
            if (a == "--icon-size" && i + 1 < args.size()) value = args[++i];
            if (value != "system" && value != "largest") {
                std::cerr << "vexilo-cli probe: --icon-size must be system or largest\n";
                return 2;
            }
            request.iconSize = value == "largest" ? IconSize::Largest : IconSize::System;
        } else if (!optionsDone && a.rfind("--ppm=", 0) == 0) {
            ppmFolder = a.substr(6);
            wantPpm = true;
        } else if (!optionsDone && a.size() > 1 && a[0] == '-') {
            std::cerr << "vexilo-cli probe: unknown option \"" << a << "\"\n";
            return 2;
        } else {
            files.push_back(a);
        }
    }
    if (files.empty() || (wantPpm && ppmFolder.empty())) {
        std::cerr << "usage: vexilo-cli probe [--ppm FOLDER] FILE...\n";
        return 2;
    }
    if (wantPpm) {
        std::error_code ec;
        std::filesystem::create_directories(ppmFolder, ec);
        if (!std::filesystem::is_directory(ppmFolder)) {
            std::cerr << "vexilo-cli probe: cannot create folder \"" << ppmFolder << "\": " << ec.message()
                      << "\n";
            return 1;
        }
    }

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
            std::cout << "-\t-\t-\t" << path << "\n";
            if (!problem.empty()) std::cerr << "vexilo-cli probe: " << path << ": " << problem << "\n";
            status = 1;
            continue;
        }
        std::cout << int(kind) << "\t" << bitmap.width() << "x" << bitmap.height() << "\t"
                  << bitmap.bitsPerPixel() << "\t" << path << "\n";
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

const CliRegistrar reg({"probe", "[--ppm FOLDER] [--icon-size system|largest] FILE...",
                        "Prints the file kind that loads each file, WIDTHxHEIGHT and bits per pixel; "
                        "--ppm writes each raster to FOLDER/NAME.ppm.",
                        probe});

}  // namespace
}  // namespace vexilo::cli
