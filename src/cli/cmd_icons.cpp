// vexilo-cli icons: the icon walk over an executable, library, control panel item or cursor.
#include <iostream>
#include <optional>
#include <sstream>

#include "base/errors.h"
#include "base/file_io.h"
#include "cli/cli_command.h"
#include "codecs/pe_icons.h"
#include "imageio/loaders.h"

namespace vexilo::cli {
namespace {

constexpr const char* kUsage = "usage: vexilo-cli icons FILE\n";

int icons(const std::vector<std::string>& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout
            << kUsage
            << "Prints the icon count of an executable, library, control panel item or cursor file,\n"
               "then NUMBER<tab>WIDTHxHEIGHT for each icon, each followed by one WIDTHxHEIGHT<tab>BITS\n"
               "line per image of the icon. Icon files list their one icon. Exit status 1 when the\n"
               "file has no icon or one of them does not load.\n";
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
    // Every image of each group, as the file's own directories and headers describe them.
    std::vector<std::uint8_t> bytes;
    std::optional<IconResources> resources;
    try {
        bytes = readFileBytes(path, std::uint64_t{256} << 20);
        resources.emplace(bytes);
    } catch (const std::exception&) {
        resources.reset();
    }
    const auto images = [&](std::size_t i) {
        if (!resources || i >= resources->groupCount()) return;
        for (const IconImageRef& im : resources->group(i).images)
            rows << im.width << "x" << im.height << "\t" << im.bits << "\n";
    };
    int status = 0;
    auto count = ForEachExecutableIcon(path, [&](std::uint16_t i, const Bitmap* b) {
        if (b) {
            rows << i << "\t" << b->width() << "x" << b->height() << "\n";
        } else {
            rows << i << "\t-\n";
            status = 1;
        }
        images(i);
        return true;
    });
    if (!count && resources && resources->groupCount() == 1) {
        // An icon file is no executable by its name, but it holds one group all the same.
        const auto icon = extractFileIcon(bytes, 0, kSystemIconSize);
        if (icon) {
            rows << 0 << "\t" << icon->width() << "x" << icon->height() << "\n";
            images(0);
            count = 1;
        }
    }
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
     "Prints the icon count of an executable, library, cursor or icon file, then NUMBER<tab>WIDTHxHEIGHT "
     "for each icon and WIDTHxHEIGHT<tab>BITS for each of its images.",
     icons});

}  // namespace
}  // namespace vexilo::cli
