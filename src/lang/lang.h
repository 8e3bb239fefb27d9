#pragma once
// TLang: finds the language packs in the program folder, remembers the user's choice in the
// settings store, loads the chosen pack into two numbered lists (interface texts and messages)
// and answers lookups by number. It returns texts only; the windows apply them.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/version.h"
#include "lang/lang_pack.h"
#include "settings/settings_store.h"

namespace vexilo {

class SettingsStore;

// The root of the stored choice. Linux has one per-user store, so all three name it; the
// property is kept so that callers set it as they always have.
enum TLangRootKey { lgHKLM, lgHKCU, lgHKU };

// The fixed text of the message box shown when no pack could be loaded (no pack supplies it).
inline constexpr const char* kLangPackErrorMessage = "Error in language pack";

class TLang {
public:
    // Results of load().
    static constexpr int kLoaded = 0;
    static constexpr int kNoUsablePack = -1;  // neither the stored choice nor the default pack
    static constexpr int kPackVanished = -2;  // the resolved pack could not be read any more

    // store may be null (no stored choice; choose() then only changes the pack in use). The
    // store must outlive this object.
    explicit TLang(SettingsStore* store = nullptr);

    // Published properties; the main window sets them before the first load().
    TLangRootKey RootKey = lgHKCU;
    std::string IniKey = std::string(kSettingsRootKey) + "\\Languages";
    std::string ProgramDir;  // folder of the packs (see program_folder.h)
    std::string ProgramName = kProgramName;
    std::string DefaultLangFile = "english.lng";  // afterwards the full path of the pack in use
    std::string DefaultLangName = "English";      // afterwards the display name of the pack in use
    std::string LangExt = ".lng";
    // Called after each pack file read during findPacks(), so that the window stays live.
    std::function<void()> PumpEvents;

    // Lists the packs of ProgramDir whose "Program" line is ProgramName and whose "Language"
    // line is not empty, sorted by file name. Replaces the names and paths lists.
    void findPacks();

    // Finds the packs, resolves the pack in use (the stored choice, else the default pack) and
    // reads its texts. Answers kLoaded or a negative code; the text lists then keep what they
    // held. Throws LangError when the pack's "I0" or "M0" line is missing or not a number (the
    // lists again keep what they held).
    int load();

    // Stores the choice (the unnamed value := name, the value named name := path) and makes it
    // the pack in use; call load() afterwards. Throws SettingsError when the store cannot save.
    void choose(const std::string& name, const std::string& path);

    // Interface text / message number k; "Error in language pak" beyond the last number. The
    // reference stays valid until the next successful load().
    const std::string& interfaceText(std::int64_t k) const { return m_interface.at(k); }
    const std::string& messageText(std::int64_t k) const { return m_messages.at(k); }
    std::int64_t lastInterfaceNumber() const { return m_interface.last(); }

    // The packs found (display names and full paths, same order) and the pack in use among
    // them (-1 before a successful load).
    const std::vector<std::string>& langNames() const { return m_names; }
    const std::vector<std::string>& langFiles() const { return m_files; }
    int langIndex() const { return m_index; }

    // True when the pack at path is for ProgramName and has a display name; fills name (and
    // code with its "Locale" line, e.g. "de" or "pt_BR", empty when it has none).
    bool acceptPack(const std::string& path, std::string* name = nullptr, std::string* code = nullptr) const;

    // The language code of the pack in use (its "Locale" line), empty before a load.
    const std::string& languageCode() const { return m_code; }

private:
    std::string inProgramDir(const std::string& file) const;
    bool resolve(std::string& path, std::string& name);
    std::string packForEnvironment() const;

    SettingsStore* m_store;
    LangTextList m_interface;
    LangTextList m_messages;
    std::vector<std::string> m_names;
    std::vector<std::string> m_files;
    std::vector<std::string> m_codes;  // each found pack's language code
    std::string m_code;
    int m_index = -1;
};

}  // namespace vexilo
