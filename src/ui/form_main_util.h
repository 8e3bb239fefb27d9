#pragma once
// Small helpers shared by the main window's source files.
#include <QString>
#include <QWidget>
#include <string>
#include <string_view>

namespace vexilo::form_main_detail {

inline QString q(const std::string& s) {
    return QString::fromStdString(s);
}
inline QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

inline constexpr const char* kHelpContextProperty = "vexiloHelpContext";

inline void setHelpContext(QWidget* w, int context) {
    w->setProperty(kHelpContextProperty, context);
}

}  // namespace vexilo::form_main_detail
