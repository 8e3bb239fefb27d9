#include "base/xdg_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

namespace vexilo {

namespace {

bool isAbsolute(const char* value) {
    return value && value[0] == '/';
}

std::string withoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

std::string userFolder(const char* variable, const char* belowHome) {
    const char* value = std::getenv(variable);
    if (isAbsolute(value)) return withoutTrailingSlash(value);
    return withoutTrailingSlash(homeFolder()) + belowHome;
}

std::vector<std::string> folderList(const char* variable, std::vector<std::string> fallback) {
    const char* value = std::getenv(variable);
    if (!value || !*value) return fallback;
    std::vector<std::string> out;
    std::istringstream in(value);
    for (std::string item; std::getline(in, item, ':');)
        if (isAbsolute(item.c_str())) out.push_back(withoutTrailingSlash(item));
    return out.empty() ? fallback : out;
}

}  // namespace

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home && *home) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

std::string xdgDataHome() {
    return userFolder("XDG_DATA_HOME", "/.local/share");
}

std::string xdgConfigHome() {
    return userFolder("XDG_CONFIG_HOME", "/.config");
}

std::string xdgCacheHome() {
    return userFolder("XDG_CACHE_HOME", "/.cache");
}

std::vector<std::string> xdgDataDirs() {
    return folderList("XDG_DATA_DIRS", {"/usr/local/share", "/usr/share"});
}

std::vector<std::string> xdgConfigDirs() {
    return folderList("XDG_CONFIG_DIRS", {"/etc/xdg"});
}

}  // namespace vexilo
