#pragma once
// Keeps windows inside the screen they are shown on: a stored size from a larger screen or a
// lower scale, or a stored position from a screen that is gone, must not leave a title bar or a
// close button out of reach.
#include <QMargins>
#include <QRect>

class QWidget;

namespace vexilo {

// The client rectangle `client`, framed by `frame` (title bar and borders), moved and shrunk so
// that the framed rectangle lies inside `area`; never smaller than `minimum` (a minimum larger
// than the area keeps the top-left corner, and so the title bar, on the area).
QRect fitToArea(QRect client, QMargins frame, QRect area, QSize minimum = {});

// The widget's window fitted to the available area of the screen under its centre (or the
// primary screen), with the frame the window manager gave it, or a usual one before it has one.
void keepOnScreen(QWidget* window);

}  // namespace vexilo
