#pragma once
// The format loaders as the probe uses them: each takes the file as a LoadSource (read once,
// shared by every loader the probe asks) and has a refusal test on the path and the file's first
// bytes. A refusal test answers false only for files its loader would certainly refuse, so
// skipping a refused loader never changes which kind a file is taken as.
#include <algorithm>
#include <new>
#include <span>
#include <string>
#include <utility>

#include "base/byte_reader.h"
#include "base/errors.h"
#include "imageio/file_kind.h"
#include "imageio/load_request.h"
#include "imageio/load_source.h"
#include "raster/bitmap.h"

namespace vexilo::loading {

// The refusal tests and loaders of the format table's probe columns, in probing order.
bool mayBeExecutableIcon(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBeWmf(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBeEmf(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBeBmp(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBeIco(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBeAni(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBeJpeg(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBeTga(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBePng(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBeGif(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBeWebp(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBeTiff(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBeSvg(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBeAvif(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBeHeif(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBeXpm(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBePnm(LoadSource& source, std::span<const std::uint8_t> head);

bool loadExecutableIcon(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadWmf(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadEmf(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadBmp(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadIco(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadAni(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadJpeg(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadTga(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadPng(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadGif(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadWebp(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadTiff(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadSvg(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadAvif(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadHeif(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadXpm(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadPnm(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);

// A loader of this family on a file of its own: the table's load column for a probed row.
inline bool loadFileWith(bool (*load)(LoadSource&, Bitmap&, const LoadRequest&), const std::string& path,
                         Bitmap* bitmap, const LoadRequest& request) {
    if (!bitmap || path.empty()) return false;
    if (request.alpha) request.alpha->clear();
    LoadSource source(path, request.buffers);
    return load(source, *bitmap, request);
}

// The most pixels a raster decoded only for a thumbnail may have (8192 x 8192).
constexpr std::uint64_t kThumbnailMaxPixels = std::uint64_t{1} << 26;

// The limits a load decodes under: the program's, and for a thumbnail no more than
// kThumbnailMaxPixels, so that a small file claiming a huge raster costs the scan nothing (the
// readers check their headers against the limits before they allocate). The target and the
// batch job keep the program's limits.
inline DecodeLimits decodeLimitsFor(const LoadRequest& request) {
    DecodeLimits limits = kDefaultDecodeLimits;
    if (request.isThumbnail()) limits.maxPixels = std::min(limits.maxPixels, kThumbnailMaxPixels);
    return limits;
}

// A thumbnail of a file whose header declares a size over those limits: the file still is of its
// loader's kind, so the row keeps that kind and shows the placeholder (an empty raster) instead of
// falling through to another loader. Answers whether the request was a thumbnail.
inline bool acceptOverLimitThumbnail(const LoadRequest& request, Bitmap& bitmap) {
    if (!request.isThumbnail()) return false;
    bitmap = Bitmap();
    return true;
}

// Which errors of a loader's decoding mean "not a file of this kind" (false); the others reach
// the caller. An ImageError is always a refusal.
enum class Refusal {
    AnyError,                    // every std::exception
    AnyErrorOverLimitKeepsKind,  // the same, except a LimitError: see acceptOverLimitThumbnail
    ImageErrorsAndMemory,        // ImageError and bad_alloc
    ImageErrors,                 // ImageError only
};

// The one catch policy of the loaders. decode() reads the file (into the loader's own picture
// or straight into bitmap) and answers whether it is of this kind; an error it throws is
// answered as `rule` says. show() then draws the decoded picture into bitmap, outside the
// policy: its errors (drawing, memory) always reach the caller.
template <typename Decode, typename Show>
bool loadGuarded(Refusal rule, const LoadRequest& request, Bitmap& bitmap, Decode&& decode, Show&& show) {
    try {
        if (!decode()) return false;
    } catch (const LimitError&) {
        return rule == Refusal::AnyErrorOverLimitKeepsKind && acceptOverLimitThumbnail(request, bitmap);
    } catch (const ImageError&) {
        return false;
    } catch (const std::bad_alloc&) {
        if (rule == Refusal::ImageErrors) throw;
        return false;
    } catch (const std::exception&) {
        if (rule == Refusal::ImageErrors || rule == Refusal::ImageErrorsAndMemory) throw;
        return false;
    }
    show();
    return true;
}

template <typename Decode>
bool loadGuarded(Refusal rule, const LoadRequest& request, Bitmap& bitmap, Decode&& decode) {
    return loadGuarded(rule, request, bitmap, std::forward<Decode>(decode), [] {});
}

}  // namespace vexilo::loading
