#include "ui/platform/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "ui/platform/qimage_convert.h"

namespace vexilo {

void copyBitmapToClipboard(const Bitmap& bitmap, const std::vector<std::uint8_t>& alpha) {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setImage(alpha.empty() ? toQImageKeepingPalette(bitmap)
                                          : toQImage(bitmap, {0, 0, bitmap.width(), bitmap.height()}, alpha));
}

}  // namespace vexilo
