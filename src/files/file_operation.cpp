#include "files/file_operation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <random>

#include "base/errors.h"
#include "base/file_io.h"

namespace vexilo {

namespace {

std::string reason() {
    return std::strerror(errno);
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string nameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool statPath(const std::string& path, struct stat& st) {
    return ::stat(path.c_str(), &st) == 0;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool existsNoFollow(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// A fresh name beside `target` for the copy in progress, so that the target is replaced only by
// a whole file.
std::string temporaryBeside(const std::string& target) {
    static std::mt19937 random{std::random_device{}()};
    return folderOf(target) + "." + nameOf(target) + ".vxtmp" + std::to_string(random() % 1000000);
}

class CancelledCopy {};

// Copies the contents, permissions and times of `source` to `target` through a temporary file;
// on any failure the target is left as it was. `onBytes` returns false to cancel.
template <class OnBytes>
void copyFile(const std::string& source, const std::string& target, const OnBytes& onBytes) {
    struct stat st {};
    const FileDescriptor in = openRegularFile(source, st);

    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = temporaryBeside(target);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) throw ImageError("Cannot create \"" + target + "\": " + reason());
    FileDescriptor out(fd);
    auto fail = [&](const std::string& what) {
        const std::string text = what + reason();
        ::unlink(temp.c_str());
        throw ImageError(text);
    };

    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            fail("Cannot read \"" + source + "\": ");
        }
        if (n == 0) break;
        for (ssize_t written = 0; written < n;) {
            const ssize_t w =
                ::write(out.get(), buffer.data() + written, static_cast<std::size_t>(n - written));
            if (w < 0) {
                if (errno == EINTR) continue;
                fail("Cannot write \"" + target + "\": ");
            }
            written += w;
        }
        if (!onBytes(static_cast<std::uint64_t>(n))) {
            ::unlink(temp.c_str());
            throw CancelledCopy{};
        }
    }
    if (::fchmod(out.get(), st.st_mode & 07777) != 0)
        fail("Cannot set the permissions of \"" + target + "\": ");
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out.get(), times) != 0) fail("Cannot set the times of \"" + target + "\": ");
    if (::fsync(out.get()) != 0) fail("Cannot write \"" + target + "\": ");
    if (out.closeNow() != 0) fail("Cannot write \"" + target + "\": ");
    if (::rename(temp.c_str(), target.c_str()) != 0) fail("Cannot create \"" + target + "\": ");
    // A move removes its source next: the copy's name must be on disk first.
    syncFolderOf(target);
}

std::uint64_t sizeOf(const std::string& path) {
    struct stat st {};
    return statPath(path, st) && S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
}

}  // namespace

int TFileOperation::Execute(FileOperationUi& ui) {
    m_abortByUser = false;
    m_replaceAll = (Options & foNoConfirmation) != 0;
    m_errors.clear();
    switch (Mode) {
        case TFileMode::foCopy:
            copyOrMove(ui, false);
            break;
        case TFileMode::foMove:
            copyOrMove(ui, true);
            break;
        case TFileMode::foRename:
            rename();
            break;
        case TFileMode::foDelete:
            erase(ui);
            break;
    }
    return m_abortByUser || !m_errors.empty() ? 1 : 0;
}

bool TFileOperation::confirmReplace(FileOperationUi& ui, const std::string& source, const std::string& target,
                                    bool& skip) {
    skip = false;
    if (!existsNoFollow(target) || m_replaceAll) return true;
    switch (ui.askReplace(source, target)) {
        case ReplaceAnswer::Replace:
            return true;
        case ReplaceAnswer::ReplaceAll:
            m_replaceAll = true;
            return true;
        case ReplaceAnswer::Skip:
            skip = true;
            return true;
        case ReplaceAnswer::Cancel:
            m_abortByUser = true;
            return false;
    }
    return false;
}

void TFileOperation::copyOrMove(FileOperationUi& ui, bool move) {
    struct stat destSt {};
    const bool toFolder = (!Destination.empty() && Destination.back() == '/') ||
                          (statPath(Destination, destSt) && S_ISDIR(destSt.st_mode));
    if (!toFolder && Source.size() > 1) {
        m_errors.push_back("Cannot put several files into one file \"" + Destination + "\"");
        return;
    }
    const std::string folder = toFolder && Destination.back() != '/' ? Destination + "/" : Destination;

    FileProgress progress;
    progress.fileCount = Source.size();
    for (const auto& source : Source) progress.bytesTotal += sizeOf(source);

    for (std::size_t i = 0; i < Source.size(); ++i) {
        const std::string& source = Source[i];
        const std::string target = toFolder ? folder + nameOf(source) : Destination;
        progress.fileIndex = i;
        progress.current = source;
        if (!ui.progress(progress)) {
            m_abortByUser = true;
            return;
        }
        struct stat srcSt {
        }, targetSt{};
        if (!statPath(source, srcSt)) {
            m_errors.push_back("Cannot find \"" + source + "\": " + reason());
            continue;
        }
        // Copying a file onto itself would truncate it before reading it.
        if (statPath(target, targetSt) && sameFile(srcSt, targetSt)) {
            m_errors.push_back("\"" + source + "\" cannot be copied or moved onto itself");
            continue;
        }
        if (statPath(target, targetSt) && S_ISDIR(targetSt.st_mode)) {
            m_errors.push_back("Cannot replace the folder \"" + target + "\" with a file");
            continue;
        }
        bool skip = false;
        if (!confirmReplace(ui, source, target, skip)) return;
        if (skip) {
            progress.bytesDone += sizeOf(source);
            continue;
        }
        if (move && ::rename(source.c_str(), target.c_str()) == 0) {
            progress.bytesDone += static_cast<std::uint64_t>(srcSt.st_size);
            continue;
        }
        if (move && errno != EXDEV) {
            m_errors.push_back("Cannot move \"" + source + "\" to \"" + target + "\": " + reason());
            continue;
        }
        try {
            copyFile(source, target, [&](std::uint64_t bytes) {
                progress.bytesDone += bytes;
                return ui.progress(progress);
            });
        } catch (const CancelledCopy&) {
            m_abortByUser = true;
            return;
        } catch (const ImageError& e) {
            m_errors.emplace_back(e.what());
            continue;
        }
        // Across file systems the source goes only once its copy is complete.
        if (move && ::unlink(source.c_str()) != 0)
            m_errors.push_back("Copied \"" + source + "\" but cannot remove it: " + reason());
    }
}

void TFileOperation::rename() {
    if (Source.size() != 1) {
        m_errors.push_back("Rename needs exactly one file");
        return;
    }
    const std::string& source = Source.front();
    struct stat srcSt {
    }, targetSt{};
    if (::lstat(source.c_str(), &srcSt) != 0) {
        m_errors.push_back("Cannot find \"" + source + "\": " + reason());
        return;
    }
    // Another file of that name is never replaced by a rename; the same file under another
    // letter case (a case-insensitive file system) is.
    if (::lstat(Destination.c_str(), &targetSt) == 0 && !sameFile(srcSt, targetSt)) {
        m_errors.push_back("Cannot rename \"" + source + "\": \"" + Destination + "\" already exists");
        return;
    }
    if (::rename(source.c_str(), Destination.c_str()) != 0)
        m_errors.push_back("Cannot rename \"" + source + "\" to \"" + Destination + "\": " + reason());
}

void TFileOperation::erase(FileOperationUi& ui) {
    FileProgress progress;
    progress.fileCount = Source.size();
    for (std::size_t i = 0; i < Source.size(); ++i) {
        const std::string& path = Source[i];
        progress.fileIndex = i;
        progress.current = path;
        if (!ui.progress(progress)) {
            m_abortByUser = true;
            return;
        }
        if (!existsNoFollow(path)) {
            m_errors.push_back("Cannot find \"" + path + "\"");
            continue;
        }
        try {
            if ((Options & foDeletePermanently) == 0 && canMoveToTrash(path)) {
                moveToTrash(path);
            } else if (::unlink(path.c_str()) != 0) {
                m_errors.push_back("Cannot erase \"" + path + "\": " + reason());
            }
        } catch (const ImageError& e) {
            m_errors.emplace_back(e.what());
        }
    }
}

}  // namespace vexilo
