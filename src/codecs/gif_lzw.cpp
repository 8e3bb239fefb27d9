#include "codecs/gif_lzw.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>

namespace vexilo::gif {

std::vector<std::uint8_t> joinSubBlocks(std::span<const std::uint8_t> blocks, bool* truncated) {
    std::vector<std::uint8_t> codes;
    codes.reserve(blocks.size());
    std::size_t pos = 0;
    if (truncated) *truncated = false;
    while (pos < blocks.size()) {
        const std::size_t length = blocks[pos++];
        if (length == 0) break;
        const std::size_t present = std::min(length, blocks.size() - pos);
        codes.insert(codes.end(), blocks.begin() + static_cast<std::ptrdiff_t>(pos),
                     blocks.begin() + static_cast<std::ptrdiff_t>(pos + present));
        pos += present;
        if (present < length && truncated) *truncated = true;
    }
    return codes;
}

namespace {

// Reads codes least significant bit first. Past the end of the data it reports no code.
class CodeReader {
public:
    explicit CodeReader(std::span<const std::uint8_t> data)
        : m_p(data.data()), m_end(data.data() + data.size()) {}

    bool read(int width, std::uint32_t& code) {
        if (m_bits < width) {
            if (m_end - m_p >= 8) {
                std::uint64_t v;
                std::memcpy(&v, m_p, 8);
                if constexpr (std::endian::native == std::endian::big) v = byteswap64(v);
                m_acc |= v << m_bits;
                m_p += (63 - m_bits) >> 3;
                m_bits |= 56;
            } else {
                while (m_bits < width && m_p < m_end) {
                    m_acc |= std::uint64_t{*m_p++} << m_bits;
                    m_bits += 8;
                }
                if (m_bits < width) return false;
            }
        }
        code = static_cast<std::uint32_t>(m_acc & ((std::uint64_t{1} << width) - 1));
        m_acc >>= width;
        m_bits -= width;
        return true;
    }

private:
    static std::uint64_t byteswap64(std::uint64_t v) {
        std::uint64_t r = 0;
        for (int i = 0; i < 8; ++i) r = (r << 8) | ((v >> (8 * i)) & 0xFF);
        return r;
    }
    const std::uint8_t* m_p;
    const std::uint8_t* m_end;
    std::uint64_t m_acc = 0;
    int m_bits = 0;
};

// Packs codes least significant bit first into 255-byte sub-blocks.
class CodeWriter {
public:
    explicit CodeWriter(std::vector<std::uint8_t>& out) : m_out(out) {}

    void write(std::uint32_t code, int width) {
        m_acc |= std::uint64_t{code} << m_bits;
        m_bits += width;
        while (m_bits >= 8) {
            m_block[m_fill++] = static_cast<std::uint8_t>(m_acc);
            m_acc >>= 8;
            m_bits -= 8;
            if (m_fill == 255) flushBlock();
        }
    }
    void finish() {
        if (m_bits > 0) {
            m_block[m_fill++] = static_cast<std::uint8_t>(m_acc);
            m_acc = 0;
            m_bits = 0;
            if (m_fill == 255) flushBlock();
        }
        flushBlock();
        m_out.push_back(0);
    }

private:
    void flushBlock() {
        if (m_fill == 0) return;
        m_out.push_back(static_cast<std::uint8_t>(m_fill));
        m_out.insert(m_out.end(), m_block.begin(), m_block.begin() + m_fill);
        m_fill = 0;
    }
    std::vector<std::uint8_t>& m_out;
    std::array<std::uint8_t, 255> m_block{};
    int m_fill = 0;
    std::uint64_t m_acc = 0;
    int m_bits = 0;
};

struct DecodeTables {
    std::array<std::uint16_t, kMaxLzwCodes> prefix;
    std::array<std::uint16_t, kMaxLzwCodes> length;
    std::array<std::uint8_t, kMaxLzwCodes> suffix;
    std::array<std::uint8_t, kMaxLzwCodes> first;
};

}  // namespace

LzwDecodeResult lzwDecode(std::span<const std::uint8_t> codes, int minCodeSize, std::uint8_t valueMask,
                          std::span<std::uint8_t> out) {
    LzwDecodeResult result;
    minCodeSize = std::clamp(minCodeSize, 2, kMaxLzwMinCodeSize);
    const std::uint32_t clear = 1u << minCodeSize, end = clear + 1;
    auto t = std::make_unique<DecodeTables>();
    for (std::uint32_t i = 0; i < clear; ++i) {
        t->prefix[i] = 0;
        t->length[i] = 1;
        t->suffix[i] = static_cast<std::uint8_t>(i & valueMask);
        t->first[i] = t->suffix[i];
    }

    CodeReader reader(codes);
    std::uint8_t* const base = out.data();
    const std::size_t total = out.size();
    std::size_t pos = 0;
    int width = minCodeSize + 1;
    std::uint32_t nextFree = clear + 2;
    std::uint32_t prev = kMaxLzwCodes;  // none: the next code starts afresh

    // Writes the string of `code` at pos, cutting what would pass the end of the output.
    auto emit = [&](std::uint32_t code) {
        std::size_t len = t->length[code];
        if (len > total - pos) {
            // Skip the tail that does not fit; the chain runs back from the last pixel.
            for (std::size_t skip = len - (total - pos); skip > 0; --skip) code = t->prefix[code];
            len = total - pos;
        }
        std::uint8_t* p = base + pos + len;
        while (p != base + pos) {
            *--p = t->suffix[code];
            code = t->prefix[code];
        }
        pos += len;
    };

    std::uint32_t code = 0;
    while (pos < total) {
        if (!reader.read(width, code)) break;
        if (code == clear) {
            width = minCodeSize + 1;
            nextFree = clear + 2;
            prev = kMaxLzwCodes;
            continue;
        }
        if (code == end) {
            result.sawEndCode = true;
            break;
        }
        if (prev == kMaxLzwCodes) {
            // After a clear code (or at a start without one) only a single pixel may follow.
            if (code >= clear) {
                result.corrupted = true;
                break;
            }
            base[pos++] = t->suffix[code];
            prev = code;
            continue;
        }
        // With a full table no code can be at or above nextFree: codes have at most 12 bits.
        std::uint32_t entryPrefixFirst = t->first[prev];
        std::uint32_t current = code;
        if (code < nextFree) {
            emit(code);
            entryPrefixFirst = t->first[code];
        } else {
            // The string not yet in the table: the previous one plus its own first pixel.
            emit(prev);
            if (pos < total) base[pos++] = static_cast<std::uint8_t>(entryPrefixFirst);
            current = nextFree;
        }
        if (nextFree < kMaxLzwCodes) {
            // Entries always point to older ones, so no chain is longer than the table.
            t->prefix[nextFree] = static_cast<std::uint16_t>(prev);
            t->suffix[nextFree] = static_cast<std::uint8_t>(entryPrefixFirst);
            t->first[nextFree] = t->first[prev];
            t->length[nextFree] = static_cast<std::uint16_t>(t->length[prev] + 1);
            ++nextFree;
            if (nextFree == (1u << width) && width < kMaxLzwBits) ++width;
        }
        prev = current;
    }
    result.written = pos;
    return result;
}

namespace {

constexpr std::uint32_t kHashSlots = 17777;
constexpr std::uint32_t kEmptySlot = 0xFFFFFFFFu;
// Codes above this start a fresh table, so that no code needs more than 12 bits.
constexpr std::uint32_t kLastCodeBeforeClear = 4093;

}  // namespace

void lzwEncode(std::span<const std::uint8_t> pixels, int minCodeSize, std::vector<std::uint8_t>& out) {
    minCodeSize = std::clamp(minCodeSize, 2, 8);
    out.push_back(static_cast<std::uint8_t>(minCodeSize));
    const std::uint32_t clear = 1u << minCodeSize, end = clear + 1;
    CodeWriter writer(out);
    int width = minCodeSize + 1;
    std::uint32_t nextCode = clear + 2;

    // Slot keys are (prefix code << 8 | suffix pixel); a slot's code sits beside its key.
    auto keys = std::make_unique<std::uint32_t[]>(kHashSlots);
    auto slotCodes = std::make_unique<std::uint16_t[]>(kHashSlots);
    auto resetTable = [&] { std::fill(keys.get(), keys.get() + kHashSlots, kEmptySlot); };
    resetTable();

    writer.write(clear, width);
    const std::uint8_t* p = pixels.data();
    const std::uint8_t* const stop = p + pixels.size();
    bool haveCurrent = false;
    std::uint32_t current = 0, hash = 0, length = 0;
    const std::uint32_t valueMask = clear - 1;

    while (p != stop) {
        const std::uint32_t pixel = *p++ & valueMask;
        if (!haveCurrent) {
            current = pixel;
            hash = pixel * 301 + 903;
            length = 1;
            haveCurrent = true;
            continue;
        }
        const std::uint32_t k = length + 1;
        const std::uint32_t extended = ((pixel + k + 4) * hash) % kHashSlots;
        const std::uint32_t key = (current << 8) | pixel;
        std::uint32_t slot = extended;
        bool found = false;
        while (keys[slot] != kEmptySlot) {
            if (keys[slot] == key) {
                found = true;
                break;
            }
            if (++slot == kHashSlots) slot = 0;
        }
        if (found) {
            current = slotCodes[slot];
            hash = extended;
            length = k;
            continue;
        }
        writer.write(current, width);
        const std::uint32_t code = nextCode++;
        keys[slot] = key;
        slotCodes[slot] = static_cast<std::uint16_t>(code);
        current = pixel;
        hash = pixel * 301 + 903;
        length = 1;
        if (code == (1u << width)) {
            ++width;
        } else if (code > kLastCodeBeforeClear) {
            writer.write(current, width);
            writer.write(clear, width);
            resetTable();
            width = minCodeSize + 1;
            nextCode = clear + 2;
            haveCurrent = false;
        }
    }
    if (haveCurrent) writer.write(current, width);
    writer.write(end, width);
    writer.finish();
}

}  // namespace vexilo::gif
