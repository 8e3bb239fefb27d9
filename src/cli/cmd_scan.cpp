// vexilo-cli scan: the window's scan from the command line, one tab-separated line per row.
#include <clocale>
#include <filesystem>
#include <iostream>
#include <map>

#include "cli/cli_command.h"
#include "control/main_window/image_search.h"
#include "imageio/file_kind.h"

namespace vexilo::cli {
namespace {

using search::Column;

constexpr const char* kUsage =
    "usage: vexilo-cli scan [--subfolders] [--mask MASK]... [--all-files] "
    "[--sort name|ext|size|date|time|path] [--thumbnails|--no-thumbnails] [--no-cache] FOLDER...\n";

int usageError(const std::string& why) {
    std::cerr << "vexilo-cli scan: " << why << "\n" << kUsage;
    return 2;
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
    bool allFiles = false;
    int sortButton = -1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (a == "--subfolders") {
            s.scanSubfolders = true;
        } else if (a == "--mask") {
            if (i + 1 >= args.size()) return usageError("--mask needs a mask");
            userMasks.push_back(args[++i]);
        } else if (a == "--all-files") {
            allFiles = true;
        } else if (a == "--sort") {
            if (i + 1 >= args.size()) return usageError("--sort needs a key");
            const auto it = kSortButtons.find(args[++i]);
            if (it == kSortButtons.end()) return usageError("unknown sort key \"" + args[i] + "\"");
            sortButton = it->second;
        } else if (a == "--thumbnails") {
            s.buildThumbnails = true;
        } else if (a == "--no-thumbnails") {
            s.buildThumbnails = false;
        } else if (a == "--no-cache") {
            s.useThumbnailCache = false;
        } else if (a == "--natural") {
            s.naturalOrder = true;  // img2 before img10; sorts by name unless --sort says otherwise
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            return usageError("unknown option \"" + a + "\"");
        } else {
            folders.push_back(a);
        }
    }
    if (folders.empty()) return usageError("no folder given");

    if (!userMasks.empty()) {
        s.masks.checkAll(false);
        for (auto m : userMasks) s.BitBtnAddMaskClick(m);
    }
    if (allFiles) s.masks.items.at(0).checked = true;

    int status = 0;
    for (const auto& f : folders) {
        std::error_code ec;
        if (!std::filesystem::is_directory(f, ec)) {
            std::cerr << "vexilo-cli scan: not a folder: " << f << "\n";
            status = 1;
        }
        s.SBAddPathClick(f);
    }
    if (s.naturalOrder && sortButton < 0) sortButton = 0;
    if (sortButton >= 0) s.SortKey = static_cast<std::uint8_t>(sortButton + 1);

    try {
        s.RunScan();
    } catch (const std::exception& e) {
        // The rows found before the failure are still worth printing.
        std::cerr << "vexilo-cli scan: scan ended early: " << e.what() << "\n";
        s.list().sort(s.SortKey, s.naturalOrder);
        status = 1;
    }

    const auto& list = s.list();
    for (std::size_t r = 0; r < list.size(); ++r) {
        const auto& img = list.row(r).image;
        std::cout << list.columnText(r, Column::Name) << '\t' << list.columnText(r, Column::Size) << '\t'
                  << list.columnText(r, Column::Date) << '\t' << list.columnText(r, Column::Time) << '\t'
                  << list.columnText(r, Column::Path) << '\t'
                  << (img.Kind == search::kKindNotProbed ? std::string("-") : fileKindName(img.Kind)) << '\t'
                  << img.IconIndex << '\n';
    }
    std::cout << list.size() << " rows\n";
    return status;
}

const CliRegistrar reg({"scan",
                        "[--subfolders] [--mask MASK]... [--all-files] [--sort name|ext|size|date|time|path] "
                        "[--thumbnails|--no-thumbnails] [--no-cache] FOLDER...",
                        "Lists the images found in folders, one tab-separated line per row: caption, size, "
                        "date, time, folder, kind, icon index. Thumbnails come from and go to the desktop's "
                        "thumbnail cache unless --no-cache is given.",
                        scan});

}  // namespace
}  // namespace vexilo::cli
