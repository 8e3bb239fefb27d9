#pragma once
// Runs the built vexilo-cli as a user would, for the command-line tests.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace vexilo::test {

// The tool sits in bin/ beside the tests/ folder of the build tree.
inline std::filesystem::path cliPath() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : self.parent_path().parent_path() / "bin" / "vexilo-cli";
}

struct CliResult {
    std::string out;  // standard output (and standard error with withErrors)
    int status = -1;
};

// What a shell command prints on standard output, and its exit status.
inline CliResult runShell(const std::string& command) {
    CliResult r;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return r;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.out.append(buf, n);
    const int raw = ::pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

// args is pasted into a shell command line: quote paths with '...'. Standard input is the file
// input (quoted here), empty by default.
inline CliResult runCli(const std::string& args, bool withErrors = false,
                        const std::string& input = "/dev/null") {
    return runShell("'" + cliPath().string() + "' " + args + " <'" + input + "' " +
                    (withErrors ? "2>&1" : "2>/dev/null"));
}

}  // namespace vexilo::test
