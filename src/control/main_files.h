#pragma once
// The main window's four file commands on the selected rows (copy, move, rename, erase): which
// are enabled, the dialogs they ask through, the operation they run and the rows they drop.
// Rows are dropped only when their file is really gone.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "control/dialogs.h"
#include "files/file_operation.h"
#include "search/found_list.h"

namespace vexilo {

class TLang;

enum class FileCommand { Copy, Move, Rename, Erase };

struct FileCommandStates {
    bool copy = false, move = false, rename = false, erase = false, contextMenu = false;
};
// Copy, move and erase need a selected row; rename and the desktop actions exactly one.
FileCommandStates fileCommandStates(std::size_t selectedCount);

// The replace question and the progress of a running operation, asked through Dialogs. The
// window passes a progress function that shows its progress dialog; false cancels.
class DialogFileOperationUi : public FileOperationUi {
public:
    DialogFileOperationUi(Dialogs& dialogs, std::function<bool(const FileProgress&)> onProgress = {})
        : m_dialogs(dialogs), m_onProgress(std::move(onProgress)) {}
    ReplaceAnswer askReplace(const std::string& source, const std::string& target) override;
    bool progress(const FileProgress& p) override { return !m_onProgress || m_onProgress(p); }

private:
    Dialogs& m_dialogs;
    std::function<bool(const FileProgress&)> m_onProgress;
};

class MainFiles {
public:
    MainFiles(search::FoundImageList& list, Dialogs& dialogs, const TLang& lang)
        : m_list(list), m_dialogs(dialogs), m_lang(lang) {}

    // The handler of all eight menu entries. `selected` are row positions in any order.
    void miCopyfiletoClick(FileCommand command, std::vector<std::size_t> selected, FileOperationUi& ui);

    // A rename answer that would put the file elsewhere or name nothing; empty when it is fine.
    static std::string renameProblem(const std::string& answer);
    // The save dialog filter of a single-file copy: "Default (*.ext)|*.ext|Any files (*.*)|*.*".
    static std::string singleCopyFilter(const std::string& fileName);

private:
    void copyOrMove(bool move, const std::vector<std::size_t>& selected, FileOperationUi& ui);
    void rename(std::size_t row, FileOperationUi& ui);
    void erase(const std::vector<std::size_t>& selected, FileOperationUi& ui);
    int execute(TFileOperation& op, FileOperationUi& ui);
    void dropVanishedRows(const std::vector<std::size_t>& selected);

    search::FoundImageList& m_list;
    Dialogs& m_dialogs;
    const TLang& m_lang;
};

}  // namespace vexilo
