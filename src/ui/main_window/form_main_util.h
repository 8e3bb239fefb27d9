#pragma once
// Small helpers shared by the main window's source files.
#include <QWidget>

#include "ui/qt_text.h"

namespace vexilo::form_main_detail {

inline constexpr const char* kHelpContextProperty = "vexiloHelpContext";

inline void setHelpContext(QWidget* w, int context) {
    w->setProperty(kHelpContextProperty, context);
}

}  // namespace vexilo::form_main_detail
