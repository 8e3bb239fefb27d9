// Placeholder until the metafile reader lands.
#include "imaging/loaders.h"

namespace vexilo {
bool LoadMetafile(const std::string&, Bitmap*, const std::string&) { return false; }
}  // namespace vexilo
