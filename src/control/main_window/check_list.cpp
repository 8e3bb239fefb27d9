#include "control/main_window/check_list.h"

#include "base/text.h"
#include "imageio/file_kind.h"

namespace vexilo::search {

int CheckList::find(const std::string& text) const {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].text == text) return static_cast<int>(i);
    return -1;
}

int CheckList::findIgnoringCase(const std::string& text) const {
    const std::u32string folded = foldedCodePoints(text);
    for (std::size_t i = 0; i < items.size(); ++i)
        if (foldedCodePoints(items[i].text) == folded) return static_cast<int>(i);
    return -1;
}

void CheckList::append(std::string text, bool checked) {
    items.push_back({std::move(text), checked, false});
}

void CheckList::remove(std::size_t index) {
    if (index >= items.size()) return;
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(index));
    const int i = static_cast<int>(index);
    if (current > i || current >= static_cast<int>(items.size())) --current;
}

void CheckList::checkAll(bool on) {
    for (auto& item : items) item.checked = on;
}

std::vector<std::string> CheckList::texts() const {
    std::vector<std::string> out;
    for (const auto& item : items) out.push_back(item.text);
    return out;
}

std::vector<std::string> CheckList::checkedTexts() const {
    std::vector<std::string> out;
    for (const auto& item : items)
        if (item.checked) out.push_back(item.text);
    return out;
}

std::vector<CheckItem> defaultMaskEntries() {
    std::vector<CheckItem> out;
    // The "all files" entry starts unchecked, every format's mask checked.
    for (const FileFormat& format : fileFormats())
        out.push_back({format.mask, format.kind != kind::AllFiles, false});
    return out;
}

bool isBuiltInMask(const std::string& text) {
    for (const FileFormat& format : fileFormats())
        if (format.kind != kind::AllFiles && text == format.mask) return true;
    return false;
}

}  // namespace vexilo::search
