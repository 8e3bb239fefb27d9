// vexilo-cli: the command-line face of the same core the desktop program uses.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "base/version.h"
#include "cli/cli_command.h"
#include "cli/desktop_loader.h"
#include "cli/output.h"

namespace vexilo::cli {

std::vector<CliCommand>& commands() {
    static std::vector<CliCommand> list;
    return list;
}

namespace {
void printHelp(std::ostream& out) {
    out << "Usage: vexilo-cli COMMAND [OPTIONS] ARGS...\n"
           "       vexilo-cli --help | --version\n\n"
           "Finds, reads and converts images and icons with Vexilo's own codecs.\n";
    auto list = commands();
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    if (!list.empty()) out << "\nCommands:\n";
    for (const auto& c : list) out << "  " << c.name << " " << c.usage << "\n      " << c.summary << "\n";
    out << "\n\"vexilo-cli COMMAND --help\" tells a command's options and exit statuses. Results go to\n"
           "standard output, everything else to standard error. Exit status: 0 on success, 1 when the\n"
           "command failed, 2 for a bad command line.\n";
}

}  // namespace

}  // namespace vexilo::cli

int main(int argc, char** argv) {
    using namespace vexilo::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        printHelp(std::cerr);
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printHelp(std::cout);
        return 0;
    }
    if (args[0] == "--version") {
        std::cout << "vexilo-cli " << vexilo::kProgramVersion << "\n";
        return 0;
    }
    // The same desktop services as the window (associated icons, metafile playback), Qt's
    // libraries loaded only when a command first asks for one.
    installLoadingDesktopServices(argv[0]);
    struct StopDesktop {
        ~StopDesktop() { stopDesktopServices(); }
    } stopDesktop;

    for (const auto& c : commands()) {
        if (c.name != args[0]) continue;
        try {
            const int status = c.run({args.begin() + 1, args.end()});
            // Results that did not reach their file (a full disk, a closed pipe) are a failure.
            if (!std::cout.flush()) {
                std::cerr << "vexilo-cli " << c.name << ": cannot write the results to standard output\n";
                return std::max(status, 1);
            }
            return status;
        } catch (const UsageError& e) {
            std::cerr << "vexilo-cli " << c.name << ": " << e.what() << "\n(see vexilo-cli " << c.name
                      << " --help)\n";
            return 2;
        } catch (const std::exception& e) {
            std::cerr << "vexilo-cli " << c.name << ": " << e.what() << "\n";
            return 1;
        }
    }
    std::cerr << "vexilo-cli: unknown command \"" << args[0] << "\" (see vexilo-cli --help)\n";
    return 2;
}
