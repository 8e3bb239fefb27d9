#include "ui/platform/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "ui/platform/qimage_convert.h"

namespace vexilo {

void copyBitmapToClipboard(const Bitmap& bitmap) {
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setImage(toQImageKeepingPalette(bitmap));
}

}  // namespace vexilo
