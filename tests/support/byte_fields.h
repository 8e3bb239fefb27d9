#pragma once
// Little-endian fields appended in order, for headers built by hand: le32(w, 40, width, height).
#include <cstdint>
#include <vector>

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

// Overwrites the little-endian field at `at`, for headers a test falsifies after building them.
inline void setLe32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t k = 0; k < 4; ++k) bytes[at + k] = static_cast<std::uint8_t>(value >> (8 * k));
}

}  // namespace vexilo::test
