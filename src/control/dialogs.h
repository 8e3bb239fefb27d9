#pragma once
// The one door from window logic to the user's dialogs: files, folders, input, colour,
// confirmation and messages with custom buttons. The desktop program answers with real Qt
// dialogs (ui/qt_dialogs); tests answer through a scripted implementation, so no test ever
// blocks on a modal window. Paths are full paths; folders end with "/".
#include <optional>
#include <string>
#include <vector>

#include "raster/bitmap.h"

namespace vexilo {

struct SaveFileRequest {
    std::string caption;
    std::string folder;        // where the dialog opens; empty keeps the dialog's last folder
    std::string proposedName;  // file name only
    // Filter as the language packs write it: "description|pattern|description|pattern...".
    std::string filter;
    std::string defaultExtension;  // appended to a typed name without one, e.g. ".png"
    bool confirmOverwrite = true;  // the dialog itself asks before replacing a file
    bool pathMustExist = true;     // a folder that does not exist is refused by the dialog
};

enum class MessageKind { Information, Warning, Error, Question };

struct MessageRequest {
    std::string caption;
    std::string text;
    MessageKind kind = MessageKind::Information;
    std::vector<std::string> buttons;  // in this order; empty means one "OK" button
    int defaultButton = 0;             // index into buttons
    std::string details = {};          // a longer text shown on request under the message
    // The answer of Escape, and of a question closed without a click (a logout ends the program
    // while it waits); -1: Escape does nothing and such a close answers the default button.
    int escapeButton = -1;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // The chosen path, or nullopt when the user cancels.
    virtual std::optional<std::string> saveFile(const SaveFileRequest& request) = 0;
    // A folder (with its trailing "/"), or nullopt on cancel. `start` may lack the "/".
    virtual std::optional<std::string> chooseFolder(const std::string& caption, const std::string& start) = 0;
    // The text entered, or nullopt on cancel.
    virtual std::optional<std::string> inputText(const std::string& caption, const std::string& prompt,
                                                 const std::string& initial) = 0;
    virtual std::optional<Color> chooseColor(const Color& initial) = 0;
    // The index of the button pressed; with no custom buttons 0 means OK. A message box with
    // custom buttons has no close box, so one of them is always the answer.
    virtual int message(const MessageRequest& request) = 0;

    // Conveniences over message().
    void inform(const std::string& caption, const std::string& text) {
        message({caption, text, MessageKind::Information, {}, 0});
    }
    void error(const std::string& caption, const std::string& text) {
        message({caption, text, MessageKind::Error, {}, 0});
    }
};

}  // namespace vexilo
