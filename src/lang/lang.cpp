#include "lang/lang.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <utility>

#include "base/text.h"
#include "settings/settings_store.h"

namespace vexilo {

namespace {
// The pack that every resolution falls back to.
constexpr const char* kFallbackFile = "english.lng";
constexpr const char* kFallbackName = "English";

// The user's languages in the order gettext asks them: LANGUAGE's list, then the first of
// LC_ALL, LC_MESSAGES and LANG that is set; "de_DE.UTF-8@euro" counts as "de_DE".
std::vector<std::string> wantedLanguages() {
    std::vector<std::string> out;
    auto add = [&](std::string code) {
        code = code.substr(0, code.find_first_of(".@"));
        if (!code.empty() && code != "C" && code != "POSIX") out.push_back(code);
    };
    if (const char* list = std::getenv("LANGUAGE")) {
        std::istringstream in(list);
        for (std::string code; std::getline(in, code, ':');) add(code);
    }
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            add(value);
            break;
        }
    }
    return out;
}

std::string languageOf(const std::string& code) {
    return foldCase(code.substr(0, code.find_first_of("_-")));
}
}  // namespace

TLang::TLang(SettingsStore* store) : m_store(store) {}

std::string TLang::inProgramDir(const std::string& file) const {
    // A bare or relative name lives in the program folder, never in the working folder.
    if (file.empty() || file.front() == '/') return file;
    std::string dir = ProgramDir;
    if (!dir.empty() && dir.back() != '/') dir += '/';
    return dir + file;
}

bool TLang::acceptPack(const std::string& path, std::string* name, std::string* code) const {
    const auto pack = LangPack::readFile(path);
    if (!pack) return false;
    const auto program = pack->value("Program");
    const auto language = pack->value("Language");
    if (!program || program->empty() || *program != ProgramName || !language || language->empty())
        return false;
    if (name) *name = *language;
    if (code) *code = pack->value("Locale").value_or("");
    return true;
}

void TLang::findPacks() {
    m_names.clear();
    m_files.clear();
    m_codes.clear();
    m_index = -1;
    std::vector<std::string> files;
    if (DIR* dir = ::opendir(ProgramDir.empty() ? "." : ProgramDir.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string fileName = entry->d_name;
            if (hasExtensionIgnoreCase(fileName, LangExt)) files.push_back(fileName);
        }
        ::closedir(dir);
    }
    // Directory order is arbitrary; the menu lists the packs by file name.
    std::sort(files.begin(), files.end(),
              [](const std::string& a, const std::string& b) { return foldCase(a) < foldCase(b); });
    for (const auto& fileName : files) {
        const std::string path = inProgramDir(fileName);
        std::string name, code;
        if (acceptPack(path, &name, &code)) {  // directories and unreadable files are refused here
            m_names.push_back(name);
            m_files.push_back(path);
            m_codes.push_back(code);
        }
        if (PumpEvents) PumpEvents();
    }
}

bool TLang::resolve(std::string& path, std::string& name) {
    findPacks();
    std::string file = DefaultLangFile;
    name = DefaultLangName;
    if (m_store) {
        try {
            const std::string storedName = m_store->readString(IniKey, "", "");
            const std::string storedFile =
                storedName.empty() ? std::string() : m_store->readString(IniKey, storedName, "");
            if (!storedName.empty() && !storedFile.empty()) {
                name = storedName;
                file = storedFile;
            } else {
                // A first start: the pack of the desktop's language, else the fallback.
                file = packForEnvironment();
                name = kFallbackName;
            }
        } catch (const SettingsError&) {
            // A stored choice that is not text is no choice.
            file = kFallbackFile;
            name = kFallbackName;
        }
    }
    bool found = false;
    for (int attempt = 0; attempt < 2 && !found; ++attempt) {
        if (attempt == 1) {
            file = kFallbackFile;
            name = kFallbackName;
        }
        path = inProgramDir(file);
        std::string language, code;
        if (acceptPack(path, &language, &code)) {
            name = language;
            m_code = code;
            found = true;
        }
    }
    if (!found) return false;
    DefaultLangFile = path;
    DefaultLangName = name;
    auto it = std::find_if(m_names.begin(), m_names.end(),
                           [&](const std::string& n) { return equalsIgnoreCase(n, name); });
    if (it == m_names.end()) {
        m_names.insert(m_names.begin(), name);
        m_files.insert(m_files.begin(), path);
        m_index = 0;
    } else {
        m_index = static_cast<int>(it - m_names.begin());
        if (m_files[static_cast<std::size_t>(m_index)] != path)
            m_files[static_cast<std::size_t>(m_index)] = path;
    }
    return true;
}

std::string TLang::packForEnvironment() const {
    const auto wanted = wantedLanguages();
    // An exact code ("pt_BR") wins over the language alone ("pt") at each step of the list.
    for (const auto& code : wanted) {
        for (std::size_t i = 0; i < m_codes.size(); ++i)
            if (!m_codes[i].empty() && equalsIgnoreCase(m_codes[i], code)) return m_files[i];
        for (std::size_t i = 0; i < m_codes.size(); ++i)
            if (!m_codes[i].empty() && languageOf(m_codes[i]) == languageOf(code)) return m_files[i];
    }
    return kFallbackFile;
}

int TLang::load() {
    std::string path, name;
    if (!resolve(path, name)) return kNoUsablePack;
    const auto pack = LangPack::readFile(path);
    if (!pack) return kPackVanished;
    // Both lists are built before either replaces the current one, so a faulty pack leaves the
    // texts in use untouched.
    LangTextList messages = pack->numberedList('M', path);
    LangTextList interface = pack->numberedList('I', path);
    m_messages = std::move(messages);
    m_interface = std::move(interface);
    return kLoaded;
}

void TLang::choose(const std::string& name, const std::string& path) {
    DefaultLangName = name;
    DefaultLangFile = path;
    auto it = std::find_if(m_names.begin(), m_names.end(),
                           [&](const std::string& n) { return equalsIgnoreCase(n, name); });
    m_index = it == m_names.end() ? -1 : static_cast<int>(it - m_names.begin());
    if (m_store) {
        m_store->writeString(IniKey, "", name);
        m_store->writeString(IniKey, name, path);
        m_store->save();
    }
}

}  // namespace vexilo
