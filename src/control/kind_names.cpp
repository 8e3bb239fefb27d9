#include "control/kind_names.h"

#include "lang/lang.h"

namespace vexilo {

std::string kindDisplayName(const FileFormat& format, const TLang& lang) {
    if (format.nameText > 0 && format.nameText <= lang.lastInterfaceNumber()) {
        const std::string& text = lang.interfaceText(format.nameText);
        if (!text.empty()) return text;
    }
    return format.name;
}

std::string kindDisplayName(FileKind kind, const TLang& lang) {
    const FileFormat* format = fileFormat(kind);
    return format ? kindDisplayName(*format, lang) : std::string();
}

}  // namespace vexilo
