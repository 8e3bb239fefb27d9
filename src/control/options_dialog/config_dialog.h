#pragma once
// The rules of the advanced options dialog: the list colour, the large thumbnail size with its
// "Default" box, the desktop's thumbnail cache on or off, the turn by EXIF orientation, the main toolbar's
// button texts and the three toolbars' visibility. The dialog edits a copy; the main window applies the
// result only after OK.
#include <string>

#include "control/dialogs.h"
#include "raster/bitmap.h"

namespace vexilo {

class TLang;

struct ConfigValues {
    Color listColor = kWhite;
    int thumbWidth = 32, thumbHeight = 32;
    bool showButtonText = false;
    bool showMain = true, showView = true, showModify = true;
    bool thumbnailCache = true;
    bool largestIcons = false;  // "Icon size": "Largest size" instead of "System size (32 x 32)"
    bool keepTransparency = false;
    bool turnByOrientation = true;  // pictures turned by their EXIF orientation
    bool naturalOrder = false;      // names sort img2 before img10
    bool operator==(const ConfigValues&) const = default;
};

// The texts of the dialog, by interface number, as the pack gives them (some without "&").
struct ConfigTexts {
    std::string caption, backgroundColor, imageListPage, toolbarsPage, width, height, showText, defaultBox,
        defaultHint, showView, showModify, showMain, ok, cancel, thumbnailCache, iconSize, systemSize,
        largestSize, keepTransparency;
    std::string turnByOrientation;
    std::string naturalOrder;
};
ConfigTexts configTexts(const TLang& lang);

class ConfigDialog {
public:
    static constexpr int kDefaultSize = 32;
    static constexpr int kMaxThumbnailSize = 256;
    static constexpr int kHelpContext = 661, kImageListHelp = 662, kToolbarsHelp = 663;

    // On show: the OK flag cleared, "Default" checked exactly for a 32 x 32 list.
    explicit ConfigDialog(const ConfigValues& current);

    const ConfigValues& values() const { return m_values; }
    bool defaultChecked() const { return m_default; }
    bool sizeEditsEnabled() const { return !m_default; }
    bool okPressed() const { return m_ok; }

    void ChBDefaultSzClick(bool checked);
    void setThumbWidth(int w) { m_values.thumbWidth = w; }
    void setThumbHeight(int h) { m_values.thumbHeight = h; }
    void setThumbnailCache(bool on) { m_values.thumbnailCache = on; }
    void setLargestIcons(bool on) { m_values.largestIcons = on; }
    void setKeepTransparency(bool on) { m_values.keepTransparency = on; }
    void setTurnByOrientation(bool on) { m_values.turnByOrientation = on; }
    void setNaturalOrder(bool on) { m_values.naturalOrder = on; }
    void setToolbars(bool showText, bool main, bool view, bool modify);
    // A colour dialog at the swatch colour; the swatch takes the colour chosen.
    void BitBtnBckgrndColorClick(Dialogs& dialogs);
    // Refuses a thumbnail size outside 1 to 256 with a message (the dialog stays open) and
    // answers false; else sets the OK flag.
    bool OKClick(Dialogs& dialogs);

    // After OK: what the main window takes over. Shows Messages text 13 when the thumbnail size
    // changes; `sizeChanged` tells the window to empty its large image list.
    ConfigValues apply(const ConfigValues& current, Dialogs& dialogs, const TLang& lang,
                       bool& sizeChanged) const;

private:
    ConfigValues m_values;
    bool m_default;
    bool m_ok = false;
};

}  // namespace vexilo
