// vexilo-cli icons: the icon walk over an executable, library, control panel item or cursor.
#include <iostream>
#include <optional>
#include <sstream>

#include "base/file_io.h"
#include "cli/cli_command.h"
#include "cli/output.h"
#include "codecs/pe_icons.h"
#include "imageio/loaders.h"

namespace vexilo::cli {
namespace {

constexpr const char* kSynopsis = "[--format tsv|json] [--quiet] FILE";

void printHelp() {
    std::cout << "usage: vexilo-cli icons " << kSynopsis
              << "\n\n"
                 "Prints the icon count of an executable, library, control panel item or cursor file,\n"
                 "then NUMBER<tab>WIDTHxHEIGHT for each icon (NUMBER<tab>- for one that does not load),\n"
                 "each followed by one WIDTHxHEIGHT<tab>BITS line per image of the icon. An icon file\n"
                 "lists its one icon.\n"
                 "\n"
                 "Options:\n"
              << kFormatHelp
              << "                      TSV and JSON: one row per icon with the columns icon, width,\n"
                 "                      height and bits (nothing for an icon that does not load); no\n"
                 "                      count line\n"
              << kQuietHelp
              << "  --help              show this help\n"
                 "\n"
                 "Exit status: 0 when every icon loaded, 1 when the file has no icon or one of them does\n"
                 "not load, 2 for a bad command line.\n";
}

int icons(const std::vector<std::string>& args) {
    OutputFormat format = OutputFormat::Plain;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            printHelp();
            return 0;
        } else if (a == "--format") {
            if (i + 1 >= args.size()) throw UsageError("--format needs tsv or json");
            format = parseOutputFormat(args[++i]);
        } else if (a == "--quiet") {
            // icons prints no progress or summary: nothing to leave out
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError("unknown option \"" + a + "\"");
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 1) throw UsageError("give one FILE");
    const std::string& path = files[0];
    std::ostringstream lines;
    std::optional<RowWriter> rows;
    if (format != OutputFormat::Plain)
        rows.emplace(format, std::vector<std::string>{"icon", "width", "height", "bits"}, lines);
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
        if (rows || !resources || i >= resources->groupCount()) return;
        for (const IconImageRef& im : resources->group(i).images)
            lines << im.width << "x" << im.height << "\t" << im.bits << "\n";
    };
    int status = 0;
    auto count = ForEachExecutableIcon(path, [&](std::uint16_t i, const Bitmap* b) {
        if (rows)
            rows->row({i, b ? Field(b->width()) : Field(), b ? Field(b->height()) : Field(),
                       b ? Field(b->bitsPerPixel()) : Field()});
        else if (b)
            lines << i << "\t" << b->width() << "x" << b->height() << "\n";
        else
            lines << i << "\t-\n";
        if (!b) status = 1;
        images(i);
        return true;
    });
    if (!count && resources && resources->groupCount() == 1) {
        // An icon file is no executable by its name, but it holds one group all the same.
        if (const auto icon = extractFileIcon(bytes, 0, kSystemIconSize)) {
            if (rows)
                rows->row({0, Field(icon->width()), Field(icon->height()), Field(32)});
            else
                lines << 0 << "\t" << icon->width() << "x" << icon->height() << "\n";
            images(0);
            count = 1;
        }
    }
    if (!count) {
        if (!fileExists(path))
            std::cerr << "vexilo-cli icons: " << escapeField(path) << ": no such file\n";
        else
            std::cerr << "vexilo-cli icons: " << escapeField(path)
                      << ": no icon (only .exe, .dll, .cpl and .cur names are read for icons)\n";
        return 1;
    }
    if (!rows) std::cout << *count << "\n";
    std::cout << lines.str();
    return status;
}

const CliRegistrar reg(
    {"icons", kSynopsis,
     "Prints the icon count of an executable, library, cursor or icon file, then NUMBER<tab>WIDTHxHEIGHT "
     "for each icon and WIDTHxHEIGHT<tab>BITS for each of its images.",
     icons});

}  // namespace
}  // namespace vexilo::cli
