// Placeholder until the executable icon reader lands.
#include "imaging/loaders.h"

namespace vexilo {
bool LoadExecutableIcon(const std::string&, std::uint16_t&, Bitmap*) { return false; }
std::optional<Icon> ExtractIconAt(const std::string&, std::uint16_t&) { return std::nullopt; }
bool LoadAssociatedIcon(const std::string&, Bitmap*) { return false; }
}  // namespace vexilo
