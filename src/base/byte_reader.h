#pragma once
// Bounds-checked reading of untrusted bytes and little-endian writing. Every decoder also needs
// the decode limits and checked size arithmetic, so they come with it.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "base/checked_math.h"
#include "base/decode_limits.h"
#include "base/errors.h"

namespace vexilo {

// All-or-nothing reads: a short file is an error, never silent zero padding.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data, const char* format = "data")
        : m_data(data), m_format(format) {}

    std::uint8_t u8(const char* what) {
        need(1, what);
        return m_data[m_pos++];
    }
    std::uint16_t u16le(const char* what) {
        need(2, what);
        auto v = static_cast<std::uint16_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
        m_pos += 2;
        return v;
    }
    std::uint32_t u32le(const char* what) {
        need(4, what);
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = (v << 8) | m_data[m_pos + static_cast<std::size_t>(i)];
        m_pos += 4;
        return v;
    }
    std::int32_t i32le(const char* what) { return static_cast<std::int32_t>(u32le(what)); }
    std::uint16_t u16be(const char* what) {
        need(2, what);
        auto v = static_cast<std::uint16_t>((m_data[m_pos] << 8) | m_data[m_pos + 1]);
        m_pos += 2;
        return v;
    }
    std::uint32_t u32be(const char* what) {
        need(4, what);
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | m_data[m_pos + static_cast<std::size_t>(i)];
        m_pos += 4;
        return v;
    }
    std::span<const std::uint8_t> bytes(std::size_t n, const char* what) {
        need(n, what);
        auto s = m_data.subspan(m_pos, n);
        m_pos += n;
        return s;
    }
    void skip(std::size_t n, const char* what) { bytes(n, what); }
    void seek(std::size_t offset, const char* what) {
        if (offset > m_data.size())
            throw DecodeError(std::string(m_format) + ": " + what + " offset " + std::to_string(offset) +
                              " beyond the " + std::to_string(m_data.size()) + "-byte file");
        m_pos = offset;
    }
    std::size_t pos() const { return m_pos; }
    std::size_t size() const { return m_data.size(); }
    std::size_t remaining() const { return m_data.size() - m_pos; }
    bool atEnd() const { return m_pos >= m_data.size(); }
    std::span<const std::uint8_t> data() const { return m_data; }

private:
    void need(std::size_t n, const char* what) const {
        if (n > m_data.size() - m_pos) throw DecodeError(std::string(m_format) + ": truncated " + what);
    }
    std::span<const std::uint8_t> m_data;
    const char* m_format;
    std::size_t m_pos = 0;
};

// Little-endian appends for encoders.
class ByteWriter {
public:
    void u8(std::uint8_t v) { m_out.push_back(v); }
    void u16le(std::uint16_t v) {
        u8(static_cast<std::uint8_t>(v));
        u8(static_cast<std::uint8_t>(v >> 8));
    }
    void u32le(std::uint32_t v) {
        u16le(static_cast<std::uint16_t>(v));
        u16le(static_cast<std::uint16_t>(v >> 16));
    }
    void i32le(std::int32_t v) { u32le(static_cast<std::uint32_t>(v)); }
    void bytes(std::span<const std::uint8_t> b) { m_out.insert(m_out.end(), b.begin(), b.end()); }
    void zeros(std::size_t n) { m_out.insert(m_out.end(), n, 0); }
    std::size_t size() const { return m_out.size(); }
    std::vector<std::uint8_t>& buffer() { return m_out; }
    std::vector<std::uint8_t> take() { return std::move(m_out); }

private:
    std::vector<std::uint8_t> m_out;
};

}  // namespace vexilo
