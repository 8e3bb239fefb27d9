#include "files/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <vector>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/paths.h"
#include "base/uri.h"
#include "base/xdg_folders.h"
#include "files/copy_file.h"

namespace vexilo {

namespace {

// The longest name most Linux file systems take; a restore record adds ".trashinfo" to it.
constexpr std::size_t kMaxName = 255;
constexpr std::string_view kInfoExtension = ".trashinfo";

std::string reason(int error) {
    return std::strerror(error);
}

std::string absolute(const std::string& path) {
    if (!path.empty() && path.front() == '/') return path;
    char cwd[PATH_MAX];
    return ::getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + path : path;
}

std::string parentOf(const std::string& path) {
    const std::string folder = folderOf(path);
    return folder.size() <= 1 ? std::string("/") : folder.substr(0, folder.size() - 1);
}

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A trash folder of our own: a real folder (no link) that belongs to us.
bool isOwnFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

bool makeFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0700) == 0 || (errno == EEXIST && isFolder(path));
}

bool prepare(const std::string& trash) {
    return makeFolder(trash + "/files") && makeFolder(trash + "/info");
}

// `name` cut to at most `max` bytes, keeping a short extension and whole UTF-8 characters.
std::string fitName(const std::string& name, std::size_t max) {
    if (name.size() <= max) return name;
    const auto dot = name.find_last_of('.');
    const std::string ext =
        dot != std::string::npos && dot > 0 && name.size() - dot <= 16 ? name.substr(dot) : std::string();
    std::size_t keep = std::min(name.size() - ext.size(), max - ext.size());
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
    return name.substr(0, keep) + ext;
}

// A mount point as /proc/self/mountinfo writes it: blanks and backslashes as "\ooo".
std::string unescapeMountPoint(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool octal = text[i] == '\\' && i + 3 < text.size() &&
                           std::string_view("01234567").find(text[i + 1]) != std::string_view::npos;
        if (octal) {
            out +=
                static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0'));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool restoreLink(const std::string& link, const std::string& target) {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size() - 1);
    return n >= 0 &&
           ::symlink(std::string(buffer.data(), static_cast<std::size_t>(n)).c_str(), target.c_str()) == 0;
}

}  // namespace

std::string homeTrashFolder() {
    return xdgDataHome() + "/Trash";
}

std::optional<std::string> topDirTrash(const std::string& topdir) {
    const std::string base = topdir == "/" ? std::string() : topdir;
    const std::string uid = std::to_string(::getuid());
    // An administrator's shared trash counts only when sticky and no link, so that no user can
    // swap another's folder inside it.
    struct stat shared {};
    const std::string sharedTrash = base + "/.Trash";
    if (::lstat(sharedTrash.c_str(), &shared) == 0 && S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX)) {
        const std::string mine = sharedTrash + "/" + uid;
        if ((::mkdir(mine.c_str(), 0700) == 0 || errno == EEXIST) && isOwnFolder(mine) && prepare(mine))
            return mine;
    }
    const std::string own = base + "/.Trash-" + uid;
    if ((::mkdir(own.c_str(), 0700) == 0 || errno == EEXIST) && isOwnFolder(own) && prepare(own)) return own;
    return std::nullopt;
}

std::string mountTopOf(const std::string& folder) {
    char resolved[PATH_MAX];
    const std::string real = ::realpath(folder.c_str(), resolved) ? std::string(resolved) : folder;
    std::ifstream mounts("/proc/self/mountinfo");
    std::string best, line;
    while (std::getline(mounts, line)) {
        std::istringstream fields(line);
        std::string id, parent, device, root, point;
        if (!(fields >> id >> parent >> device >> root >> point)) continue;
        point = unescapeMountPoint(point);
        const bool holds = point == "/" || real == point ||
                           (real.size() > point.size() && real.compare(0, point.size(), point) == 0 &&
                            real[point.size()] == '/');
        if (holds && point.size() > best.size()) best = point;
    }
    if (!best.empty()) return best;
    // Without /proc: climb while the device stays the same.
    struct stat here {};
    if (::stat(real.c_str(), &here) != 0) return "/";
    std::string top = real;
    while (top != "/") {
        struct stat up {};
        if (::stat(parentOf(top).c_str(), &up) != 0 || up.st_dev != here.st_dev) break;
        top = parentOf(top);
    }
    return top;
}

Trash::Trash(std::string homeTrash, RenameFunction rename, TopFunction topOf)
    : m_home(std::move(homeTrash)), m_rename(std::move(rename)), m_topOf(std::move(topOf)) {
    if (!m_rename)
        m_rename = [](const std::string& from, const std::string& to) {
            return ::rename(from.c_str(), to.c_str());
        };
    if (!m_topOf) m_topOf = mountTopOf;
}

bool Trash::preparedHome() const {
    // The home trash's parents need not exist yet on a fresh account.
    std::string ignored;
    return m_home.size() > 1 && m_home.front() == '/' && makeFolders(m_home, ignored) && prepare(m_home);
}

bool Trash::canTake(const std::string& path) const {
    const std::string full = absolute(path);
    struct stat st {};
    if (::lstat(full.c_str(), &st) != 0) return false;
    return preparedHome() || topDirTrash(m_topOf(parentOf(full))).has_value();
}

void Trash::put(const std::string& path) const {
    const std::string full = absolute(path);
    struct stat file {};
    if (::lstat(full.c_str(), &file) != 0) throw FileError("Cannot find \"" + path + "\": " + reason(errno));
    const bool home = preparedHome();
    struct stat homeSt {};
    if (home && ::stat(m_home.c_str(), &homeSt) == 0 && homeSt.st_dev == file.st_dev &&
        into(m_home, full, false))
        return;
    // Another file system, or one the home trash's rename cannot reach (a bind mount).
    if (const auto top = topDirTrash(m_topOf(parentOf(full))); top && into(*top, full, false)) return;
    if (home && into(m_home, full, true)) return;
    throw FileError("No trash can take \"" + path + "\"");
}

bool Trash::into(const std::string& trash, const std::string& full, bool byCopy) const {
    const std::string name = fileNameOf(full);
    char date[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    // The record keeps the whole original path even where the name inside the trash is cut.
    const std::string record =
        "[Trash Info]\nPath=" + percentEncodePath(full) + "\nDeletionDate=" + std::string(date) + "\n";
    auto failed = [&](int error) {
        return FileError("Cannot move \"" + full + "\" to the trash: " + reason(error));
    };

    // The restore record is claimed first (O_EXCL), so two files of one name never share one.
    for (int n = 1; n < 10000; ++n) {
        const std::string suffix = n == 1 ? std::string() : "." + std::to_string(n);
        const std::string trashedName =
            fitName(name, kMaxName - kInfoExtension.size() - suffix.size()) + suffix;
        const std::string info = trash + "/info/" + trashedName + std::string(kInfoExtension);
        const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            throw failed(errno);
        }
        const bool written = ::write(fd, record.data(), record.size()) == static_cast<ssize_t>(record.size());
        const int writeError = errno;
        if (::close(fd) != 0 || !written) {
            ::unlink(info.c_str());
            throw failed(written ? errno : writeError);
        }
        const std::string target = trash + "/files/" + trashedName;
        struct stat st {};
        if (::lstat(target.c_str(), &st) == 0) {  // a stray file of that name
            ::unlink(info.c_str());
            continue;
        }
        if (!byCopy) {
            if (m_rename(full, target) == 0) return true;
            const int error = errno;
            ::unlink(info.c_str());
            if (error == EXDEV) return false;
            throw failed(error);
        }
        // Where no rename reaches: the copy first, the file removed only once the copy is whole.
        struct stat source {};
        try {
            if (::lstat(full.c_str(), &source) == 0 && S_ISLNK(source.st_mode)) {
                if (!restoreLink(full, target)) throw failed(errno);
            } else {
                copyFile(full, target);
            }
        } catch (const FileError&) {
            ::unlink(info.c_str());
            throw;
        }
        if (::unlink(full.c_str()) != 0) {
            const int error = errno;
            ::unlink(target.c_str());
            ::unlink(info.c_str());
            throw failed(error);
        }
        return true;
    }
    throw FileError("Cannot move \"" + full + "\" to the trash: too many files of that name");
}

}  // namespace vexilo
