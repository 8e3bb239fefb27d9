// Placeholder until the png reader lands.
#include "imaging/loaders.h"

namespace vexilo {
bool LoadPngFile(const std::string&, Bitmap*) { return false; }
}  // namespace vexilo
