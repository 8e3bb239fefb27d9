#pragma once
// Qt's own texts (standard buttons, file dialogs) in the language of the pack in use, from the
// translations Qt installs beside itself.
#include <string>

namespace vexilo {

// Replaces the translation installed before by the one for the language code ("de", "pt_BR");
// an unknown or empty code leaves Qt in English. Answers whether a translation was installed.
bool installQtTranslation(const std::string& code);

}  // namespace vexilo
