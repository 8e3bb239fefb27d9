#include "imageio/associated_icon.h"

#include <sys/stat.h>

#include "codecs/icon_file.h"
#include "imageio/desktop_services.h"
#include "imageio/loaders.h"

namespace vexilo {

namespace {

// Scales a coordinate laid out on a 32-pixel grid to the wanted size.
int at(int v32, int size) {
    return (v32 * size + 16) / 32;
}

// Fills [x0, x1) x [y0, y1) on the 32-grid with a colour and marks it opaque.
void paint(Icon& icon, int x0, int y0, int x1, int y1, Color c) {
    const int size = icon.width();
    for (int y = at(y0, size); y < at(y1, size); ++y)
        for (int x = at(x0, size); x < at(x1, size); ++x) {
            icon.color.setPixel(x, y, c);
            icon.mask.setRaw(x, y, 0);
        }
}

// Clears a pixel of the 32-grid back to transparent.
void clear(Icon& icon, int x0, int y0, int x1, int y1) {
    const int size = icon.width();
    for (int y = at(y0, size); y < at(y1, size); ++y)
        for (int x = at(x0, size); x < at(x1, size); ++x) {
            icon.color.setPixel(x, y, kBlack);
            icon.mask.setRaw(x, y, 1);
        }
}

}  // namespace

Icon genericDocumentIcon(int size) {
    Icon icon = Icon::blank(size, size);
    constexpr Color outline{96, 96, 96}, paper{255, 255, 255}, fold{208, 208, 208};
    paint(icon, 6, 2, 26, 30, outline);
    paint(icon, 7, 3, 25, 29, paper);
    // the folded top-right corner
    for (int i = 0; i < 7; ++i) clear(icon, 19 + i + 1, 2, 26, 2 + i + 1);
    for (int i = 0; i < 7; ++i) paint(icon, 19 + i, 2 + i, 19 + i + 1, 2 + i + 1, outline);
    paint(icon, 19, 3, 20, 9, outline);
    paint(icon, 19, 8, 26, 9, outline);
    for (int i = 1; i < 6; ++i) paint(icon, 20, 2 + i, 19 + i, 2 + i + 1, fold);
    // text lines
    for (int y = 13; y < 27; y += 3) paint(icon, 10, y, y < 24 ? 22 : 17, y + 1, fold);
    return icon;
}

Icon genericFolderIcon(int size) {
    Icon icon = Icon::blank(size, size);
    constexpr Color outline{150, 110, 20}, body{240, 200, 80}, back{220, 175, 60};
    paint(icon, 2, 5, 14, 10, outline);  // tab
    paint(icon, 3, 6, 13, 10, back);
    paint(icon, 2, 8, 30, 28, outline);
    paint(icon, 3, 9, 29, 27, body);
    return icon;
}

std::optional<Icon> associatedIcon(const std::string& path, int size) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return std::nullopt;
    if (const auto desktop = desktopServices().associatedIcon) {
        if (auto icon = desktop(path, size); icon && !icon->color.empty())
            return scaleIcon(*icon, size, size);
    }
    return S_ISDIR(st.st_mode) ? genericFolderIcon(size) : genericDocumentIcon(size);
}

bool LoadAssociatedIcon(const std::string& path, Bitmap* bitmap) {
    if (!bitmap) return false;
    const auto icon = associatedIcon(path, kSystemIconSize);
    if (!icon) return false;
    drawLoaded(*icon, *bitmap);
    return true;
}

}  // namespace vexilo
