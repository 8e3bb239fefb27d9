#include "codecs/metafile/metafile_format.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace vexilo {

namespace {

constexpr std::size_t kWmfHeaderSize = 18;
constexpr std::size_t kEmfMinHeader = 88;
constexpr double kHundredthMmPerInch = 2540.0;
constexpr double kScreenDpi = 96.0;

[[noreturn]] void fail(const char* format, const std::string& what) {
    throw DecodeError(std::string(format) + ": " + what);
}

std::uint32_t peek32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t peek16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// Fits a size to the largest side allowed, keeping its shape.
void fitSize(double w, double h, int& outW, int& outH) {
    const double scale = std::max(w, h) > kMaxMetafileSide ? kMaxMetafileSide / std::max(w, h) : 1.0;
    outW = static_cast<int>(std::lround(w * scale));
    outH = static_cast<int>(std::lround(h * scale));
}

// The extent of the coordinates that a WMF's drawing records use, for a file that states no
// size at all.
struct DrawnExtent {
    bool any = false;
    int left = 0, top = 0, right = 0, bottom = 0;
    // What text needs to be measured roughly: the last font made and the text alignment.
    int fontHeight = 0, fontWidth = 0;
    int textAlign = 0;
    void point(int x, int y) {
        if (!any) left = right = x, top = bottom = y, any = true;
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
    }
    void add(std::uint16_t function, std::span<const std::uint8_t> p) {
        auto word = [&](std::size_t i) {
            return static_cast<int>(static_cast<std::int16_t>(peek16(p, 2 * i)));
        };
        const std::size_t words = p.size() / 2;
        switch (function) {
            case wmf::kLineTo:
            case wmf::kMoveTo:  // y, x
                if (words >= 2) point(word(1), word(0));
                break;
            case wmf::kRectangle:
            case wmf::kEllipse:
            case wmf::kRoundRect:
            case wmf::kArc:
            case wmf::kPie:
            case wmf::kChord: {
                // Rectangles and the arcs' boxes end with bottom, right, top, left.
                if (words < 4) break;
                const std::size_t b = words - 4;
                point(word(b + 3), word(b + 2));
                point(word(b + 1), word(b));
                break;
            }
            case wmf::kPolygon:
            case wmf::kPolyline: {
                if (words < 1) break;
                const std::size_t n =
                    std::min<std::size_t>(static_cast<std::uint16_t>(word(0)), (words - 1) / 2);
                for (std::size_t i = 0; i < n; ++i) point(word(1 + 2 * i), word(2 + 2 * i));
                break;
            }
            case wmf::kPolyPolygon: {
                if (words < 1) break;
                const std::size_t polys =
                    std::min<std::size_t>(static_cast<std::uint16_t>(word(0)), words - 1);
                std::size_t total = 0;
                for (std::size_t i = 0; i < polys; ++i) total += static_cast<std::uint16_t>(word(1 + i));
                const std::size_t first = 1 + polys;
                total = std::min(total, (words - first) / 2);
                for (std::size_t i = 0; i < total; ++i) point(word(first + 2 * i), word(first + 2 * i + 1));
                break;
            }
            case wmf::kSetPixel:  // colour, y, x
                if (words >= 4) point(word(3), word(2));
                break;
            case wmf::kCreateFontIndirect:
                if (words >= 2) fontHeight = std::abs(word(0)), fontWidth = std::abs(word(1));
                break;
            case wmf::kSetTextAlign:
                if (words >= 1) textAlign = word(0);
                break;
            case wmf::kTextOut: {  // count, the string (padded to words), y, x
                if (words < 1) break;
                const std::size_t count = static_cast<std::uint16_t>(word(0));
                const std::size_t at = 1 + (count + 1) / 2;
                if (words >= at + 2) text(word(at + 1), word(at), count, 0);
                break;
            }
            case wmf::kExtTextOut: {  // y, x, count, options, [rectangle], string, [advances]
                if (words < 4) break;
                const std::size_t count = static_cast<std::uint16_t>(word(2));
                std::size_t at = 4;
                if (word(3) & 0x0006) {  // opaque or clipped: the rectangle follows
                    if (words < 8) break;
                    point(word(4), word(5));
                    point(word(6), word(7));
                    at = 8;
                }
                at += (count + 1) / 2;
                long advance = 0;
                if (words >= at + count)
                    for (std::size_t i = 0; i < count; ++i) advance += std::abs(word(at + i));
                text(word(1), word(0), count, advance);
                break;
            }
            default:
                break;
        }
    }
    // A line of `count` characters at the reference point (x, y): its box from the font's size
    // and the alignment, wide by the advances when the record gives them.
    void text(int x, int y, std::size_t count, long advance) {
        const int height = fontHeight > 0 ? fontHeight : 16;
        const long width =
            advance > 0 ? advance : static_cast<long>(count) * (fontWidth > 0 ? fontWidth : (height + 1) / 2);
        const long w = std::min(width, 32767L);
        long x0 = x;
        if ((textAlign & 6) == 6)
            x0 -= w / 2;  // centred
        else if ((textAlign & 6) == 2)
            x0 -= w;  // right
        long y0 = y;
        if ((textAlign & 24) == 24)
            y0 -= height * 4 / 5;  // baseline: most of the cell is above
        else if ((textAlign & 24) == 8)
            y0 -= height;  // bottom
        auto clampWord = [](long v) { return static_cast<int>(std::clamp(v, -32768L, 32767L)); };
        point(clampWord(x0), clampWord(y0));
        point(clampWord(x0 + w), clampWord(y0 + height));
    }
};

// A picture is drawn at any size: one larger than the limits allow is made smaller instead of
// refused. Rounding down keeps it inside them.
void fitToLimits(int& width, int& height, const DecodeLimits& limits) {
    const double w = width, h = height;
    const double scale = std::min({1.0, limits.maxWidth / w, limits.maxHeight / h,
                                   std::sqrt(static_cast<double>(limits.maxPixels) / (w * h))});
    if (scale >= 1) return;
    width = std::max(1, static_cast<int>(std::floor(w * scale)));
    height = std::max(1, static_cast<int>(std::floor(h * scale)));
}

bool wmfHeaderAt(std::span<const std::uint8_t> b, std::size_t at) {
    if (b.size() < at + kWmfHeaderSize) return false;
    const std::uint16_t type = peek16(b, at), headerWords = peek16(b, at + 2), version = peek16(b, at + 4);
    return (type == 1 || type == 2) && headerWords == 9 && (version == 0x0100 || version == 0x0300);
}

Metafile parseWmf(std::vector<std::uint8_t> bytes) {
    Metafile mf;
    mf.type = MetafileType::Wmf;
    mf.data = std::move(bytes);
    ByteReader r(mf.data, "WMF");
    if (mf.data.size() >= 4 && peek32(mf.data, 0) == wmf::kPlaceableKey) {
        r.skip(4, "placeable header");
        r.u16le("placeable header");
        mf.boundsLeft = static_cast<std::int16_t>(r.u16le("bounding box"));
        mf.boundsTop = static_cast<std::int16_t>(r.u16le("bounding box"));
        mf.boundsRight = static_cast<std::int16_t>(r.u16le("bounding box"));
        mf.boundsBottom = static_cast<std::int16_t>(r.u16le("bounding box"));
        mf.unitsPerInch = r.u16le("units per inch");
        r.skip(4, "placeable header");
        r.u16le("checksum");  // not checked: many writers get it wrong and it guards nothing
        mf.placeable = true;
        if (mf.unitsPerInch == 0) fail("WMF", "placeable header gives 0 units per inch");
    }
    const std::size_t headerAt = r.pos();
    if (!wmfHeaderAt(mf.data, headerAt)) fail("WMF", "missing or unknown metafile header");
    r.skip(6, "header");
    r.u32le("header");  // the file size it claims; the records decide
    mf.wmfObjects = r.u16le("object count");
    r.skip(6, "header");

    bool haveOrg = false, haveExt = false;
    int orgX = 0, orgY = 0, extX = 0, extY = 0;
    DrawnExtent drawn;
    while (!r.atEnd()) {
        if (r.remaining() < 6) break;  // padding after the last record
        const std::size_t at = r.pos();
        const std::uint32_t words = r.u32le("record size");
        const std::uint16_t function = r.u16le("record function");
        if (function == wmf::kEof) {
            mf.records.push_back({function, at, 6});
            break;
        }
        if (words < 3 || words > (r.remaining() + 6) / 2)
            fail("WMF", "record at offset " + std::to_string(at) + " claims " + std::to_string(words) +
                            " words, beyond the " + std::to_string(mf.data.size()) + "-byte file");
        const std::size_t size = std::size_t{words} * 2;
        if (mf.records.size() >= kMaxMetafileRecords)
            fail("WMF", "more than " + std::to_string(kMaxMetafileRecords) + " records");
        mf.records.push_back({function, at, size});
        if ((function == wmf::kSetWindowOrg || function == wmf::kSetWindowExt) && size >= 10) {
            const int y = static_cast<std::int16_t>(peek16(mf.data, at + 6));
            const int x = static_cast<std::int16_t>(peek16(mf.data, at + 8));
            if (function == wmf::kSetWindowOrg && !haveOrg) orgX = x, orgY = y, haveOrg = true;
            if (function == wmf::kSetWindowExt && !haveExt) extX = x, extY = y, haveExt = true;
        }
        if (!mf.placeable && !haveExt)
            drawn.add(function, std::span<const std::uint8_t>(mf.data).subspan(at + 6, size - 6));
        r.skip(size - 6, "record");
    }

    if (!mf.placeable) {
        if (haveExt) {
            mf.boundsLeft = orgX;
            mf.boundsTop = orgY;
            mf.boundsRight = orgX + extX;
            mf.boundsBottom = orgY + extY;
        } else if (drawn.any) {
            // Neither header nor window: the picture is what its records draw, from the origin.
            mf.boundsLeft = std::min(0, drawn.left);
            mf.boundsTop = std::min(0, drawn.top);
            mf.boundsRight = drawn.right;
            mf.boundsBottom = drawn.bottom;
        } else {
            fail("WMF", "no placeable header, no window extent and no drawing give the picture's size");
        }
    }
    const double w =
        std::abs(static_cast<double>(mf.boundsRight) - mf.boundsLeft) * kScreenDpi / mf.unitsPerInch;
    const double h =
        std::abs(static_cast<double>(mf.boundsBottom) - mf.boundsTop) * kScreenDpi / mf.unitsPerInch;
    fitSize(w, h, mf.width, mf.height);
    if (mf.width <= 0 || mf.height <= 0)
        fail("WMF",
             "empty picture (" + std::to_string(mf.width) + " x " + std::to_string(mf.height) + " pixels)");
    return mf;
}

Rect readRectL(ByteReader& r, const char* what) {
    Rect rc;
    rc.left = r.i32le(what);
    rc.top = r.i32le(what);
    rc.right = r.i32le(what);
    rc.bottom = r.i32le(what);
    return rc;
}

Metafile parseEmf(std::vector<std::uint8_t> bytes) {
    Metafile mf;
    mf.type = MetafileType::Emf;
    mf.data = std::move(bytes);
    ByteReader r(mf.data, "EMF");
    const std::uint32_t type = r.u32le("header");
    const std::uint32_t headerSize = r.u32le("header size");
    if (type != emr::kHeader) fail("EMF", "first record is not a header");
    if (headerSize < kEmfMinHeader || headerSize > mf.data.size())
        fail("EMF", "header size " + std::to_string(headerSize) + " outside 88 and the file's " +
                        std::to_string(mf.data.size()) + " bytes");
    mf.emfBounds = readRectL(r, "bounds");
    mf.emfFrame = readRectL(r, "frame");
    if (r.u32le("signature") != emr::kSignature) fail("EMF", "missing \" EMF\" signature");
    r.u32le("version");
    r.u32le("size");
    r.u32le("record count");
    mf.emfHandles = r.u16le("handle count");
    r.skip(2 + 4 + 4 + 4, "header");
    const std::int32_t devW = r.i32le("device size"), devH = r.i32le("device size");
    const std::int32_t mmW = r.i32le("device size in millimetres"),
                       mmH = r.i32le("device size in millimetres");
    mf.deviceWidth = devW, mf.deviceHeight = devH;
    mf.deviceWidthMm = mmW, mf.deviceHeightMm = mmH;
    if (headerSize >= 108) {
        r.seek(100, "size in micrometres");
        const std::int32_t umW = r.i32le("size in micrometres"), umH = r.i32le("size in micrometres");
        if (umW > 0 && umH > 0) mf.deviceWidthMm = umW / 1000.0, mf.deviceHeightMm = umH / 1000.0;
    }
    if (mf.deviceWidth <= 0 || mf.deviceHeight <= 0 || mf.deviceWidthMm <= 0 || mf.deviceHeightMm <= 0) {
        // A header without a usable reference device: take the screen's.
        mf.deviceWidth = 1920, mf.deviceHeight = 1080;
        mf.deviceWidthMm = 1920 * 25.4 / kScreenDpi, mf.deviceHeightMm = 1080 * 25.4 / kScreenDpi;
    }

    mf.records.push_back({emr::kHeader, 0, headerSize});
    r.seek(headerSize, "first record");
    while (r.remaining() >= 8) {
        const std::size_t at = r.pos();
        const std::uint32_t rtype = r.u32le("record type");
        const std::uint32_t size = r.u32le("record size");
        if (size < 8 || size - 8 > r.remaining())
            fail("EMF", "record at offset " + std::to_string(at) + " claims " + std::to_string(size) +
                            " bytes, beyond the " + std::to_string(mf.data.size()) + "-byte file");
        if (mf.records.size() >= kMaxMetafileRecords)
            fail("EMF", "more than " + std::to_string(kMaxMetafileRecords) + " records");
        mf.records.push_back({rtype, at, size});
        r.skip(size - 8, "record");
        if (rtype == emr::kEof) break;
    }

    const Rect& f = mf.emfFrame;
    double w = (static_cast<double>(f.right) - f.left) * kScreenDpi / kHundredthMmPerInch;
    double h = (static_cast<double>(f.bottom) - f.top) * kScreenDpi / kHundredthMmPerInch;
    if (!(w > 0 && h > 0)) {
        // No usable frame: take the bounds, converted from the reference device to the screen.
        const Rect& b = mf.emfBounds;
        w = (static_cast<double>(b.right) - b.left + 1) * mf.deviceWidthMm / mf.deviceWidth * kScreenDpi /
            25.4;
        h = (static_cast<double>(b.bottom) - b.top + 1) * mf.deviceHeightMm / mf.deviceHeight * kScreenDpi /
            25.4;
        mf.emfFrame = {
            static_cast<int>(std::lround(b.left * mf.deviceWidthMm * 100 / mf.deviceWidth)),
            static_cast<int>(std::lround(b.top * mf.deviceHeightMm * 100 / mf.deviceHeight)),
            static_cast<int>(std::lround((b.right + 1.0) * mf.deviceWidthMm * 100 / mf.deviceWidth)),
            static_cast<int>(std::lround((b.bottom + 1.0) * mf.deviceHeightMm * 100 / mf.deviceHeight))};
    }
    if (!(w > 0 && h > 0)) fail("EMF", "empty picture frame");
    fitSize(w, h, mf.width, mf.height);
    if (mf.width <= 0 || mf.height <= 0)
        fail("EMF",
             "empty picture (" + std::to_string(mf.width) + " x " + std::to_string(mf.height) + " pixels)");
    return mf;
}

}  // namespace

std::span<const std::uint8_t> Metafile::params(const MetafileRecord& r) const {
    const std::size_t header = type == MetafileType::Wmf ? 6 : 8;
    if (r.size < header) return {};
    return std::span<const std::uint8_t>(data).subspan(r.offset + header, r.size - header);
}

std::span<const std::uint8_t> Metafile::bytes(const MetafileRecord& r) const {
    return std::span<const std::uint8_t>(data).subspan(r.offset, r.size);
}

bool looksLikeMetafile(std::span<const std::uint8_t> b) {
    if (b.size() >= 4 && peek32(b, 0) == wmf::kPlaceableKey) return true;
    if (wmfHeaderAt(b, 0)) return true;
    return b.size() >= 44 && peek32(b, 0) == emr::kHeader && peek32(b, 40) == emr::kSignature;
}

Metafile parseMetafile(std::vector<std::uint8_t> bytes, const DecodeLimits& limits) {
    Metafile mf;
    if (bytes.size() >= 44 && peek32(bytes, 0) == emr::kHeader && peek32(bytes, 40) == emr::kSignature)
        mf = parseEmf(std::move(bytes));
    else if ((bytes.size() >= 4 && peek32(bytes, 0) == wmf::kPlaceableKey) || wmfHeaderAt(bytes, 0))
        mf = parseWmf(std::move(bytes));
    else
        throw DecodeError("Metafile: neither a Windows metafile nor an enhanced metafile");
    fitToLimits(mf.width, mf.height, limits);
    return mf;
}

}  // namespace vexilo
