// The kinds after the first twelve: WebP, TIFF, SVG, AVIF, HEIF, XPM and PNM, each through its
// codec. Their transparency is shown over white, as the loaders of the first twelve show theirs.
#include "codecs/heif_codec.h"
#include "codecs/pnm_codec.h"
#include "codecs/svg_codec.h"
#include "codecs/tiff_codec.h"
#include "codecs/webp_codec.h"
#include "codecs/xpm_codec.h"
#include "imageio/format_loaders.h"
#include "imageio/loaders.h"

namespace vexilo {

namespace loading {

namespace {

// The colours with the alpha laid over white.
void showOverWhite(AlphaImage& image, Bitmap& bitmap) {
    if (!image.alpha.empty()) {
        auto& words = image.color.pixels();
        for (std::size_t i = 0; i < words.size() && i < image.alpha.size(); ++i) {
            const std::uint32_t a = image.alpha[i], w = words[i];
            const auto mix = [&](unsigned shift) {
                const std::uint32_t c = (w >> shift) & 0xFF;
                return ((c * a + 255 * (255 - a) + 127) / 255) << shift;
            };
            words[i] = mix(16) | mix(8) | mix(0);
        }
    }
    keepLoaded(std::move(image.color), bitmap);
}

template <typename Decode>
bool loadWith(LoadSource& source, Bitmap& bitmap, const LoadRequest& request, Decode&& decode) {
    AlphaImage image;
    return loadGuarded(
        Refusal::AnyErrorOverLimitKeepsKind, request, bitmap,
        [&] {
            image = decode(source.bytes(), decodeLimitsFor(request));
            return true;
        },
        [&] { showOverWhite(image, bitmap); });
}

// The decoders of the pictures that record how the camera was held.
template <AlphaImage (*Decode)(std::span<const std::uint8_t>, const DecodeLimits&, bool)>
auto turnedAsAsked(const LoadRequest& request) {
    return [&request](std::span<const std::uint8_t> bytes, const DecodeLimits& limits) {
        return Decode(bytes, limits, request.turnByOrientation);
    };
}

}  // namespace

bool mayBeWebp(LoadSource&, std::span<const std::uint8_t> head) {
    return looksLikeWebp(head);
}
bool mayBeTiff(LoadSource&, std::span<const std::uint8_t> head) {
    return looksLikeTiff(head);
}
bool mayBeSvg(LoadSource&, std::span<const std::uint8_t> head) {
    return looksLikeSvg(head);
}
bool mayBeAvif(LoadSource&, std::span<const std::uint8_t> head) {
    return heifBrand(head) == HeifBrand::Avif;
}
bool mayBeHeif(LoadSource&, std::span<const std::uint8_t> head) {
    return heifBrand(head) == HeifBrand::Heif;
}
bool mayBeXpm(LoadSource&, std::span<const std::uint8_t> head) {
    return looksLikeXpm(head);
}
bool mayBePnm(LoadSource&, std::span<const std::uint8_t> head) {
    return looksLikePnm(head);
}

bool loadWebp(LoadSource& source, Bitmap& bitmap, const LoadRequest& request) {
    return loadWith(source, bitmap, request, turnedAsAsked<decodeWebp>(request));
}
bool loadTiff(LoadSource& source, Bitmap& bitmap, const LoadRequest& request) {
    return loadWith(source, bitmap, request, turnedAsAsked<decodeTiff>(request));
}
// One library reads both; each kind takes only the files of its own brand.
bool loadAvif(LoadSource& source, Bitmap& bitmap, const LoadRequest& request) {
    return heifBrand(source.bytes()) == HeifBrand::Avif &&
           loadWith(source, bitmap, request, turnedAsAsked<decodeHeif>(request));
}
bool loadHeif(LoadSource& source, Bitmap& bitmap, const LoadRequest& request) {
    return heifBrand(source.bytes()) == HeifBrand::Heif &&
           loadWith(source, bitmap, request, turnedAsAsked<decodeHeif>(request));
}
bool loadXpm(LoadSource& source, Bitmap& bitmap, const LoadRequest& request) {
    return loadWith(source, bitmap, request, decodeXpm);
}
bool loadPnm(LoadSource& source, Bitmap& bitmap, const LoadRequest& request) {
    return loadWith(source, bitmap, request, decodePnm);
}
bool loadSvg(LoadSource& source, Bitmap& bitmap, const LoadRequest& request) {
    AlphaImage image;
    return loadGuarded(
        Refusal::AnyErrorOverLimitKeepsKind, request, bitmap,
        [&] {
            // A thumbnail is drawn at its cell size, not drawn large and shrunk.
            image = decodeSvg(source.bytes(), decodeLimitsFor(request), request.thumbnailWidth,
                              request.thumbnailHeight);
            return true;
        },
        [&] { showOverWhite(image, bitmap); });
}

}  // namespace loading

}  // namespace vexilo
