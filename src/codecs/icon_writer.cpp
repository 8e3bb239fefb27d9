// Writes one-image .ico files at 4 or 8 bits per pixel with a 1-bit mask, bottom-up rows, no
// length prefix unless asked. Never writes 1, 24 or 32-bit images, PNG entries or cursors.
#include "codecs/icon_writer.h"

#include <algorithm>

#include "base/byte_reader.h"
#include "base/errors.h"
#include "codecs/png_codec.h"
#include "raster/raster_ops.h"

namespace vexilo {

namespace {

std::size_t rowBytes(int width, int bits) {
    return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32) * 4;
}

// Makes `a` the copy of itself with `replaced` painted as `fill`, over a background of `fill`.
void replaceColour(Bitmap& a, Bitmap& work, Color background, Color replaced, Color fill) {
    const Rect r{0, 0, a.width(), a.height()};
    work.fillRect(r, background);
    work.brushCopy(r, a, r, replaced, fill);
    a = work;
}

}  // namespace

Icon BitmapToIcon(const Bitmap& source) {
    const int w = kSystemIconSize, h = kSystemIconSize;
    const Rect r{0, 0, w, h};
    Bitmap a(w, h);
    a.draw(source, 0, 0);
    const Color t = a.pixel(0, h - 1);
    Bitmap m(w, h);
    m.fillRect(r, kWhite);
    Bitmap work(w, h);
    if (t != kBlack) replaceColour(a, work, kSubstituteBlack, kBlack, kSubstituteBlack);
    replaceColour(a, work, kBlack, t, kBlack);  // the transparent area is black now
    a.setTransparent(true);
    a.setTransparentColor(kBlack);
    m.draw(a, 0, 0);
    m.xorCopy(r, a, r);  // black where the image shows, white where it is transparent
    m.convertToMonochrome();
    a.setTransparent(false);
    // True black comes back; a pixel that was exactly the stand-in colour turns black too.
    replaceColour(a, work, kBlack, kSubstituteBlack, kBlack);

    Icon icon;
    icon.color = std::move(a);
    icon.mask = std::move(m);
    return icon;
}

Icon BitmapToIcon(const Bitmap& source, const std::vector<std::uint8_t>& alpha) {
    const int w = kSystemIconSize, h = kSystemIconSize;
    const int sw = source.width(), sh = source.height();
    if (alpha.size() != static_cast<std::size_t>(sw) * static_cast<std::size_t>(sh))
        return BitmapToIcon(source);
    Icon icon;
    icon.color = Bitmap(w, h);
    icon.mask = Bitmap(w, h, PixelFormat::Bpp1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            // Drawn at (0, 0) as the colour-key path does: outside the picture is white, opaque.
            const bool inside = x < sw && y < sh;
            const bool clear = inside && alpha[static_cast<std::size_t>(y) * static_cast<std::size_t>(sw) +
                                               static_cast<std::size_t>(x)] < 128;
            icon.color.setPixel(x, y, clear ? kBlack : inside ? source.pixel(x, y) : kWhite);
            icon.mask.setRaw(x, y, clear ? 1u : 0u);
        }
    return icon;
}

namespace {
// One 32-bit DIB icon image with its AND mask, from an area-averaged picture.
std::vector<std::uint8_t> dib32(const AlphaImage& im) {
    const int w = im.color.width(), h = im.color.height();
    const std::size_t maskRow = rowBytes(w, 1);
    ByteWriter out;
    out.u32le(40);
    out.i32le(w);
    out.i32le(2 * h);
    out.u16le(1);
    out.u16le(32);
    out.u32le(0);
    out.u32le(static_cast<std::uint32_t>(static_cast<std::size_t>(w) * 4 * static_cast<std::size_t>(h)));
    out.zeros(16);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const Color c = im.color.pixel(x, y);
            out.u8(c.b);
            out.u8(c.g);
            out.u8(c.r);
            out.u8(im.alpha[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                            static_cast<std::size_t>(x)]);
        }
    std::vector<std::uint8_t> mrow(maskRow);
    for (int y = h - 1; y >= 0; --y) {
        std::fill(mrow.begin(), mrow.end(), 0);
        for (int x = 0; x < w; ++x)
            if (im.alpha[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                         static_cast<std::size_t>(x)] == 0)
                mrow[static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
        out.bytes(mrow);
    }
    return out.take();
}
}  // namespace

std::vector<std::uint8_t> encodeAllSizesIconFile(const Bitmap& picture,
                                                 const std::vector<std::uint8_t>& alpha) {
    if (picture.empty()) throw ImageError("Icon: cannot write an empty picture");
    std::vector<std::vector<std::uint8_t>> images;
    for (const int side : kAllIconSizes) {
        const AlphaImage scaled = AreaAverage(picture, alpha, side, side);
        images.push_back(side >= 256 ? encodePngWithAlpha(scaled.color, scaled.alpha) : dib32(scaled));
    }
    ByteWriter out;
    out.u16le(0);
    out.u16le(1);
    out.u16le(static_cast<std::uint16_t>(images.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
    for (std::size_t i = 0; i < images.size(); ++i) {
        const int side = kAllIconSizes[i];
        out.u8(static_cast<std::uint8_t>(side));  // 256 wraps to 0, as the format wants
        out.u8(static_cast<std::uint8_t>(side));
        out.u8(0);  // no palette
        out.u8(0);
        out.u16le(1);
        out.u16le(32);
        out.u32le(static_cast<std::uint32_t>(images[i].size()));
        out.u32le(offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const auto& im : images) out.bytes(im);
    return out.take();
}

std::vector<std::uint8_t> encodeIconFile(const Icon& icon, int bitsPerPixel, bool lengthPrefix) {
    if (bitsPerPixel != 4 && bitsPerPixel != 8)
        throw ImageError("Icon: cannot write " + std::to_string(bitsPerPixel) +
                         " bits per pixel (only 4 or 8)");
    const int w = icon.width(), h = icon.height();
    if (w <= 0 || h <= 0 || w > 256 || h > 256)
        throw ImageError("Icon: cannot write a " + std::to_string(w) + " x " + std::to_string(h) + " icon");
    const std::vector<Color>& palette = defaultPalette(bitsPerPixel);
    const std::size_t colourRow = rowBytes(w, bitsPerPixel), maskRow = rowBytes(w, 1);
    const std::size_t colourInfo = 40 + 4 * (std::size_t{1} << bitsPerPixel);
    const std::size_t colourBits = colourRow * static_cast<std::size_t>(h);
    const std::size_t maskBits = maskRow * static_cast<std::size_t>(h);
    const auto imageSize = static_cast<std::uint32_t>(colourInfo + colourBits + maskBits);

    ByteWriter out;
    out.buffer().reserve(4 + 22 + imageSize);
    if (lengthPrefix) out.u32le(imageSize + 22);
    out.u16le(0);
    out.u16le(1);                          // icon, not cursor
    out.u16le(1);                          // one image
    out.u8(static_cast<std::uint8_t>(w));  // 256 wraps to 0, as the format wants
    out.u8(static_cast<std::uint8_t>(h));
    out.u16le(static_cast<std::uint16_t>(bitsPerPixel));  // planes x bits, not a colour count
    out.u16le(0);
    out.u16le(0);
    out.u32le(imageSize);
    out.u32le(22);

    out.u32le(40);
    out.i32le(w);
    out.i32le(2 * h);  // the colour and mask rows together
    out.u16le(1);
    out.u16le(static_cast<std::uint16_t>(bitsPerPixel));
    out.u32le(0);
    out.u32le(static_cast<std::uint32_t>(colourBits));
    out.zeros(16);
    for (std::size_t i = 0; i < (std::size_t{1} << bitsPerPixel); ++i) {
        const Color c = i < palette.size() ? palette[i] : kBlack;
        out.u8(c.b);
        out.u8(c.g);
        out.u8(c.r);
        out.u8(0);
    }

    std::vector<std::uint8_t> row(colourRow);
    for (int y = h - 1; y >= 0; --y) {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < w; ++x) {
            const std::uint8_t index = nearestIndex(palette, icon.color.pixel(x, y));
            const auto xs = static_cast<std::size_t>(x);
            if (bitsPerPixel == 8)
                row[xs] = index;
            else
                row[xs / 2] |= static_cast<std::uint8_t>(index << ((xs % 2) ? 0 : 4));
        }
        out.bytes(row);
    }
    const bool haveMask = icon.mask.width() == w && icon.mask.height() == h;
    std::vector<std::uint8_t> mrow(maskRow);
    for (int y = h - 1; y >= 0; --y) {
        std::fill(mrow.begin(), mrow.end(), 0);
        if (haveMask)
            for (int x = 0; x < w; ++x)
                if (icon.mask.raw(x, y) != 0)
                    mrow[static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
        out.bytes(mrow);
    }
    return out.take();
}

}  // namespace vexilo
