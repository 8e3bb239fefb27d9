#pragma once
// The applications the desktop lists for a MIME type, read from the desktop entries under the
// XDG data folders (applications/*.desktop) and the mimeapps.list files that choose defaults,
// and the command line an entry's Exec key gives for one file.
#include <optional>
#include <string>
#include <vector>

namespace vexilo {

struct DesktopEntry {
    std::string id;    // the desktop file id, e.g. "org.gnome.eog.desktop"
    std::string name;  // Name=
    std::string exec;  // Exec=, unexpanded
    std::string icon;  // Icon=
    std::vector<std::string> mimeTypes;
};

// Parses one desktop entry file's text; nullopt for anything but a shown application with an
// Exec line.
std::optional<DesktopEntry> parseDesktopEntry(const std::string& id, const std::string& text);

// The command line for opening `path`: Exec's words with the field codes %f %F %u %U %c %k %i
// and %% filled in (deprecated codes dropped). Empty when Exec is malformed (an open quote).
std::vector<std::string> expandExec(const DesktopEntry& entry, const std::string& path,
                                    const std::string& entryFile = {});

class DesktopApplications {
public:
    // Reads every entry below $XDG_DATA_HOME and $XDG_DATA_DIRS (earlier folders win for one id)
    // and the defaults of $XDG_CONFIG_HOME, $XDG_CONFIG_DIRS and the data folders.
    static DesktopApplications fromEnvironment();

    void add(DesktopEntry entry);                                         // later ids are ignored
    void setDefault(const std::string& mimeType, const std::string& id);  // first one wins

    // The entries for the MIME type, the default (when known) first, then by name.
    std::vector<DesktopEntry> forMimeType(const std::string& mimeType) const;
    std::optional<DesktopEntry> defaultFor(const std::string& mimeType) const;

private:
    const DesktopEntry* find(const std::string& id) const;
    std::vector<DesktopEntry> m_entries;
    std::vector<std::pair<std::string, std::string>> m_defaults;  // MIME type, desktop id
};

}  // namespace vexilo
