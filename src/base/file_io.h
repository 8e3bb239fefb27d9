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

// Writes the bytes atomically (temporary file, sync, rename, folder sync), after removing this
// program's leftovers from crashed runs in the same folder. Throws FileError with the system's
// reason on failure, leaving any existing file untouched.
void writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes);

// The two halves of an atomic write, for writers that make many files. writeTemporaryBeside
// writes and syncs the bytes under a new temporary name in target's folder and answers that
// path; commitTemporary renames it over target (which keeps its permissions) and syncs the
// folder. Both throw FileError naming target, never the temporary file, and remove the
// temporary file when they fail.
std::string writeTemporaryBeside(const std::string& target, std::span<const std::uint8_t> bytes);
// Creates a new, empty temporary file in target's folder for a writer that streams (a file
// copy): answers it open for writing, its path in temp. Throws FileError naming target.
FileDescriptor createTemporaryBeside(const std::string& target, std::string& temp, mode_t mode = 0666);
void commitTemporary(const std::string& temp, const std::string& target);

// Makes the folder entry of a file just renamed into place durable. Throws FileError naming
// path when the folder cannot be written out; a file system that cannot sync folders is no
// error.
void syncFolderOf(const std::string& path);

// Temporary names are ".vexilo-PPPPPPPP-NNNNNNNN.tmp" (process id and number in hex): hidden,
// of one length whatever the target's name, and never an image extension. Removes from folder
// the regular files so named whose process is gone, and the older ".vxpart"/".vxtmp" names of
// earlier versions; nothing else. Errors are ignored.
void removeStaleTemporaries(const std::string& folder);
bool isTemporaryName(const std::string& name);

// Empty when the user may replace an existing file at path (or there is none), else the reason:
// a file the user may not write, or one marked read-only for everybody, is not replaced.
std::string replaceRefusal(const std::string& path);

bool fileExists(const std::string& path);

// Creates folder and its missing parents, private to the user (mode 0700), as the settings and
// trash folders should be. False with the reason when a step fails or folder is no folder.
bool makeFolders(const std::string& folder, std::string& reason);

}  // namespace vexilo
