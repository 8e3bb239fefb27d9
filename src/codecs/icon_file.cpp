// Reads .ico files: header type 0 or 1, any number of entries, DIB images at 1 to 32 bits with
// their AND mask, and PNG images. Rejects cursor files (type 2 and above) and empty
// directories. Lenient where real icons need it: a DIB whose data stops before its AND mask is
// taken as fully opaque, and bytes after an image's data are ignored.
#include "codecs/icon_file.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "base/errors.h"
#include "codecs/bmp_codec.h"
#include "codecs/png_codec.h"

namespace vexilo {

namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// No icon image is ever this large; the cap keeps a lying directory or a PNG bomb from costing
// more than a few megabytes, whatever the caller's general limits allow.
constexpr std::uint32_t kMaxIconSide = 4096;
constexpr std::uint64_t kMaxIconPixels = std::uint64_t{1} << 22;

DecodeLimits iconLimits(const DecodeLimits& limits) {
    DecodeLimits l = limits;
    l.maxWidth = std::min(l.maxWidth, kMaxIconSide);
    l.maxHeight = std::min(l.maxHeight, kMaxIconSide);
    l.maxPixels = std::min(l.maxPixels, kMaxIconPixels);
    return l;
}

bool isPng(std::span<const std::uint8_t> data) {
    return data.size() >= kPngSignature.size() &&
           std::equal(kPngSignature.begin(), kPngSignature.end(), data.begin());
}

// The PNG's own header decides the size, whatever the directory claims.
Icon decodePngImage(std::span<const std::uint8_t> data, const DecodeLimits& limits) {
    PngAlphaImage png;
    try {
        png = readPngWithAlpha(data, limits);
    } catch (const DecodeError&) {
        throw;
    } catch (const ImageError& e) {
        throw DecodeError(e.what());
    }
    Icon icon;
    icon.color = std::move(png.color);
    const int w = icon.color.width(), h = icon.color.height();
    icon.mask = Bitmap(w, h, PixelFormat::Bpp1);
    std::fill(icon.mask.pixels().begin(), icon.mask.pixels().end(), 0u);
    if (png.alpha.size() == icon.color.pixels().size()) {
        // Fully transparent pixels also get the mask bit and a black colour, so the icon draws
        // right where its alpha is ignored.
        for (std::size_t i = 0; i < png.alpha.size(); ++i) {
            if (png.alpha[i] != 0) continue;
            icon.mask.pixels()[i] = 1;
            icon.color.pixels()[i] = icon.color.encode(kBlack);
        }
        icon.alpha = std::move(png.alpha);
    }
    return icon;
}

Icon decodeDibImage(std::span<const std::uint8_t> data, const DecodeLimits& limits) {
    Icon icon;
    Bitmap mask;
    icon.color = readDib(data, limits, true, &mask);
    const int w = icon.color.width(), h = icon.color.height();
    if (mask.width() != w || mask.height() != h) {
        // The data stopped before the mask rows: show the image opaque rather than not at all.
        mask = Bitmap(w, h, PixelFormat::Bpp1);
        std::fill(mask.pixels().begin(), mask.pixels().end(), 0u);
    }
    icon.mask = std::move(mask);
    if (icon.color.pixelFormat() == PixelFormat::Bpp32) {
        // Older 32-bit icons leave every alpha byte 0 and rely on the mask alone.
        const auto& px = icon.color.pixels();
        const bool anyAlpha =
            std::any_of(px.begin(), px.end(), [](std::uint32_t v) { return (v >> 24) != 0; });
        if (anyAlpha) {
            icon.alpha.resize(px.size());
            std::transform(px.begin(), px.end(), icon.alpha.begin(),
                           [](std::uint32_t v) { return static_cast<std::uint8_t>(v >> 24); });
        }
    }
    return icon;
}

}  // namespace

std::uint16_t wantedColorWord(int displayBits) {
    if (displayBits == 24) return 0;
    const unsigned shift = static_cast<unsigned>(displayBits) % 32u;
    return static_cast<std::uint16_t>(std::uint32_t{1} << shift);
}

std::size_t chooseIconEntry(std::span<const std::uint16_t> colorWords, std::uint16_t wanted) {
    std::optional<std::size_t> candidate;
    std::uint16_t candidateWord = 0;
    for (std::size_t i = 0; i < colorWords.size(); ++i) {
        const std::uint16_t c = colorWords[i];
        if (c == wanted) return i;
        if (!candidate) {
            if (c <= wanted) {
                candidate = i;
                candidateWord = c;
            }
        } else if (c > candidateWord) {
            candidate = i;  // the word compared against stays the first candidate's
        }
    }
    return candidate.value_or(0);
}

Icon decodeIconImage(std::span<const std::uint8_t> data, const DecodeLimits& limits) {
    const DecodeLimits capped = iconLimits(limits);
    Icon icon = isPng(data) ? decodePngImage(data, capped) : decodeDibImage(data, capped);
    if (icon.color.empty()) throw DecodeError("ICO: icon image is empty");
    return icon;
}

Icon scaleIcon(const Icon& icon, int width, int height) {
    const int sw = icon.width(), sh = icon.height();
    if (sw == width && sh == height) return icon;
    Icon out;
    out.hotspotX = sw > 0 ? static_cast<int>(static_cast<std::int64_t>(icon.hotspotX) * width / sw) : 0;
    out.hotspotY = sh > 0 ? static_cast<int>(static_cast<std::int64_t>(icon.hotspotY) * height / sh) : 0;
    out.isCursor = icon.isCursor;
    out.color = Bitmap(0, 0, icon.color.pixelFormat());
    out.color.setPalette(icon.color.palette());
    out.color.setSize(width, height);
    out.mask = Bitmap(width, height, PixelFormat::Bpp1);
    const bool haveMask = icon.mask.width() == sw && icon.mask.height() == sh;
    const bool haveAlpha = icon.alpha.size() == static_cast<std::size_t>(sw) * static_cast<std::size_t>(sh);
    if (haveAlpha) out.alpha.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    if (sw <= 0 || sh <= 0) return out;
    for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>(static_cast<std::int64_t>(y) * sh / height);
        for (int x = 0; x < width; ++x) {
            const int sx = static_cast<int>(static_cast<std::int64_t>(x) * sw / width);
            out.color.setRaw(x, y, icon.color.raw(sx, sy));
            out.mask.setRaw(x, y, haveMask ? icon.mask.raw(sx, sy) : 0u);
            if (haveAlpha)
                out.alpha[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                          static_cast<std::size_t>(x)] =
                    icon.alpha[static_cast<std::size_t>(sy) * static_cast<std::size_t>(sw) +
                               static_cast<std::size_t>(sx)];
        }
    }
    return out;
}

Icon ReadIconFile(std::span<const std::uint8_t> file, const DecodeLimits& limits, int displayBits) {
    ByteReader r(file, "ICO");
    r.u16le("header");
    const std::uint16_t type = r.u16le("header");
    if (type >= 2) throw DecodeError(kInvalidIconMessage);
    const std::uint16_t count = r.u16le("header");
    if (count == 0) throw DecodeError(kInvalidIconMessage);

    struct Entry {
        std::uint16_t colorWord;
        std::uint32_t size, offset;
    };
    std::vector<Entry> entries(count);
    std::vector<std::uint16_t> words(count);
    for (std::size_t i = 0; i < count; ++i) {
        auto& e = entries[i];
        r.skip(2, "directory");  // width and height: the image's own header decides
        e.colorWord = r.u16le("directory");
        r.skip(4, "directory");  // planes and bit count
        e.size = r.u32le("directory");
        e.offset = r.u32le("directory");
        words[i] = e.colorWord;
    }
    const std::size_t chosen = chooseIconEntry(words, wantedColorWord(displayBits));
    const Entry& e = entries[chosen];
    if (e.offset > file.size() || e.size > file.size() - e.offset)
        throw DecodeError("ICO: truncated image data: entry " + std::to_string(chosen) + " claims " +
                          std::to_string(e.size) + " bytes at offset " + std::to_string(e.offset) + " in a " +
                          std::to_string(file.size()) + "-byte file");
    const Icon image = decodeIconImage(file.subspan(e.offset, e.size), limits);
    return scaleIcon(image, kSystemIconSize, kSystemIconSize);
}

}  // namespace vexilo
