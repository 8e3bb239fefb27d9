#include "lang/lang.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
                   const std::string& text3, const std::string& extra = "") {
        std::ofstream out(programDir() / file, std::ios::binary);
        out << "Program=" << program << "\nLanguage=" << language << "\n[Interface]\nI0=3\nI3=" << text3
            << "\n[Messages]\nM0=1\nM1=Message of " << language << "\n"
            << extra;
    }

    std::string path(const std::string& file) const { return (programDir() / file).string(); }

    TLang makeLang(SettingsStore* store) const {
        TLang lang(store);
        lang.ProgramDir = programDir().string() + "/";
        return lang;
    }

    test::TempDir m_dir;
};

TEST_F(LangFixture, LooksUpTextsWithFallbackBeyondThePack) {
    TLang lang = makeLang(nullptr);
    EXPECT_EQ(lang.interfaceText(3), kLangErrorText);  // nothing loaded yet
    ASSERT_EQ(lang.load(), TLang::kLoaded);
    EXPECT_EQ(lang.interfaceText(3), "Name");
    EXPECT_EQ(lang.interfaceText(0), "3");
    EXPECT_EQ(lang.interfaceText(1), "");
    EXPECT_EQ(lang.interfaceText(4), kLangErrorText);
    EXPECT_EQ(lang.messageText(1), "Message of English");
    EXPECT_EQ(lang.messageText(2), kLangErrorText);
    EXPECT_EQ(lang.DefaultLangFile, path("english.lng"));
    EXPECT_EQ(lang.DefaultLangName, "English");
    EXPECT_THAT(lang.langNames(), ElementsAre("English", "Deutsch"));  // by file name
    EXPECT_EQ(lang.langIndex(), 0);
}

TEST_F(LangFixture, FindsOnlyThisProgramsPacks) {
    writePack("other.lng", "OtherProgram", "Other", "x");
    writePack("lower.lng", "vexilo", "Lowercase program name", "x");  // letter case counts
    writePack("nameless.lng", "Vexilo", "", "x");
    writePack("french.txt", "Vexilo", "Français", "x");  // wrong extension
    writePack("SPANISH.LNG", "Vexilo", "Español", "x");
    fs::create_directories(programDir() / "folder.lng");
    int pumped = 0;
    TLang lang = makeLang(nullptr);
    lang.PumpEvents = [&] { ++pumped; };
    lang.findPacks();
    EXPECT_THAT(lang.langNames(), ElementsAre("English", "Deutsch", "Español"));
    EXPECT_THAT(lang.langFiles(), ElementsAre(path("english.lng"), path("german.lng"), path("SPANISH.LNG")));
    EXPECT_EQ(pumped, 7);  // once per *.lng entry
}

TEST_F(LangFixture, ChoiceIsStoredAndUsedAtTheNextStart) {
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
}

TEST_F(LangFixture, DeletedChosenPackFallsBackToEnglish) {
    SettingsStore store(settingsDir());
    TLang lang = makeLang(&store);
    lang.choose("Deutsch", path("german.lng"));
    fs::remove(programDir() / "german.lng");
    TLang next = makeLang(&store);
    ASSERT_EQ(next.load(), TLang::kLoaded);
    EXPECT_EQ(next.interfaceText(3), "Name");
    EXPECT_EQ(next.DefaultLangName, "English");
    EXPECT_THAT(next.langNames(), ElementsAre("English"));
}

TEST_F(LangFixture, PackWithoutTheExtensionIsUsedOnlyAsTheStoredChoice) {
    writePack("pirate.txt", "Vexilo", "Pirate", "Yer name");
    SettingsStore store(settingsDir());
    store.writeString(kLangKey, "", "Pirate");
    store.writeString(kLangKey, "Pirate", "pirate.txt");  // a bare name is in the program folder
    TLang lang = makeLang(&store);
    ASSERT_EQ(lang.load(), TLang::kLoaded);
    EXPECT_EQ(lang.interfaceText(3), "Yer name");
    // Not found by the scan, so it is put in front of the list.
    EXPECT_THAT(lang.langNames(), ElementsAre("Pirate", "English", "Deutsch"));
    EXPECT_EQ(lang.langFiles().front(), path("pirate.txt"));
    EXPECT_EQ(lang.langIndex(), 0);
}

TEST_F(LangFixture, StoredChoiceForAnotherProgramOrNotTextIsRefused) {
    writePack("foreign.lng", "SomethingElse", "Foreign", "foreign");
    SettingsStore store(settingsDir());
    store.writeString(kLangKey, "", "Foreign");
    store.writeString(kLangKey, "Foreign", path("foreign.lng"));
    TLang lang = makeLang(&store);
    ASSERT_EQ(lang.load(), TLang::kLoaded);
    EXPECT_EQ(lang.interfaceText(3), "Name");
    EXPECT_THAT(lang.langNames(), ElementsAre("English", "Deutsch"));

    fs::create_directories(settingsDir());  // a number where the choice's name belongs
    test::writeText(fs::path(settingsDir()) / "settings.json",
                    R"({"keys": {"Software\\Tamber Works\\Vexilo\\3.0.2\\Languages": {"": 5}}})");
    SettingsStore number(settingsDir());
    TLang second = makeLang(&number);
    ASSERT_EQ(second.load(), TLang::kLoaded);
    EXPECT_EQ(second.DefaultLangName, "English");
}

TEST_F(LangFixture, StoredPathReplacesTheListedOneForTheSameName) {
    writePack("zz-english-copy.lng", "Vexilo", "english", "Copy");
    SettingsStore store(settingsDir());
    store.writeString(kLangKey, "", "English");
    store.writeString(kLangKey, "English", path("zz-english-copy.lng"));
    TLang lang = makeLang(&store);
    ASSERT_EQ(lang.load(), TLang::kLoaded);
    EXPECT_EQ(lang.interfaceText(3), "Copy");
    EXPECT_EQ(lang.DefaultLangName, "english");  // the name comes from the pack's own line
    // The first "English" in the list (names compared without letter case) now names the copy.
    ASSERT_EQ(lang.langIndex(), 0);
    EXPECT_EQ(lang.langFiles()[0], path("zz-english-copy.lng"));
    EXPECT_EQ(lang.langFiles()[2], path("zz-english-copy.lng"));
}

TEST_F(LangFixture, NoUsablePackKeepsTheTextsItHad) {
    TLang lang = makeLang(nullptr);
    ASSERT_EQ(lang.load(), TLang::kLoaded);
    fs::remove(programDir() / "english.lng");
    fs::remove(programDir() / "german.lng");
    EXPECT_EQ(lang.load(), TLang::kNoUsablePack);
    EXPECT_EQ(lang.interfaceText(3), "Name");

    TLang fresh = makeLang(nullptr);
    EXPECT_EQ(fresh.load(), TLang::kNoUsablePack);
    EXPECT_EQ(fresh.interfaceText(3), kLangErrorText);
    EXPECT_EQ(fresh.messageText(1), kLangErrorText);
}

TEST_F(LangFixture, BrokenCountLineRaisesAndKeepsTheTextsInUse) {
    TLang lang = makeLang(nullptr);
    ASSERT_EQ(lang.load(), TLang::kLoaded);
    {
        std::ofstream out(programDir() / "broken.lng", std::ios::binary);
        out << "Program=Vexilo\nLanguage=Broken\nM0=2\nM1=new\nI0=lots\nI3=new\n";
    }
    lang.choose("Broken", path("broken.lng"));
    EXPECT_THAT([&] { (void)lang.load(); }, ThrowsMessage<LangError>(HasSubstr("not a valid integer")));
    EXPECT_EQ(lang.interfaceText(3), "Name");
    EXPECT_EQ(lang.messageText(1), "Message of English");
}

TEST(ProgramFolder, IsTheExecutableFolderOnlyWhenItHoldsPacks) {
    test::TempDir dir;
    EXPECT_EQ(resolveProgramFolder(dir.path().string()), installedDataFolder());
    EXPECT_EQ(installedDataFolder().back(), '/');
    std::ofstream(dir.path() / "English.LNG") << "Program=Vexilo\n";
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
    std::ofstream(prefix.path() / "share" / "vexilo" / "english.lng") << "Program=Vexilo\n";
    EXPECT_EQ(resolveProgramFolder(bin), (prefix.path() / "share" / "vexilo").string() + "/");
}

}  // namespace
}  // namespace vexilo
