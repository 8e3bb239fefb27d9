#pragma once
// Little-endian fields appended in order, for headers built by hand: le32(w, 40, width, height).
#include <cstdint>

#include "base/byte_reader.h"

namespace vexilo::test {

template <class... T>
void le16(ByteWriter& w, T... values) {
    (w.u16le(static_cast<std::uint16_t>(values)), ...);
}

template <class... T>
void le32(ByteWriter& w, T... values) {
    (w.u32le(static_cast<std::uint32_t>(values)), ...);
}

}  // namespace vexilo::test
