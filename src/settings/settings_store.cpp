#include "settings/settings_store.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/paths.h"
#include "base/text.h"
#include "base/xdg_folders.h"

namespace vexilo {

namespace {

using Json = nlohmann::ordered_json;

constexpr std::uint64_t kMaxFileBytes = std::uint64_t{64} << 20;  // far beyond any real settings
constexpr int kMaxNesting = 32;                                   // the file itself needs 3 levels
constexpr const char* kFormatName = "Vexilo settings";

// Names and values that are not valid UTF-8 (a folder name in a legacy encoding) cannot stand in
// JSON as they are. They are stored as U+FFFF followed by the bytes in hexadecimal; U+FFFF is a
// noncharacter, and any text that does hold it is encoded the same way, so the mapping is exact.
constexpr std::string_view kRawMarker = "\xEF\xBF\xBF";

std::string encodeText(const std::string& text) {
    if (isValidUtf8(text) && text.find(kRawMarker) == std::string::npos) return text;
    static const char digits[] = "0123456789abcdef";
    std::string out(kRawMarker);
    for (unsigned char c : text) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string decodeText(const std::string& stored) {
    if (stored.compare(0, kRawMarker.size(), kRawMarker) != 0) return stored;
    const std::string_view hex = std::string_view(stored).substr(kRawMarker.size());
    if (hex.size() % 2 != 0) return stored;
    std::string out;
    out.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int hi = hexValue(hex[i]), lo = hexValue(hex[i + 1]);
        if (hi < 0 || lo < 0) return stored;
        out += static_cast<char>(hi * 16 + lo);
    }
    return out;
}

// "\\a\\\\b\\" -> "a\\b": levels are separated by one backslash, empty levels dropped.
std::string normaliseKey(const std::string& key) {
    std::string out;
    std::size_t pos = 0;
    while (pos <= key.size()) {
        std::size_t end = key.find('\\', pos);
        if (end == std::string::npos) end = key.size();
        if (end > pos) {
            if (!out.empty()) out += '\\';
            out.append(key, pos, end - pos);
        }
        pos = end + 1;
    }
    return out;
}

// Rejects input nested deeper than the format allows before the parser sees it, so hostile
// files cost neither deep recursion nor deep trees.
// Also rejects NUL bytes, which JSON text never holds.
const char* precheck(std::span<const std::uint8_t> bytes, int limit) {
    int depth = 0;
    bool inString = false, escaped = false;
    for (std::uint8_t b : bytes) {
        if (b == 0) return "the settings file holds a NUL byte";
        if (inString) {
            if (escaped)
                escaped = false;
            else if (b == '\\')
                escaped = true;
            else if (b == '"')
                inString = false;
            continue;
        }
        if (b == '"') {
            inString = true;
        } else if (b == '[' || b == '{') {
            if (++depth > limit) return "the settings file is nested too deeply";
        } else if (b == ']' || b == '}') {
            --depth;
        }
    }
    return nullptr;
}

Json emptyDocument() {
    Json doc = Json::object();
    doc["format"] = kFormatName;
    doc["version"] = 1;
    doc["keys"] = Json::object();
    return doc;
}

// Parses and checks the shape of a settings file; throws SettingsError naming the fault.
Json parseDocument(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) throw SettingsError("the settings file is empty");
    if (const char* fault = precheck(bytes, kMaxNesting)) throw SettingsError(fault);
    Json doc;
    try {
        doc = Json::parse(bytes.begin(), bytes.end());
    } catch (const Json::exception& e) {
        throw SettingsError(std::string("the settings file is not valid JSON (") + e.what() + ")");
    }
    if (!doc.is_object()) throw SettingsError("the settings file does not hold a JSON object");
    auto keys = doc.find("keys");
    if (keys == doc.end()) {
        doc["keys"] = Json::object();
    } else if (!keys->is_object()) {
        throw SettingsError("\"keys\" in the settings file is not an object");
    } else {
        for (auto it = keys->begin(); it != keys->end(); ++it)
            if (!it.value().is_object())
                throw SettingsError("key \"" + it.key() + "\" in the settings file is not an object");
    }
    return doc;
}

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::string timeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    ::localtime_r(&now, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
    return buf;
}

}  // namespace

std::int32_t parseSettingsInteger(const std::string& text, std::int32_t def) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::uint64_t value = 0;
        std::size_t significant = 0;
        for (std::size_t i = 2; i < text.size(); ++i) {
            const int d = hexValue(text[i]);
            if (d < 0) return def;
            if (value != 0 || d != 0) ++significant;
            if (significant > 8) return def;
            value = value * 16 + static_cast<unsigned>(d);
        }
        // Eight hex digits fill the 32 bits; "0xFFFFFFFF" reads as -1.
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    }
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    if (i == text.size()) return def;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return def;
        value = value * 10 + (text[i] - '0');
        if (value > std::int64_t{1} << 31) return def;
    }
    if (negative) value = -value;
    if (value > INT32_MAX || value < INT32_MIN) return def;
    return static_cast<std::int32_t>(value);
}

struct SettingsStore::Impl {
    std::string filePath;
    Json doc = emptyDocument();
    bool modified = false;
    // What the save error names: the first value written since the last save, else the first
    // key created or deleted.
    std::optional<std::string> firstValue;
    std::string firstKey;
    bool keepFile = false;  // the file could not be read: never replace it with defaults
    std::string problem;
    std::string damagedBackup;

    Json& keys() { return doc["keys"]; }
    const Json& keys() const { return doc.at("keys"); }

    // The member name under which the key is stored. Key paths, as in any registry, are found
    // without regard to letter case ("ToolBar" and "Toolbar" are one key); value names are not,
    // since they hold case-sensitive folder paths.
    std::optional<std::string> storedKeyName(const std::string& path) const {
        const Json& k = keys();
        const std::string exact = encodeText(path);
        if (k.contains(exact)) return exact;
        const std::string folded = foldCase(path);
        for (auto it = k.begin(); it != k.end(); ++it)
            if (foldCase(decodeText(it.key())) == folded) return it.key();
        return std::nullopt;
    }

    Json* findKey(const std::string& key) {
        auto stored = storedKeyName(normaliseKey(key));
        return stored ? &keys()[*stored] : nullptr;
    }
    const Json* findKey(const std::string& key) const {
        auto stored = storedKeyName(normaliseKey(key));
        return stored ? &keys().at(*stored) : nullptr;
    }

    // The key's value object, created with its missing parents.
    Json& openKey(const std::string& key) {
        const std::string path = normaliseKey(key);
        Json& k = keys();
        std::size_t pos = 0;
        for (;;) {
            const std::size_t end = path.find('\\', pos);
            const std::string prefix = path.substr(0, end);
            std::string stored = storedKeyName(prefix).value_or(std::string());
            if (stored.empty() && !prefix.empty()) {
                stored = encodeText(prefix);
                k[stored] = Json::object();
                touchKey(prefix);
            } else if (prefix.empty() && !k.contains(stored)) {
                k[stored] = Json::object();  // the root key of the tree
                touchKey(prefix);
            }
            if (end == std::string::npos) return k[stored];
            pos = end + 1;
        }
    }

    void touchValue(const std::string& name) {
        if (!firstValue) firstValue = name;
        modified = true;
    }
    void touchKey(const std::string& key) {
        if (!modified) firstKey = key.substr(key.rfind('\\') + 1);
        modified = true;
    }

    void load() {
        struct stat st {};
        if (::stat(filePath.c_str(), &st) != 0) {
            const int err = errno;
            if (err == ENOENT || err == ENOTDIR) return;  // a first run
            problem = "The settings file \"" + filePath + "\" cannot be read: " + std::strerror(err);
            keepFile = true;
            return;
        }
        if (!S_ISREG(st.st_mode)) {
            problem =
                "The settings file \"" + filePath + "\" is not a regular file; default settings are used.";
            keepFile = true;
            return;
        }
        std::vector<std::uint8_t> bytes;
        try {
            bytes = readFileBytes(filePath, kMaxFileBytes);
        } catch (const ImageError& e) {
            if (static_cast<std::uint64_t>(st.st_size) <= kMaxFileBytes) {
                problem = std::string(e.what()) + "; default settings are used.";
                keepFile = true;
                return;
            }
            setAside("it is too large");
            return;
        }
        try {
            doc = parseDocument(bytes);
        } catch (const SettingsError& e) {
            setAside(e.what());
        }
    }

    void setAside(const std::string& why) {
        doc = emptyDocument();
        std::string backup = filePath + ".damaged-" + timeStamp();
        for (int n = 1; fileExists(backup) && n < 1000; ++n)
            backup = filePath + ".damaged-" + timeStamp() + "-" + std::to_string(n);
        if (::rename(filePath.c_str(), backup.c_str()) == 0) {
            damagedBackup = backup;
            problem = "The settings file \"" + filePath + "\" was damaged (" + why + "). It was moved to \"" +
                      backup + "\" and default settings are used.";
        } else {
            keepFile = true;
            problem = "The settings file \"" + filePath + "\" is damaged (" + why +
                      ") and cannot be moved aside (" + std::strerror(errno) +
                      "); default settings are used.";
        }
    }
};

SettingsStore::SettingsStore() : m_impl(std::make_unique<Impl>()) {}

SettingsStore::SettingsStore(const std::string& folder) : m_impl(std::make_unique<Impl>()) {
    m_impl->filePath = withSlash(folder) + kFileName;
    m_impl->load();
}

SettingsStore::~SettingsStore() = default;
SettingsStore::SettingsStore(SettingsStore&&) noexcept = default;
SettingsStore& SettingsStore::operator=(SettingsStore&&) noexcept = default;

SettingsStore SettingsStore::fromBytes(std::span<const std::uint8_t> bytes) {
    SettingsStore store;
    store.m_impl->doc = parseDocument(bytes);
    return store;
}

std::string SettingsStore::defaultFolder() {
    return xdgConfigHome() + "/vexilo/";
}

bool SettingsStore::keyExists(const std::string& key) const {
    return m_impl->findKey(key) != nullptr;
}

void SettingsStore::deleteKey(const std::string& key) {
    const std::string path = foldCase(normaliseKey(key));
    const std::string below = path + "\\";
    Json& k = m_impl->keys();
    std::vector<std::string> doomed;
    for (auto it = k.begin(); it != k.end(); ++it) {
        const std::string name = foldCase(decodeText(it.key()));
        if (name == path || name.compare(0, below.size(), below) == 0 || path.empty())
            doomed.push_back(it.key());
    }
    for (const auto& d : doomed) k.erase(d);
    if (!doomed.empty()) m_impl->touchKey(path);
}

std::vector<std::string> SettingsStore::valueNames(const std::string& key) const {
    std::vector<std::string> names;
    if (const Json* k = m_impl->findKey(key))
        for (auto it = k->begin(); it != k->end(); ++it) names.push_back(decodeText(it.key()));
    return names;
}

std::vector<std::string> SettingsStore::subKeyNames(const std::string& key) const {
    const std::string path = foldCase(normaliseKey(key));
    const std::string prefix = path.empty() ? std::string() : path + "\\";
    std::vector<std::string> names;
    const Json& k = m_impl->keys();
    for (auto it = k.begin(); it != k.end(); ++it) {
        const std::string name = decodeText(it.key());
        if (name.size() <= prefix.size() || foldCase(name.substr(0, prefix.size())) != prefix) continue;
        const std::string child = name.substr(prefix.size(), name.find('\\', prefix.size()) - prefix.size());
        bool seen = false;
        for (const auto& n : names) seen = seen || equalsIgnoreCase(n, child);
        if (!seen) names.push_back(child);
    }
    return names;
}

bool SettingsStore::valueExists(const std::string& key, const std::string& name) const {
    const Json* k = m_impl->findKey(key);
    return k && k->contains(encodeText(name));
}

std::optional<std::string> SettingsStore::readValue(const std::string& key, const std::string& name) const {
    const Json* k = m_impl->findKey(key);
    if (!k) return std::nullopt;
    auto it = k->find(encodeText(name));
    if (it == k->end()) return std::nullopt;
    if (!it->is_string()) throw SettingsError("Invalid data type for '" + name + "'");
    return decodeText(it->get<std::string>());
}

void SettingsStore::writeValue(const std::string& key, const std::string& name, const std::string& text) {
    Json& k = m_impl->openKey(key);
    const std::string storedName = encodeText(name);
    const std::string storedText = encodeText(text);
    auto it = k.find(storedName);
    if (it != k.end() && it->is_string() && it->get<std::string>() == storedText) return;
    k[storedName] = storedText;
    m_impl->touchValue(name);
}

std::string SettingsStore::readString(const std::string& key, const std::string& name,
                                      const std::string& def) const {
    auto v = readValue(key, name);
    return v ? *v : def;
}

std::int32_t SettingsStore::readInteger(const std::string& key, const std::string& name,
                                        std::int32_t def) const {
    auto v = readValue(key, name);
    return v ? parseSettingsInteger(*v, def) : def;
}

bool SettingsStore::readBool(const std::string& key, const std::string& name, bool def) const {
    return readInteger(key, name, def ? 1 : 0) != 0;
}

void SettingsStore::writeString(const std::string& key, const std::string& name, const std::string& text) {
    writeValue(key, name, text);
}

void SettingsStore::writeInteger(const std::string& key, const std::string& name, std::int64_t value) {
    writeValue(key, name, std::to_string(value));
}

void SettingsStore::writeBool(const std::string& key, const std::string& name, bool value) {
    writeValue(key, name, value ? "1" : "0");
}

void SettingsStore::save() {
    Impl& d = *m_impl;
    if (!d.modified || d.filePath.empty()) return;
    auto fail = [&](const std::string& reason) {
        throw SettingsError("Failed to set data for '" + d.firstValue.value_or(d.firstKey) + "'\n" + reason);
    };
    if (d.keepFile)
        fail("The settings file \"" + d.filePath + "\" could not be read at start-up and is left as it is.");
    // A settings file that is a symbolic link (kept with the user's other dotfiles) stays one:
    // the file it leads to is replaced.
    std::string target = d.filePath;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(target, ec)) break;
        const std::filesystem::path link = std::filesystem::read_symlink(target, ec);
        if (ec) break;
        target = (link.is_absolute() ? link : std::filesystem::path(target).parent_path() / link).string();
    }
    const std::string folder = folderOf(target);
    std::string reason;
    if (!makeFolders(folder, reason)) fail(reason);
    std::string text = d.doc.dump(2, ' ', false, Json::error_handler_t::replace);
    text += '\n';
    try {
        writeFileAtomic(target, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    } catch (const ImageError& e) {
        fail(e.what());
    }
    d.modified = false;
    d.firstValue.reset();
    d.firstKey.clear();
}

const std::string& SettingsStore::problem() const {
    return m_impl->problem;
}

const std::string& SettingsStore::damagedFileBackup() const {
    return m_impl->damagedBackup;
}

std::int32_t TolerantReader::integer(const std::string& key, const std::string& name, std::int32_t def) {
    try {
        return m_store.readInteger(key, name, def);
    } catch (const SettingsError& e) {
        problems.emplace_back(e.what());
        return def;
    }
}

bool TolerantReader::boolean(const std::string& key, const std::string& name, bool def) {
    try {
        return m_store.readBool(key, name, def);
    } catch (const SettingsError& e) {
        problems.emplace_back(e.what());
        return def;
    }
}

std::string TolerantReader::text(const std::string& key, const std::string& name, const std::string& def) {
    try {
        return m_store.readString(key, name, def);
    } catch (const SettingsError& e) {
        problems.emplace_back(e.what());
        return def;
    }
}

}  // namespace vexilo
