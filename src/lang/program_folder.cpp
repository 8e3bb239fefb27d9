#include "lang/program_folder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "base/text.h"

#ifndef VEXILO_DATA_DIR
#define VEXILO_DATA_DIR "/usr/local/share/vexilo"
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
            const std::size_t slash = path.rfind('/');
            return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
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
    return installedDataFolder();
}

std::string resolveProgramFolder() {
    return resolveProgramFolder(executableFolder());
}

}  // namespace vexilo
