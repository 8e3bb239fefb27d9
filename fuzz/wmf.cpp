// Fuzzes the WMF reader and the record player (on a canvas that draws nothing, and on the
// core's plain canvas for small pictures).
// seeds: metafile
#include <cstdint>
#include <span>

#include "metafile_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vexilo::fuzz::playMetafileBytes(std::span<const std::uint8_t>(data, size), vexilo::MetafileType::Wmf);
    return 0;
}
