#pragma once
// PNG files. Reads every colour type and bit depth, plain and Adam7-interlaced, with gAMA
// correction and the truecolour tRNS colour; 16-bit samples keep their high byte and alpha
// channels are dropped (readPngWithAlpha keeps them). Writes 1/4/8-bit paletted and 24-bit
// truecolour files in one zlib stream. Rejects bad signatures, critical chunks with bad CRCs,
// unknown critical chunks, invalid colour type / bit depth pairs, palettes above 256 entries and
// images beyond the limits (checked as soon as IHDR is read, before the image data is gathered).
// Lenient by choice: compressed data after the last row is ignored, not decompressed, and an
// ancillary chunk with a bad CRC is dropped (nothing the picture needs is in it); ancillary
// chunks without a class of their own (iCCP, zTXt, ...) are kept uninterpreted.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "base/errors.h"
#include "raster/bitmap.h"

namespace vexilo {

// Every PNG failure: the handler prefix, two line breaks, then the specific text.
class EPNGImageException : public DecodeError {
public:
    explicit EPNGImageException(const std::string& text);
    static const char* prefix();  // "Portable Graphics Network format handler error"
};

// A chunk type as the 32-bit value of its four letters read big-endian ("IHDR" = 0x49484452).
constexpr std::uint32_t pngChunkType(const char (&name)[5]) {
    return (std::uint32_t(std::uint8_t(name[0])) << 24) | (std::uint32_t(std::uint8_t(name[1])) << 16) |
           (std::uint32_t(std::uint8_t(name[2])) << 8) | std::uint32_t(std::uint8_t(name[3]));
}
std::string pngChunkName(std::uint32_t type);
// CRC-32 of the PNG standard over type and data.
std::uint32_t pngCrc(std::uint32_t type, std::span<const std::uint8_t> data);

// Samples per pixel of an IHDR colour type (grey 1, RGB 3, palette 1, grey + alpha 2, RGBA 4);
// 0 for a type the format does not define.
constexpr int pngChannelCount(int colorType) {
    switch (colorType) {
        case 0:
        case 3:
            return 1;
        case 2:
            return 3;
        case 4:
            return 2;
        case 6:
            return 4;
        default:
            return 0;
    }
}

enum class PngFilter : std::uint8_t { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4 };

// A set of row filters; None is always a member.
class PngFilterSet {
public:
    constexpr PngFilterSet() = default;
    constexpr PngFilterSet(std::initializer_list<PngFilter> filters) {
        for (PngFilter f : filters) m_bits = static_cast<std::uint8_t>(m_bits | (1u << unsigned(f)));
    }
    constexpr bool contains(PngFilter f) const { return (m_bits >> unsigned(f)) & 1u; }
    constexpr bool operator==(const PngFilterSet&) const = default;

private:
    std::uint8_t m_bits = 1;  // None
};

// {None, Sub, Average, Paeth}: what a new image saves with.
constexpr PngFilterSet kDefaultPngFilters{PngFilter::None, PngFilter::Sub, PngFilter::Average,
                                          PngFilter::Paeth};

// The chunk classes the registry knows; Generic stands for every other type.
enum class ChunkClass { Generic, IHDR, PLTE, IDAT, GAMA, TRNS, TEXT, IEND };

class TChunkList;
class TPNGImage;

// One chunk: its type and data bytes. The base class carries unknown chunks unchanged.
class TChunk {
public:
    explicit TChunk(TChunkList& owner) : m_owner(&owner) {}
    virtual ~TChunk() = default;
    TChunk(const TChunk&) = delete;
    TChunk& operator=(const TChunk&) = delete;

    virtual ChunkClass chunkClass() const { return ChunkClass::Generic; }
    // Runs once the whole file has been read.
    virtual void DecodeChunk() {}
    // Copies the other chunk's type and data.
    virtual void AssignChunk(const TChunk& source);
    // Prepares the data from the image, then appends the chunk to `out` (chunks whose fourth
    // letter is lower case are never written).
    virtual void SaveChunk(std::vector<std::uint8_t>& out);

    std::uint32_t type() const { return m_type; }
    void setType(std::uint32_t type) { m_type = type; }
    std::string typeName() const { return pngChunkName(m_type); }
    std::vector<std::uint8_t>& data() { return m_data; }
    const std::vector<std::uint8_t>& data() const { return m_data; }
    TChunkList& owner() const { return *m_owner; }
    TPNGImage& image() const;

protected:
    void writeChunk(std::vector<std::uint8_t>& out) const;

private:
    TChunkList* m_owner;
    std::uint32_t m_type = 0;
    std::vector<std::uint8_t> m_data;
};

class TChunkIHDR : public TChunk {
public:
    using TChunk::TChunk;
    ChunkClass chunkClass() const override { return ChunkClass::IHDR; }
    void SaveChunk(std::vector<std::uint8_t>& out) override;

    // The 13 header bytes; a header of another length reads as zeros past its end.
    std::uint32_t width() const { return be32(0); }
    std::uint32_t height() const { return be32(4); }
    std::uint8_t bitDepth() const { return byteAt(8); }
    std::uint8_t colorType() const { return byteAt(9); }
    std::uint8_t compressionMethod() const { return byteAt(10); }
    std::uint8_t filterMethod() const { return byteAt(11); }
    std::uint8_t interlaceMethod() const { return byteAt(12); }
    void setHeader(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth, std::uint8_t colorType,
                   std::uint8_t interlace);

private:
    std::uint8_t byteAt(std::size_t i) const { return i < data().size() ? data()[i] : 0; }
    std::uint32_t be32(std::size_t i) const {
        return (std::uint32_t(byteAt(i)) << 24) | (std::uint32_t(byteAt(i + 1)) << 16) |
               (std::uint32_t(byteAt(i + 2)) << 8) | byteAt(i + 3);
    }
};

class TChunkPLTE : public TChunk {
public:
    using TChunk::TChunk;
    ChunkClass chunkClass() const override { return ChunkClass::PLTE; }
    void SaveChunk(std::vector<std::uint8_t>& out) override;
};

class TChunkIDAT : public TChunk {
public:
    using TChunk::TChunk;
    ChunkClass chunkClass() const override { return ChunkClass::IDAT; }
    void DecodeChunk() override;  // decodes the image data into the owning image
    void SaveChunk(std::vector<std::uint8_t>& out) override;
};

class TChunkGAMA : public TChunk {
public:
    explicit TChunkGAMA(TChunkList& owner);
    ChunkClass chunkClass() const override { return ChunkClass::GAMA; }
    void DecodeChunk() override;  // builds the tables
    void AssignChunk(const TChunk& source) override;

    // gamma x 100000; 0 when the data is shorter than 4 bytes.
    std::uint32_t value() const;
    void setValue(std::uint32_t value);
    // False for a value of 0, which would make the correction meaningless.
    bool hasTables() const;
    // forward corrects samples on reading, inverse on writing.
    const std::array<std::uint8_t, 256>& forward() const;
    const std::array<std::uint8_t, 256>& inverse() const;

private:
    void buildTables() const;
    mutable std::uint32_t m_builtFor = 0xFFFFFFFFu;
    mutable std::array<std::uint8_t, 256> m_forward{};
    mutable std::array<std::uint8_t, 256> m_inverse{};
};

class TChunkTRNS : public TChunk {
public:
    using TChunk::TChunk;
    ChunkClass chunkClass() const override { return ChunkClass::TRNS; }
    void SaveChunk(std::vector<std::uint8_t>& out) override;
    // The truecolour transparent colour at the image's bit depth (gamma not applied). Throws
    // EPNGImageException unless the colour type is 2, or when the chunk holds fewer than 6 bytes.
    Color transparentColor() const;
};

class TChunkTEXT : public TChunk {
public:
    explicit TChunkTEXT(TChunkList& owner);
    ChunkClass chunkClass() const override { return ChunkClass::TEXT; }
};

class TChunkIEND : public TChunk {
public:
    using TChunk::TChunk;
    ChunkClass chunkClass() const override { return ChunkClass::IEND; }
};

// The registry of chunk types and their classes.
class TChunkClasses {
public:
    struct Entry {
        std::uint32_t type;
        ChunkClass chunkClass;
    };
    int count() const { return static_cast<int>(m_entries.size()); }
    // Throws EPNGImageException for an index outside 0..count-1.
    const Entry& item(int index) const;
    void add(std::uint32_t type, ChunkClass chunkClass) { m_entries.push_back({type, chunkClass}); }
    // Index of the first entry, or -1.
    int findClass(ChunkClass chunkClass) const;
    int findType(std::uint32_t type) const;

private:
    std::vector<Entry> m_entries;
};

// The process-wide registry: IEND, IHDR, gAMA, IDAT, PLTE, tEXt, tRNS, and tIME as Generic.
const TChunkClasses& ChunkClassRegistry();

// The ordered chunks of one image; owns them.
class TChunkList {
public:
    explicit TChunkList(TPNGImage& owner) : m_owner(&owner) {}
    TChunkList(const TChunkList&) = delete;
    TChunkList& operator=(const TChunkList&) = delete;

    TPNGImage& owner() const { return *m_owner; }
    int count() const { return static_cast<int>(m_items.size()); }
    // Throws EPNGImageException for a bad index (as does move).
    TChunk& item(int index) const;
    void move(int from, int to);
    TChunk& add(std::unique_ptr<TChunk> chunk);
    // A new chunk of the class, typed from the registry, added at the end.
    TChunk& create(ChunkClass chunkClass);
    // Frees the chunk; throws EPNGImageException when it is not in this list.
    void remove(TChunk& chunk);
    int indexOfClass(ChunkClass chunkClass) const;
    int indexOf(const TChunk& chunk) const;
    TChunk* findClass(ChunkClass chunkClass) const {
        const int i = indexOfClass(chunkClass);
        return i < 0 ? nullptr : &item(i);
    }
    void clear();
    // Reads one chunk at the reader's position (see the .cpp for the rules); returns it, or null
    // for an ancillary chunk that was damaged and dropped.
    TChunk* readChunk(ByteReader& in);

    std::unique_ptr<TChunk> makeChunk(ChunkClass chunkClass);

private:
    TPNGImage* m_owner;
    std::vector<std::unique_ptr<TChunk>> m_items;
};

// The stages of the decode progress notification.
enum class ProgressStage { Starting, Running, Ending };
using PngProgress =
    std::function<void(ProgressStage stage, const std::string& text, int percent, const Rect& rect)>;

// A raster with its chunks. Not copyable (chunks point back at it): use assign.
class TPNGImage : public Bitmap {
public:
    TPNGImage();
    TPNGImage(const TPNGImage&) = delete;
    TPNGImage& operator=(const TPNGImage&) = delete;

    TChunkList& chunks() { return m_chunks; }
    const TChunkList& chunks() const { return m_chunks; }

    PngFilterSet Filters = kDefaultPngFilters;
    bool Interlaced = false;
    // Decode progress ("Drawing..."), called after every row or Adam7 pass.
    PngProgress OnProgress;
    // Gamma correction from gAMA on reading; on by default.
    bool GammaCorrection = true;
    // Image data whose filtered rows fit in this many bytes is inflated in one piece; larger
    // data streams through zlib a batch of rows at a time, so the extra memory stays bounded.
    std::size_t WholeInflateLimit = std::size_t{64} << 20;

    // Throws EPNGImageException (or DecodeError for a raster beyond the limits).
    void loadFromBytes(std::span<const std::uint8_t> data, const DecodeLimits& limits = kDefaultDecodeLimits);
    void loadFromFile(const std::string& path, const DecodeLimits& limits = kDefaultDecodeLimits);
    // Rebuilds the chunks from the raster (an empty raster raises ImageError).
    std::vector<std::uint8_t> saveToBytes();
    void saveToFile(const std::string& path);  // written atomically

    // Copies another PNG's chunks, filters and interlace flag, then its raster.
    void assign(const TPNGImage& source);
    // Copies only the raster (size, format, palette, transparency, pixels).
    void assign(const Bitmap& source);

    // Back to IHDR (0 x 0, depth 2, colour type 3), IDAT, IEND.
    void resetChunks();

    // Set while loading: the limits, and whether to keep the alpha of each pixel.
    const DecodeLimits& limits() const { return m_limits; }
    // When set before loading, alphaPlane() receives width*height alpha bytes (255 = opaque)
    // for images with an alpha channel or tRNS, and stays empty for the others.
    void setKeepAlpha(bool on) { m_keepAlpha = on; }
    bool keepsAlpha() const { return m_keepAlpha; }
    std::vector<std::uint8_t>& alphaPlane() { return m_alpha; }

private:
    TChunkList m_chunks;
    DecodeLimits m_limits;
    bool m_keepAlpha = false;
    std::vector<std::uint8_t> m_alpha;
};

// A decoded PNG with its alpha, for icons stored as PNG.
struct PngAlphaImage {
    Bitmap color;                     // Device-format raster of the decoded colours
    std::vector<std::uint8_t> alpha;  // width*height bytes, top-down, 255 = opaque; empty when
                                      // the PNG has no alpha (no alpha channel and no tRNS)
};
// Throws DecodeError/ImageError.
PngAlphaImage readPngWithAlpha(std::span<const std::uint8_t> data,
                               const DecodeLimits& limits = kDefaultDecodeLimits);

// Decodes a PNG as the loader does: the raster in the format the colour type gives
// (1/4/8-bit with palette, or 24-bit), transparent when a truecolour tRNS is present.
Bitmap decodePng(std::span<const std::uint8_t> data, const DecodeLimits& limits = kDefaultDecodeLimits,
                 bool gammaCorrection = true);
// Encodes a raster as the save path does (fresh image, default filters). Throws ImageError for
// an empty raster.
std::vector<std::uint8_t> encodePng(const Bitmap& bitmap);
// An 8-bit RGBA PNG (colour type 6) of the colours and one alpha byte a pixel (width x height,
// 255 = opaque). Throws ImageError for an empty raster or an alpha of another size.
std::vector<std::uint8_t> encodePngWithAlpha(const Bitmap& bitmap, const std::vector<std::uint8_t>& alpha);
// One tEXt chunk: a Latin-1 keyword (1 to 79 bytes) and its text.
struct PngText {
    std::string keyword, text;
};
// The tEXt chunks of a PNG in file order, read without decoding the picture; a chunk with a bad
// CRC or without a keyword is left out. Throws EPNGImageException for a bad signature or a
// chunk that runs past the end of the data.
std::vector<PngText> readPngTexts(std::span<const std::uint8_t> data);
// encodePng with these tEXt chunks right after the header. Throws ImageError for an empty
// raster or a keyword that is empty, longer than 79 bytes or holds a zero byte.
std::vector<std::uint8_t> encodePng(const Bitmap& bitmap, const std::vector<PngText>& texts);
// encodePng written atomically to path; throws ImageError.
void savePngFile(const Bitmap& bitmap, const std::string& path);

}  // namespace vexilo
