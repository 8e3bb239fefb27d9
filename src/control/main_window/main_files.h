#pragma once
// The main window's four file commands on the selected rows (copy, move, rename, erase): the
// dialogs they ask through, the operation they run and the rows they drop.
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

// The window's display of a running operation's progress.
class FileProgressView {
public:
    virtual ~FileProgressView() = default;
    // Shows how far the work is; false once the user cancelled.
    virtual bool progress(const FileProgress& p) = 0;
    // A question or message is about to open: the display hides, and shows again only once the
    // work has run a while after it.
    virtual void pause() = 0;
};

// The replace question, asked through Dialogs in the pack's language, and the progress shown by
// the window's view (none in tests).
class DialogFileOperationUi : public FileOperationUi {
public:
    DialogFileOperationUi(Dialogs& dialogs, const TLang& lang, FileProgressView* view = nullptr)
        : m_dialogs(dialogs), m_lang(lang), m_view(view) {}
    FileReplaceAnswer askReplace(const std::string& source, const std::string& target) override;
    bool progress(const FileProgress& p) override { return !m_view || m_view->progress(p); }
    void pause() override {
        if (m_view) m_view->pause();
    }

private:
    Dialogs& m_dialogs;
    const TLang& m_lang;
    FileProgressView* m_view;
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
    void report(const TFileOperation& op, int result, int failureText);
    void dropVanishedRows(const std::vector<std::string>& paths);

    search::FoundImageList& m_list;
    Dialogs& m_dialogs;
    const TLang& m_lang;
};

}  // namespace vexilo
