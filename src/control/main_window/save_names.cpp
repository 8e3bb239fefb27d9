#include "control/main_window/save_names.h"

#include "base/paths.h"

namespace vexilo {

std::string ProposedSaveName(const std::string& targetPath, const std::string& extension) {
    std::string name = fileNameOf(targetPath);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name + extension;
}

std::string SaveFolderOf(const std::string& chosenPath) {
    return folderOf(chosenPath);
}

}  // namespace vexilo
