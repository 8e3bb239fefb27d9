#pragma once
// The format loaders as the probe uses them: each takes the file as a LoadSource (read once,
// shared by every loader the probe asks) and has a refusal test on the path and the file's first
// bytes. A refusal test answers false only for files its loader would certainly refuse, so
// skipping a refused loader never changes which kind a file is taken as.
#include <algorithm>
#include <span>
#include <string>

#include "base/byte_reader.h"
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
bool mayBeJpeg(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBeTga(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBePng(LoadSource& source, std::span<const std::uint8_t> head);
bool mayBeGif(LoadSource& source, std::span<const std::uint8_t> head);

bool loadExecutableIcon(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadWmf(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadEmf(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadBmp(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadIco(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadJpeg(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadTga(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadPng(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
bool loadGif(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);

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

}  // namespace vexilo::loading
