// vexilo-cli bmp-info: reads BMP files with the program's own reader.
#include <iostream>

#include "cli/cli_command.h"
#include "cli/output.h"
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
                << "\nPrints WIDTHxHEIGHT, bits per pixel and the path of each BMP file, or \"-\" and\n"
                   "the reason for one that does not read (a tab, newline, carriage return or\n"
                   "backslash in the path written as \\t, \\n, \\r or \\\\).\n"
                   "\n"
                   "Options:\n"
                   "  --                  what follows is a FILE, even when it starts with \"-\"\n"
                   "  --help              show this help\n"
                   "\n"
                   "Exit status: 0 when every file read, 1 when one did not, 2 for a bad command line.\n";
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
            std::cout << b.width() << "x" << b.height() << "\t" << b.bitsPerPixel() << "\t"
                      << escapeField(path) << "\n";
        } catch (const std::exception& e) {
            std::cout << "-\t-\t" << escapeField(path) << "\t" << escapeField(e.what()) << "\n";
            status = 1;
        }
    }
    return status;
}

const CliRegistrar reg({"bmp-info", "FILE...", "Prints WIDTHxHEIGHT and bits per pixel of BMP files.",
                        bmpInfo});

}  // namespace
}  // namespace vexilo::cli
