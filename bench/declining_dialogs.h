#pragma once
// Dialogs for the window benchmarks: every question is declined, every message answered with
// its first button, so that nothing waits for a user.
#include <optional>
#include <string>

#include "control/dialogs.h"

namespace vexilo::bench {

struct DecliningDialogs : Dialogs {
    std::optional<std::string> saveFile(const SaveFileRequest&) override { return {}; }
    std::optional<std::string> chooseFolder(const std::string&, const std::string&) override { return {}; }
    std::optional<std::string> inputText(const std::string&, const std::string&,
                                         const std::string&) override {
        return {};
    }
    std::optional<Color> chooseColor(const Color&) override { return {}; }
    int message(const MessageRequest&) override { return 0; }
};

}  // namespace vexilo::bench
