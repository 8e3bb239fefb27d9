#pragma once
// The target of the main window without its widgets: the file of the selected row loaded as
// TargetImage, DisplayImage built from it by the size and frame options, and the picture the
// preview shows. The panel that shows it forwards its events to the handlers below and repaints
// from what the callbacks report; every rule about sizes, the armed flag and how often a render
// happens lives here.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/decode_limits.h"
#include "imageio/file_kind.h"
#include "imageio/load_request.h"
#include "raster/bitmap.h"
#include "search/found_list.h"

namespace vexilo {

// The loaders the target uses, replaceable so that tests can feed odd results.
// Each gets the target's request (full loads, with its icon size and alpha wishes).
struct LoadServices {
    std::function<bool(const std::string& path, std::uint16_t& index, Bitmap* bitmap, const LoadRequest&)>
        loadExecutableIcon;
    std::function<bool(const std::string& path, Bitmap* bitmap, FileKind& kind, const LoadRequest&)>
        probeImageKind;
    std::function<bool(FileKind kind, const std::string& path, Bitmap* bitmap, const LoadRequest&)>
        loadImageAs;
    // The program's own loaders (imageio/loaders.h). turnByOrientation, when given, is read at
    // every load (the advanced option may change while the window is open); it must outlive
    // the services.
    static LoadServices standard(const bool* turnByOrientation = nullptr);
};

enum class SizeEdit { Width, Height };

// The range of the size edits: a smaller value builds no raster, a larger one none that a
// decoder would accept either.
constexpr int kMinImageSize = 1;
constexpr int kMaxImageSize = 65535;
// The view-as list with no entry selected.
constexpr int kNoViewAs = -1;

class TargetPreview {
public:
    // placeholder: the picture of a file that did not load (copied).
    explicit TargetPreview(const Bitmap& placeholder, LoadServices load = LoadServices::standard());
    // The limits a DisplayImage size must keep to (the program's by default).
    void setDecodeLimits(const DecodeLimits& limits) { m_limits = limits; }
    // The advanced options "Icon size" and "Keep transparency", for the next load. With either,
    // the target keeps the transparency of the pictures that have one (TargetAlpha), and the
    // preview shows it over its own background.
    void setIconOptions(IconSize size, bool keepTransparency) {
        m_iconSize = size;
        m_keepTransparency = keepTransparency;
    }
    IconSize iconSize() const { return m_iconSize; }

    // --- the list's events; selected is the first selected row, null when none ---
    // Loads the row's file with autodetection; false (and nothing done) without a row.
    bool ListView1Click(const search::FoundRow* selected);
    // A released key follows the selection unless a modifier key is held.
    bool ListView1KeyUp(const search::FoundRow* selected, bool modifierHeld);
    // The view-as list chose entry `index` (a FileKind): loads the row as that kind.
    void CBViewAsChange(const search::FoundRow* selected, int index);

    // Loads the row's file as TargetImage, by autodetection when kind is empty, sets the view-as
    // selection, the caption, the actual size, and renders once. Loader exceptions pass through
    // (the window shows them); the target is then empty.
    void LoadTarget(const search::FoundRow& row, std::optional<FileKind> kind);
    // Builds DisplayImage from TargetImage by "Actual size", the size edits and "Button shape",
    // then ShowPreview. Nothing without a target.
    void RenderTarget();
    // The preview picture of DisplayImage: its own size, or fitted into the preview keeping its
    // proportions when "Stretch picture" is on (halves round to even). Nothing without one.
    void ShowPreview();

    // --- the size edits and the boxes ---
    // The user changed an edit to value. A value outside 1 to 65535, or one whose raster
    // (with the other edit, or the proportional partner) passes the decoder's pixel limit, is
    // refused: the edit goes back to its old value and nothing renders.
    void SEImChange(SizeEdit which, int value);
    void ChBProportClick(bool checked);
    // byUser: the click came from the box itself, not from the program.
    void ChBActualSzClick(bool checked, bool byUser);
    void ChBShapeClick(bool checked);
    void ChBStretchClick(bool checked);
    // The preview control's size changed (FormResize): fits again when stretching.
    void setPreviewSize(int width, int height);

    // --- state ---
    const std::string& TargetPath() const { return m_targetPath; }
    bool hasTarget() const { return m_hasTarget; }
    const Bitmap& TargetImage() const { return m_targetImage; }
    const Bitmap& DisplayImage() const { return m_displayImage; }
    // One alpha byte a pixel of TargetImage and DisplayImage (255 = opaque); empty when the
    // picture is opaque or its transparency is not kept. The button frame is opaque.
    const std::vector<std::uint8_t>& TargetAlpha() const { return m_targetAlpha; }
    const std::vector<std::uint8_t>& DisplayAlpha() const { return m_displayAlpha; }
    // The alpha of PreviewImage.
    const std::vector<std::uint8_t>& PreviewAlpha() const {
        return m_previewStretched ? m_previewAlpha : m_displayAlpha;
    }
    // The picture the preview shows (DisplayImage itself unless stretched).
    const Bitmap& PreviewImage() const { return m_previewStretched ? *m_previewStretched : m_displayImage; }
    long double AspectRatio() const { return m_aspectRatio; }
    std::int32_t ActualWidth() const { return m_actualWidth; }
    std::int32_t ActualHeight() const { return m_actualHeight; }
    bool ActualSize() const { return m_actualSize; }
    bool SizeChangeArmed() const { return m_armed; }
    int imageWidth() const { return m_widthEdit; }
    int imageHeight() const { return m_heightEdit; }
    // "Proportional" and the size edits are enabled exactly when "Actual size" is clear.
    bool sizeEditsEnabled() const { return !m_actualSize; }
    bool proportional() const { return m_proportional; }
    bool buttonShape() const { return m_buttonShape; }
    bool stretchPicture() const { return m_stretch; }
    int viewAs() const { return m_viewAs; }
    const std::string& caption() const { return m_caption; }

    // Interface text 24, the title in front of the group box caption.
    void setTargetTitle(std::string title) { m_title = std::move(title); }
    // The stored "Stretch picture" state, set before the window shows (no render).
    void setStretchPicture(bool on) { m_stretch = on; }

    // Told after every render or fit (repaint the preview), after the size edits or the
    // enabled state changed (show them without raising change events), after the view-as
    // selection changed and after the caption changed.
    std::function<void()> onRendered;
    std::function<void(int width, int height)> onSizeEdits;
    std::function<void(int viewAs)> onViewAs;
    std::function<void(const std::string& caption)> onCaption;
    // The name of the view-as kind in the caption; the table's fixed name when not set.
    std::function<std::string(FileKind)> kindName;

private:
    bool loadInto(const search::FoundRow& row, std::optional<FileKind> kind, Bitmap& image,
                  std::vector<std::uint8_t>& alpha);
    // The handler of a change event of an edit, after its value changed.
    void editChanged(SizeEdit which);
    // The program sets an edit; a new value raises the change event as the user's would.
    void setEdit(SizeEdit which, int value);
    // The other edit's value that keeps AspectRatio, not yet bounded.
    long double partnerOf(SizeEdit which, int value) const;
    void showEdits();

    LoadServices m_load;
    DecodeLimits m_limits = kDefaultDecodeLimits;
    Bitmap m_placeholder;
    std::string m_title = "Target (double click to enlarge):";

    std::string m_targetPath;
    bool m_hasTarget = false;
    Bitmap m_targetImage;
    Bitmap m_displayImage;
    std::optional<Bitmap> m_previewStretched;
    std::vector<std::uint8_t> m_targetAlpha, m_displayAlpha, m_previewAlpha;
    IconSize m_iconSize = IconSize::System;
    bool m_keepTransparency = false;
    long double m_aspectRatio = 1.0L;
    std::int32_t m_actualWidth = 0, m_actualHeight = 0;
    bool m_actualSize = true;
    bool m_armed = true;

    int m_widthEdit = kMinImageSize, m_heightEdit = kMinImageSize;
    bool m_proportional = true;
    bool m_buttonShape = false;
    bool m_stretch = false;
    int m_previewWidth = 0, m_previewHeight = 0;
    int m_viewAs = kNoViewAs;
    std::string m_caption = " Target (double click to enlarge): ";
};

}  // namespace vexilo
