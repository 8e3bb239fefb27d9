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

// A declared size beyond the decode limits: the file may be whole, only too large to decode
// under the limits it was given (a thumbnail's are tighter than the target's).
class LimitError : public DecodeError {
public:
    using DecodeError::DecodeError;
};

// A file that cannot be opened, read or written; the text names the path and the system's
// reason. An ImageError, so callers that show image errors show these too.
class FileError : public ImageError {
public:
    using ImageError::ImageError;
};

}  // namespace vexilo
