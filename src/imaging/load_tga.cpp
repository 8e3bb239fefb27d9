// Placeholder until the tga reader lands.
#include "imaging/loaders.h"

namespace vexilo {
bool LoadTgaFile(const std::string&, Bitmap*) { return false; }
}  // namespace vexilo
