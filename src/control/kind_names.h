#pragma once
// The name the windows show for a file kind: the language pack's text for the kinds that have
// one, else the table's fixed name (the first twelve kinds, and a pack that lacks the text).
#include <string>

#include "imageio/file_kind.h"

namespace vexilo {

class TLang;

std::string kindDisplayName(const FileFormat& format, const TLang& lang);
// An unknown kind gives an empty text.
std::string kindDisplayName(FileKind kind, const TLang& lang);

}  // namespace vexilo
