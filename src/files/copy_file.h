#pragma once
// The whole-file copy behind a move across file systems and a trash that a rename cannot reach.
#include <cstdint>
#include <functional>
#include <string>

namespace vexilo {

// Thrown by copyFile when onBytes answered false; the target is left as it was.
class CopyCancelled {};

// Copies the contents, permissions and times of the regular file `source` to `target` through a
// temporary file beside it, so that the target is replaced only by a whole file. `onBytes` is
// told each chunk written and may return false to cancel. Throws FileError on failure, leaving
// the target as it was.
void copyFile(const std::string& source, const std::string& target,
              const std::function<bool(std::uint64_t bytes)>& onBytes = {});

}  // namespace vexilo
