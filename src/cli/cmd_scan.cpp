// vexilo-cli scan: the window's scan from the command line, one line per row.
#include <clocale>
#include <filesystem>
#include <iostream>
#include <map>

#include "cli/cli_command.h"
#include "cli/output.h"
#include "control/main_window/image_search.h"
#include "imageio/file_kind.h"

namespace vexilo::cli {
namespace {

using search::Column;

constexpr const char* kSynopsis =
    "[--subfolders] [--mask MASK|KIND]... [--all-files] [--sort name|ext|size|date|time|path] "
    "[--thumbnails|--no-thumbnails] [--no-cache] [--format tsv|json] [--quiet] FOLDER...";

void printHelp() {
    std::cout << "usage: vexilo-cli scan " << kSynopsis
              << "\n\n"
                 "Lists the images found in the FOLDERs as the window's scan finds them, one line per\n"
                 "row: caption, size, date, time, folder, kind and icon number, tab-separated (a tab,\n"
                 "newline, carriage return or backslash in a text written as \\t, \\n, \\r or \\\\).\n"
                 "The row count goes to standard error.\n"
                 "\n"
                 "Options:\n"
                 "  --subfolders        scan the subfolders too\n"
                 "  --mask MASK|KIND    look for files matching MASK (\"*.jpg\"), or for one kind of\n"
                 "                      file by name or number: "
              << kindNames()
              << "\n"
                 "                      (repeatable; default: every built-in mask)\n"
                 "  --all-files         also list every other file with its associated icon\n"
                 "  --sort KEY          sort by name, ext, size, date, time or path (default: in the\n"
                 "                      order found)\n"
                 "  --thumbnails        load each file to learn its kind and icon number (default)\n"
                 "  --no-thumbnails     list the directory entries only: kind \"-\", icon -1\n"
                 "  --no-cache          neither read nor write the desktop's thumbnail cache\n"
              << kFormatHelp
              << "                      TSV and JSON columns: name (the file name), size, date, time,\n"
                 "                      folder, kind (a kind name, nothing when not loaded) and icon\n"
                 "                      (the icon number in an executable, nothing for a whole file)\n"
              << kQuietHelp
              << "  --help              show this help\n"
                 "\n"
                 "Exit status: 0 when every FOLDER was scanned, 1 when one is not a folder or the scan\n"
                 "ended early (the rows found are still printed), 2 for a bad command line.\n";
}

int scan(const std::vector<std::string>& args) {
    // Dates, times and letter case follow the user's locale, as in the window.
    std::setlocale(LC_CTYPE, "");
    std::setlocale(LC_TIME, "");

    static const std::map<std::string, int> kSortButtons{{"name", 0}, {"ext", 1},  {"size", 2},
                                                         {"date", 3}, {"time", 4}, {"path", 5}};
    search::ImageSearch s;
    s.scanSubfolders = false;
    s.keepThumbnails = false;  // made for the kinds, never printed
    std::vector<std::string> userMasks, folders;
    bool allFiles = false, quiet = false;
    OutputFormat format = OutputFormat::Plain;
    int sortButton = -1;
    const auto value = [&](std::size_t& i) -> const std::string& {
        if (i + 1 >= args.size()) throw UsageError(args[i] + " needs a value");
        return args[++i];
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            printHelp();
            return 0;
        } else if (a == "--subfolders") {
            s.scanSubfolders = true;
        } else if (a == "--mask") {
            std::string mask = value(i);
            // A word without wildcards that names a kind stands for that kind's own mask.
            if (mask.find_first_of("*?[") == std::string::npos)
                if (const auto k = kindNamed(mask)) {
                    if (*k == kind::AllFiles) {
                        allFiles = true;
                        continue;
                    }
                    mask = fileFormat(*k)->mask;
                }
            userMasks.push_back(mask);
        } else if (a == "--all-files") {
            allFiles = true;
        } else if (a == "--sort") {
            const auto it = kSortButtons.find(value(i));
            if (it == kSortButtons.end()) throw UsageError("unknown sort key \"" + args[i] + "\"");
            sortButton = it->second;
        } else if (a == "--thumbnails") {
            s.buildThumbnails = true;
        } else if (a == "--no-thumbnails") {
            s.buildThumbnails = false;
        } else if (a == "--no-cache") {
            s.useThumbnailCache = false;
        } else if (a == "--format") {
            format = parseOutputFormat(value(i));
        } else if (a == "--quiet") {
            quiet = true;
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError("unknown option \"" + a + "\"");
        } else {
            folders.push_back(a);
        }
    }
    if (folders.empty()) throw UsageError("no folder given");

    if (!userMasks.empty()) {
        s.masks.checkAll(false);
        for (auto m : userMasks) s.BitBtnAddMaskClick(m);
    }
    if (allFiles) s.masks.items.at(0).checked = true;

    int status = 0;
    for (const auto& f : folders) {
        std::error_code ec;
        if (!std::filesystem::is_directory(f, ec)) {
            std::cerr << "vexilo-cli scan: not a folder: " << escapeField(f) << "\n";
            status = 1;
        }
        s.SBAddPathClick(f);
    }
    if (sortButton >= 0) s.SortKey = static_cast<std::uint8_t>(sortButton + 1);

    try {
        s.RunScan();
    } catch (const std::exception& e) {
        // The rows found before the failure are still worth printing.
        std::cerr << "vexilo-cli scan: scan ended early: " << e.what() << "\n";
        s.list().sort(s.SortKey);
        status = 1;
    }

    const auto& list = s.list();
    if (format == OutputFormat::Plain) {
        for (std::size_t r = 0; r < list.size(); ++r) {
            const auto& img = list.row(r).image;
            std::cout << escapeField(list.columnText(r, Column::Name)) << '\t'
                      << list.columnText(r, Column::Size) << '\t' << list.columnText(r, Column::Date) << '\t'
                      << list.columnText(r, Column::Time) << '\t'
                      << escapeField(list.columnText(r, Column::Path)) << '\t'
                      << (img.Kind == search::kKindNotProbed ? std::string("-") : fileKindName(img.Kind))
                      << '\t' << img.IconIndex << '\n';
        }
    } else {
        RowWriter out(format, {"name", "size", "date", "time", "folder", "kind", "icon"}, std::cout);
        for (const auto& row : list.rows()) {
            const auto& img = row.image;
            out.row({img.Name, img.Size, search::formatIsoDate(img.Date), search::formatIsoTime(img.Time),
                     img.Folder, img.Kind == search::kKindNotProbed ? Field() : Field(kindName(img.Kind)),
                     img.IconIndex < 0 ? Field() : Field(img.IconIndex)});
        }
    }
    std::cout.flush();
    if (!quiet) std::cerr << list.size() << " rows\n";
    return status;
}

const CliRegistrar reg({"scan", kSynopsis,
                        "Lists the images found in folders, one tab-separated line per row: caption, size, "
                        "date, time, folder, kind, icon index. Thumbnails come from and go to the desktop's "
                        "thumbnail cache unless --no-cache is given.",
                        scan});

}  // namespace
}  // namespace vexilo::cli
