#include "control/main_window/main_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <unordered_set>

#include "base/paths.h"
#include "base/text.h"
#include "base/version.h"
#include "lang/lang.h"
#include "lang/lang_pack.h"

namespace vexilo {

namespace {

bool fileIsGone(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) != 0;
}

// The extension of a file name with its dot; empty when the name has none (a leading dot, as in
// ".hidden", starts no extension).
std::string extensionOf(const std::string& name) {
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
}

std::string withoutTrailingSlash(std::string folder) {
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

constexpr std::size_t kNamesListed = 12;

}  // namespace

FileReplaceAnswer DialogFileOperationUi::askReplace(const std::string& source, const std::string& target) {
    const int answer = m_dialogs.message(
        {m_lang.messageText(24),
         m_lang.messageText(21) + "\n" + target + "\n\n" + m_lang.messageText(25) + "\n" + source,
         MessageKind::Question,
         {m_lang.messageText(17), m_lang.messageText(18), m_lang.messageText(19),
          stripAmpersands(m_lang.interfaceText(119))},
         0,
         {},
         3});
    switch (answer) {
        case 0:
            return FileReplaceAnswer::Replace;
        case 1:
            return FileReplaceAnswer::ReplaceAll;
        case 2:
            return FileReplaceAnswer::Skip;
        default:
            return FileReplaceAnswer::Cancel;
    }
}

std::string MainFiles::renameProblem(const std::string& answer) {
    if (answer.empty()) return "The new name is empty.";
    if (answer == "." || answer == "..") return "\"" + answer + "\" cannot be the name of a file.";
    if (answer.find('/') != std::string::npos)
        return "The new name \"" + answer +
               "\" contains \"/\"; a rename cannot move the file to another folder.";
    return {};
}

std::string MainFiles::singleCopyFilter(const std::string& fileName) {
    const std::string ext = extensionOf(fileName).substr(0, 5);
    return "Default (*" + ext + ")|*" + ext + "|Any files (*.*)|*.*";
}

void MainFiles::miCopyfiletoClick(FileCommand command, std::vector<std::size_t> selected,
                                  FileOperationUi& ui) {
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    std::erase_if(selected, [&](std::size_t r) { return r >= m_list.size(); });
    if (selected.empty()) return;
    switch (command) {
        case FileCommand::Copy:
            copyOrMove(false, selected, ui);
            break;
        case FileCommand::Move:
            copyOrMove(true, selected, ui);
            break;
        case FileCommand::Rename:
            if (selected.size() == 1) rename(selected.front(), ui);
            break;
        case FileCommand::Erase:
            erase(selected, ui);
            break;
    }
}

int MainFiles::execute(TFileOperation& op, FileOperationUi& ui) {
    const int result = op.Execute(ui);
    ui.pause();
    if (!op.Errors().empty()) {
        std::string text;
        for (const auto& e : op.Errors()) text += e + "\n";
        m_dialogs.error(kProgramName, text);
    }
    return result;
}

void MainFiles::copyOrMove(bool move, const std::vector<std::size_t>& selected, FileOperationUi& ui) {
    TFileOperation op;
    op.Mode = move ? TFileMode::foMove : TFileMode::foCopy;
    // The last selected row first, as the list has always been handed over; several icon rows
    // of one file hand it over once.
    std::unordered_set<std::string> seen;
    for (auto it = selected.rbegin(); it != selected.rend(); ++it)
        if (std::string path = m_list.row(*it).image.path(); seen.insert(path).second)
            op.Source.push_back(std::move(path));

    const auto& first = m_list.row(selected.front()).image;
    if (op.Source.size() == 1) {
        SaveFileRequest request;
        request.caption = stripAmpersands(m_lang.interfaceText(move ? 67 : 51));
        request.folder = first.Folder;
        request.proposedName = first.Name;
        request.filter = singleCopyFilter(first.Name);
        const auto chosen = m_dialogs.saveFile(request);
        if (!chosen) return;
        op.Destination = *chosen;
        const std::string chosenName = fileNameOf(*chosen);
        if (extensionOf(chosenName).empty()) op.Destination += extensionOf(first.Name);
    } else {
        const auto folder =
            m_dialogs.chooseFolder(m_lang.interfaceText(93), withoutTrailingSlash(first.Folder));
        if (!folder) return;
        op.Destination = folder->empty() || folder->back() != '/' ? *folder + "/" : *folder;
    }
    const int result = execute(op, ui);
    if (!move) return;
    // The list shows what is left before the result is told.
    dropVanishedRows(op.Source);
    report(op, result, 22);
}

void MainFiles::rename(std::size_t row, FileOperationUi& ui) {
    const auto image = m_list.row(row).image;
    const std::string path = image.path();
    const auto answer = m_dialogs.inputText(m_lang.messageText(12) + " " + path, "", image.Name);
    if (!answer || *answer == image.Name) return;
    if (const std::string problem = renameProblem(*answer); !problem.empty()) {
        m_dialogs.error(m_lang.messageText(12), problem);
        return;
    }
    TFileOperation op;
    op.Mode = TFileMode::foRename;
    op.Source = {path};
    op.Destination = image.Folder + *answer;
    // Every icon row of the file goes with it, not only the one renamed.
    if (execute(op, ui) == 0) dropVanishedRows({path});
}

void MainFiles::erase(const std::vector<std::size_t>& selected, FileOperationUi& ui) {
    TFileOperation op;
    op.Mode = TFileMode::foDelete;
    for (auto it = selected.rbegin(); it != selected.rend(); ++it)
        op.Source.push_back(m_list.row(*it).image.path());
    std::vector<std::string> unique = op.Source;
    std::sort(unique.begin(), unique.end());
    unique.erase(std::unique(unique.begin(), unique.end()), unique.end());
    op.Source = unique;

    // Decided once, before the question: what no trash can take is named and deleted for good
    // only with the user's yes; everything else goes to the trash or stays.
    std::vector<std::string> forGood, toTrash;
    for (const auto& p : unique) (op.Trashes.canTake(p) ? toTrash : forGood).push_back(p);
    op.DeleteForGood = forGood;
    std::vector<std::string> listed = forGood;
    listed.insert(listed.end(), toTrash.begin(), toTrash.end());
    std::string text = m_lang.messageText(forGood.empty() ? 26 : 27) + "\n\n";
    for (std::size_t i = 0; i < listed.size() && i < kNamesListed; ++i)
        text += (i < forGood.size() ? "* " : "") + listed[i] + "\n";
    if (listed.size() > kNamesListed)
        text += formatLangText(m_lang.messageText(30), {std::to_string(listed.size() - kNamesListed)}) + "\n";
    const std::string yes = m_lang.messageText(forGood.empty() ? 28 : 29);
    const std::string no = stripAmpersands(m_lang.interfaceText(119));
    if (m_dialogs.message(
            {stripAmpersands(m_lang.interfaceText(39)), text, MessageKind::Question, {yes, no}, 1, {}, 1}) !=
        0)
        return;
    const int result = execute(op, ui);
    dropVanishedRows(unique);
    report(op, result, 8);
}

// A failure is said as one; a cancel by the user is no failure, and what it left done stays.
void MainFiles::report(const TFileOperation& op, int result, int failureText) {
    if (result == 0) return;
    if (op.AbortByUser() && op.Errors().empty())
        m_dialogs.inform(kProgramName, m_lang.messageText(31));
    else
        m_dialogs.error(kProgramName, m_lang.messageText(failureText));
}

// Rows of several icons share one file: every row of a file that is gone goes, selected or not.
void MainFiles::dropVanishedRows(const std::vector<std::string>& paths) {
    const std::unordered_set<std::string> touched(paths.begin(), paths.end());
    for (std::size_t i = m_list.size(); i-- > 0;) {
        const std::string path = m_list.row(i).image.path();
        if (touched.contains(path) && fileIsGone(path)) m_list.removeRow(i);
    }
}

}  // namespace vexilo
