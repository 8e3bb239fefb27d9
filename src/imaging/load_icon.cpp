// Placeholder until the icon reader lands.
#include "imaging/loaders.h"

namespace vexilo {
bool LoadIconFile(const std::string&, Bitmap*) { return false; }
}  // namespace vexilo
