#pragma once
// The program folder: where the language packs and the help pages are found. It is the
// executable's own folder when that holds language packs (a build tree, an unpacked copy), else
// the installed data folder (share/vexilo below the install prefix, found from the executable's
// own folder first).
#include <string>

namespace vexilo {

// The folder of the running executable, from /proc/self/exe, ending with '/'; empty when the
// system does not say.
std::string executableFolder();

// The installed data folder, ending with '/'.
std::string installedDataFolder();

// True when folder holds at least one regular file whose name ends with ext (letter case
// ignored).
bool folderHoldsLangPacks(const std::string& folder, const std::string& ext = ".lng");

// exeFolder when it holds language packs, else the data folder of the prefix exeFolder is
// installed in (<prefix>/share/vexilo for <prefix>/bin) when that holds them, else
// installedDataFolder(). Ends with '/'.
std::string resolveProgramFolder(const std::string& exeFolder);
// The same for the running executable.
std::string resolveProgramFolder();

}  // namespace vexilo
