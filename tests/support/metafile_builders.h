#pragma once
// Hand-built metafiles for the tests: records are given as their parameter words.
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "base/byte_reader.h"
#include "codecs/metafile/metafile_records.h"
#include "codecs/metafile/metafile_writer.h"
#include "support/byte_fields.h"

namespace vexilo::test {

// A placeable WMF of the given bounding box (units per inch 96, so one unit is one pixel).
class WmfBuilder {
public:
    WmfBuilder& record(std::uint16_t function, std::initializer_list<std::int32_t> words) {
        m_records.u32le(static_cast<std::uint32_t>(3 + words.size()));
        m_records.u16le(function);
        for (auto w : words) m_records.u16le(static_cast<std::uint16_t>(w));
        return *this;
    }
    // A record whose parameters are raw bytes (padded to a whole word).
    WmfBuilder& raw(std::uint16_t function, const std::vector<std::uint8_t>& bytes) {
        m_records.u32le(static_cast<std::uint32_t>(3 + (bytes.size() + 1) / 2));
        m_records.u16le(function);
        m_records.bytes(bytes);
        if (bytes.size() & 1) m_records.u8(0);
        return *this;
    }
    WmfBuilder& objects(std::uint16_t n) {
        m_objects = n;
        return *this;
    }
    std::vector<std::uint8_t> build(int width, int height, bool placeable = true) {
        ByteWriter out;
        if (placeable) {
            out.u32le(wmf::kPlaceableKey);
            le16(out, 0, 0, 0, width, height, 96, 0, 0);
            out.u16le(placeableChecksum(out.buffer().data()));
        }
        ByteWriter body = m_records;
        body.u32le(3);
        body.u16le(wmf::kEof);
        le16(out, 1, 9, 0x0300);
        out.u32le(static_cast<std::uint32_t>(9 + body.size() / 2));
        le16(out, m_objects, 0, 0, 0);
        out.bytes(body.buffer());
        return out.take();
    }

private:
    ByteWriter m_records;
    std::uint16_t m_objects = 0;
};

// An EMF whose frame is width x height pixels at 96 per inch on a 96-per-inch reference device,
// so that device units are output pixels.
class EmfBuilder {
public:
    EmfBuilder& record(std::uint32_t type, std::initializer_list<std::uint32_t> values) {
        m_records.u32le(type);
        m_records.u32le(static_cast<std::uint32_t>(8 + values.size() * 4));
        for (auto v : values) m_records.u32le(v);
        ++m_count;
        return *this;
    }
    // Brush 1 of a solid colour selected with the null pen: shapes are filled, not outlined.
    EmfBuilder& solidFill(std::uint32_t colour) {
        return record(emr::kCreateBrushIndirect, {1, 0, colour, 0})
            .record(emr::kSelectObject, {1})
            .record(emr::kSelectObject, {0x80000008});
    }
    EmfBuilder& raw(std::uint32_t type, const std::vector<std::uint8_t>& bytes) {
        m_records.u32le(type);
        m_records.u32le(static_cast<std::uint32_t>(8 + (bytes.size() + 3) / 4 * 4));
        m_records.bytes(bytes);
        m_records.zeros((4 - bytes.size() % 4) % 4);
        ++m_count;
        return *this;
    }
    std::vector<std::uint8_t> build(int width, int height) {
        ByteWriter out;
        le32(out, emr::kHeader, 108, 0, 0, width - 1, height - 1, 0, 0, width * 2540 / 96,
             height * 2540 / 96);
        le32(out, emr::kSignature, 0x10000, 0, m_count + 2);
        le16(out, 16, 0);
        le32(out, 0, 0, 0, 960, 960, 254, 254, 0, 0, 0, 254000, 254000);
        out.bytes(m_records.buffer());
        le32(out, emr::kEof, 20, 0, 16, 20);
        auto bytes = out.take();
        setLe32(bytes, 48, static_cast<std::uint32_t>(bytes.size()));
        return bytes;
    }

private:
    ByteWriter m_records;
    std::uint32_t m_count = 0;
};

inline std::uint32_t floatBits(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

constexpr std::uint32_t rgb(int r, int g, int b) {
    return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
           (static_cast<std::uint32_t>(b) << 16);
}

}  // namespace vexilo::test
