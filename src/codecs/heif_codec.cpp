#include "codecs/heif_codec.h"

#include <libheif/heif.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "base/shared_library.h"

namespace vexilo {

namespace {

constexpr const char* kFormat = "HEIF";

// libheif's functions, from the library opened on first use.
// clang-format off
#define VEXILO_HEIF_FUNCTIONS(X) \
    X(heif_context_alloc) \
    X(heif_context_free) \
    X(heif_context_set_maximum_image_size_limit) \
    X(heif_context_read_from_memory_without_copy) \
    X(heif_context_get_primary_image_handle) \
    X(heif_image_handle_get_width) \
    X(heif_image_handle_get_height) \
    X(heif_image_handle_has_alpha_channel) \
    X(heif_image_handle_release) \
    X(heif_decoding_options_alloc) \
    X(heif_decoding_options_free) \
    X(heif_decode_image) \
    X(heif_image_get_width) \
    X(heif_image_get_height) \
    X(heif_image_get_plane_readonly) \
    X(heif_image_release)
// clang-format on
struct HeifApi {
    VEXILO_HEIF_FUNCTIONS(VEXILO_TABLE_FIELD)
    bool complete = true;
};

const HeifApi& api() {
    static const HeifApi loaded = [] {
        HeifApi table;
        const SharedLibrary library("libheif.so.1");
        VEXILO_HEIF_FUNCTIONS(VEXILO_TABLE_FILL)
        return table;
    }();
    if (!loaded.complete) throw DecodeError("HEIF: the system's libheif cannot be loaded");
    return loaded;
}

void check(const heif_error& e) {
    if (e.code == heif_error_Ok) return;
    const std::string text = std::string("HEIF: ") + (e.message ? e.message : "damaged file");
    // libheif refuses sizes beyond the limit it was given as a failed allocation.
    if (e.subcode == heif_suberror_Security_limit_exceeded || e.code == heif_error_Memory_allocation_error)
        throw LimitError(text);
    throw DecodeError(text);
}

struct ContextFree {
    void operator()(heif_context* p) const { api().heif_context_free(p); }
};
struct HandleFree {
    void operator()(heif_image_handle* p) const { api().heif_image_handle_release(p); }
};
struct ImageFree {
    void operator()(heif_image* p) const { api().heif_image_release(p); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* p) const { api().heif_decoding_options_free(p); }
};
using Context = std::unique_ptr<heif_context, ContextFree>;
using Handle = std::unique_ptr<heif_image_handle, HandleFree>;
using Image = std::unique_ptr<heif_image, ImageFree>;
using Options = std::unique_ptr<heif_decoding_options, OptionsFree>;

}  // namespace

HeifBrand heifBrand(std::span<const std::uint8_t> head) {
    if (head.size() < 12 || !std::equal(head.begin() + 4, head.begin() + 8, "ftyp")) return HeifBrand::None;
    const std::string_view brand(reinterpret_cast<const char*>(head.data()) + 8, 4);
    if (brand == "avif" || brand == "avis") return HeifBrand::Avif;
    static constexpr std::array<std::string_view, 7> heif{"heic", "heix", "heim", "heis",
                                                          "hevc", "mif1", "msf1"};
    return std::find(heif.begin(), heif.end(), brand) != heif.end() ? HeifBrand::Heif : HeifBrand::None;
}

AlphaImage decodeHeif(std::span<const std::uint8_t> data, const DecodeLimits& limits, bool turn) {
    if (heifBrand(data) == HeifBrand::None) throw DecodeError("HEIF: not a HEIF or AVIF file");
    const HeifApi& heif = api();
    const Context context(heif.heif_context_alloc());
    if (!context) throw DecodeError("HEIF: out of memory");
    heif.heif_context_set_maximum_image_size_limit(
        context.get(), static_cast<int>(std::max(limits.maxWidth, limits.maxHeight)));
    check(heif.heif_context_read_from_memory_without_copy(context.get(), data.data(), data.size(), nullptr));
    heif_image_handle* rawHandle = nullptr;
    check(heif.heif_context_get_primary_image_handle(context.get(), &rawHandle));
    const Handle handle(rawHandle);
    checkDimensions(kFormat, heif.heif_image_handle_get_width(handle.get()),
                    heif.heif_image_handle_get_height(handle.get()), limits);
    const bool hasAlpha = heif.heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const Options options(heif.heif_decoding_options_alloc());
    options->ignore_transformations = turn ? 0 : 1;
    heif_image* rawImage = nullptr;
    check(heif.heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
                                 hasAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                 options.get()));
    const Image image(rawImage);
    const int width = heif.heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif.heif_image_get_height(image.get(), heif_channel_interleaved);
    checkDimensions(kFormat, width, height, limits);
    int stride = 0;
    const std::uint8_t* plane =
        heif.heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int channels = hasAlpha ? 4 : 3;
    if (!plane || stride < width * channels) throw DecodeError("HEIF: damaged picture data");

    AlphaImage out;
    out.color.resetForOverwrite(width, height, PixelFormat::Device);
    if (hasAlpha) out.alpha.resize(std::size_t(width) * std::size_t(height));
    auto& words = out.color.pixels();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* p = plane + std::size_t(y) * std::size_t(stride);
        for (int x = 0; x < width; ++x, p += channels) {
            const std::size_t at = std::size_t(y) * std::size_t(width) + std::size_t(x);
            words[at] = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
            if (hasAlpha) out.alpha[at] = p[3];
        }
    }
    return out;
}

}  // namespace vexilo
