#pragma once
// Whole-file reading and safe writing. Writes never leave a half-written file where a good one
// stood: the bytes go to a temporary file in the same folder, which is renamed over the target
// once complete.
#include <sys/stat.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vexilo {

class FileDescriptor {  // closes on every path
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor();
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    // Closes now and answers close()'s result, for writers that must see a late write failure.
    int closeNow();

private:
    int m_fd;
};

// Opens a file for reading that is a regular file, and fills `st`. The open never blocks: a
// named pipe under a file's name must not wait for a writer, and pipes and devices (an endless
// /dev/zero) are refused. Throws FileError naming the path.
FileDescriptor openRegularFile(const std::string& path, struct stat& st);

// Reads the whole file. Throws FileError naming the path when it cannot be opened or read,
// or when it is larger than maxBytes.
std::vector<std::uint8_t> readFileBytes(const std::string& path,
                                        std::uint64_t maxBytes = std::uint64_t{1} << 31);

// Writes the bytes atomically (temporary file, flush, rename). Throws FileError with the
// system's reason on failure, leaving any existing file untouched.
void writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes);

bool fileExists(const std::string& path);

}  // namespace vexilo
