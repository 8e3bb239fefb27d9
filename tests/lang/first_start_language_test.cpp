#include <gtest/gtest.h>

#include <filesystem>

#include "lang/lang.h"
#include "settings/settings_store.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

namespace fs = std::filesystem;

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
