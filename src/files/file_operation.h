#pragma once
// Copy, move, rename and erase of the files behind selected rows, done by the program itself:
// an existing target is replaced only when the user agrees, copies keep times and permissions,
// a move across file systems copies first and removes the source only once the copy is whole,
// and erase moves files to the desktop's trash (deleting for good only where there is none).
// Execute answers 0 when everything was done and non-zero when anything failed or was
// cancelled; AbortByUser tells the two apart.
#include <cstdint>
#include <string>
#include <vector>

#include "files/trash.h"

namespace vexilo {

enum class TFileMode { foCopy, foDelete, foMove, foRename };

// Flags that change the default behaviour; the main window passes none.
enum TFileOption : std::uint32_t {
    foNoConfirmation = 1u << 0,     // replace existing targets without asking
    foDeletePermanently = 1u << 1,  // erase without the trash
};
using TFileOptions = std::uint32_t;

// The answer to "replace the existing target?" (the batch job asks its own, other question).
enum class FileReplaceAnswer { Replace, ReplaceAll, Skip, Cancel };

struct FileProgress {
    std::size_t fileIndex = 0;  // the file being worked on, 0-based
    std::size_t fileCount = 0;
    std::string current;                          // its full path
    std::uint64_t bytesDone = 0, bytesTotal = 0;  // of all files; 0 total for erase and rename
};

// What the operation asks of its caller; the window shows dialogs, tests answer in code.
class FileOperationUi {
public:
    virtual ~FileOperationUi() = default;
    // `target` exists and `source` would replace it.
    virtual FileReplaceAnswer askReplace(const std::string& source, const std::string& target) = 0;
    // Called before each file and during long copies; false cancels (the file being copied is
    // left as it was, the files done so far stay done).
    virtual bool progress(const FileProgress&) { return true; }
    // Called before the user is asked or told something while the work runs; a progress
    // display steps aside until the work has run a while again.
    virtual void pause() {}
};

class TFileOperation {
public:
    std::vector<std::string> Source;  // full paths; kept as a list, never joined into one text
    std::string Destination;          // a folder (ending with "/" or existing), or one full file name
    TFileMode Mode = TFileMode::foCopy;
    TFileOptions Options = 0;
    // Erase: the files the user agreed beforehand to delete for good because no trash could take
    // them. Every other file goes to the trash, or stays where it is when that fails.
    std::vector<std::string> DeleteForGood;
    Trash Trashes;  // where erased files go

    // Runs the operation. Every failure is recorded in Errors() and the run goes on with the
    // next file, except a cancel, which stops it.
    int Execute(FileOperationUi& ui);

    bool AbortByUser() const { return m_abortByUser; }
    const std::vector<std::string>& Errors() const { return m_errors; }

private:
    void copyOrMove(FileOperationUi& ui, bool move);
    void rename();
    void erase(FileOperationUi& ui);
    bool confirmReplace(FileOperationUi& ui, const std::string& source, const std::string& target,
                        bool& skip);

    bool m_abortByUser = false;
    bool m_replaceAll = false;
    std::vector<std::string> m_errors;
};

// The default trash's Trash::canTake and Trash::put.
bool canMoveToTrash(const std::string& path);
void moveToTrash(const std::string& path);

}  // namespace vexilo
