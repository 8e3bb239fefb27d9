// Kind 11: PNG files through the PNG codec.
#include "codecs/png_codec.h"
#include "imageio/format_loaders.h"
#include "imageio/loaders.h"

namespace vexilo {

namespace loading {

bool mayBePng(LoadSource&, std::span<const std::uint8_t> head) {
    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    return head.size() >= 8 && std::equal(kSignature, kSignature + 8, head.begin());
}

bool loadPng(LoadSource& source, Bitmap& bitmap, const LoadRequest& request) {
    TPNGImage image;
    image.setKeepAlpha(request.alpha != nullptr);
    return loadGuarded(
        Refusal::AnyErrorOverLimitKeepsKind, request, bitmap,
        [&] {
            image.loadFromBytes(source.bytes(), decodeLimitsFor(request));
            return true;
        },
        [&] {
            showLoaded(std::move(static_cast<Bitmap&>(image)), std::move(image.alphaPlane()), bitmap,
                       request);
        });
}

}  // namespace loading

bool LoadPngFile(const std::string& path, Bitmap* bitmap, const LoadRequest& request) {
    return loading::loadFileWith(loading::loadPng, path, bitmap, request);
}

}  // namespace vexilo
