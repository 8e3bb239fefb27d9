#pragma once
// File-name pieces of "/"-separated paths.
#include <string>

namespace vexilo {

// The file name: what follows the last "/" (the whole path without one).
std::string fileNameOf(const std::string& path);

// The folder: everything up to and with the last "/"; "" for a path without one.
std::string folderOf(const std::string& path);

// The extension of the file name from its last dot, with the dot, as written; "" when the name
// has no dot. A leading dot counts (".wmf" is the extension of ".wmf"), as the loaders read names.
std::string fileExtension(const std::string& path);
// The same, lower-cased (ASCII only).
std::string lowerExtension(const std::string& path);
// The path with the file name's extension (as fileExtension finds it) replaced by `extension`,
// or `extension` appended when the name has none.
std::string replaceExtension(const std::string& path, const std::string& extension);

}  // namespace vexilo
