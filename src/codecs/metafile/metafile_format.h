#pragma once
// Windows metafiles (WMF, with or without the 22-byte placeable header) and enhanced metafiles
// (EMF): header checks and the record list. Every record's length is checked against the file;
// a record that runs past the end ends the list with an error, unknown record types are kept
// (the player skips them). Trailing bytes after the end-of-file record are ignored.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/byte_reader.h"
#include "codecs/metafile/metafile_records.h"
#include "raster/bitmap.h"

namespace vexilo {

enum class MetafileType : std::uint8_t { Wmf, Emf };

struct MetafileRecord {
    std::uint32_t type = 0;  // WMF function number or EMF record type
    std::size_t offset = 0;  // where the record starts in Metafile::data
    std::size_t size = 0;    // whole record in bytes, header included
};

struct Metafile {
    MetafileType type = MetafileType::Wmf;
    std::vector<std::uint8_t> data;  // the whole file
    std::vector<MetafileRecord> records;

    // WMF: the placeable header's bounding box (logical units) and units per inch; for a file
    // without it, the window set by its first records, at 96 units per inch.
    bool placeable = false;
    int boundsLeft = 0, boundsTop = 0, boundsRight = 0, boundsBottom = 0;
    int unitsPerInch = 96;
    std::uint16_t wmfObjects = 0;  // size of the WMF object table

    // EMF header fields.
    Rect emfBounds;                            // reference-device pixels, inclusive
    Rect emfFrame;                             // 0.01 mm, inclusive
    double deviceWidth = 0, deviceHeight = 0;  // reference device in pixels
    double deviceWidthMm = 0, deviceHeightMm = 0;
    std::uint16_t emfHandles = 0;

    // The picture's size in pixels at screen resolution (96 per inch).
    int width = 0, height = 0;

    // The record's bytes after its header (6 bytes for WMF, 8 for EMF), and the whole record.
    std::span<const std::uint8_t> params(const MetafileRecord& r) const;
    std::span<const std::uint8_t> bytes(const MetafileRecord& r) const;
};

// Largest side of a picture in pixels; larger pictures are scaled down to fit, keeping their
// shape, so that a hostile header cannot ask for an unbounded raster.
constexpr int kMaxMetafileSide = 8192;
// Most records one file may hold.
constexpr std::size_t kMaxMetafileRecords = std::size_t{1} << 22;

// True when the bytes start like a WMF (placeable or not) or an EMF.
bool looksLikeMetafile(std::span<const std::uint8_t> bytes);

// Checks the header and splits the records. The picture's size is fitted inside the limits as
// well, keeping its shape. Throws DecodeError naming the fault.
Metafile parseMetafile(std::vector<std::uint8_t> bytes, const DecodeLimits& limits = kDefaultDecodeLimits);

}  // namespace vexilo
