#include "files/desktop_entries.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/uri.h"
#include "base/xdg_folders.h"

namespace vexilo {

namespace {

namespace fs = std::filesystem;

std::vector<std::string> splitList(const std::string& text, char sep) {
    std::vector<std::string> out;
    std::string item;
    std::istringstream in(text);
    while (std::getline(in, item, sep))
        if (!item.empty()) out.push_back(item);
    return out;
}

std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r");
    const auto e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// The groups of an ini-style file as (group, key, value) lines, values unescaped later.
template <class OnValue>
void readIni(const std::string& text, const OnValue& onValue) {
    std::istringstream in(text);
    std::string line, group;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == '#') continue;
        if (line.front() == '[' && line.back() == ']') {
            group = line.substr(1, line.size() - 2);
            continue;
        }
        const auto eq = line.find('=');
        if (eq != std::string::npos) onValue(group, trim(line.substr(0, eq)), trim(line.substr(eq + 1)));
    }
}

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Splits Exec into words with its quoting rules: double quotes group, and inside them a
// backslash escapes " ` $ and \. Answers false for an unclosed quote.
bool execWords(const std::string& exec, std::vector<std::string>& words) {
    std::string word;
    bool inWord = false, quoted = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < exec.size()) {
                word += exec[++i];
            } else {
                word += c;
            }
        } else if (c == '"') {
            quoted = inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) return false;
    if (inWord) words.push_back(word);
    return true;
}

}  // namespace

std::optional<DesktopEntry> parseDesktopEntry(const std::string& id, const std::string& text) {
    DesktopEntry entry;
    entry.id = id;
    bool application = false, hidden = false;
    readIni(text, [&](const std::string& group, const std::string& key, const std::string& value) {
        if (group != "Desktop Entry") return;
        if (key == "Type") application = value == "Application";
        if (key == "Name") entry.name = value;
        if (key == "Exec") entry.exec = value;
        if (key == "Icon") entry.icon = value;
        if (key == "MimeType") entry.mimeTypes = splitList(value, ';');
        if ((key == "Hidden" || key == "NoDisplay") && value == "true") hidden = true;
    });
    if (!application || hidden || entry.exec.empty() || entry.name.empty()) return std::nullopt;
    return entry;
}

std::vector<std::string> expandExec(const DesktopEntry& entry, const std::string& path,
                                    const std::string& entryFile) {
    std::vector<std::string> words, out;
    if (!execWords(entry.exec, words)) return {};
    for (const auto& word : words) {
        if (word == "%i") {
            if (!entry.icon.empty()) out.insert(out.end(), {"--icon", entry.icon});
            continue;
        }
        std::string expanded;
        bool drop = false;
        for (std::size_t i = 0; i < word.size(); ++i) {
            if (word[i] != '%' || i + 1 == word.size()) {
                expanded += word[i];
                continue;
            }
            switch (word[++i]) {
                case 'f':
                case 'F':
                    expanded += path;
                    break;
                case 'u':
                case 'U':
                    expanded += fileUrl(path);
                    break;
                case 'c':
                    expanded += entry.name;
                    break;
                case 'k':
                    expanded += entryFile;
                    break;
                case '%':
                    expanded += '%';
                    break;
                default:
                    drop = word.size() == 2;
                    break;  // deprecated or unknown codes vanish
            }
        }
        if (!drop) out.push_back(expanded);
    }
    return out;
}

void DesktopApplications::add(DesktopEntry entry) {
    if (!find(entry.id)) m_entries.push_back(std::move(entry));
}

void DesktopApplications::setDefault(const std::string& mimeType, const std::string& id) {
    for (const auto& [m, i] : m_defaults)
        if (m == mimeType) return;
    m_defaults.emplace_back(mimeType, id);
}

const DesktopEntry* DesktopApplications::find(const std::string& id) const {
    for (const auto& e : m_entries)
        if (e.id == id) return &e;
    return nullptr;
}

std::optional<DesktopEntry> DesktopApplications::defaultFor(const std::string& mimeType) const {
    for (const auto& [m, id] : m_defaults)
        if (m == mimeType)
            if (const auto* e = find(id)) return *e;
    const auto all = forMimeType(mimeType);
    if (all.empty()) return std::nullopt;
    return all.front();
}

std::vector<DesktopEntry> DesktopApplications::forMimeType(const std::string& mimeType) const {
    std::vector<DesktopEntry> out;
    for (const auto& e : m_entries)
        if (std::find(e.mimeTypes.begin(), e.mimeTypes.end(), mimeType) != e.mimeTypes.end())
            out.push_back(e);
    std::stable_sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    for (const auto& [m, defaultId] : m_defaults) {
        if (m != mimeType) continue;
        const std::string& id = defaultId;  // older clang cannot capture a structured binding
        const auto it = std::find_if(out.begin(), out.end(), [&](const auto& e) { return e.id == id; });
        if (it != out.end()) std::rotate(out.begin(), it, it + 1);
        break;
    }
    return out;
}

DesktopApplications DesktopApplications::fromEnvironment() {
    std::vector<std::string> dataDirs{xdgDataHome()};
    for (const auto& d : xdgDataDirs()) dataDirs.push_back(d);
    std::vector<std::string> listFiles{xdgConfigHome() + "/mimeapps.list"};
    for (const auto& d : xdgConfigDirs()) listFiles.push_back(d + "/mimeapps.list");
    for (const auto& d : dataDirs) listFiles.push_back(d + "/applications/mimeapps.list");

    DesktopApplications apps;
    for (const auto& file : listFiles) {
        std::error_code ec;
        if (!fs::is_regular_file(file, ec)) continue;
        readIni(readText(file),
                [&](const std::string& group, const std::string& mime, const std::string& ids) {
                    if (group != "Default Applications") return;
                    for (const auto& id : splitList(ids, ';')) apps.setDefault(mime, id);
                });
    }
    for (const auto& d : dataDirs) {
        const fs::path root = fs::path(d) / "applications";
        std::error_code ec;
        if (!fs::is_directory(root, ec)) continue;
        for (auto it =
                 fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (it->path().extension() != ".desktop" || !it->is_regular_file(ec)) continue;
            // The id of applications/kde/foo.desktop is kde-foo.desktop.
            std::string id = fs::relative(it->path(), root, ec).string();
            std::replace(id.begin(), id.end(), '/', '-');
            if (auto entry = parseDesktopEntry(id, readText(it->path()))) apps.add(std::move(*entry));
        }
    }
    return apps;
}

}  // namespace vexilo
