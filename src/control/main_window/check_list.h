#pragma once
// The two check lists of the "Search" tab, the mask list and the search folders, with the
// rules for editing them. Plain data: a window mirrors the entries and calls these rules.
#include <string>
#include <vector>

namespace vexilo::search {

struct CheckItem {
    std::string text;
    bool checked = false;
    bool selected = false;
};

struct CheckList {
    std::vector<CheckItem> items;
    int current = -1;  // the focused entry, -1 for none

    std::size_t size() const { return items.size(); }
    // Position of the entry with exactly this text, or -1.
    int find(const std::string& text) const;
    // Position of the entry whose text equals this one apart from letter case, or -1.
    int findIgnoringCase(const std::string& text) const;
    void append(std::string text, bool checked);
    void remove(std::size_t index);
    void checkAll(bool on);
    std::vector<std::string> texts() const;
    std::vector<std::string> checkedTexts() const;
};

// The start entries of the mask list: the format table's masks in its order, the "all files"
// entry (its display name) unchecked, every other one checked.
std::vector<CheckItem> defaultMaskEntries();
// True for the mask of a format row other than "all files".
bool isBuiltInMask(const std::string& text);

enum class DeletePaths { Selected, All };

}  // namespace vexilo::search
