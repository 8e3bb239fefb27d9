#include "base/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string_view>

#include "base/errors.h"
#include "base/paths.h"

namespace vexilo {

namespace {
std::string systemReason() {
    return std::strerror(errno);
}

}  // namespace

FileDescriptor::~FileDescriptor() {
    if (m_fd >= 0) ::close(m_fd);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = other.release();
    }
    return *this;
}

int FileDescriptor::closeNow() {
    const int rc = ::close(m_fd);
    m_fd = -1;
    return rc;
}

FileDescriptor openRegularFile(const std::string& path, struct stat& st) {
    if (path.empty()) throw FileError("Cannot open file: the path is empty");
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) throw FileError("Cannot open file \"" + path + "\": " + systemReason());
    if (::fstat(fd.get(), &st) != 0) throw FileError("Cannot read file \"" + path + "\": " + systemReason());
    if (S_ISDIR(st.st_mode)) throw FileError("Cannot open file \"" + path + "\": it is a folder");
    if (!S_ISREG(st.st_mode)) throw FileError("Cannot open file \"" + path + "\": not a regular file");
    return fd;
}

std::vector<std::uint8_t> readFileBytes(const std::string& path, std::uint64_t maxBytes) {
    struct stat st {};
    const FileDescriptor fd = openRegularFile(path, st);
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes)
        throw FileError("File \"" + path + "\" is too large (" + std::to_string(st.st_size) + " bytes)");
    std::vector<std::uint8_t> bytes;
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw FileError("Cannot read file \"" + path + "\": " + systemReason());
        }
        if (n == 0) break;
        if (bytes.size() + static_cast<std::size_t>(n) > maxBytes)
            throw FileError("File \"" + path + "\" is too large");
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
}

namespace {

constexpr std::string_view kTempPrefix = ".vexilo-";
constexpr std::string_view kTempSuffix = ".tmp";

std::string hex8(std::uint32_t v) {
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08x", v);
    return buf;
}

bool allHex(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

bool allDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(),
                                     [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

// The process id in a temporary name of this version, or 0 for another name.
std::uint32_t temporaryOwner(std::string_view name) {
    constexpr std::size_t kLength = kTempPrefix.size() + 8 + 1 + 8 + kTempSuffix.size();
    if (name.size() != kLength || !name.starts_with(kTempPrefix) || !name.ends_with(kTempSuffix)) return 0;
    const std::string_view pid = name.substr(kTempPrefix.size(), 8);
    const std::string_view number = name.substr(kTempPrefix.size() + 9, 8);
    if (name[kTempPrefix.size() + 8] != '-' || !allHex(pid) || !allHex(number)) return 0;
    return static_cast<std::uint32_t>(std::stoul(std::string(pid), nullptr, 16));
}

// Names earlier versions staged under: ".<name>.vxpart<digits><extension>" and
// "<name>.vxtmp<digits>". Their writers never recorded who made them, so they are old by now.
bool isOldTemporaryName(std::string_view name) {
    if (const std::size_t at = name.rfind(".vxtmp"); at != std::string_view::npos && at > 0)
        if (allDigits(name.substr(at + 6))) return true;
    if (name.size() < 2 || name[0] != '.') return false;
    const std::size_t at = name.rfind(".vxpart");
    if (at == std::string_view::npos || at == 0) return false;
    std::string_view rest = name.substr(at + 7);
    const std::size_t dot = rest.find('.');
    if (dot != std::string_view::npos) {
        if (rest.substr(dot + 1).find('.') != std::string_view::npos) return false;
        rest = rest.substr(0, dot);
    }
    return allDigits(rest);
}

}  // namespace

void syncFolderOf(const std::string& path) {
    const std::string folder = folderOf(path);
    FileDescriptor fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // Some file systems cannot sync a folder; the rename itself has been made.
    if (fd.get() >= 0 && ::fsync(fd.get()) != 0 && errno == EIO)
        throw FileError("Cannot write file \"" + path + "\": " + systemReason());
}

bool isTemporaryName(const std::string& name) {
    return temporaryOwner(name) != 0 || isOldTemporaryName(name);
}

void removeStaleTemporaries(const std::string& folder) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
    if (!dir) return;
    const auto self = static_cast<std::uint32_t>(::getpid());
    std::string base = folder;
    if (!base.empty() && base.back() != '/') base += '/';
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string_view name = e->d_name;
        const std::uint32_t owner = temporaryOwner(name);
        bool stale = isOldTemporaryName(name);
        // A temporary file of a process that still runs is work in progress.
        if (owner != 0) stale = owner != self && ::kill(static_cast<pid_t>(owner), 0) != 0 && errno == ESRCH;
        if (!stale) continue;
        const std::string path = base + std::string(name);
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
    }
}

FileDescriptor createTemporaryBeside(const std::string& target, std::string& temp, mode_t mode) {
    if (target.empty()) throw FileError("Cannot create file: the path is empty");
    static std::atomic<std::uint32_t> counter{std::random_device{}()};
    const std::string folder = folderOf(target);
    const std::string pid = hex8(static_cast<std::uint32_t>(::getpid()));
    FileDescriptor fd;
    for (int attempt = 0; fd.get() < 0; ++attempt) {
        temp = folder + std::string(kTempPrefix) + pid + "-" + hex8(counter++) + std::string(kTempSuffix);
        fd = FileDescriptor(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (fd.get() < 0 && (errno != EEXIST || attempt == 100))
            throw FileError("Cannot create file \"" + target + "\": " + systemReason());
    }
    return fd;
}

std::string writeTemporaryBeside(const std::string& target, std::span<const std::uint8_t> bytes) {
    std::string temp;
    FileDescriptor fd = createTemporaryBeside(target, temp);
    auto fail = [&](const std::string& what) {
        const std::string reason = systemReason();
        ::close(fd.release());
        ::unlink(temp.c_str());
        throw FileError(what + " \"" + target + "\": " + reason);
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("Cannot write file");
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd.get()) != 0) fail("Cannot write file");
    if (fd.closeNow() != 0) {
        const std::string reason = systemReason();
        ::unlink(temp.c_str());
        throw FileError("Cannot write file \"" + target + "\": " + reason);
    }
    return temp;
}

void commitTemporary(const std::string& temp, const std::string& target) {
    // Keep the permissions of a file being replaced.
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::chmod(temp.c_str(), st.st_mode & 07777);
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const std::string reason = systemReason();
        ::unlink(temp.c_str());
        throw FileError("Cannot replace file \"" + target + "\": " + reason);
    }
    syncFolderOf(target);
}

void writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (path.empty()) throw FileError("Cannot create file: the path is empty");
    removeStaleTemporaries(folderOf(path));
    commitTemporary(writeTemporaryBeside(path, bytes), path);
}

std::string replaceRefusal(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    if (::access(path.c_str(), W_OK) != 0) return "Cannot replace file \"" + path + "\": " + systemReason();
    // Marked read-only for everybody binds the superuser too.
    if ((st.st_mode & 0222) == 0) return "Cannot replace file \"" + path + "\": the file is read-only";
    return {};
}

bool makeFolders(const std::string& folder, std::string& reason) {
    std::string path;
    std::size_t pos = 0;
    while (pos < folder.size()) {
        std::size_t end = folder.find('/', pos);
        if (end == std::string::npos) end = folder.size();
        path = folder.substr(0, end);
        pos = end + 1;
        if (path.empty()) continue;
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
            reason = "cannot create folder \"" + path + "\": " + std::strerror(errno);
            return false;
        }
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        reason = "\"" + folder + "\" is not a folder";
        return false;
    }
    return true;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

}  // namespace vexilo
