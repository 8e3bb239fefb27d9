#include "base/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "base/errors.h"

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

void writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (path.empty()) throw FileError("Cannot create file: the path is empty");
    std::random_device rd;
    const std::string temp = path + ".vxtmp" + std::to_string(rd() % 1000000u);
    FileDescriptor fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.get() < 0) throw FileError("Cannot create file \"" + path + "\": " + systemReason());
    auto fail = [&](const std::string& what) {
        const std::string reason = systemReason();
        ::close(fd.release());
        ::unlink(temp.c_str());
        throw FileError(what + " \"" + path + "\": " + reason);
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
    // Keep the permissions of a file being replaced.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) ::fchmod(fd.get(), st.st_mode & 07777);
    if (::fsync(fd.get()) != 0) fail("Cannot write file");
    if (::close(fd.release()) != 0) {
        const std::string reason = systemReason();
        ::unlink(temp.c_str());
        throw FileError("Cannot write file \"" + path + "\": " + reason);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const std::string reason = systemReason();
        ::unlink(temp.c_str());
        throw FileError("Cannot replace file \"" + path + "\": " + reason);
    }
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

}  // namespace vexilo
