#include "imageio/loaders.h"

#include <algorithm>
#include <cctype>

#include "base/errors.h"
#include "codecs/bmp_codec.h"
#include "imageio/format_loaders.h"

namespace vexilo {

void drawLoaded(const Bitmap& picture, Bitmap& bitmap) {
    bitmap.setWidth(picture.width());
    bitmap.setHeight(picture.height());
    bitmap.draw(picture, 0, 0);
}

void drawLoaded(const Icon& icon, Bitmap& bitmap) {
    bitmap.setWidth(icon.width());
    bitmap.setHeight(icon.height());
    icon.drawOnto(bitmap, 0, 0);
}

void keepLoaded(Bitmap&& picture, Bitmap& bitmap) {
    // Only a fresh display-format raster lets the picture's pixels stand for the drawing; into
    // anything else the picture is drawn as before.
    if (bitmap.width() != 0 || bitmap.height() != 0 || bitmap.pixelFormat() != PixelFormat::Device ||
        bitmap.transparent()) {
        drawLoaded(picture, bitmap);
        return;
    }
    picture.flattenToDevice(kWhite);
    bitmap = std::move(picture);
}

void showLoaded(Bitmap&& picture, std::vector<std::uint8_t>&& alpha, Bitmap& bitmap,
                const LoadRequest& request) {
    const bool hasAlpha = alpha.size() == static_cast<std::size_t>(picture.width()) *
                                              static_cast<std::size_t>(picture.height());
    if (!request.alpha || !hasAlpha) {
        keepLoaded(std::move(picture), bitmap);
        return;
    }
    picture.setTransparent(false);
    picture.flattenToDevice(kWhite);
    bitmap = std::move(picture);
    *request.alpha = std::move(alpha);
}

void showLoaded(const Icon& icon, Bitmap& bitmap, const LoadRequest& request) {
    if (!request.alpha) {
        drawLoaded(icon, bitmap);
        return;
    }
    const std::size_t n = static_cast<std::size_t>(icon.width()) * static_cast<std::size_t>(icon.height());
    std::vector<std::uint8_t> alpha = icon.alpha;
    if (alpha.size() != n) {
        alpha.assign(n, 255);
        if (icon.mask.width() == icon.width() && icon.mask.height() == icon.height())
            for (int y = 0; y < icon.height(); ++y)
                for (int x = 0; x < icon.width(); ++x)
                    if (icon.mask.raw(x, y) != 0)
                        alpha[static_cast<std::size_t>(y) * static_cast<std::size_t>(icon.width()) +
                              static_cast<std::size_t>(x)] = 0;
    }
    showLoaded(Bitmap(icon.color), std::move(alpha), bitmap, request);
}

namespace loading {

// From this size on a BMP file is read in blocks.
constexpr std::uint64_t kBmpBlockReadFrom = 256 * 1024;

bool loadBmp(LoadSource& source, Bitmap& bitmap, const LoadRequest& request) {
    return loadGuarded(Refusal::AnyError, request, bitmap, [&] {
        // A large file is read a block of rows at a time into a buffer that stays in the cache,
        // not whole into memory and then read again.
        const std::uint64_t size = source.size();
        if (size > kBmpBlockReadFrom && size <= LoadSource::kDefaultMaxBytes) {
            const auto head = source.head();
            bitmap = readBmpBlocks(head, size, [&](std::uint64_t offset, std::span<std::uint8_t> into) {
                return source.readAt(offset, into);
            });
        } else {
            bitmap = readBmp(source.bytes());
        }
        return true;
    });
}

bool mayBeBmp(LoadSource&, std::span<const std::uint8_t> head) {
    return head.size() >= 2 && head[0] == 'B' && head[1] == 'M';
}

}  // namespace loading

bool LoadImageAs(FileKind kind, const std::string& path, Bitmap* bitmap, const LoadRequest& request) {
    const FileFormat* format = fileFormat(kind & 0x7F);
    return format && LoadWithFormat(*format, path, bitmap, request);
}

bool LoadWithFormat(const FileFormat& format, const std::string& path, Bitmap* bitmap,
                    const LoadRequest& request) {
    if (request.alpha) request.alpha->clear();
    return format.load ? format.load(path, bitmap, request)
                       : format.probe && loading::loadFileWith(format.probe, path, bitmap, request);
}

bool LoadAssociatedIconAs(const std::string& path, Bitmap* bitmap, const LoadRequest&) {
    return LoadAssociatedIcon(path, bitmap);
}

bool LoadFirstExecutableIcon(const std::string& path, Bitmap* bitmap, const LoadRequest& request) {
    std::uint16_t index = 0;
    return LoadExecutableIcon(path, index, bitmap, request);
}

bool LoadWmfFile(const std::string& path, Bitmap* bitmap, const LoadRequest& request) {
    return LoadMetafile(path, bitmap, ".wmf", request);
}

bool LoadEmfFile(const std::string& path, Bitmap* bitmap, const LoadRequest& request) {
    return LoadMetafile(path, bitmap, ".emf", request);
}

bool ProbeImageKind(const std::string& path, Bitmap* bitmap, FileKind& kind, const LoadRequest& request) {
    if (!bitmap) return false;
    if (request.alpha) request.alpha->clear();
    {
        LoadSource source(path, request.buffers);
        for (const FileFormat& format : fileFormats()) {
            // head() again each time: reading the whole file may have moved the buffer.
            if (!format.probe || path.empty() || !format.mayAccept(source, source.head())) continue;
            try {
                if (format.probe(source, *bitmap, request)) {
                    kind = format.kind;
                    return true;
                }
            } catch (...) {
            }
        }
    }
    if (request.associatedIcon && LoadImageAs(kind::AllFiles, path, bitmap, request)) {
        kind = kind::AllFiles;
        return true;
    }
    return false;
}

bool ProbeImageKindByTrying(const std::string& path, Bitmap* bitmap, FileKind& kind,
                            const LoadRequest& request) {
    if (!bitmap) return false;
    for (const FileFormat& format : fileFormats()) {
        if (format.kind == kind::AllFiles) continue;  // the last resort, after every other row
        try {
            if (LoadWithFormat(format, path, bitmap, request)) {
                kind = format.kind;
                return true;
            }
        } catch (...) {
        }
    }
    if (LoadImageAs(kind::AllFiles, path, bitmap, request)) {
        kind = kind::AllFiles;
        return true;
    }
    return false;
}

bool LoadBitmapFile(const std::string& path, Bitmap* bitmap, const LoadRequest& request) {
    return loading::loadFileWith(loading::loadBmp, path, bitmap, request);
}

}  // namespace vexilo
