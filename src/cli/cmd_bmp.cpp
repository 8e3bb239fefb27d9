// vexilo-cli bmp-info: reads BMP files with the program's own reader.
#include <iostream>

#include "cli/cli_command.h"
#include "codecs/bmp_codec.h"

namespace vexilo::cli {
namespace {

int bmpInfo(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::cerr << "usage: vexilo-cli bmp-info FILE...\n";
        return 2;
    }
    int status = 0;
    for (const auto& path : args) {
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
