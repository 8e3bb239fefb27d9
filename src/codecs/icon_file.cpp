// Reads .ico files: header type 0 or 1, any number of entries, DIB images at 1 to 32 bits with
// their AND mask, and PNG images. Rejects cursor files (type 2 and above) and empty
// directories. Lenient where real icons need it: a DIB whose data stops before its AND mask is
// taken as fully opaque, and so is one whose colour profile sits where the mask would be; bytes
// after an image's data are ignored; a directory size too short for the image, or past the end
// of the file, gives way to the length the image's own header gives when the file holds it.
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

std::uint32_t le32(std::span<const std::uint8_t> d, std::size_t at) {
    return d[at] | (d[at + 1] << 8) | (d[at + 2] << 16) | (std::uint32_t{d[at + 3]} << 24);
}
std::uint32_t be32(std::span<const std::uint8_t> d, std::size_t at) {
    return (std::uint32_t{d[at]} << 24) | (d[at + 1] << 16) | (d[at + 2] << 8) | d[at + 3];
}

// The lengths of the image at the start of `data` by its own structure: up to the end of its
// colour rows, and with its mask. nullopt when the structure does not tell (compressed DIB rows).
struct OwnLength {
    std::uint64_t picture = 0, whole = 0;
};

std::optional<OwnLength> ownImageLength(std::span<const std::uint8_t> data) {
    if (isPng(data)) {
        std::size_t pos = kPngSignature.size();
        while (data.size() - pos >= 12) {
            const std::uint64_t end = std::uint64_t{pos} + 12 + be32(data, pos);
            if (end > data.size()) return std::nullopt;
            const bool iend =
                data[pos + 4] == 'I' && data[pos + 5] == 'E' && data[pos + 6] == 'N' && data[pos + 7] == 'D';
            pos = static_cast<std::size_t>(end);
            if (iend) return OwnLength{pos, pos};
        }
        return std::nullopt;
    }
    if (data.size() < 16) return std::nullopt;
    const std::uint32_t headerSize = le32(data, 0);
    std::uint64_t width, height, bits, colours = 0, extra = 0;
    std::uint64_t entryBytes = 4;
    if (headerSize == 12) {
        width = data[4] | (data[5] << 8);
        height = data[6] | (data[7] << 8);
        bits = data[10] | (data[11] << 8);
        entryBytes = 3;
    } else {
        if (headerSize < 16 || headerSize > 124 || data.size() < headerSize) return std::nullopt;
        const auto side = [](std::uint32_t v) {
            const std::int64_t s = static_cast<std::int32_t>(v);
            return static_cast<std::uint64_t>(s < 0 ? -s : s);
        };
        width = side(le32(data, 4));
        height = side(le32(data, 8));
        bits = data[14] | (data[15] << 8);
        const std::uint32_t compression = headerSize >= 20 ? le32(data, 16) : 0;
        if (headerSize >= 36) colours = le32(data, 32);
        if (compression == 3 && headerSize == 40)
            extra = 12;
        else if (compression == 6 && headerSize == 40)
            extra = 16;
        else if (compression != 0 && compression != 3 && compression != 6)
            return std::nullopt;
    }
    if (width == 0 || width > kMaxIconSide || height > 2 * std::uint64_t{kMaxIconSide}) return std::nullopt;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return std::nullopt;
    if (bits <= 8)
        colours = colours == 0 || colours > (1u << bits) ? (1u << bits) : colours;
    else
        colours = 0;
    const std::uint64_t rows = height / 2;
    const auto stride = [width](std::uint64_t b) { return (width * b + 31) / 32 * 4; };
    const std::uint64_t picture = headerSize + extra + colours * entryBytes + stride(bits) * rows;
    return OwnLength{picture, picture + stride(1) * rows};
}

}  // namespace

std::optional<std::span<const std::uint8_t>> iconImageBytes(std::span<const std::uint8_t> file,
                                                            std::uint32_t offset, std::uint32_t size) {
    if (offset >= file.size()) return std::nullopt;
    const auto rest = file.subspan(offset);
    const std::optional<OwnLength> own = ownImageLength(rest);
    // An entry too short for the picture itself (or past the file) gives way to the image's own
    // length; one that only leaves out the mask is taken as it is, and the image shows opaque.
    if (own && (size < own->picture || size > rest.size())) {
        if (own->whole <= rest.size()) return rest.first(static_cast<std::size_t>(own->whole));
        if (own->picture <= rest.size()) return rest.first(static_cast<std::size_t>(own->picture));
    }
    if (size == 0 || size > rest.size()) return std::nullopt;
    return rest.first(size);
}

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
    const auto image = iconImageBytes(file, e.offset, e.size);
    if (!image)
        throw DecodeError("ICO: truncated image data: entry " + std::to_string(chosen) + " claims " +
                          std::to_string(e.size) + " bytes at offset " + std::to_string(e.offset) + " in a " +
                          std::to_string(file.size()) + "-byte file");
    return scaleIcon(decodeIconImage(*image, limits), kSystemIconSize, kSystemIconSize);
}

}  // namespace vexilo
