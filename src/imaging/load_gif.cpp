// Placeholder until the gif reader lands.
#include "imaging/loaders.h"

namespace vexilo {
bool LoadGifFile(const std::string&, Bitmap*) { return false; }
}  // namespace vexilo
