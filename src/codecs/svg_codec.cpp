#include "codecs/svg_codec.h"

#include <cairo.h>
#include <librsvg/rsvg.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <string_view>

#include "base/errors.h"
#include "base/shared_library.h"

namespace vexilo {

namespace {

constexpr const char* kFormat = "SVG";

// librsvg's functions and the cairo and GLib ones it is used with, from the libraries opened on
// first use (librsvg first: the others come with it).
// clang-format off
#define VEXILO_RSVG_FUNCTIONS(X) \
    X(rsvg_handle_new_from_data) \
    X(rsvg_handle_get_intrinsic_size_in_pixels) \
    X(rsvg_handle_get_intrinsic_dimensions) \
    X(rsvg_handle_render_document)
#define VEXILO_GOBJECT_FUNCTIONS(X) \
    X(g_object_unref)
#define VEXILO_GLIB_FUNCTIONS(X) \
    X(g_error_free)
#define VEXILO_CAIRO_FUNCTIONS(X) \
    X(cairo_image_surface_create) \
    X(cairo_surface_status) \
    X(cairo_create) \
    X(cairo_destroy) \
    X(cairo_surface_destroy) \
    X(cairo_surface_flush) \
    X(cairo_image_surface_get_data) \
    X(cairo_image_surface_get_stride)
// clang-format on
struct SvgApi {
    VEXILO_RSVG_FUNCTIONS(VEXILO_TABLE_FIELD)
    VEXILO_GOBJECT_FUNCTIONS(VEXILO_TABLE_FIELD)
    VEXILO_GLIB_FUNCTIONS(VEXILO_TABLE_FIELD)
    VEXILO_CAIRO_FUNCTIONS(VEXILO_TABLE_FIELD)
    bool complete = true;
};

const SvgApi& api() {
    static const SvgApi loaded = [] {
        SvgApi table;
        {
            const SharedLibrary library("librsvg-2.so.2");
            VEXILO_RSVG_FUNCTIONS(VEXILO_TABLE_FILL)
        }
        {
            const SharedLibrary library("libgobject-2.0.so.0");
            VEXILO_GOBJECT_FUNCTIONS(VEXILO_TABLE_FILL)
        }
        {
            const SharedLibrary library("libglib-2.0.so.0");
            VEXILO_GLIB_FUNCTIONS(VEXILO_TABLE_FILL)
        }
        {
            const SharedLibrary library("libcairo.so.2");
            VEXILO_CAIRO_FUNCTIONS(VEXILO_TABLE_FILL)
        }
        return table;
    }();
    if (!loaded.complete) throw DecodeError("SVG: the system's librsvg cannot be loaded");
    return loaded;
}

struct GObjectUnref {
    void operator()(RsvgHandle* h) const { api().g_object_unref(h); }
};
struct SurfaceDestroy {
    void operator()(cairo_surface_t* s) const { api().cairo_surface_destroy(s); }
};
struct CairoDestroy {
    void operator()(cairo_t* c) const { api().cairo_destroy(c); }
};

[[noreturn]] void refuse(GError* error, const char* why) {
    std::string text = std::string("SVG: ") + (error && error->message ? error->message : why);
    if (error) api().g_error_free(error);
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
        api().rsvg_handle_new_from_data(data.data(), data.size(), &error));
    if (!handle) refuse(error, "damaged drawing");
    double width = 0, height = 0;
    if (!api().rsvg_handle_get_intrinsic_size_in_pixels(handle.get(), &width, &height) || !(width > 0) ||
        !(height > 0) || !std::isfinite(width) || !std::isfinite(height)) {
        // No size of its own: the default size, in the shape of its view box when it has one.
        gboolean hasWidth = FALSE, hasHeight = FALSE, hasViewBox = FALSE;
        RsvgLength w, h;
        RsvgRectangle box{};
        api().rsvg_handle_get_intrinsic_dimensions(handle.get(), &hasWidth, &w, &hasHeight, &h, &hasViewBox,
                                                   &box);
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
        api().cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    if (api().cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        throw DecodeError("SVG: out of memory");
    {
        const std::unique_ptr<cairo_t, CairoDestroy> cr(api().cairo_create(surface.get()));
        const RsvgRectangle viewport{0, 0, width, height};
        if (!api().rsvg_handle_render_document(handle.get(), cr.get(), &viewport, &error))
            refuse(error, "damaged drawing");
    }
    api().cairo_surface_flush(surface.get());
    const unsigned char* pixels = api().cairo_image_surface_get_data(surface.get());
    const int stride = api().cairo_image_surface_get_stride(surface.get());

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
            unpremultiply(r, g, b, a);
            const std::size_t at = std::size_t(y) * std::size_t(w) + std::size_t(x);
            words[at] = (r << 16) | (g << 8) | b;
            image.alpha[at] = static_cast<std::uint8_t>(a);
        }
    }
    return image;
}

}  // namespace vexilo
