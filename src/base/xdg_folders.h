#pragma once
// The user's folders by the freedesktop base-directory rules: a variable counts only when it holds
// an absolute path (relative values are ignored); the folders come without a trailing "/".
#include <string>
#include <vector>

namespace vexilo {

// $HOME, else the password database's home, else "/tmp".
std::string homeFolder();

// $XDG_DATA_HOME, else ~/.local/share.
std::string xdgDataHome();
// $XDG_CONFIG_HOME, else ~/.config.
std::string xdgConfigHome();
// $XDG_CACHE_HOME, else ~/.cache.
std::string xdgCacheHome();
// The absolute entries of $XDG_DATA_DIRS, else /usr/local/share and /usr/share.
std::vector<std::string> xdgDataDirs();
// The absolute entries of $XDG_CONFIG_DIRS, else /etc/xdg.
std::vector<std::string> xdgConfigDirs();

}  // namespace vexilo
