#include "codecs/svg_codec.h"

#include <cairo.h>
#include <librsvg/rsvg.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <string_view>

#include "base/errors.h"

namespace vexilo {

namespace {

constexpr const char* kFormat = "SVG";

struct GObjectUnref {
    void operator()(RsvgHandle* h) const { g_object_unref(h); }
};
struct SurfaceDestroy {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct CairoDestroy {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};

[[noreturn]] void refuse(GError* error, const char* why) {
    std::string text = std::string("SVG: ") + (error && error->message ? error->message : why);
    if (error) g_error_free(error);
    throw DecodeError(text);
}

}  // namespace

bool looksLikeSvg(std::span<const std::uint8_t> head) {
    if (head.size() >= 2 && head[0] == 0x1F && head[1] == 0x8B) return true;
    const std::string_view text(reinterpret_cast<const char*>(head.data()),
                                std::min<std::size_t>(head.size(), 4096));
    const std::size_t start = text.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    if (start == std::string_view::npos || text[start] != '<') return false;
    return text.find("<svg") != std::string_view::npos;
}

AlphaImage decodeSvg(std::span<const std::uint8_t> data, const DecodeLimits& limits, int wantWidth,
                     int wantHeight) {
    GError* error = nullptr;
    const std::unique_ptr<RsvgHandle, GObjectUnref> handle(
        rsvg_handle_new_from_data(data.data(), data.size(), &error));
    if (!handle) refuse(error, "damaged drawing");
    double width = 0, height = 0;
    if (!rsvg_handle_get_intrinsic_size_in_pixels(handle.get(), &width, &height) || !(width > 0) ||
        !(height > 0) || !std::isfinite(width) || !std::isfinite(height)) {
        // No size of its own: the default size, in the shape of its view box when it has one.
        gboolean hasWidth = FALSE, hasHeight = FALSE, hasViewBox = FALSE;
        RsvgLength w, h;
        RsvgRectangle box{};
        rsvg_handle_get_intrinsic_dimensions(handle.get(), &hasWidth, &w, &hasHeight, &h, &hasViewBox, &box);
        width = height = kSvgDefaultSize;
        if (hasViewBox && box.width > 0 && box.height > 0 && std::isfinite(box.width / box.height)) {
            const double aspect = box.width / box.height;
            if (aspect >= 1)
                height = std::max(1.0, kSvgDefaultSize / aspect);
            else
                width = std::max(1.0, kSvgDefaultSize * aspect);
        }
    }
    if (wantWidth > 0 && wantHeight > 0) {
        const double scale = std::min(wantWidth / width, wantHeight / height);
        width *= scale;
        height *= scale;
    }
    width = std::min(std::ceil(width), 1e9);
    height = std::min(std::ceil(height), 1e9);
    checkDimensions(kFormat, static_cast<std::int64_t>(width), static_cast<std::int64_t>(height), limits);
    const int w = static_cast<int>(width), h = static_cast<int>(height);

    const std::unique_ptr<cairo_surface_t, SurfaceDestroy> surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) throw DecodeError("SVG: out of memory");
    {
        const std::unique_ptr<cairo_t, CairoDestroy> cr(cairo_create(surface.get()));
        const RsvgRectangle viewport{0, 0, width, height};
        if (!rsvg_handle_render_document(handle.get(), cr.get(), &viewport, &error))
            refuse(error, "damaged drawing");
    }
    cairo_surface_flush(surface.get());
    const unsigned char* pixels = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());

    AlphaImage image;
    image.color.resetForOverwrite(w, h, PixelFormat::Device);
    image.alpha.resize(std::size_t(w) * std::size_t(h));
    auto& words = image.color.pixels();
    for (int y = 0; y < h; ++y) {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(pixels + std::size_t(y) * std::size_t(stride));
        for (int x = 0; x < w; ++x) {
            // Cairo keeps colours premultiplied by alpha.
            const std::uint32_t p = row[x], a = p >> 24;
            std::uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            if (a != 0 && a != 255) {
                r = std::min(255u, (r * 255 + a / 2) / a);
                g = std::min(255u, (g * 255 + a / 2) / a);
                b = std::min(255u, (b * 255 + a / 2) / a);
            }
            const std::size_t at = std::size_t(y) * std::size_t(w) + std::size_t(x);
            words[at] = (r << 16) | (g << 8) | b;
            image.alpha[at] = static_cast<std::uint8_t>(a);
        }
    }
    return image;
}

}  // namespace vexilo
