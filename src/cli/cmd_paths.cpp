// vexilo-cli paths: where Vexilo finds its language packs and help pages, as the desktop
// program's program-folder rule finds them.
#include <dirent.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "base/text.h"
#include "cli/cli_command.h"
#include "cli/desktop_loader.h"
#include "cli/output.h"
#include "lang/program_folder.h"

namespace vexilo::cli {
namespace {

std::vector<std::string> packsIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (hasExtensionIgnoreCase(entry->d_name, ".lng")) names.emplace_back(entry->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

int paths(const std::vector<std::string>& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << "usage: vexilo-cli paths\n\n"
                     "Prints where the program finds its files, one NAME<tab>VALUE line each: the program\n"
                     "folder, its language packs, the help pages and the desktop module.\n"
                     "\n"
                     "Options:\n"
                     "  --help              show this help\n"
                     "\n"
                     "Exit status: 0 when the language packs and the help pages are found, 1 when not,\n"
                     "2 for a bad command line.\n";
        return 0;
    }
    if (!args.empty()) throw UsageError("takes no arguments");
    const std::string folder = resolveProgramFolder();
    const std::string help = folder + "HELP/index.html";
    const auto packs = packsIn(folder);
    std::cout << "program folder\t" << folder << "\n";
    std::cout << "language packs\t";
    for (std::size_t i = 0; i < packs.size(); ++i) std::cout << (i ? " " : "") << packs[i];
    std::cout << (packs.empty() ? "none\n" : "\n");
    const bool haveHelp = fileExists(help);
    std::cout << "help\t" << help << (haveHelp ? "" : " (missing)") << "\n";
    // Without it the tool still works, with plain icons and the built-in metafile drawing.
    const std::string module = desktopModulePath();
    std::cout << "desktop module\t" << (module.empty() ? "(missing)" : module) << "\n";
    return !packs.empty() && haveHelp ? 0 : 1;
}

const CliRegistrar reg(
    {"paths", "",
     "Prints the program folder with its language packs and help pages; fails when they are "
     "missing.",
     paths});

}  // namespace
}  // namespace vexilo::cli
