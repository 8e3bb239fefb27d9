#pragma once
// Paths in the percent-encoded form that trash records, file URIs and the thumbnail cache use.
#include <string>

namespace vexilo {

// Every byte but the ASCII letters, digits and "/-_.~" as %XX.
std::string percentEncodePath(const std::string& path);
inline std::string fileUrl(const std::string& absolutePath) {
    return "file://" + percentEncodePath(absolutePath);
}

}  // namespace vexilo
