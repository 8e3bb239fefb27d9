#pragma once
// The one exception family of the imaging core. Codecs throw these with the texts the user
// sees; loaders catch them and answer false.
#include <stdexcept>
#include <string>

namespace vexilo {

class ImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Raised where hostile or damaged input is found: truncated data, a bad field, a size beyond
// the limits.
class DecodeError : public ImageError {
public:
    using ImageError::ImageError;
};

}  // namespace vexilo
