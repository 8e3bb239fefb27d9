#pragma once
// Dialogs answered from a script, for window and controller tests: each kind of dialog pops
// its next answer (cancel when the script is empty) and records what it was asked.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "control/dialogs.h"

namespace vexilo::test {

class ScriptedDialogs : public Dialogs {
public:
    std::deque<std::optional<std::string>> saveAnswers, folderAnswers, inputAnswers;
    std::deque<std::optional<Color>> colorAnswers;
    std::deque<int> messageAnswers;  // empty: the first button

    std::vector<SaveFileRequest> saveRequests;
    std::vector<std::string> folderStarts;
    std::vector<std::string> inputCaptions;
    std::vector<MessageRequest> messages;

    std::optional<std::string> saveFile(const SaveFileRequest& request) override {
        saveRequests.push_back(request);
        return pop(saveAnswers);
    }
    std::optional<std::string> chooseFolder(const std::string&, const std::string& start) override {
        folderStarts.push_back(start);
        return pop(folderAnswers);
    }
    std::optional<std::string> inputText(const std::string& caption, const std::string&,
                                         const std::string&) override {
        inputCaptions.push_back(caption);
        return pop(inputAnswers);
    }
    std::optional<Color> chooseColor(const Color&) override { return pop(colorAnswers); }
    int message(const MessageRequest& request) override {
        messages.push_back(request);
        return pop(messageAnswers, request.defaultButton);
    }

private:
    template <class T>
    static T pop(std::deque<T>& answers, T otherwise = {}) {
        if (answers.empty()) return otherwise;
        T answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

}  // namespace vexilo::test
