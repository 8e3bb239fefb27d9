#pragma once
// Whole-file reading and safe writing. Writes never leave a half-written file where a good one
// stood: the bytes go to a temporary file in the same folder, which is renamed over the target
// once complete.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vexilo {

// Reads the whole file. Throws FileError naming the path when it cannot be opened or read,
// or when it is larger than maxBytes.
std::vector<std::uint8_t> readFileBytes(const std::string& path,
                                        std::uint64_t maxBytes = std::uint64_t{1} << 31);

// Writes the bytes atomically (temporary file, flush, rename). Throws FileError with the
// system's reason on failure, leaving any existing file untouched.
void writeFileAtomic(const std::string& path, std::span<const std::uint8_t> bytes);

bool fileExists(const std::string& path);

}  // namespace vexilo
