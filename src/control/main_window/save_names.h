#pragma once
// The names the save dialog of the target's save commands proposes and remembers; the commands
// themselves are the format table's save rows (imageio/file_kind.h).
#include <string>

namespace vexilo {

// The name the save dialog proposes: the target's file name without its folder, its extension
// replaced by `extension` ("photo.bmp" -> "photo.jpg"; a leading dot starts no extension).
std::string ProposedSaveName(const std::string& targetPath, const std::string& extension);
// The folder of a chosen file with its trailing "/" ("" for a bare name): the next last save
// folder.
std::string SaveFolderOf(const std::string& chosenPath);

}  // namespace vexilo
