#pragma once
// The dialog interface answered with real Qt dialogs.
#include <functional>

#include "control/dialogs.h"

class QDialog;
class QString;
class QWidget;

namespace vexilo {

// How a window runs its own modal dialogs (the batch dialog, the advanced options): exec() in
// the program. A test substitutes it to act inside the dialog's event loop, as a person does,
// instead of waiting for the dialog from a timer. Answers exec()'s result.
using RunModal = std::function<int(QDialog&)>;
int execModal(QDialog& dialog);

class TLang;

class QtDialogs : public Dialogs {
public:
    // parent: the window the dialogs belong to (may be null and set later).
    explicit QtDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }
    // The pack whose texts the dialogs' own messages use (may be null: English).
    void setLanguage(const TLang* lang) { m_lang = lang; }

    std::optional<std::string> saveFile(const SaveFileRequest& request) override;
    std::optional<std::string> chooseFolder(const std::string& caption, const std::string& start) override;
    std::optional<std::string> inputText(const std::string& caption, const std::string& prompt,
                                         const std::string& initial) override;
    std::optional<Color> chooseColor(const Color& initial) override;
    int message(const MessageRequest& request) override;

    // How the file, input and message dialogs are run (tests act inside them).
    RunModal runModal = execModal;

private:
    QWidget* m_parent;
    const TLang* m_lang = nullptr;
    // The save dialog's starting folder as it was last given: a request without a folder opens
    // there (not where the user last chose a file).
    std::string m_saveFolder;
};

// "description|pattern|description|pattern" as a QFileDialog filter ("description (patterns)"
// entries joined by ";;"); several patterns in one entry are separated by ";". Qt takes the
// patterns from the description's last parentheses, split at blanks, so a description that
// lists them its own way ("Metafiles (*.emf,*.wmf)") gets them there as Qt reads them.
QString qtFileFilter(const std::string& filter);

}  // namespace vexilo
