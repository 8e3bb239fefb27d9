#include "base/decode_limits.h"

#include <string>

#include "base/errors.h"

namespace vexilo {

void checkDimensions(const char* format, std::int64_t width, std::int64_t height,
                     const DecodeLimits& limits) {
    if (width <= 0 || height <= 0)
        throw DecodeError(std::string(format) + ": image size " + std::to_string(width) + " x " +
                          std::to_string(height) + " is empty or negative");
    if (width > limits.maxWidth || height > limits.maxHeight ||
        static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > limits.maxPixels)
        throw LimitError(std::string(format) + ": image size " + std::to_string(width) + " x " +
                         std::to_string(height) + " exceeds the limit of " +
                         std::to_string(limits.maxPixels) + " pixels (" + std::to_string(limits.maxWidth) +
                         " x " + std::to_string(limits.maxHeight) + " at most)");
}

}  // namespace vexilo
