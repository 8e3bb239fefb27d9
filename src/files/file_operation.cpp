#include "files/file_operation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <unordered_set>

#include "base/errors.h"
#include "base/paths.h"
#include "files/copy_file.h"

namespace vexilo {

namespace {

std::string reason() {
    return std::strerror(errno);
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
    ui.pause();
    switch (ui.askReplace(source, target)) {
        case FileReplaceAnswer::Replace:
            return true;
        case FileReplaceAnswer::ReplaceAll:
            m_replaceAll = true;
            return true;
        case FileReplaceAnswer::Skip:
            skip = true;
            return true;
        case FileReplaceAnswer::Cancel:
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
        const std::string target = toFolder ? folder + fileNameOf(source) : Destination;
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
        } catch (const CopyCancelled&) {
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
    const std::unordered_set<std::string> forGood(DeleteForGood.begin(), DeleteForGood.end());
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
        // Decided before the question was asked: a trash that fails now leaves the file alone.
        if ((Options & foDeletePermanently) != 0 || forGood.contains(path)) {
            if (::unlink(path.c_str()) != 0) m_errors.push_back("Cannot erase \"" + path + "\": " + reason());
            continue;
        }
        try {
            Trashes.put(path);
        } catch (const ImageError& e) {
            m_errors.emplace_back(e.what());
        }
    }
}

bool canMoveToTrash(const std::string& path) {
    return Trash().canTake(path);
}

void moveToTrash(const std::string& path) {
    Trash().put(path);
}

}  // namespace vexilo
