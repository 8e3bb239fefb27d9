#pragma once
// The subcommands of vexilo-cli. Each command file registers itself with one static
// CliRegistrar, so adding a command touches only its own file.
#include <functional>
#include <string>
#include <vector>

namespace vexilo::cli {

struct CliCommand {
    std::string name;
    std::string usage;                                             // the argument synopsis shown by --help
    std::string summary;                                           // one line
    std::function<int(const std::vector<std::string>& args)> run;  // returns the exit status
};

std::vector<CliCommand>& commands();

struct CliRegistrar {
    explicit CliRegistrar(CliCommand command) { commands().push_back(std::move(command)); }
};

}  // namespace vexilo::cli
