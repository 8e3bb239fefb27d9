// PNG chunk model, loading and saving. The pixel work (unfiltering, format conversion, filter
// choice) lives in png_pixels.cpp.
#include "codecs/png_codec.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "base/file_io.h"
#include "codecs/png_pixels.h"

namespace vexilo {

namespace {

constexpr std::array<std::uint8_t, 8> kSignature{137, 80, 78, 71, 13, 10, 26, 10};

const std::array<std::uint32_t, 256>& crcTable() {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

void putBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

// A critical chunk has an upper-case first letter (bit 5 of its first byte clear).
bool isCritical(std::uint32_t type) {
    return ((type >> 24) & 0x20u) == 0;
}

TChunkIHDR& headerOf(const TChunkList& list) {
    return static_cast<TChunkIHDR&>(*list.findClass(ChunkClass::IHDR));
}

}  // namespace

EPNGImageException::EPNGImageException(const std::string& text)
    : DecodeError(std::string(prefix()) + "\r\n\r\n" + text) {}

const char* EPNGImageException::prefix() {
    return "Portable Graphics Network format handler error";
}

std::string pngChunkName(std::uint32_t type) {
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<unsigned char>(type >> (24 - 8 * i));
        s[static_cast<std::size_t>(i)] = std::isprint(c) ? static_cast<char>(c) : '?';
    }
    return s;
}

std::uint32_t pngCrc(std::uint32_t type, std::span<const std::uint8_t> data) {
    // The type through the table, the data (most of the bytes) through zlib's faster CRC-32,
    // which is the same polynomial.
    const auto& table = crcTable();
    std::uint32_t c = 0xFFFFFFFFu;
    for (int i = 0; i < 4; ++i) c = table[(c ^ (type >> (24 - 8 * i))) & 0xFF] ^ (c >> 8);
    std::uint32_t crc = c ^ 0xFFFFFFFFu;
    for (std::size_t at = 0; at < data.size();) {
        const auto n = static_cast<uInt>(std::min<std::size_t>(data.size() - at, 1u << 30));
        crc = static_cast<std::uint32_t>(crc32(crc, data.data() + at, n));
        at += n;
    }
    return crc;
}

// ---- chunks -----------------------------------------------------------------------------------

TPNGImage& TChunk::image() const {
    return m_owner->owner();
}

void TChunk::AssignChunk(const TChunk& source) {
    m_type = source.m_type;
    m_data = source.m_data;
}

void TChunk::SaveChunk(std::vector<std::uint8_t>& out) {
    writeChunk(out);
}

void TChunk::writeChunk(std::vector<std::uint8_t>& out) const {
    // Chunks with a lower-case fourth letter are private to this program and stay unwritten.
    const auto last = static_cast<unsigned char>(m_type & 0xFF);
    if (std::tolower(last) == last) return;
    if (m_data.size() > 0x7FFFFFFFu) throw ImageError("PNG: chunk " + typeName() + " is too large to write");
    putBe32(out, static_cast<std::uint32_t>(m_data.size()));
    putBe32(out, m_type);
    out.insert(out.end(), m_data.begin(), m_data.end());
    putBe32(out, pngCrc(m_type, m_data));
}

void TChunkIHDR::setHeader(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth,
                           std::uint8_t colorType, std::uint8_t interlace) {
    auto& d = data();
    d.assign(13, 0);
    for (int i = 0; i < 4; ++i) {
        d[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
        d[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
    }
    d[8] = bitDepth;
    d[9] = colorType;
    d[12] = interlace;
}

void TChunkIHDR::SaveChunk(std::vector<std::uint8_t>& out) {
    TPNGImage& img = image();
    if (img.empty()) throw EPNGImageException("The image is empty and cannot be saved.");
    if (!isIndexed(img.pixelFormat()) && img.pixelFormat() != PixelFormat::Bpp24)
        img.setPixelFormat(PixelFormat::Bpp24);
    if (isIndexed(img.pixelFormat()))
        setHeader(static_cast<std::uint32_t>(img.width()), static_cast<std::uint32_t>(img.height()),
                  static_cast<std::uint8_t>(img.bitsPerPixel()), 3, img.Interlaced ? 1 : 0);
    else
        setHeader(static_cast<std::uint32_t>(img.width()), static_cast<std::uint32_t>(img.height()), 8, 2,
                  img.Interlaced ? 1 : 0);
    writeChunk(out);
}

void TChunkPLTE::SaveChunk(std::vector<std::uint8_t>& out) {
    const TPNGImage& img = image();
    if (!isIndexed(img.pixelFormat())) return;
    const auto* gamma = static_cast<const TChunkGAMA*>(owner().findClass(ChunkClass::GAMA));
    if (gamma && !gamma->hasTables()) gamma = nullptr;
    // Every stored index must name an entry (readers reject or blacken the others), and the
    // format allows no more entries than the depth can address.
    const std::size_t limit = std::size_t{1} << img.bitsPerPixel();
    std::uint32_t highest = 0;
    for (std::uint32_t v : img.pixels()) highest = std::max(highest, v);
    std::size_t n = std::min(limit, std::max<std::size_t>(img.palette().size(), std::size_t{highest} + 1));
    n = std::max<std::size_t>(n, 1);
    auto& d = data();
    d.clear();
    for (std::size_t i = 0; i < n; ++i) {
        Color c = i < img.palette().size() ? img.palette()[i] : kBlack;
        if (gamma) c = {gamma->inverse()[c.r], gamma->inverse()[c.g], gamma->inverse()[c.b]};
        d.push_back(c.r);
        d.push_back(c.g);
        d.push_back(c.b);
    }
    writeChunk(out);
}

void TChunkIDAT::DecodeChunk() {
    TPNGImage& img = image();
    const TChunkList& list = owner();
    const TChunkGAMA* gamma = nullptr;
    // Only a gAMA read before the image data has its tables ready.
    const int gi = list.indexOfClass(ChunkClass::GAMA);
    if (img.GammaCorrection && gi >= 0 && gi < list.indexOf(*this)) {
        const auto* g = static_cast<const TChunkGAMA*>(&list.item(gi));
        if (g->hasTables()) gamma = g;
    }
    png::decodeImageData(img, headerOf(list), static_cast<const TChunk*>(list.findClass(ChunkClass::PLTE)),
                         gamma, static_cast<const TChunk*>(list.findClass(ChunkClass::TRNS)), data());
}

void TChunkIDAT::SaveChunk(std::vector<std::uint8_t>& out) {
    TPNGImage& img = image();
    const auto* gamma = static_cast<const TChunkGAMA*>(owner().findClass(ChunkClass::GAMA));
    if (gamma && !gamma->hasTables()) gamma = nullptr;
    data() = png::encodeImageData(img, gamma, img.Filters, img.Interlaced);
    writeChunk(out);
}

TChunkGAMA::TChunkGAMA(TChunkList& owner) : TChunk(owner) {
    setValue(1);
}

void TChunkGAMA::AssignChunk(const TChunk& source) {
    TChunk::AssignChunk(source);
    m_builtFor = 0xFFFFFFFFu;
}

std::uint32_t TChunkGAMA::value() const {
    const auto& d = data();
    if (d.size() < 4) return 0;
    return (std::uint32_t(d[0]) << 24) | (std::uint32_t(d[1]) << 16) | (std::uint32_t(d[2]) << 8) | d[3];
}

void TChunkGAMA::setValue(std::uint32_t v) {
    data().clear();
    putBe32(data(), v);
    m_builtFor = 0xFFFFFFFFu;
}

bool TChunkGAMA::hasTables() const {
    return value() != 0;
}

void TChunkGAMA::DecodeChunk() {
    buildTables();
}

const std::array<std::uint8_t, 256>& TChunkGAMA::forward() const {
    buildTables();
    return m_forward;
}

const std::array<std::uint8_t, 256>& TChunkGAMA::inverse() const {
    buildTables();
    return m_inverse;
}

void TChunkGAMA::buildTables() const {
    const std::uint32_t v = value();
    if (v == m_builtFor) return;
    m_builtFor = v;
    if (v == 0) {
        for (int i = 0; i < 256; ++i)
            m_forward[static_cast<std::size_t>(i)] = m_inverse[static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(i);
        return;
    }
    const double exponent = 1.0 / (2.2 * (v / 100000.0));
    std::array<bool, 256> filled{};
    for (int i = 0; i < 256; ++i) {
        // nearbyint rounds half to even in the default rounding mode.
        const double f = std::nearbyint(255.0 * std::pow(i / 255.0, exponent));
        const auto level = static_cast<std::uint8_t>(std::clamp(f, 0.0, 255.0));
        m_forward[static_cast<std::size_t>(i)] = level;
        m_inverse[level] = static_cast<std::uint8_t>(i);
        filled[level] = true;
    }
    // Levels the forward curve never produces still need an answer when saving, or such
    // colours would all turn black: take the nearest produced level below (above at the start).
    int last = -1;
    for (int i = 0; i < 256; ++i) {
        if (filled[static_cast<std::size_t>(i)])
            last = i;
        else if (last >= 0)
            m_inverse[static_cast<std::size_t>(i)] = m_inverse[static_cast<std::size_t>(last)];
    }
    int first = 0;
    while (first < 256 && !filled[static_cast<std::size_t>(first)]) ++first;
    for (int i = 0; i < first && first < 256; ++i)
        m_inverse[static_cast<std::size_t>(i)] = m_inverse[static_cast<std::size_t>(first)];
}

Color TChunkTRNS::transparentColor() const {
    const TChunkIHDR& h = headerOf(owner());
    if (h.colorType() != 2)
        throw EPNGImageException(
            "Can not get transparency information because the current image color type is not RGB (value 3)");
    const auto& d = data();
    if (d.size() < 6)
        throw EPNGImageException("The transparency chunk holds " + std::to_string(d.size()) +
                                 " bytes; a truecolour image needs 6.");
    // 8-bit images keep the low byte of each 16-bit sample, 16-bit images the high byte.
    const std::size_t at = h.bitDepth() == 16 ? 0 : 1;
    return {d[at], d[2 + at], d[4 + at]};
}

void TChunkTRNS::SaveChunk(std::vector<std::uint8_t>& out) {
    const TPNGImage& img = image();
    if (isIndexed(img.pixelFormat())) return;
    Color c = img.transparentColor();
    const auto* gamma = static_cast<const TChunkGAMA*>(owner().findClass(ChunkClass::GAMA));
    if (gamma && gamma->hasTables())
        c = {gamma->inverse()[c.r], gamma->inverse()[c.g], gamma->inverse()[c.b]};
    data() = {0, c.r, 0, c.g, 0, c.b};
    writeChunk(out);
}

TChunkTEXT::TChunkTEXT(TChunkList& owner) : TChunk(owner) {
    data() = {0, 0};
}

// ---- registry and list ----------------------------------------------------------------------

const TChunkClasses::Entry& TChunkClasses::item(int index) const {
    if (index < 0 || index >= count())
        throw EPNGImageException("The chunk class index especified is  out of range.");
    return m_entries[static_cast<std::size_t>(index)];
}

int TChunkClasses::findClass(ChunkClass chunkClass) const {
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].chunkClass == chunkClass) return static_cast<int>(i);
    return -1;
}

int TChunkClasses::findType(std::uint32_t type) const {
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].type == type) return static_cast<int>(i);
    return -1;
}

const TChunkClasses& ChunkClassRegistry() {
    static const TChunkClasses registry = [] {
        TChunkClasses r;
        r.add(pngChunkType("IEND"), ChunkClass::IEND);
        r.add(pngChunkType("IHDR"), ChunkClass::IHDR);
        r.add(pngChunkType("gAMA"), ChunkClass::GAMA);
        r.add(pngChunkType("IDAT"), ChunkClass::IDAT);
        r.add(pngChunkType("PLTE"), ChunkClass::PLTE);
        r.add(pngChunkType("tEXt"), ChunkClass::TEXT);
        r.add(pngChunkType("tRNS"), ChunkClass::TRNS);
        r.add(pngChunkType("tIME"), ChunkClass::Generic);
        return r;
    }();
    return registry;
}

TChunk& TChunkList::item(int index) const {
    if (index < 0 || index >= count())
        throw EPNGImageException("The chunk index especified is out of the range.");
    return *m_items[static_cast<std::size_t>(index)];
}

void TChunkList::move(int from, int to) {
    if (from < 0 || from >= count() || to < 0 || to >= count())
        throw EPNGImageException("The chunk index especified is out of the range.");
    auto chunk = std::move(m_items[static_cast<std::size_t>(from)]);
    m_items.erase(m_items.begin() + from);
    m_items.insert(m_items.begin() + to, std::move(chunk));
}

TChunk& TChunkList::add(std::unique_ptr<TChunk> chunk) {
    m_items.push_back(std::move(chunk));
    return *m_items.back();
}

std::unique_ptr<TChunk> TChunkList::makeChunk(ChunkClass chunkClass) {
    std::unique_ptr<TChunk> c;
    switch (chunkClass) {
        case ChunkClass::IHDR:
            c = std::make_unique<TChunkIHDR>(*this);
            break;
        case ChunkClass::PLTE:
            c = std::make_unique<TChunkPLTE>(*this);
            break;
        case ChunkClass::IDAT:
            c = std::make_unique<TChunkIDAT>(*this);
            break;
        case ChunkClass::GAMA:
            c = std::make_unique<TChunkGAMA>(*this);
            break;
        case ChunkClass::TRNS:
            c = std::make_unique<TChunkTRNS>(*this);
            break;
        case ChunkClass::TEXT:
            c = std::make_unique<TChunkTEXT>(*this);
            break;
        case ChunkClass::IEND:
            c = std::make_unique<TChunkIEND>(*this);
            break;
        case ChunkClass::Generic:
            c = std::make_unique<TChunk>(*this);
            break;
    }
    // A base-class chunk gets its type from the file or from the chunk it copies.
    if (chunkClass != ChunkClass::Generic) {
        const auto& reg = ChunkClassRegistry();
        c->setType(reg.item(reg.findClass(chunkClass)).type);
    }
    return c;
}

TChunk& TChunkList::create(ChunkClass chunkClass) {
    return add(makeChunk(chunkClass));
}

void TChunkList::remove(TChunk& chunk) {
    const int i = indexOf(chunk);
    if (i < 0)
        throw EPNGImageException(
            "The especified chunk is not inside the chunk list containing the method being used. The funcion "
            "could not be completed.");
    m_items.erase(m_items.begin() + i);
}

int TChunkList::indexOfClass(ChunkClass chunkClass) const {
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i]->chunkClass() == chunkClass) return static_cast<int>(i);
    return -1;
}

int TChunkList::indexOf(const TChunk& chunk) const {
    for (std::size_t i = 0; i < m_items.size(); ++i)
        if (m_items[i].get() == &chunk) return static_cast<int>(i);
    return -1;
}

void TChunkList::clear() {
    while (!m_items.empty()) m_items.pop_back();
}

TChunk* TChunkList::readChunk(ByteReader& in) {
    if (in.remaining() < 8)
        throw EPNGImageException("The file ends inside a chunk header (" + std::to_string(in.remaining()) +
                                 " bytes left).");
    const std::uint32_t length = in.u32be("chunk length");
    const std::uint32_t type = in.u32be("chunk type");
    const auto& reg = ChunkClassRegistry();
    const int entry = reg.findType(type);
    if (entry < 0 && isCritical(type))
        throw EPNGImageException(
            "The currently being loaded image contains critical(s) chunk(s) not reconized by the decoder.");
    // The length is checked against the bytes really present before anything is allocated.
    if (length > in.remaining() || in.remaining() - length < 4)
        throw EPNGImageException("The chunk " + pngChunkName(type) + " claims " + std::to_string(length) +
                                 " bytes but the file ends first.");
    const auto bytes = in.bytes(length, "chunk data");
    const std::uint32_t crc = in.u32be("chunk CRC");
    if (crc != pngCrc(type, bytes)) {
        // Nothing the picture needs is lost with a damaged ancillary chunk: it is dropped.
        if (!isCritical(type)) return nullptr;
        throw EPNGImageException("Can't read the PNG image, it has corrupted data. ");
    }
    const ChunkClass cls = entry < 0 ? ChunkClass::Generic : reg.item(entry).chunkClass;
    if (cls == ChunkClass::IDAT) {
        if (TChunk* existing = findClass(ChunkClass::IDAT)) {
            existing->data().insert(existing->data().end(), bytes.begin(), bytes.end());
            return existing;
        }
    }
    auto chunk = makeChunk(cls);
    chunk->setType(type);
    chunk->data().assign(bytes.begin(), bytes.end());
    return &add(std::move(chunk));
}

// ---- the image ------------------------------------------------------------------------------

TPNGImage::TPNGImage() : m_chunks(*this) {
    resetChunks();
}

void TPNGImage::resetChunks() {
    m_chunks.clear();
    static_cast<TChunkIHDR&>(m_chunks.create(ChunkClass::IHDR)).setHeader(0, 0, 2, 3, 0);
    m_chunks.create(ChunkClass::IDAT);
    m_chunks.create(ChunkClass::IEND);
}

void TPNGImage::loadFromBytes(std::span<const std::uint8_t> data, const DecodeLimits& limits) {
    m_limits = limits;
    m_alpha.clear();
    resetChunks();
    m_chunks.clear();
    if (data.size() < kSignature.size() || !std::equal(kSignature.begin(), kSignature.end(), data.begin()))
        throw EPNGImageException("Invalid Portable Graphics Network image, it has an invalid file header.");
    ByteReader in(data, "PNG");
    in.skip(kSignature.size(), "signature");
    while (!in.atEnd()) {
        const TChunk* c = m_chunks.readChunk(in);
        if (!c) continue;
        if (c->chunkClass() == ChunkClass::IEND) break;  // bytes after IEND are not ours
        if (c->chunkClass() == ChunkClass::IHDR && m_chunks.count() == 1 && c->data().size() == 13) {
            // A size over the limits is refused before the image data is even gathered.
            const auto& h = static_cast<const TChunkIHDR&>(*c);
            checkDimensions("PNG", h.width(), h.height(), m_limits);
        }
    }
    if (m_chunks.count() == 0 || m_chunks.item(0).chunkClass() != ChunkClass::IHDR)
        throw EPNGImageException(
            "This PNG image is invalid, the IHDR chunk is either not present or it isn't the first chunk.");
    if (m_chunks.item(0).data().size() != 13)
        throw EPNGImageException("The IHDR chunk holds " + std::to_string(m_chunks.item(0).data().size()) +
                                 " bytes; it must hold 13.");
    if (m_chunks.indexOfClass(ChunkClass::IDAT) < 0)
        throw EPNGImageException("The current image being loaded has no data and could not be loaded.");
    for (int i = 0; i < m_chunks.count(); ++i) m_chunks.item(i).DecodeChunk();

    // Only truecolour images take their transparent colour from tRNS.
    const auto* trns = static_cast<const TChunkTRNS*>(m_chunks.findClass(ChunkClass::TRNS));
    if (trns && headerOf(m_chunks).colorType() == 2 && trns->data().size() >= 6) {
        Color c = trns->transparentColor();
        // The pixels went through the gamma table, so the key colour must too or it never matches.
        const int gi = m_chunks.indexOfClass(ChunkClass::GAMA);
        if (GammaCorrection && gi >= 0 && gi < m_chunks.indexOfClass(ChunkClass::IDAT)) {
            const auto& g = static_cast<const TChunkGAMA&>(m_chunks.item(gi));
            if (g.hasTables()) c = {g.forward()[c.r], g.forward()[c.g], g.forward()[c.b]};
        }
        setTransparentColor(c);
        setTransparent(true);
    }
}

void TPNGImage::loadFromFile(const std::string& path, const DecodeLimits& limits) {
    loadFromBytes(readFileBytes(path), limits);
}

std::vector<std::uint8_t> TPNGImage::saveToBytes() {
    std::vector<std::uint8_t> out(kSignature.begin(), kSignature.end());
    if (m_chunks.count() == 0) resetChunks();
    if (m_chunks.count() == 0 || m_chunks.item(0).chunkClass() != ChunkClass::IHDR) {
        m_chunks.create(ChunkClass::IHDR);
        m_chunks.move(m_chunks.count() - 1, 0);
    }
    if (isIndexed(pixelFormat()) && m_chunks.indexOfClass(ChunkClass::PLTE) < 0) {
        m_chunks.create(ChunkClass::PLTE);
        m_chunks.move(m_chunks.count() - 1, 1);
    }
    if (transparent()) {
        // One tRNS only: a second copy would make the file invalid.
        int i = m_chunks.indexOfClass(ChunkClass::TRNS);
        if (i < 0) {
            m_chunks.create(ChunkClass::TRNS);
            i = m_chunks.count() - 1;
        }
        m_chunks.move(i, 1);
    } else {
        while (TChunk* t = m_chunks.findClass(ChunkClass::TRNS)) m_chunks.remove(*t);
    }
    if (m_chunks.indexOfClass(ChunkClass::IEND) < 0) m_chunks.create(ChunkClass::IEND);
    if (m_chunks.indexOfClass(ChunkClass::IDAT) < 0) {
        m_chunks.create(ChunkClass::IDAT);
        m_chunks.move(m_chunks.count() - 1, 1);
    }
    for (int i = 0; i < m_chunks.count(); ++i) m_chunks.item(i).SaveChunk(out);
    return out;
}

void TPNGImage::saveToFile(const std::string& path) {
    writeFileAtomic(path, saveToBytes());
}

void TPNGImage::assign(const TPNGImage& source) {
    if (&source == this) return;
    m_chunks.clear();
    const auto& reg = ChunkClassRegistry();
    for (int i = 0; i < source.m_chunks.count(); ++i) {
        const TChunk& from = source.m_chunks.item(i);
        const int entry = reg.findType(from.type());
        auto chunk = m_chunks.makeChunk(entry < 0 ? ChunkClass::Generic : reg.item(entry).chunkClass);
        chunk->AssignChunk(from);
        m_chunks.add(std::move(chunk));
    }
    Filters = source.Filters;
    Interlaced = source.Interlaced;
    assign(static_cast<const Bitmap&>(source));
}

void TPNGImage::assign(const Bitmap& source) {
    if (&source == static_cast<const Bitmap*>(this)) return;
    static_cast<Bitmap&>(*this) = source;
}

// ---- entry points ---------------------------------------------------------------------------

PngAlphaImage readPngWithAlpha(std::span<const std::uint8_t> data, const DecodeLimits& limits) {
    TPNGImage img;
    img.setKeepAlpha(true);
    img.loadFromBytes(data, limits);
    PngAlphaImage result;
    result.color = static_cast<const Bitmap&>(img);
    result.color.setPixelFormat(PixelFormat::Device);
    // The alpha plane says which pixels are transparent; the key colour would say it twice.
    result.color.setTransparent(false);
    result.alpha = std::move(img.alphaPlane());
    return result;
}

Bitmap decodePng(std::span<const std::uint8_t> data, const DecodeLimits& limits, bool gammaCorrection) {
    TPNGImage img;
    img.GammaCorrection = gammaCorrection;
    img.loadFromBytes(data, limits);
    return std::move(static_cast<Bitmap&>(img));
}

std::vector<std::uint8_t> encodePng(const Bitmap& bitmap) {
    TPNGImage img;
    img.assign(bitmap);
    return img.saveToBytes();
}

std::vector<std::uint8_t> encodePngWithAlpha(const Bitmap& bitmap, const std::vector<std::uint8_t>& alpha) {
    const auto w = static_cast<std::size_t>(bitmap.width()), h = static_cast<std::size_t>(bitmap.height());
    if (bitmap.empty()) throw ImageError("PNG: cannot save an empty image");
    if (alpha.size() != w * h) throw ImageError("PNG: the alpha does not fit the image");
    // Each row: filter byte 1 (difference to the pixel on the left), then RGBA.
    std::vector<std::uint8_t> rows;
    rows.reserve(h * (1 + 4 * w));
    for (std::size_t y = 0; y < h; ++y) {
        rows.push_back(1);
        std::uint8_t prev[4] = {0, 0, 0, 0};
        for (std::size_t x = 0; x < w; ++x) {
            const Color c = bitmap.pixel(static_cast<int>(x), static_cast<int>(y));
            const std::uint8_t px[4] = {c.r, c.g, c.b, alpha[y * w + x]};
            for (int k = 0; k < 4; ++k) {
                rows.push_back(static_cast<std::uint8_t>(px[k] - prev[k]));
                prev[k] = px[k];
            }
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
    std::vector<std::uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()),
                  Z_DEFAULT_COMPRESSION) != Z_OK)
        throw ImageError("PNG: zlib could not compress the image");
    packed.resize(packedSize);
    std::vector<std::uint8_t> out(kSignature.begin(), kSignature.end());
    const auto chunk = [&out](const char* name, std::span<const std::uint8_t> body) {
        const std::uint32_t type = (std::uint32_t(std::uint8_t(name[0])) << 24) |
                                   (std::uint32_t(std::uint8_t(name[1])) << 16) |
                                   (std::uint32_t(std::uint8_t(name[2])) << 8) | std::uint8_t(name[3]);
        putBe32(out, static_cast<std::uint32_t>(body.size()));
        putBe32(out, type);
        out.insert(out.end(), body.begin(), body.end());
        putBe32(out, pngCrc(type, body));
    };
    std::vector<std::uint8_t> header;
    putBe32(header, static_cast<std::uint32_t>(w));
    putBe32(header, static_cast<std::uint32_t>(h));
    header.insert(header.end(), {8, 6, 0, 0, 0});
    chunk("IHDR", header);
    chunk("IDAT", packed);
    chunk("IEND", {});
    return out;
}

std::vector<PngText> readPngTexts(std::span<const std::uint8_t> data) {
    if (data.size() < kSignature.size() || !std::equal(kSignature.begin(), kSignature.end(), data.begin()))
        throw EPNGImageException("Invalid Portable Graphics Network image, it has an invalid file header.");
    ByteReader in(data, "PNG");
    in.skip(kSignature.size(), "signature");
    std::vector<PngText> texts;
    const std::uint32_t tEXt = pngChunkType("tEXt"), IEND = pngChunkType("IEND");
    while (in.remaining() >= 12) {
        const std::uint32_t length = in.u32be("chunk length");
        const std::uint32_t type = in.u32be("chunk type");
        if (length > in.remaining() - 4)
            throw EPNGImageException("The chunk " + pngChunkName(type) + " claims " + std::to_string(length) +
                                     " bytes but the file ends first.");
        if (type == IEND) break;
        if (type != tEXt) {
            in.skip(length + std::size_t{4}, "chunk");
            continue;
        }
        const auto bytes = in.bytes(length, "chunk data");
        if (in.u32be("chunk CRC") != pngCrc(type, bytes)) continue;
        const auto zero = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
        if (zero == bytes.begin() || zero == bytes.end()) continue;
        texts.push_back({std::string(bytes.begin(), zero), std::string(zero + 1, bytes.end())});
    }
    return texts;
}

std::vector<std::uint8_t> encodePng(const Bitmap& bitmap, const std::vector<PngText>& texts) {
    std::vector<std::uint8_t> file = encodePng(bitmap);
    std::vector<std::uint8_t> chunks;
    for (const PngText& t : texts) {
        if (t.keyword.empty() || t.keyword.size() > 79 || t.keyword.find('\0') != std::string::npos)
            throw ImageError("PNG: the text keyword \"" + t.keyword + "\" cannot be written");
        std::vector<std::uint8_t> body(t.keyword.begin(), t.keyword.end());
        body.push_back(0);
        body.insert(body.end(), t.text.begin(), t.text.end());
        if (body.size() > 0x7FFFFFFFu) throw ImageError("PNG: a text chunk is too large to write");
        const std::uint32_t type = pngChunkType("tEXt");
        putBe32(chunks, static_cast<std::uint32_t>(body.size()));
        putBe32(chunks, type);
        chunks.insert(chunks.end(), body.begin(), body.end());
        putBe32(chunks, pngCrc(type, body));
    }
    // The header chunk is first and always 25 bytes: 13 of data, length, type and CRC.
    const std::size_t afterHeader = kSignature.size() + 25;
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(afterHeader), chunks.begin(), chunks.end());
    return file;
}

void savePngFile(const Bitmap& bitmap, const std::string& path) {
    writeFileAtomic(path, encodePng(bitmap));
}

}  // namespace vexilo
