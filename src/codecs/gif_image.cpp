#include "codecs/gif_image.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "base/errors.h"
#include "base/file_io.h"
#include "codecs/color_reduction.h"
#include "codecs/gif_lzw.h"

namespace vexilo {

namespace {

constexpr std::uint8_t kLabelGraphicControl = 0xF9;
constexpr std::uint8_t kLabelPlainText = 0x01;
constexpr std::uint8_t kLabelApplication = 0xFF;
constexpr std::uint8_t kLabelComment = 0xFE;
constexpr int kMaxDimension = 65535;

const char* const kNoData = "No GIF Data to write";
const char* const kWrongColors = "Wrong number of colors; must be a power of 2";

// The smallest bits >= 1 with 2^bits >= count.
int bitsForCount(std::size_t count) {
    int bits = 1;
    while (bits < 8 && (std::size_t{1} << bits) < count) ++bits;
    return bits;
}

void notify(const GifProgress& progress, GifProgressStage stage, int percent,
            const std::string& message = {}) {
    if (progress) progress(stage, percent, message);
}

// Data sub-blocks until a zero length or the end of the data; a block cut by the end keeps the
// bytes present. Returns false when a block was cut.
bool readSubBlocks(ByteReader& r, std::vector<std::vector<std::uint8_t>>* strings,
                   std::vector<std::uint8_t>* raw) {
    while (!r.atEnd()) {
        const std::uint8_t length = r.u8("sub-block");
        if (length == 0) {
            if (raw) raw->push_back(0);
            return true;
        }
        const std::size_t present = std::min<std::size_t>(length, r.remaining());
        const auto bytes = r.bytes(present, "sub-block");
        if (strings) strings->emplace_back(bytes.begin(), bytes.end());
        if (raw) {
            raw->push_back(static_cast<std::uint8_t>(present));
            raw->insert(raw->end(), bytes.begin(), bytes.end());
        }
        if (present < length) {
            if (raw) raw->push_back(0);
            return false;
        }
    }
    if (raw) raw->push_back(0);  // the data stopped without its terminator
    return true;
}

bool sameIdentifier(const TExtension& e, const char* id) {
    return e.fixed.size() >= 12 && std::memcmp(e.fixed.data() + 1, id, 11) == 0;
}

void writeSubBlocks(ByteWriter& w, const std::vector<std::vector<std::uint8_t>>& strings) {
    for (const auto& s : strings) {
        for (std::size_t pos = 0; pos < s.size(); pos += 255) {
            const std::size_t n = std::min<std::size_t>(255, s.size() - pos);
            w.u8(static_cast<std::uint8_t>(n));
            w.bytes(std::span<const std::uint8_t>(s).subspan(pos, n));
        }
    }
    w.u8(0);
}

void writeColorTable(ByteWriter& w, const GifColorTable& table, std::size_t entries) {
    for (std::size_t i = 0; i < entries; ++i) {
        const Color c = i < table.size() ? table[i] : kBlack;
        w.u8(c.r);
        w.u8(c.g);
        w.u8(c.b);
    }
}

GifColorTable readColorTable(ByteReader& r, std::size_t entries) {
    const auto bytes = r.bytes(entries * 3, "colour table");
    GifColorTable table(entries);
    for (std::size_t i = 0; i < entries; ++i) table[i] = {bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
    return table;
}

}  // namespace

// ---- TExtension ----

std::uint8_t TExtension::label() const {
    switch (kind) {
        case GifExtensionKind::GraphicControl:
            return kLabelGraphicControl;
        case GifExtensionKind::PlainText:
            return kLabelPlainText;
        case GifExtensionKind::Application:
            return kLabelApplication;
        case GifExtensionKind::Comment:
            return kLabelComment;
    }
    return kLabelComment;
}

TExtension TExtension::graphicControl() {
    TExtension e;
    e.kind = GifExtensionKind::GraphicControl;
    e.fixed = {4, 0, 0, 0, 0, 0};
    return e;
}

// ---- decoding one frame ----

Bitmap decodeGifItem(const TGIFItem& item, bool interlaced, bool& corrupted, const DecodeLimits& limits) {
    if (item.bitsPerPixel > 8) throw DecodeError(kWrongColors);
    checkDimensions("GIF", item.width, item.height, limits);

    int minCodeSize = item.encoded.empty() ? 2 : item.encoded[0];
    if (item.encoded.empty()) corrupted = true;
    if (minCodeSize < 2 || minCodeSize > gif::kMaxLzwMinCodeSize) {
        minCodeSize = std::clamp(minCodeSize, 2, gif::kMaxLzwMinCodeSize);
        corrupted = true;
    }
    // A frame without any colour table is shown in the default colours of its code size.
    const int valueBits = item.bitsPerPixel > 0 ? item.bitsPerPixel : std::min(minCodeSize, 8);
    const int bitCount = valueBits == 1 ? 1 : valueBits <= 4 ? 4 : 8;
    std::vector<Color> palette(std::size_t{1} << bitCount, Color{128, 128, 128});
    if (item.bitsPerPixel > 0) {
        std::copy_n(item.colorTable.begin(), std::min(item.colorTable.size(), palette.size()),
                    palette.begin());
    } else {
        palette = defaultPalette(bitCount);
    }

    const std::size_t w = static_cast<std::size_t>(item.width), h = static_cast<std::size_t>(item.height);
    std::vector<std::uint8_t> pixels(w * h, 0);
    if (!item.encoded.empty()) {
        bool cut = false;
        const std::vector<std::uint8_t> codes =
            gif::joinSubBlocks(std::span<const std::uint8_t>(item.encoded).subspan(1), &cut);
        const auto mask = static_cast<std::uint8_t>((1u << valueBits) - 1u);
        const gif::LzwDecodeResult result = gif::lzwDecode(codes, minCodeSize, mask, pixels);
        if (result.corrupted || cut) corrupted = true;
    }

    Bitmap out(0, 0, formatForBits(bitCount));
    out.setPalette(std::move(palette));
    // Every row is copied below.
    out.resizeForOverwrite(item.width, item.height);
    // Rows come in stored order: top to bottom, or by the four interlace passes.
    std::size_t stored = 0;
    auto putRow = [&](std::size_t y) {
        const std::uint8_t* in = pixels.data() + stored * w;
        auto row = out.row(static_cast<int>(y));
        for (std::size_t x = 0; x < w; ++x) row[x] = in[x];
        ++stored;
    };
    if (interlaced) {
        static constexpr std::size_t kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (std::size_t y = kStart[pass]; y < h; y += kStep[pass]) putRow(y);
    } else {
        for (std::size_t y = 0; y < h; ++y) putRow(y);
    }
    return out;
}

// ---- TGIFFrame ----

TGIFFrame::TGIFFrame(TGIFImage* image) : m_image(image), m_item(std::make_shared<TGIFItem>()) {}

TGIFFrame::TGIFFrame(const TGIFFrame& other, TGIFImage* image)
    : left(other.left),
      top(other.top),
      extensions(other.extensions),
      delayMs(other.delayMs),
      disposal(other.disposal),
      transparentColor(other.transparentColor),
      transparentIndex(other.transparentIndex),
      interlaced(other.interlaced),
      localColorTable(other.localColorTable),
      corrupted(other.corrupted),
      m_image(image),
      m_item(other.m_item),
      m_bitmap(other.m_bitmap) {}

int TGIFFrame::width() const {
    return m_item->width;
}
int TGIFFrame::height() const {
    return m_item->height;
}

TGIFItem& TGIFFrame::mutableItem() {
    if (m_item.use_count() > 1) m_item = std::make_shared<TGIFItem>(*m_item);
    return *m_item;
}

const Bitmap& TGIFFrame::bitmap() {
    if (!m_bitmap) {
        if (!hasEncodedData()) {
            m_bitmap.emplace();
            return *m_bitmap;
        }
        const GifProgress& progress = m_image ? m_image->progress() : GifProgress{};
        const DecodeLimits limits = m_image ? m_image->limits() : kDefaultDecodeLimits;
        notify(progress, GifProgressStage::Starting, 0);
        try {
            bool damaged = false;
            Bitmap decoded = decodeGifItem(*m_item, interlaced, damaged, limits);
            if (damaged) corrupted = true;
            m_bitmap = std::move(decoded);
        } catch (const std::exception& e) {
            notify(progress, GifProgressStage::Ending, 0, e.what());
            throw;
        }
        notify(progress, GifProgressStage::Ending, 100);
    }
    return *m_bitmap;
}

Bitmap TGIFFrame::takeBitmap() {
    (void)bitmap();
    Bitmap out = std::move(*m_bitmap);
    m_bitmap.reset();
    return out;
}

void TGIFFrame::releaseBitmap() {
    if (hasEncodedData()) m_bitmap.reset();
}

void TGIFFrame::assign(const Bitmap& graphic) {
    m_item = std::make_shared<TGIFItem>();
    transparentColor.reset();
    transparentIndex.reset();
    if (graphic.empty()) {
        m_bitmap.reset();
    } else {
        m_bitmap = graphic;
        m_bitmap->setTransparent(false);
        if (graphic.transparent()) transparentColor = graphic.transparentColor();
        m_item->width = graphic.width();
        m_item->height = graphic.height();
    }
    if (m_image) m_image->recomputeScreenSize();
}

void TGIFFrame::encode() {
    if (!m_bitmap || m_bitmap->empty()) throw ImageError(kNoData);
    const Bitmap& source = *m_bitmap;
    if (source.width() > kMaxDimension || source.height() > kMaxDimension)
        throw ImageError("GIF: a frame of " + std::to_string(source.width()) + " x " +
                         std::to_string(source.height()) + " pixels is larger than the 65535 x 65535 " +
                         "that the format can hold");
    const Bitmap reduced = isIndexed(source.pixelFormat()) ? source : reduceBitmapTo256(source);
    int bitCount = reduced.bitsPerPixel();
    std::size_t tableSize;
    switch (bitCount) {
        case 1:
            tableSize = 2;
            break;
        case 4:
            tableSize = 16;
            break;
        case 8:
            tableSize = 256;
            break;
        default:
            throw ImageError("GIF image encoding error");
    }
    GifColorTable table(tableSize, kBlack);
    std::copy_n(reduced.palette().begin(), std::min(tableSize, reduced.palette().size()), table.begin());

    const std::size_t w = static_cast<std::size_t>(reduced.width()),
                      h = static_cast<std::size_t>(reduced.height());
    std::vector<std::uint8_t> indices(w * h);
    const std::uint32_t mask = static_cast<std::uint32_t>(tableSize - 1);
    for (std::size_t y = 0; y < h; ++y) {
        const auto row = reduced.row(static_cast<int>(y));
        std::uint8_t* out = indices.data() + y * w;
        for (std::size_t x = 0; x < w; ++x) out[x] = static_cast<std::uint8_t>(row[x] & mask);
    }
    auto item = std::make_shared<TGIFItem>();
    item->encoded.reserve(w * h / 2 + 16);
    gif::lzwEncode(indices, bitCount == 1 ? 2 : bitCount, item->encoded);
    const int bits = bitsForCount(tableSize);
    item->bitsPerPixel = bits;
    item->width = reduced.width();
    item->height = reduced.height();
    item->colorTable = table;
    item->packed = 0;
    interlaced = false;
    m_item = std::move(item);
    if (m_image && m_image->data().colorTable.empty()) {
        TGIFData& data = m_image->mutableData();
        data.colorTable = table;
        data.bitsPerPixel = bits;
        localColorTable = false;
    } else {
        localColorTable = true;
    }
    if (m_image) m_image->recomputeScreenSize();
}

// ---- TGIFImage ----

TGIFImage::TGIFImage() : m_data(std::make_shared<TGIFData>()) {}

TGIFImage::TGIFImage(const TGIFImage& other) : TGIFImage() {
    copyFrom(other);
}

TGIFImage& TGIFImage::operator=(const TGIFImage& other) {
    if (this != &other) copyFrom(other);
    return *this;
}

TGIFImage::~TGIFImage() = default;

void TGIFImage::copyFrom(const TGIFImage& other) {
    std::vector<std::unique_ptr<TGIFFrame>> frames;
    frames.reserve(other.m_frames.size());
    for (const auto& f : other.m_frames) frames.push_back(std::make_unique<TGIFFrame>(*f, this));
    m_frames = std::move(frames);
    m_data = other.m_data;
    m_version = other.m_version;
    m_background = other.m_background;
    m_backgroundIndex = other.m_backgroundIndex;
    m_looping = other.m_looping;
    m_loopCount = other.m_loopCount;
    m_screenWidth = other.m_screenWidth;
    m_screenHeight = other.m_screenHeight;
    m_currentFrame = other.m_currentFrame;
    m_framesDropped = other.m_framesDropped;
    m_limits = other.m_limits;
}

void TGIFImage::clear() {
    m_frames.clear();
    m_data = std::make_shared<TGIFData>();
    m_version = GifVersion::None;
    m_screenWidth = m_screenHeight = 0;
    m_currentFrame = -1;
    m_background.reset();
    m_backgroundIndex = 0;
    m_looping = false;
    m_loopCount = 1;
    m_paletteModified = false;
    m_framesDropped = false;
}

TGIFData& TGIFImage::mutableData() {
    if (m_data.use_count() > 1) m_data = std::make_shared<TGIFData>(*m_data);
    return *m_data;
}

void TGIFImage::setCurrentFrame(int index) {
    if (index < -1 || index >= frameCount()) throw ImageError("GIF: no frame " + std::to_string(index));
    m_currentFrame = index;
}

void TGIFImage::recomputeScreenSize() {
    int w = 0, h = 0;
    for (const auto& f : m_frames) {
        w = std::max(w, f->left + f->width());
        h = std::max(h, f->top + f->height());
    }
    m_screenWidth = std::min(w, kMaxDimension);
    m_screenHeight = std::min(h, kMaxDimension);
}

void TGIFImage::setSize(int, int) {
    throw ImageError("Cannot change the Size of a GIF image");
}

void TGIFImage::assign(const TGIFImage& other) {
    if (this != &other) copyFrom(other);
}

void TGIFImage::assign(const TGIFFrame& frame) {
    const TGIFImage* source = frame.image();
    // The frame may belong to this very image: copy it before clearing.
    auto copy = std::make_unique<TGIFFrame>(frame, this);
    std::shared_ptr<TGIFData> data = source ? source->m_data : std::make_shared<TGIFData>();
    GifVersion version = source ? source->m_version : GifVersion::None;
    std::optional<Color> background = source ? source->m_background : std::nullopt;
    const std::uint8_t backgroundIndex = source ? source->m_backgroundIndex : 0;
    const int sw = source ? source->m_screenWidth : 0, sh = source ? source->m_screenHeight : 0;
    clear();
    m_data = std::move(data);
    m_version = version;
    m_background = background;
    m_backgroundIndex = backgroundIndex;
    m_screenWidth = sw;
    m_screenHeight = sh;
    m_frames.push_back(std::move(copy));
    m_currentFrame = 0;
}

void TGIFImage::assign(const Bitmap& bitmap) {
    clear();
    addFrame(bitmap);
}

TGIFFrame& TGIFImage::addFrame(const Bitmap& graphic) {
    m_frames.push_back(std::make_unique<TGIFFrame>(this));
    TGIFFrame& f = *m_frames.back();
    f.assign(graphic);
    m_currentFrame = frameCount() - 1;
    if (m_version == GifVersion::None) m_version = GifVersion::V87a;
    if (frameCount() > 1) m_version = GifVersion::V89a;
    return f;
}

void TGIFImage::removeFrame(int index) {
    if (index < 0 || index >= frameCount()) throw ImageError("GIF: no frame " + std::to_string(index));
    m_frames.erase(m_frames.begin() + index);
    if (m_currentFrame >= frameCount()) m_currentFrame = frameCount() - 1;
}

void TGIFImage::loadFromFile(const std::string& path, const DecodeLimits& limits) {
    const std::vector<std::uint8_t> bytes = readFileBytes(path);
    loadFromBytes(bytes, limits);
}

void TGIFImage::loadFromBytes(std::span<const std::uint8_t> bytes, const DecodeLimits& limits) {
    clear();
    m_limits = limits;
    readStream(bytes);
    if (m_frames.empty()) return;
    m_currentFrame = 0;
    try {
        (void)m_frames.front()->bitmap();
    } catch (...) {
        m_frames.erase(m_frames.begin());
        m_currentFrame = m_frames.empty() ? -1 : 0;
        throw;
    }
}

void TGIFImage::readStream(std::span<const std::uint8_t> bytes) {
    ByteReader r(bytes, "GIF");
    auto upper = [](std::uint8_t c) { return static_cast<char>(std::toupper(c)); };
    if (bytes.size() < 6 || upper(bytes[0]) != 'G' || upper(bytes[1]) != 'I' || upper(bytes[2]) != 'F' ||
        bytes[3] != '8' || (bytes[4] != '7' && bytes[4] != '9') || upper(bytes[5]) != 'A')
        throw DecodeError("Unknown GIF version");
    m_version = bytes[4] == '7' ? GifVersion::V87a : GifVersion::V89a;
    r.skip(6, "signature");

    TGIFData& data = mutableData();
    m_screenWidth = r.u16le("logical screen width");
    m_screenHeight = r.u16le("logical screen height");
    const std::uint8_t packed = r.u8("logical screen descriptor");
    const std::uint8_t backgroundIndex = r.u8("logical screen descriptor");
    m_backgroundIndex = backgroundIndex;
    // Refused before anything is allocated: the first frame is shown on this screen.
    if (m_screenWidth > 0 && m_screenHeight > 0)
        checkDimensions("GIF", m_screenWidth, m_screenHeight, m_limits);
    data.aspectRatio = r.u8("logical screen descriptor");
    data.bitsPerPixel = (packed & 7) + 1;
    data.colorResolution = ((packed >> 4) & 7) + 1;
    if (packed & 0x80) {
        data.colorTable = readColorTable(r, std::size_t{1} << data.bitsPerPixel);
        if (backgroundIndex < data.colorTable.size()) m_background = data.colorTable[backgroundIndex];
    }

    std::vector<TExtension> gathered;
    const std::size_t total = bytes.size();
    auto nextByte = [&]() -> std::uint8_t { return r.atEnd() ? 0 : r.u8("block"); };

    auto readExtension = [&] {
        const std::uint8_t label = r.u8("extension label");
        TExtension e;
        switch (label) {
            case kLabelGraphicControl: {
                e.kind = GifExtensionKind::GraphicControl;
                const auto fixed = r.bytes(6, "graphic control extension");
                e.fixed.assign(fixed.begin(), fixed.end());
                gathered.push_back(std::move(e));
                return;
            }
            case kLabelComment:
                e.kind = GifExtensionKind::Comment;
                readSubBlocks(r, &e.data, nullptr);
                gathered.push_back(std::move(e));
                return;
            case kLabelPlainText: {
                r.skip(13, "plain text extension");
                readSubBlocks(r, nullptr, nullptr);
                // Text drawn over the frames is not kept, nor what was gathered for it.
                gathered.clear();
                return;
            }
            case kLabelApplication: {
                e.kind = GifExtensionKind::Application;
                const auto fixed = r.bytes(12, "application extension");
                e.fixed.assign(fixed.begin(), fixed.end());
                readSubBlocks(r, &e.data, nullptr);
                if ((sameIdentifier(e, "NETSCAPE2.0") || sameIdentifier(e, "ANIMEXTS1.0")) &&
                    !e.data.empty() && e.data[0].size() >= 3 && e.data[0][0] == 1) {
                    m_looping = true;
                    const auto count = static_cast<std::uint16_t>(e.data[0][1] | (e.data[0][2] << 8));
                    m_loopCount = std::min(count, kGifMaxLoopCount);
                }
                return;
            }
            default: {
                char text[48];
                std::snprintf(text, sizeof text, "Unrecognized extension block: %.2x", label);
                throw DecodeError(text);
            }
        }
    };

    auto readFrame = [&] {
        auto frame = std::make_unique<TGIFFrame>(this);
        TGIFItem& item = *frame->m_item;
        if (!data.colorTable.empty()) item.bitsPerPixel = data.bitsPerPixel;
        frame->left = r.u16le("image descriptor");
        frame->top = r.u16le("image descriptor");
        item.width = r.u16le("image descriptor");
        item.height = r.u16le("image descriptor");
        item.packed = r.u8("image descriptor");
        if (item.width == 0) item.width = m_screenWidth;
        if (item.height == 0) item.height = m_screenHeight;
        // Frame 0 is decoded at once; a size it cannot have is refused before its data is read.
        if (m_frames.empty()) checkDimensions("GIF", item.width, item.height, m_limits);
        frame->interlaced = (item.packed & 0x40) != 0;
        if (item.packed & 0x80) {
            item.bitsPerPixel = (item.packed & 7) + 1;
            item.colorTable = readColorTable(r, std::size_t{1} << item.bitsPerPixel);
            frame->localColorTable = true;
        } else {
            item.colorTable = data.colorTable;
        }
        item.encoded.push_back(r.u8("LZW minimum code size"));
        if (!readSubBlocks(r, nullptr, &item.encoded)) frame->corrupted = true;

        for (const TExtension& e : gathered) {
            if (e.kind != GifExtensionKind::GraphicControl || e.fixed.size() < 6) continue;
            const int delay = (e.fixed[2] | (e.fixed[3] << 8)) * 10;
            frame->delayMs = std::max(frame->delayMs, delay);
            frame->disposal = (e.fixed[1] >> 2) & 7;
            if ((e.fixed[1] & 1) && e.fixed[4] < item.colorTable.size()) {
                frame->transparentColor = item.colorTable[e.fixed[4]];
                frame->transparentIndex = e.fixed[4];
            } else {
                frame->transparentColor.reset();
                frame->transparentIndex.reset();
            }
        }
        frame->extensions = std::move(gathered);
        gathered.clear();
        m_frames.push_back(std::move(frame));
        notify(m_progress, GifProgressStage::Running, total ? static_cast<int>(r.pos() * 100 / total) : 100);
    };

    std::uint8_t b = nextByte();
    while (b != 0 && b != kGifTrailer && !r.atEnd()) {
        while (b == kGifExtensionIntroducer) {
            readExtension();
            b = nextByte();
        }
        if (b == kGifImageIntroducer) {
            if (m_frames.size() >= m_limits.maxFrames) {
                m_framesDropped = true;
                break;
            }
            readFrame();
        } else {
            if (!gathered.empty()) {
                // Extensions that no image follows: their comments become the image's comment.
                if (data.comment.empty()) {
                    for (const TExtension& e : gathered)
                        if (e.kind == GifExtensionKind::Comment)
                            for (const auto& line : e.data)
                                data.comment.emplace_back(line.begin(), line.end());
                } else if (b != 0 && b != kGifTrailer) {
                    throw DecodeError("Stream read error");
                }
                gathered.clear();
            }
            if (b == 0 || b == kGifTrailer) break;
        }
        // A stray byte between blocks is passed over, and so are zero bytes.
        do b = nextByte();
        while (b == 0 && !r.atEnd());
        if (b != kGifExtensionIntroducer && b != kGifImageIntroducer && b != kGifTrailer) break;
    }
}

std::vector<std::uint8_t> TGIFImage::saveToBytes() {
    if (m_frames.empty()) throw ImageError(kNoData);
    notify(m_progress, GifProgressStage::Starting, 0);
    try {
        for (std::size_t i = 0; i < m_frames.size(); ++i) {
            if (!m_frames[i]->hasEncodedData()) m_frames[i]->encode();
            notify(m_progress, GifProgressStage::Running, static_cast<int>((i + 1) * 100 / m_frames.size()));
        }
    } catch (const std::exception& e) {
        notify(m_progress, GifProgressStage::Ending, 0, e.what());
        throw;
    }

    for (auto& fp : m_frames) {
        TGIFFrame& f = *fp;
        const bool hasGce = std::any_of(f.extensions.begin(), f.extensions.end(), [](const TExtension& e) {
            return e.kind == GifExtensionKind::GraphicControl;
        });
        if (!hasGce && (f.delayMs != 0 || f.transparentColor || f.disposal != 0))
            f.extensions.push_back(TExtension::graphicControl());
        const GifColorTable& table = f.item().colorTable;
        for (TExtension& e : f.extensions) {
            if (e.kind != GifExtensionKind::GraphicControl) continue;
            e.fixed.resize(6, 0);
            e.fixed[0] = 4;
            const int delay = std::min(f.delayMs / 10, 0xFFFF);
            e.fixed[2] = static_cast<std::uint8_t>(delay);
            e.fixed[3] = static_cast<std::uint8_t>(delay >> 8);
            std::uint8_t flags = static_cast<std::uint8_t>(e.fixed[1] & ~0x1Du);
            if (f.transparentColor) {
                const auto it = std::find(table.begin(), table.end(), *f.transparentColor);
                if (it != table.end() && it - table.begin() < 256) {
                    flags |= 1;
                    e.fixed[4] = static_cast<std::uint8_t>(it - table.begin());
                }
            }
            flags = static_cast<std::uint8_t>(flags | ((f.disposal & 7) << 2));
            e.fixed[1] = flags;
            e.fixed[5] = 0;
        }
        std::erase_if(f.extensions, [](const TExtension& e) {
            if (e.kind != GifExtensionKind::Comment) return false;
            return std::all_of(e.data.begin(), e.data.end(), [](const auto& s) { return s.empty(); });
        });
        if (!f.extensions.empty()) m_version = GifVersion::V89a;
    }
    const TGIFData& data = *m_data;
    if (!data.comment.empty()) m_version = GifVersion::V89a;
    if (m_version == GifVersion::None) m_version = GifVersion::V87a;

    ByteWriter w;
    w.bytes(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>("GIF"), 3));
    w.bytes(std::span<const std::uint8_t>(
        reinterpret_cast<const std::uint8_t*>(m_version == GifVersion::V89a ? "89a" : "87a"), 3));
    recomputeScreenSize();
    w.u16le(static_cast<std::uint16_t>(m_screenWidth));
    w.u16le(static_cast<std::uint16_t>(m_screenHeight));
    const std::size_t globalCount = data.colorTable.size();
    std::uint8_t packed = 0;
    if (globalCount > 0) {
        if (globalCount < 2 || globalCount > 256 || (globalCount & (globalCount - 1)) != 0)
            throw ImageError(kWrongColors);
        const int colorBits = bitsForCount(globalCount);
        // The size field must describe the table that follows, whatever was held before.
        packed = static_cast<std::uint8_t>(0x80 + ((colorBits - 1) << 4) + (colorBits - 1));
    }
    w.u8(packed);
    std::uint8_t backgroundIndex = 0;
    if (m_background) {
        const auto it = std::find(data.colorTable.begin(), data.colorTable.end(), *m_background);
        if (it != data.colorTable.end())
            backgroundIndex = static_cast<std::uint8_t>(it - data.colorTable.begin());
    }
    w.u8(backgroundIndex);
    w.u8(data.aspectRatio);
    writeColorTable(w, data.colorTable, globalCount);

    if (m_looping && m_frames.size() > 1) {
        static const std::uint8_t kLoop[] = {0x21, 0xFF, 11,  'N', 'E', 'T', 'S', 'C',
                                             'A',  'P',  'E', '2', '.', '0', 3,   1};
        w.bytes(kLoop);
        w.u16le(m_loopCount);
        w.u8(0);
    }

    for (const auto& fp : m_frames) {
        const TGIFFrame& f = *fp;
        for (const TExtension& e : f.extensions) {
            w.u8(kGifExtensionIntroducer);
            w.u8(e.label());
            w.bytes(e.fixed);
            if (e.kind != GifExtensionKind::GraphicControl) writeSubBlocks(w, e.data);
        }
        const TGIFItem& item = f.item();
        w.u8(kGifImageIntroducer);
        w.u16le(static_cast<std::uint16_t>(std::clamp(f.left, 0, kMaxDimension)));
        w.u16le(static_cast<std::uint16_t>(std::clamp(f.top, 0, kMaxDimension)));
        w.u16le(static_cast<std::uint16_t>(std::clamp(item.width, 0, kMaxDimension)));
        w.u16le(static_cast<std::uint16_t>(std::clamp(item.height, 0, kMaxDimension)));
        std::uint8_t framePacked = f.interlaced ? 0x40 : 0;
        int localBits = 0;
        if (f.localColorTable) {
            localBits = bitsForCount(item.colorTable.size());
            framePacked = static_cast<std::uint8_t>(framePacked | 0x80 | (localBits - 1));
        }
        w.u8(framePacked);
        // A table shorter than the size its field can state is padded, so the file stays whole.
        if (f.localColorTable) writeColorTable(w, item.colorTable, std::size_t{1} << localBits);
        w.bytes(item.encoded);
    }

    if (!data.comment.empty()) {
        w.u8(kGifExtensionIntroducer);
        w.u8(kLabelComment);
        std::vector<std::vector<std::uint8_t>> lines;
        for (const auto& line : data.comment) lines.emplace_back(line.begin(), line.end());
        writeSubBlocks(w, lines);
    }
    w.u8(kGifTrailer);
    notify(m_progress, GifProgressStage::Ending, 100);
    return w.take();
}

void TGIFImage::saveToFile(const std::string& path) {
    const std::vector<std::uint8_t> bytes = saveToBytes();
    writeFileAtomic(path, bytes);
}

std::vector<std::uint8_t> TGIFImage::saveToClipboardData() {
    const std::vector<std::uint8_t> file = saveToBytes();
    if (file.size() > 0xFFFFFFFFu) throw ImageError("GIF: the image is too large for the clipboard");
    ByteWriter w;
    w.u32le(static_cast<std::uint32_t>(file.size()));
    w.bytes(file);
    return w.take();
}

void TGIFImage::loadFromClipboardData(std::span<const std::uint8_t> bytes, const DecodeLimits& limits) {
    ByteReader r(bytes, "GIF");
    const std::uint32_t length = r.u32le("clipboard length");
    if (length > r.remaining())
        throw DecodeError("GIF: the clipboard data claims " + std::to_string(length) + " bytes but holds " +
                          std::to_string(r.remaining()));
    loadFromBytes(r.bytes(length, "clipboard data"), limits);
}

void TGIFImage::draw(Bitmap& dest, const Rect& rect) {
    if (m_currentFrame < 0 || m_currentFrame >= frameCount()) return;
    TGIFFrame& f = frame(m_currentFrame);
    const Bitmap& picture = f.bitmap();
    if (picture.empty()) return;
    if (m_transparent && f.transparentColor) {
        Bitmap masked = picture;
        masked.setTransparent(true);
        masked.setTransparentColor(*f.transparentColor);
        dest.stretchDraw(rect, masked);
    } else if (picture.transparent()) {
        Bitmap opaque = picture;
        opaque.setTransparent(false);
        dest.stretchDraw(rect, opaque);
    } else {
        dest.stretchDraw(rect, picture);
    }
}

// ---- entry points ----

std::vector<std::uint8_t> writeGif(const Bitmap& bitmap) {
    TGIFImage image;
    image.assign(bitmap);
    return image.saveToBytes();
}

void saveGifFile(const Bitmap& bitmap, const std::string& path) {
    const std::vector<std::uint8_t> bytes = writeGif(bitmap);
    writeFileAtomic(path, bytes);
}

Bitmap firstFrameOnScreen(TGIFImage& image) {
    if (image.frameCount() == 0) throw DecodeError("GIF: the file holds no image");
    TGIFFrame& f = image.frame(0);
    const Bitmap& picture = f.bitmap();
    const bool fullWidth = image.screenWidth() <= 0, fullHeight = image.screenHeight() <= 0;
    const int sw = fullWidth ? picture.width() : image.screenWidth();
    const int sh = fullHeight ? picture.height() : image.screenHeight();
    const int left = fullWidth ? 0 : f.left, top = fullHeight ? 0 : f.top;
    // Frame 0 covering the screen is the picture itself: moved out, not copied.
    if (left == 0 && top == 0 && sw == picture.width() && sh == picture.height()) return f.takeBitmap();
    checkDimensions("GIF", sw, sh, image.limits());

    Bitmap screen(0, 0, picture.pixelFormat());
    screen.setPalette(picture.palette());
    screen.resizeForOverwrite(sw, sh);
    // The uncovered screen shows through where the frame is transparent, or else the background.
    const std::size_t entries = std::size_t{1} << picture.bitsPerPixel();
    std::uint32_t fill = f.transparentIndex ? *f.transparentIndex : image.backgroundIndex();
    if (fill >= entries) fill = 0;
    std::fill(screen.pixels().begin(), screen.pixels().end(), fill);
    const int x0 = std::max(left, 0), y0 = std::max(top, 0);
    const int x1 = std::min(left + picture.width(), sw), y1 = std::min(top + picture.height(), sh);
    for (int y = y0; y < y1 && x0 < x1; ++y) {
        const auto in = picture.row(y - top);
        auto out = screen.row(y);
        std::copy(in.begin() + (x0 - left), in.begin() + (x1 - left), out.begin() + x0);
    }
    return screen;
}

Bitmap readGif(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
    TGIFImage image;
    image.loadFromBytes(file, limits);
    return firstFrameOnScreen(image);
}

}  // namespace vexilo
