// vexilo-cli bmp-info: reads BMP files with the program's own reader.
#include <iostream>

#include "cli/cli_command.h"
#include "codecs/bmp_codec.h"

namespace vexilo::cli {
namespace {

constexpr const char* kUsage = "usage: vexilo-cli bmp-info FILE...\n";

int bmpInfo(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    bool optionsDone = false;
    for (const auto& a : args) {
        if (!optionsDone && a == "--") {
            optionsDone = true;
        } else if (!optionsDone && (a == "--help" || a == "-h")) {
            std::cout
                << kUsage
                << "Prints WIDTHxHEIGHT, bits per pixel and the path of each BMP file, or \"-\" and the\n"
                   "reason for one that does not read. Exit status 1 when any file does not read.\n";
            return 0;
        } else if (!optionsDone && a.size() > 1 && a[0] == '-') {
            std::cerr << "vexilo-cli bmp-info: unknown option \"" << a << "\"\n" << kUsage;
            return 2;
        } else {
            files.push_back(a);
        }
    }
    if (files.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    int status = 0;
    for (const auto& path : files) {
        try {
            const Bitmap b = loadBmpFile(path);
            std::cout << b.width() << "x" << b.height() << "\t" << b.bitsPerPixel() << "\t" << path << "\n";
        } catch (const std::exception& e) {
            std::cout << "-\t-\t" << path << "\t" << e.what() << "\n";
            status = 1;
        }
    }
    return status;
}

const CliRegistrar reg({"bmp-info", "FILE...", "Prints WIDTHxHEIGHT and bits per pixel of BMP files.",
                        bmpInfo});

}  // namespace
}  // namespace vexilo::cli
