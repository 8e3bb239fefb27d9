#include "control/full_view/full_view_position.h"

#include "settings/settings_store.h"

namespace vexilo {

FullViewLayout fullViewLayout(const std::string& path, bool gif, int width, int height, int screenWidth,
                              int screenHeight) {
    FullViewLayout l;
    l.caption = path + " [" + std::to_string(width) + " x " + std::to_string(height) + "]";
    // A still picture keeps room for the window's frame and the desktop's panels; the GIF player
    // may take the whole screen.
    const int heightMargin = gif ? 20 : 50, heightGiven = gif ? screenHeight : screenHeight - 50;
    const int widthGiven = gif ? screenWidth : screenWidth - 20;
    if (screenHeight < height + heightMargin) {
        l.clientHeight = heightGiven;
        l.verticalRange = height;
    } else {
        l.clientHeight = height;
    }
    if (screenWidth < width + 20) {
        l.clientWidth = widthGiven;
        l.horizontalRange = width;
    } else {
        l.clientWidth = width;
    }
    return l;
}

void FullViewPosition::read(const SettingsStore& store) {
    // A value of the wrong type keeps the current one; the main window's reading reports it.
    TolerantReader read(store);
    Left = read.integer(kPreviewSettingsKey, "Left", Left);
    Top = read.integer(kPreviewSettingsKey, "Top", Top);
}

void FullViewPosition::write(SettingsStore& store) const {
    store.writeInteger(kPreviewSettingsKey, "Left", Left);
    store.writeInteger(kPreviewSettingsKey, "Top", Top);
}

}  // namespace vexilo
