#include "codecs/gif_image.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "base/errors.h"
#include "base/file_io.h"
#include "codecs/color_reduction.h"
#include "codecs/gif_lzw.h"
#include "codecs/gif_shared.h"

namespace vexilo {

using namespace gif_detail;

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

void TGIFImage::saveToFile(const std::string& path) {
    const std::vector<std::uint8_t> bytes = saveToBytes();
    writeFileAtomic(path, bytes);
}

// ---- entry points ----

std::vector<std::uint8_t> writeGif(const Bitmap& bitmap) {
    TGIFImage image;
    image.assign(bitmap);
    return image.saveToBytes();
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
