#include "lang/program_folder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "base/paths.h"
#include "base/text.h"

#ifndef VEXILO_DATA_DIR
#define VEXILO_DATA_DIR "/usr/local/share/vexilo"
#endif
// The data folder as seen from the installed executable's folder.
#ifndef VEXILO_DATA_DIR_FROM_BIN
#define VEXILO_DATA_DIR_FROM_BIN "../share/vexilo"
#endif

namespace vexilo {

namespace {
std::string withSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}
}  // namespace

std::string executableFolder() {
    std::vector<char> buf(4096);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return {};
        if (static_cast<std::size_t>(n) < buf.size()) {
            const std::string path(buf.data(), static_cast<std::size_t>(n));
            return folderOf(path);
        }
        if (buf.size() >= (std::size_t{1} << 20)) return {};
        buf.resize(buf.size() * 2);
    }
}

std::string installedDataFolder() {
    return withSlash(VEXILO_DATA_DIR);
}

bool folderHoldsLangPacks(const std::string& folder, const std::string& ext) {
    if (folder.empty()) return false;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    bool found = false;
    while (!found) {
        const dirent* entry = ::readdir(dir);
        if (!entry) break;
        const std::string name = entry->d_name;
        if (!hasExtensionIgnoreCase(name, ext)) continue;
        struct stat st {};
        found = ::stat((withSlash(folder) + name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }
    ::closedir(dir);
    return found;
}

std::string resolveProgramFolder(const std::string& exeFolder) {
    if (folderHoldsLangPacks(exeFolder)) return withSlash(exeFolder);
    // The data beside the executable's own prefix comes before the configured one, so that a
    // copy installed under another prefix (a staged package, a moved tree) uses its own packs.
    if (!exeFolder.empty()) {
        const std::string beside = std::filesystem::path(withSlash(exeFolder) + VEXILO_DATA_DIR_FROM_BIN)
                                       .lexically_normal()
                                       .string();
        if (folderHoldsLangPacks(beside)) return withSlash(beside);
    }
    return installedDataFolder();
}

std::string resolveProgramFolder() {
    return resolveProgramFolder(executableFolder());
}

}  // namespace vexilo
