#include "lang/lang.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "lang/program_folder.h"
#include "settings/settings_store.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

const std::string kLangKey = "Software\\Tamber Works\\Vexilo\\3.0.2\\Languages";

// A program folder with packs and a settings store beside it, as the program sets them up.
class LangFixture : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(programDir());
        writePack("english.lng", "Vexilo", "English", "Name");
        writePack("german.lng", "Vexilo", "Deutsch", "Name (de)");
    }

    fs::path programDir() const { return m_dir.path() / "bin"; }
    std::string settingsDir() const { return (m_dir.path() / "config").string(); }

    void writePack(const std::string& file, const std::string& program, const std::string& language,
                   const std::string& text3) {
        test::writeText(programDir() / file, "Program=" + program + "\nLanguage=" + language +
                                                 "\n[Interface]\nI0=3\nI3=" + text3 +
                                                 "\n[Messages]\nM0=1\nM1=Message of " + language + "\n");
    }

    std::string path(const std::string& file) const { return (programDir() / file).string(); }

    TLang makeLang(SettingsStore* store) const {
        TLang lang(store);
        lang.ProgramDir = programDir().string() + "/";
        return lang;
    }

    test::TempDir m_dir;
};

TEST_F(LangFixture, LooksUpTextsWithFallbackAndFindsOnlyThisProgramsPacks) {
    TLang lang = makeLang(nullptr);
    EXPECT_EQ(lang.interfaceText(3), kLangErrorText);  // nothing loaded yet
    ASSERT_EQ(lang.load(), TLang::kLoaded);
    EXPECT_EQ(
        (std::vector{lang.interfaceText(0), lang.interfaceText(1), lang.interfaceText(3),
                     lang.interfaceText(4), lang.messageText(1), lang.messageText(2)}),
        (std::vector<std::string>{"3", "", "Name", kLangErrorText, "Message of English", kLangErrorText}));
    EXPECT_EQ(lang.DefaultLangFile, path("english.lng"));
    EXPECT_EQ(lang.DefaultLangName, "English");
    EXPECT_THAT(lang.langNames(), ElementsAre("English", "Deutsch"));  // by file name
    EXPECT_EQ(lang.langIndex(), 0);

    // Only this program's packs are found.
    writePack("other.lng", "OtherProgram", "Other", "x");
    writePack("lower.lng", "vexilo", "Lowercase program name", "x");  // letter case counts
    writePack("nameless.lng", "Vexilo", "", "x");
    writePack("french.txt", "Vexilo", "Français", "x");  // wrong extension
    writePack("SPANISH.LNG", "Vexilo", "Español", "x");
    fs::create_directories(programDir() / "folder.lng");
    int pumped = 0;
    TLang finder = makeLang(nullptr);
    finder.PumpEvents = [&] { ++pumped; };
    finder.findPacks();
    EXPECT_THAT(finder.langNames(), ElementsAre("English", "Deutsch", "Español"));
    EXPECT_THAT(finder.langFiles(),
                ElementsAre(path("english.lng"), path("german.lng"), path("SPANISH.LNG")));
    EXPECT_EQ(pumped, 7);  // once per *.lng entry
}

TEST_F(LangFixture, ChoiceIsStoredAndUsedAtTheNextStartOnlyWhenItIsThisProgramsPack) {
    {
        SettingsStore store(settingsDir());
        TLang lang = makeLang(&store);
        ASSERT_EQ(lang.load(), TLang::kLoaded);
        lang.choose("Deutsch", path("german.lng"));
        EXPECT_EQ(lang.langIndex(), 1);
        ASSERT_EQ(lang.load(), TLang::kLoaded);
        EXPECT_EQ(lang.interfaceText(3), "Name (de)");
    }
    SettingsStore store(settingsDir());  // the choice was saved when it was made
    EXPECT_EQ(store.readValue(kLangKey, ""), "Deutsch");
    EXPECT_EQ(store.readValue(kLangKey, "Deutsch"), path("german.lng"));
    TLang lang = makeLang(&store);
    ASSERT_EQ(lang.load(), TLang::kLoaded);
    EXPECT_EQ(lang.interfaceText(3), "Name (de)");
    EXPECT_EQ(lang.DefaultLangName, "Deutsch");

    // Used only when it is this program's pack. A start over a stored choice (a bare file name is
    // in the program folder): text 3, the language in use, the pack loaded and the list of names.
    using Started = std::tuple<std::string, std::string, std::string, std::vector<std::string>>;
    const auto startWith = [&](const std::string& name, const std::string& file) {
        SettingsStore chosen(settingsDir());
        chosen.writeString(kLangKey, "", name);
        chosen.writeString(kLangKey, name, file);
        TLang started = makeLang(&chosen);
        EXPECT_EQ(started.load(), TLang::kLoaded);
        const auto index = static_cast<std::size_t>(std::max(started.langIndex(), 0));
        return Started(started.interfaceText(3), started.DefaultLangName, started.langFiles().at(index),
                       started.langNames());
    };
    // A chosen pack deleted since falls back to English.
    EXPECT_EQ(startWith("Deutsch", "gone.lng"),
              Started("Name", "English", path("english.lng"), {"English", "Deutsch"}));
    // Without the extension it is not found by the scan, so it is put in front of the list.
    writePack("pirate.txt", "Vexilo", "Pirate", "Yer name");
    EXPECT_EQ(startWith("Pirate", "pirate.txt"),
              Started("Yer name", "Pirate", path("pirate.txt"), {"Pirate", "English", "Deutsch"}));
    fs::remove(programDir() / "pirate.txt");
    writePack("foreign.lng", "SomethingElse", "Foreign", "x");
    EXPECT_EQ(startWith("Foreign", "foreign.lng"),
              Started("Name", "English", path("english.lng"), {"English", "Deutsch"}));
    fs::remove(programDir() / "foreign.lng");
    // The name comes from the pack's own line; the first "English" of the list (names compared
    // without letter case) now names the copy.
    writePack("zz-copy.lng", "Vexilo", "english", "Copy");
    EXPECT_EQ(startWith("English", "zz-copy.lng"),
              Started("Copy", "english", path("zz-copy.lng"), {"English", "Deutsch", "english"}));
    fs::remove(programDir() / "zz-copy.lng");

    fs::create_directories(settingsDir());  // a number where the choice's name belongs
    test::writeText(fs::path(settingsDir()) / "settings.json",
                    R"({"keys": {"Software\\Tamber Works\\Vexilo\\3.0.2\\Languages": {"": 5}}})");
    SettingsStore number(settingsDir());
    TLang numbered = makeLang(&number);
    ASSERT_EQ(numbered.load(), TLang::kLoaded);
    EXPECT_EQ(numbered.DefaultLangName, "English");
}

TEST_F(LangFixture, ABrokenOrMissingPackKeepsTheTextsInUse) {
    TLang lang = makeLang(nullptr);
    ASSERT_EQ(lang.load(), TLang::kLoaded);
    test::writeText(programDir() / "broken.lng",
                    "Program=Vexilo\nLanguage=Broken\nM0=2\nM1=new\nI0=lots\nI3=new\n");
    lang.choose("Broken", path("broken.lng"));
    EXPECT_THAT([&] { (void)lang.load(); }, ThrowsMessage<LangError>(HasSubstr("not a valid integer")));
    EXPECT_EQ(lang.interfaceText(3), "Name");
    EXPECT_EQ(lang.messageText(1), "Message of English");

    for (const char* file : {"english.lng", "german.lng", "broken.lng"}) fs::remove(programDir() / file);
    EXPECT_EQ(lang.load(), TLang::kNoUsablePack);
    EXPECT_EQ(lang.interfaceText(3), "Name");
    TLang fresh = makeLang(nullptr);
    EXPECT_EQ(fresh.load(), TLang::kNoUsablePack);
    EXPECT_EQ(fresh.interfaceText(3), kLangErrorText);
}

TEST(ProgramFolder, IsTheExecutableFolderOnlyWhenItHoldsPacks) {
    test::TempDir dir;
    EXPECT_EQ(resolveProgramFolder(dir.path().string()), installedDataFolder());
    EXPECT_EQ(installedDataFolder().back(), '/');
    test::writeText(dir.path() / "English.LNG", "Program=Vexilo\n");
    EXPECT_EQ(resolveProgramFolder(dir.path().string()), dir.path().string() + "/");
    EXPECT_EQ(resolveProgramFolder(""), installedDataFolder());
    const std::string exe = executableFolder();
    ASSERT_FALSE(exe.empty());
    EXPECT_EQ(exe.back(), '/');
    EXPECT_TRUE(fs::exists(exe + "lang_tests"));

    // An installed tree: <prefix>/bin finds <prefix>/share/vexilo.
    test::TempDir prefix;
    fs::create_directories(prefix.path() / "bin");
    fs::create_directories(prefix.path() / "share" / "vexilo");
    const std::string bin = (prefix.path() / "bin").string();
    EXPECT_EQ(resolveProgramFolder(bin), installedDataFolder());
    test::writeText(prefix.path() / "share" / "vexilo" / "english.lng", "Program=Vexilo\n");
    EXPECT_EQ(resolveProgramFolder(bin), (prefix.path() / "share" / "vexilo").string() + "/");
}

// A first start (no pack stored) in the shipped program folder under the given environment.
std::string firstStartPack(SettingsStore& store, const char* language, const char* lang) {
    test::ScopedEnv a("LANGUAGE", language), b("LC_ALL", ""), c("LC_MESSAGES", ""), d("LANG", lang);
    TLang tlang(&store);
    tlang.ProgramDir = (fs::path(VEXILO_SOURCE_DIR) / "lang").string();
    EXPECT_EQ(tlang.load(), TLang::kLoaded);
    return fs::path(tlang.DefaultLangFile).filename().string() + ":" + tlang.languageCode();
}

TEST(FirstStartLanguage, TakesThePackOfTheDesktopsLanguageUnlessOneWasChosen) {
    test::TempDir dir;
    SettingsStore store(dir.path().string());
    EXPECT_EQ(firstStartPack(store, "de", "C.UTF-8"), "german.lng:de");
    EXPECT_EQ(firstStartPack(store, "", "fr_CA.UTF-8@euro"), "french.lng:fr");
    EXPECT_EQ(firstStartPack(store, "pt_BR:ru:es", "de_DE.UTF-8"), "russian.lng:ru") << "LANGUAGE's order";
    EXPECT_EQ(firstStartPack(store, "es_MX", ""), "spanish.lng:es");
    EXPECT_EQ(firstStartPack(store, "", "ja_JP.UTF-8"), "english.lng:en");
    EXPECT_EQ(firstStartPack(store, "", "C"), "english.lng:en");

    TLang chooser(&store);
    chooser.choose("Español", (fs::path(VEXILO_SOURCE_DIR) / "lang" / "spanish.lng").string());
    EXPECT_EQ(firstStartPack(store, "de", "de_DE.UTF-8"), "spanish.lng:es") << "an explicit choice wins";
}

}  // namespace
}  // namespace vexilo
