#pragma once
// The variable-width LZW coding of GIF image data. The decoder reads any code stream, however
// damaged, without leaving its tables or its output buffer; the encoder writes the stream the
// GIF writer stores: a leading clear code, a fresh table once code 4094 is given out, 255-byte
// sub-blocks.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vexilo::gif {

constexpr int kMaxLzwBits = 12;
constexpr int kMaxLzwCodes = 1 << kMaxLzwBits;  // 4096
// Above 8 the literal codes outnumber a byte; such files exist and other readers take them,
// up to the size whose first codes still fit in 12 bits.
constexpr int kMaxLzwMinCodeSize = kMaxLzwBits - 1;

struct LzwDecodeResult {
    std::size_t written = 0;  // pixels stored in the output, from its start
    bool corrupted = false;   // a code that no table holds, or a stream that starts wrongly
    bool sawEndCode = false;
};

// Joins the data sub-blocks that follow the minimum code size byte into one run of code bytes.
// A sub-block whose length runs past the data keeps the bytes present; `truncated` says so.
std::vector<std::uint8_t> joinSubBlocks(std::span<const std::uint8_t> blocks, bool* truncated = nullptr);

// Decodes the code bytes with the given minimum code size (2 to 11) into `out`, one pixel value
// a byte, each masked with valueMask. Stops at the end code, when `out` is full or when the
// codes run out; what was decoded stays in `out`.
LzwDecodeResult lzwDecode(std::span<const std::uint8_t> codes, int minCodeSize, std::uint8_t valueMask,
                          std::span<std::uint8_t> out);

// Encodes the pixel values (each below 2^minCodeSize) and appends to `out` the minimum code
// size byte, the data sub-blocks and the zero terminator. minCodeSize is 2 to 8.
void lzwEncode(std::span<const std::uint8_t> pixels, int minCodeSize, std::vector<std::uint8_t>& out);

}  // namespace vexilo::gif
