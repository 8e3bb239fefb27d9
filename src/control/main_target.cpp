#include "control/main_target.h"

namespace vexilo {

std::string ProposedSaveName(const std::string& targetPath, const std::string& extension) {
    const std::size_t slash = targetPath.find_last_of('/');
    std::string name = slash == std::string::npos ? targetPath : targetPath.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return name + extension;
}

std::string SaveFolderOf(const std::string& chosenPath) {
    const std::size_t slash = chosenPath.find_last_of('/');
    return slash == std::string::npos ? std::string() : chosenPath.substr(0, slash + 1);
}

}  // namespace vexilo
