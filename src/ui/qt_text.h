#pragma once
// The core's UTF-8 text as Qt's.
#include <QString>
#include <string>
#include <string_view>

namespace vexilo {

inline QString q(const std::string& s) {
    return QString::fromStdString(s);
}
inline QString q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace vexilo
