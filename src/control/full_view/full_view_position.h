#pragma once
// The rules of the enlarged view window without its widgets: its caption, its client size and
// scroll ranges for a picture on a screen, and its remembered position.
#include <string>

namespace vexilo {

struct FullViewLayout {
    std::string caption;  // path + " [" + width + " x " + height + "]"
    int clientWidth = 0, clientHeight = 0;
    // The picture's extent when the window scrolls that way, 0 when it does not scroll.
    int horizontalRange = 0, verticalRange = 0;
};

// The layout of ShowFullView: an animated GIF (gif) or DisplayImage of width x height on a
// screen of screenWidth x screenHeight.
FullViewLayout fullViewLayout(const std::string& path, bool gif, int width, int height, int screenWidth,
                              int screenHeight);

// Where the enlarged view window sits when it is shown again (stored by the main window's
// settings under "Preview").
struct FullViewPosition {
    int Left = 300, Top = 0;
};

}  // namespace vexilo
