#pragma once
// The per-user settings store: a tree of keys ("Software\Tamber Works\Vexilo\3.0.2\Paths"),
// each holding named text values in the order they were written. It lives in memory and is kept
// in one JSON file, settings.json, under $XDG_CONFIG_HOME/vexilo/ (else ~/.config/vexilo/).
// save() replaces the file atomically, so a crash while saving never loses the stored settings.
// A damaged file is set aside (renamed with a ".damaged-..." suffix) and the store starts empty.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexilo {

// Raised with the user-visible texts "Invalid data type for '<name>'" (a stored value that is
// not text) and "Failed to set data for '<name>'" (saving failed; the system's reason follows
// on a second line).
class SettingsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The root key of this program's values; each version keeps its own.
inline constexpr const char* kSettingsRootKey = "Software\\Tamber Works\\Vexilo\\" VEXILO_VERSION;

// The integer reading rule: decimal text, or "0x"/"0X" followed by hexadecimal digits when the
// text is longer than 2 characters; anything else (and a value outside 32 bits) gives def.
std::int32_t parseSettingsInteger(const std::string& text, std::int32_t def);

class SettingsStore {
public:
    // An empty store kept only in memory; save() does nothing.
    SettingsStore();
    // The store kept in `folder`/settings.json (the folder is created on the first save). Reads
    // the file at once; never throws for a missing, unreadable or damaged file (see problem()).
    explicit SettingsStore(const std::string& folder);
    ~SettingsStore();
    SettingsStore(SettingsStore&&) noexcept;
    SettingsStore& operator=(SettingsStore&&) noexcept;
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Parses the bytes of a settings file into a memory-only store. Throws SettingsError saying
    // what is wrong when they are not a well-formed settings file.
    static SettingsStore fromBytes(std::span<const std::uint8_t> bytes);

    // $XDG_CONFIG_HOME/vexilo/ when that variable holds an absolute path, else $HOME/.config/vexilo/
    // (the home folder from the password database when HOME is unset). Ends with '/'.
    static std::string defaultFolder();
    static constexpr const char* kFileName = "settings.json";

    // --- keys: paths with "\" between levels; empty levels are ignored ---
    bool keyExists(const std::string& key) const;
    void deleteKey(const std::string& key);  // the key and every key below it
    // Names of the values of key in stored order (empty when the key is missing). The unnamed
    // value has the empty name.
    std::vector<std::string> valueNames(const std::string& key) const;
    // Names of the keys directly below key, in the order they were created.
    std::vector<std::string> subKeyNames(const std::string& key) const;

    // --- values: names are arbitrary text; the unnamed value has the empty name ---
    bool valueExists(const std::string& key, const std::string& name) const;
    // The stored text, or nullopt when the key or value is missing. Throws SettingsError
    // "Invalid data type for '<name>'" when the stored value is not text.
    std::optional<std::string> readValue(const std::string& key, const std::string& name) const;
    // Stores the text, creating the key; an existing value keeps its place in the order.
    void writeValue(const std::string& key, const std::string& name, const std::string& text);

    // --- the reading and writing rules of the stored settings ---
    std::string readString(const std::string& key, const std::string& name, const std::string& def) const;
    std::int32_t readInteger(const std::string& key, const std::string& name, std::int32_t def) const;
    bool readBool(const std::string& key, const std::string& name, bool def) const;
    void writeString(const std::string& key, const std::string& name, const std::string& text);
    void writeInteger(const std::string& key, const std::string& name, std::int64_t value);
    void writeBool(const std::string& key, const std::string& name, bool value);

    // Writes the whole tree to the file when it changed since it was read or last saved: a
    // temporary file in the same folder, flushed, then renamed over the old one. Throws
    // SettingsError "Failed to set data for '<name>'" (the first value changed since the last
    // save) with the system's reason on a second line; the file on disk is then unchanged.
    void save();

    // A description, in English, of what went wrong when the file was read at construction
    // (damaged and set aside, or unreadable); empty when it was read well or did not exist.
    const std::string& problem() const;
    // Where a damaged settings file was moved to; empty when nothing was set aside. The window
    // says so once, with the language pack's wording.
    const std::string& damagedFileBackup() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// Reads values for a window that is starting: a value stored with another type than text keeps
// its default, and its message joins `problems` for the window to show once; the start goes on.
class TolerantReader {
public:
    explicit TolerantReader(const SettingsStore& store) : m_store(store) {}
    std::int32_t integer(const std::string& key, const std::string& name, std::int32_t def);
    bool boolean(const std::string& key, const std::string& name, bool def);
    std::string text(const std::string& key, const std::string& name, const std::string& def);
    std::vector<std::string> problems;

private:
    const SettingsStore& m_store;
};

}  // namespace vexilo
