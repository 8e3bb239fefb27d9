#include "control/full_view/full_view_position.h"

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

}  // namespace vexilo
