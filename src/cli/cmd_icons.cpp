// vexilo-cli icons: the icon walk over an executable, library, control panel item or cursor.
#include <iostream>
#include <sstream>

#include "base/file_io.h"
#include "cli/cli_command.h"
#include "imageio/loaders.h"

namespace vexilo::cli {
namespace {

constexpr const char* kUsage = "usage: vexilo-cli icons FILE\n";

int icons(const std::vector<std::string>& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kUsage
                  << "Prints the icon count of an executable, library, control panel item or cursor file,\n"
                     "then NUMBER<tab>WIDTHxHEIGHT for each icon. Exit status 1 when the file has no icon\n"
                     "or one of them does not load.\n";
        return 0;
    }
    if (args.size() != 1 || (args[0].size() > 1 && args[0][0] == '-')) {
        if (!args.empty() && args[0].size() > 1 && args[0][0] == '-')
            std::cerr << "vexilo-cli icons: unknown option \"" << args[0] << "\"\n";
        std::cerr << kUsage;
        return 2;
    }
    const std::string& path = args[0];
    std::ostringstream rows;
    int status = 0;
    const auto count = ForEachExecutableIcon(path, [&](std::uint16_t i, const Bitmap* b) {
        if (b) {
            rows << i << "\t" << b->width() << "x" << b->height() << "\n";
        } else {
            rows << i << "\t-\n";
            status = 1;
        }
        return true;
    });
    if (!count) {
        if (!fileExists(path))
            std::cerr << "vexilo-cli icons: " << path << ": no such file\n";
        else
            std::cerr << "vexilo-cli icons: " << path
                      << ": no icon (only .exe, .dll, .cpl and .cur names are read for icons)\n";
        return 1;
    }
    std::cout << *count << "\n" << rows.str();
    return status;
}

const CliRegistrar reg(
    {"icons", "FILE",
     "Prints the icon count of an executable, library or cursor file, then NUMBER<tab>WIDTHxHEIGHT "
     "for each icon.",
     icons});

}  // namespace
}  // namespace vexilo::cli
