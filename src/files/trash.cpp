// The desktop's trash as the freedesktop.org trash layout defines it: a file on the home trash's
// file system goes to $XDG_DATA_HOME/Trash; one elsewhere goes to the trash at the top of its own
// file system ($topdir/.Trash/$uid when the administrator made a sticky .Trash, else
// $topdir/.Trash-$uid), so a trashed file is never copied across devices.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>

#include "base/errors.h"
#include "files/file_operation.h"
#include "files/uri.h"

namespace vexilo {

namespace {

std::string homeTrash() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome == '/') return std::string(dataHome) + "/Trash";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/") + "/.local/share/Trash";
}

bool makeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) == 0) return true;
    struct stat st {};
    return errno == EEXIST && ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Creates the trash's files/ and info/ folders; false when it cannot.
bool prepare(const std::string& trash) {
    return makeFolder(trash) && makeFolder(trash + "/files") && makeFolder(trash + "/info");
}

std::string absolute(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    char cwd[4096];
    return ::getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + path : path;
}

std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

// The top folder of the file system that holds `folder`.
std::string topOf(std::string folder, dev_t device) {
    while (folder != "/") {
        const std::string up = parentOf(folder);
        struct stat st {};
        if (::stat(up.c_str(), &st) != 0 || st.st_dev != device) break;
        folder = up;
    }
    return folder;
}

std::optional<std::string> trashFor(const std::string& path) {
    struct stat file {};
    const std::string full = absolute(path);
    if (::lstat(full.c_str(), &file) != 0) return std::nullopt;
    const std::string home = homeTrash();
    struct stat st {};
    // The home trash may not exist yet: its nearest existing ancestor tells the device.
    std::string probe = home;
    while (::stat(probe.c_str(), &st) != 0 && probe != "/") probe = parentOf(probe);
    if (st.st_dev == file.st_dev) return prepare(home) ? std::optional(home) : std::nullopt;

    const std::string top = topOf(parentOf(full), file.st_dev);
    const std::string base = top == "/" ? "" : top;
    const std::string uid = std::to_string(::getuid());
    struct stat shared {};
    const std::string sharedTrash = base + "/.Trash";
    if (::lstat(sharedTrash.c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX) &&
        prepare(sharedTrash + "/" + uid))
        return sharedTrash + "/" + uid;
    const std::string own = base + "/.Trash-" + uid;
    if (prepare(own)) return own;
    return std::nullopt;
}

std::string nameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool canMoveToTrash(const std::string& path) {
    return trashFor(path).has_value();
}

void moveToTrash(const std::string& path) {
    const auto trash = trashFor(path);
    if (!trash) throw ImageError("No trash can take \"" + path + "\"");
    const std::string full = absolute(path);
    const std::string name = nameOf(full);

    char date[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const std::string record =
        "[Trash Info]\nPath=" + percentEncodePath(full) + "\nDeletionDate=" + std::string(date) + "\n";

    // The restore record is claimed first (O_EXCL), so two files of one name never share one.
    for (int n = 1; n < 10000; ++n) {
        const std::string trashedName = n == 1 ? name : name + "." + std::to_string(n);
        const std::string info = *trash + "/info/" + trashedName + ".trashinfo";
        const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            throw ImageError("Cannot move \"" + path + "\" to the trash: " + std::strerror(errno));
        }
        const bool written = ::write(fd, record.data(), record.size()) == static_cast<ssize_t>(record.size());
        const bool closed = ::close(fd) == 0;
        const std::string target = *trash + "/files/" + trashedName;
        struct stat st {};
        if (written && closed && ::lstat(target.c_str(), &st) != 0 &&
            ::rename(full.c_str(), target.c_str()) == 0)
            return;
        const int error = errno;
        ::unlink(info.c_str());
        if (written && closed && ::lstat(target.c_str(), &st) == 0) continue;  // a stray file of that name
        throw ImageError("Cannot move \"" + path + "\" to the trash: " + std::strerror(error));
    }
    throw ImageError("Cannot move \"" + path + "\" to the trash: too many files of that name");
}

}  // namespace vexilo
