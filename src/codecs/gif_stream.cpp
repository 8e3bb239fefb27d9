// The GIF file format: reading a stream into the model and writing the model back out.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "base/errors.h"
#include "codecs/color_reduction.h"
#include "codecs/gif_image.h"
#include "codecs/gif_lzw.h"
#include "codecs/gif_shared.h"

namespace vexilo {

using namespace gif_detail;

namespace {

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
            if (m_frames.size() >= m_limits.maxFrames) break;
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

}  // namespace vexilo
