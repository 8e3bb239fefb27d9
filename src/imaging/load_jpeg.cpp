// Placeholder until the jpeg reader lands.
#include "imaging/loaders.h"

namespace vexilo {
bool LoadJpegFile(const std::string&, Bitmap*) { return false; }
}  // namespace vexilo
