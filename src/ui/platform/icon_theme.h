#pragma once
// The desktop icon theme, chosen once for every user of QIcon::fromTheme.

namespace vexilo {

// Needs a QGuiApplication. When the session names no theme that has icons (as under the
// offscreen platform), adds the XDG icon folders to the search path and chooses Adwaita, else
// hicolor; hicolor is the fallback theme. Cheap to call again.
void ensureIconTheme();

}  // namespace vexilo
