#pragma once
// The applications the desktop offers for a MIME type and its default one, as GIO answers them
// (desktop entries, mimeapps.list defaults and added or removed associations), and starting
// one of them on a file.
#include <optional>
#include <string>
#include <vector>

namespace vexilo {

struct DesktopApplication {
    std::string id;    // the desktop file id, e.g. "org.gnome.eog.desktop"
    std::string name;  // the shown name
    std::string icon;  // a theme icon name or an absolute file path; empty for none
};

// Every application for the MIME type, the default first, then by name.
std::vector<DesktopApplication> applicationsFor(const std::string& mimeType);
// The desktop's default application for the MIME type, if it has one.
std::optional<DesktopApplication> defaultApplicationFor(const std::string& mimeType);
// Starts the application (by id) on the file; false when it is unknown or would not start.
bool launchApplication(const std::string& id, const std::string& path);

}  // namespace vexilo
