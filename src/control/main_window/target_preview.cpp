#include "control/main_window/target_preview.h"

#include <algorithm>
#include <cmath>

#include "base/byte_reader.h"
#include "imageio/loaders.h"
#include "raster/raster_ops.h"

namespace vexilo {

namespace {
// DisplayImage is made in the display's own format, as the loaders make TargetImage.
constexpr PixelFormat kDisplayFormat = PixelFormat::Device;

// Round to nearest with halves to the even neighbour (the default rounding mode).
long double roundEven(long double v) {
    return std::nearbyint(v);
}

bool withinPixelLimit(long double width, long double height, const DecodeLimits& limits) {
    return width <= static_cast<long double>(std::min<std::uint32_t>(limits.maxWidth, kMaxImageSize)) &&
           height <= static_cast<long double>(std::min<std::uint32_t>(limits.maxHeight, kMaxImageSize)) &&
           width * height <= static_cast<long double>(limits.maxPixels);
}
}  // namespace

LoadServices LoadServices::standard(const bool* turnByOrientation) {
    // The target shows the picture itself: full loads, never thumbnails.
    auto turned = [turnByOrientation](LoadRequest r) {
        if (turnByOrientation) r.turnByOrientation = *turnByOrientation;
        return r;
    };
    return {
        [turned](const std::string& path, std::uint16_t& index, Bitmap* bitmap, const LoadRequest& request) {
            return LoadExecutableIcon(path, index, bitmap, turned(request));
        },
        [turned](const std::string& path, Bitmap* bitmap, FileKind& kind, const LoadRequest& request) {
            return ProbeImageKind(path, bitmap, kind, turned(request));
        },
        [turned](FileKind kind, const std::string& path, Bitmap* bitmap, const LoadRequest& request) {
            return LoadImageAs(kind, path, bitmap, turned(request));
        }};
}

TargetPreview::TargetPreview(const Bitmap& placeholder, LoadServices load)
    : m_load(std::move(load)), m_placeholder(placeholder) {}

bool TargetPreview::ListView1Click(const search::FoundRow* selected) {
    if (!selected) return false;
    LoadTarget(*selected, std::nullopt);
    return true;
}

bool TargetPreview::ListView1KeyUp(const search::FoundRow* selected, bool modifierHeld) {
    if (modifierHeld) return false;
    return ListView1Click(selected);
}

void TargetPreview::CBViewAsChange(const search::FoundRow* selected, int index) {
    // The list holds the table's rows in order.
    if (!selected || index < 0 || static_cast<std::size_t>(index) >= fileFormats().size()) return;
    LoadTarget(*selected, fileFormats()[static_cast<std::size_t>(index)].kind);
}

bool TargetPreview::loadInto(const search::FoundRow& row, std::optional<FileKind> kind, Bitmap& image,
                             std::vector<std::uint8_t>& alpha) {
    const std::string& path = m_targetPath;
    // The target shows the picture itself: full loads, never thumbnails.
    LoadRequest request = LoadRequest::full();
    request.iconSize = m_iconSize;
    std::vector<std::uint8_t> freshAlpha;
    if (m_iconSize == IconSize::Largest || m_keepTransparency) request.alpha = &freshAlpha;
    // Each attempt starts on a fresh raster, so a failed one leaves nothing behind.
    auto attempt = [&](auto&& load) {
        Bitmap fresh;
        freshAlpha.clear();
        if (!load(fresh)) return false;
        image = std::move(fresh);
        alpha = std::move(freshAlpha);
        return true;
    };
    if (row.image.IconIndex != -1) {
        auto index = static_cast<std::uint16_t>(row.image.IconIndex);
        if (attempt([&](Bitmap& b) { return m_load.loadExecutableIcon(path, index, &b, request); })) {
            m_viewAs = kind::Exe;
            return true;
        }
    }
    if (!kind) {
        FileKind found = kind::AllFiles;
        if (attempt([&](Bitmap& b) { return m_load.probeImageKind(path, &b, found, request); })) {
            m_viewAs = found;
            return true;
        }
        if (attempt([&](Bitmap& b) { return m_load.loadImageAs(kind::AllFiles, path, &b, request); })) {
            m_viewAs = kind::AllFiles;
            return true;
        }
        return false;
    }
    if (attempt([&](Bitmap& b) { return m_load.loadImageAs(*kind, path, &b, request); })) {
        m_viewAs = *kind;
        return true;
    }
    return false;
}

void TargetPreview::LoadTarget(const search::FoundRow& row, std::optional<FileKind> kind) {
    m_targetPath = row.image.path();
    m_targetImage = Bitmap();
    m_targetAlpha.clear();
    m_hasTarget = false;
    m_viewAs = kNoViewAs;

    Bitmap loaded;
    std::vector<std::uint8_t> alpha;
    // A loader that answers true with no pixels has not loaded the file either: without this
    // the aspect ratio below would divide by zero.
    if (!loadInto(row, kind, loaded, alpha) || loaded.empty()) {
        loaded = m_placeholder;
        alpha.clear();
        m_viewAs = kNoViewAs;
    }
    m_targetImage = std::move(loaded);
    if (alpha.size() ==
        static_cast<std::size_t>(m_targetImage.width()) * static_cast<std::size_t>(m_targetImage.height()))
        m_targetAlpha = std::move(alpha);
    m_hasTarget = true;
    if (onViewAs) onViewAs(m_viewAs);

    const int w = m_targetImage.width(), h = m_targetImage.height();
    m_caption = " " + m_title + " " +
                (m_viewAs == kNoViewAs ? std::string()
                 : kindName            ? kindName(static_cast<FileKind>(m_viewAs))
                                       : std::string(fileKindName(static_cast<FileKind>(m_viewAs)))) +
                " (" + std::to_string(w) + "x" + std::to_string(h) + ")";
    if (onCaption) onCaption(m_caption);

    // Only an empty placeholder can get here with no height.
    m_aspectRatio = h > 0 ? static_cast<long double>(w) / h : 1.0L;
    m_actualWidth = w;
    m_actualHeight = h;
    ChBActualSzClick(m_actualSize, false);
    RenderTarget();
}

void TargetPreview::RenderTarget() {
    if (!m_hasTarget) return;
    if (m_actualSize && m_targetImage.pixelFormat() == kDisplayFormat && !m_targetImage.transparent()) {
        // What a same-size stretch makes; assigning reuses the old raster's memory, which spares
        // a large picture the page faults of a fresh one.
        m_displayImage = m_targetImage;
    } else {
        Bitmap display(0, 0, kDisplayFormat);
        if (m_actualSize)
            StretchInto(m_targetImage, display, m_targetImage.width(), m_targetImage.height());
        else
            StretchInto(m_targetImage, display, m_widthEdit, m_heightEdit);
        m_displayImage = std::move(display);
    }
    m_displayAlpha.clear();
    if (!m_targetAlpha.empty())
        m_displayAlpha = StretchAlpha(m_targetAlpha, m_targetImage.width(), m_targetImage.height(),
                                      m_displayImage.width(), m_displayImage.height());
    if (m_buttonShape) {
        DrawButtonFrame(m_displayImage);
        if (!m_displayAlpha.empty())
            OpaqueButtonFrame(m_displayAlpha, m_displayImage.width(), m_displayImage.height());
    }
    ShowPreview();
}

void TargetPreview::ShowPreview() {
    if (m_displayImage.empty()) return;
    m_previewStretched.reset();
    if (m_stretch && m_previewWidth > 0 && m_previewHeight > 0) {
        const double bw = m_displayImage.width(), bh = m_displayImage.height();
        const double sx = m_previewWidth / bw, sy = m_previewHeight / bh;
        const double scale = sy < sx ? sy : sx;
        const int w = std::max(1, static_cast<int>(std::nearbyint(bw * scale)));
        const int h = std::max(1, static_cast<int>(std::nearbyint(bh * scale)));
        if (w != m_displayImage.width() || h != m_displayImage.height()) {
            Bitmap fitted(0, 0, kDisplayFormat);
            StretchInto(m_displayImage, fitted, w, h);
            m_previewStretched = std::move(fitted);
            m_previewAlpha.clear();
            if (!m_displayAlpha.empty())
                m_previewAlpha =
                    StretchAlpha(m_displayAlpha, m_displayImage.width(), m_displayImage.height(), w, h);
        }
    }
    if (onRendered) onRendered();
}

void TargetPreview::setPreviewSize(int width, int height) {
    if (width == m_previewWidth && height == m_previewHeight) return;
    m_previewWidth = width;
    m_previewHeight = height;
    if (m_stretch) ShowPreview();
}

long double TargetPreview::partnerOf(SizeEdit which, int value) const {
    return which == SizeEdit::Width ? roundEven(value / m_aspectRatio) : roundEven(value * m_aspectRatio);
}

void TargetPreview::SEImChange(SizeEdit which, int value) {
    int width = which == SizeEdit::Width ? value : m_widthEdit;
    int height = which == SizeEdit::Height ? value : m_heightEdit;
    bool ok = value >= kMinImageSize && value <= kMaxImageSize;
    if (ok && m_armed && m_proportional) {
        const long double partner =
            std::max(partnerOf(which, value), static_cast<long double>(kMinImageSize));
        ok = which == SizeEdit::Width ? withinPixelLimit(value, partner, m_limits)
                                      : withinPixelLimit(partner, value, m_limits);
    } else if (ok) {
        ok = withinPixelLimit(width, height, m_limits);
    }
    if (!ok) {
        showEdits();  // the edit shows its old value again
        return;
    }
    (which == SizeEdit::Width ? m_widthEdit : m_heightEdit) = value;
    editChanged(which);
}

void TargetPreview::editChanged(SizeEdit which) {
    if (!m_armed) {
        m_armed = true;
        return;
    }
    if (m_proportional) {
        const int value = which == SizeEdit::Width ? m_widthEdit : m_heightEdit;
        // A partner past the limits (the box was checked over odd values) is held at them.
        const long double bound = std::min<long double>(
            kMaxImageSize, std::floor(static_cast<long double>(m_limits.maxPixels) / value));
        const long double partner =
            std::clamp(partnerOf(which, value), static_cast<long double>(kMinImageSize), bound);
        m_armed = false;
        setEdit(which == SizeEdit::Width ? SizeEdit::Height : SizeEdit::Width, static_cast<int>(partner));
    }
    RenderTarget();
}

void TargetPreview::setEdit(SizeEdit which, int value) {
    value = std::clamp(value, kMinImageSize, kMaxImageSize);
    int& edit = which == SizeEdit::Width ? m_widthEdit : m_heightEdit;
    if (edit == value) {
        // No change event follows, so nothing is left to swallow: a flag left false here would
        // eat the user's next real change.
        m_armed = true;
        return;
    }
    edit = value;
    showEdits();
    editChanged(which);
}

void TargetPreview::showEdits() {
    if (onSizeEdits) onSizeEdits(m_widthEdit, m_heightEdit);
}

void TargetPreview::ChBProportClick(bool checked) {
    m_proportional = checked;
    editChanged(SizeEdit::Width);
}

void TargetPreview::ChBActualSzClick(bool checked, bool byUser) {
    m_actualSize = checked;
    if (checked) {
        m_armed = byUser;
        setEdit(SizeEdit::Width, m_actualWidth);
        m_armed = byUser;
        setEdit(SizeEdit::Height, m_actualHeight);
    }
    // The enabled state follows ActualSize; the widget reads it with the values.
    showEdits();
}

void TargetPreview::ChBShapeClick(bool checked) {
    m_buttonShape = checked;
    RenderTarget();
}

void TargetPreview::ChBStretchClick(bool checked) {
    m_stretch = checked;
    ShowPreview();
}

}  // namespace vexilo
