// Checks the language packs that ship in lang/: each one complete against english.lng, and
// english.lng complete against every number the windows use.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "base/text.h"
#include "lang/lang_pack.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

namespace fs = std::filesystem;

const fs::path kLangDir = fs::path(VEXILO_SOURCE_DIR) / "lang";

// Interface texts and messages that the windows look up.
// clang-format off
const std::vector<int> kInterfaceNumbers = {
    3,   4,   5,   6,   7,   9,   10,  11,  12,  13,  14,  15,  16,  17,  18,  19,  21,  22,  23,  24,  25,
    26,  27,  28,  29,  30,  31,  32,  33,  34,  35,  36,  37,  38,  39,  40,  41,  42,  43,  44,  45,  46,
    47,  48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  58,  59,  60,  61,  62,  63,  64,  65,  66,  67,
    68,  69,  70,  71,  72,  73,  74,  75,  76,  77,  78,  79,  80,  81,  82,  83,  84,  85,  86,  87,  93,
    94,  95,  99,  100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 114, 115, 116, 117,
    118, 119, 120, 121, 122, 123, 124, 125, 126, 127, 128, 129, 130, 131, 132, 133, 134, 135, 136, 137,
    138, 139, 140, 141, 142, 143, 144, 145, 146, 147, 148, 149, 150, 151, 152, 153, 154, 165};
// clang-format on
const std::vector<int> kMessageNumbers = {5,  8,  10, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25,
                                          26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 50, 51, 52, 53, 70};

// Entries that share one menu, whose "&" accelerators must differ.
// clang-format off
const std::vector<std::vector<int>> kMenus = {
    {50, 27, 9, 65, 71, 72, 76, 21,
     145, 146},                       // the target's pop-up menu
    {51, 67, 34, 39, 66, 73},         // the list's pop-up menu
    {99, 100, 101},                   // the menu bar
    {85, 35, 116},                    // "Options"
    {86, 87, 102},                    // "Toolbars"
    {120, 122, 123, 124, 125},        // the desktop's actions for a file
    {121, 122, 123, 124, 125},        // ... when no application is the default
};
// clang-format on

struct Pack {
    std::string file;
    LangPack pack;
    std::map<std::string, std::string> numbered;  // "I3" -> text, every I/M line
};

std::vector<Pack> shippedPacks() {
    std::vector<Pack> packs;
    for (const auto& entry : fs::directory_iterator(kLangDir)) {
        if (entry.path().extension() != ".lng") continue;
        Pack p{entry.path().filename().string(), *LangPack::readFile(entry.path().string()), {}};
        std::istringstream in(test::readText(entry.path()));
        static const std::regex numberedLine(R"(([IM][0-9]+)=(.*))");
        std::smatch m;
        for (std::string line; std::getline(in, line);)
            if (std::regex_match(line, m, numberedLine)) p.numbered.emplace(m[1].str(), m[2].str());
        packs.push_back(std::move(p));
    }
    return packs;
}

std::vector<std::string> placeholders(const std::string& text) {
    static const std::regex pattern("%[a-z%]");
    std::vector<std::string> out;
    for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it)
        out.push_back(it->str());
    return out;
}

// The folded first letter after "&", 0 when there is none.
char32_t accelerator(const std::string& text) {
    const std::size_t amp = text.find('&');
    const std::u32string after = amp == std::string::npos ? U"" : foldedCodePoints(text.substr(amp + 1));
    return after.empty() ? 0 : after[0];
}

TEST(ShippedPacks, EnglishHasEveryNumberTheWindowsUse) {
    const auto english = LangPack::readFile((kLangDir / "english.lng").string());
    ASSERT_TRUE(english);
    EXPECT_EQ(english->value("Language"), "English");
    const LangTextList interface = english->numberedList('I', "english.lng");
    const LangTextList messages = english->numberedList('M', "english.lng");
    for (int k : kInterfaceNumbers) EXPECT_FALSE(interface.at(k).empty()) << "I" << k;
    for (int k : kMessageNumbers) EXPECT_FALSE(messages.at(k).empty()) << "M" << k;
    EXPECT_EQ(interface.last(), kInterfaceNumbers.back());
    EXPECT_EQ(messages.last(), kMessageNumbers.back());
}

TEST(ShippedPacks, EveryPackIsCompleteAgainstEnglish) {
    const std::vector<Pack> packs = shippedPacks();
    const auto english =
        std::find_if(packs.begin(), packs.end(), [](const Pack& p) { return p.file == "english.lng"; });
    ASSERT_NE(english, packs.end());
    std::set<std::string> languages;
    for (const Pack& p : packs) {
        SCOPED_TRACE(p.file);
        EXPECT_EQ(p.file, foldCase(p.file)) << "pack file names are lower-case";
        EXPECT_EQ(p.pack.value("Program"), "Vexilo");
        const std::string language = p.pack.value("Language").value_or("");
        EXPECT_FALSE(language.empty());
        EXPECT_TRUE(languages.insert(language).second) << "display name used twice: " << language;
        std::set<std::string> names, englishNames;
        for (const auto& [name, text] : p.numbered) names.insert(name);
        for (const auto& [name, text] : english->numbered) englishNames.insert(name);
        EXPECT_EQ(names, englishNames);
        EXPECT_EQ(p.numbered.at("I0"), english->numbered.at("I0")) << "the count lines as english.lng's";
        EXPECT_EQ(p.numbered.at("M0"), english->numbered.at("M0"));
        for (const auto& [name, englishText] : english->numbered) {
            auto it = p.numbered.find(name);
            if (it == p.numbered.end()) continue;
            const std::string& text = it->second;
            EXPECT_TRUE(isValidUtf8(text)) << name;
            if (!englishText.empty()) {
                EXPECT_FALSE(text.empty()) << name;
            }
            EXPECT_EQ(placeholders(text), placeholders(englishText)) << name;
            EXPECT_EQ(p.pack.value(name), text) << name << " is longer than 255 characters or repeated";
            EXPECT_EQ(text.find_first_of("\r\t"), std::string::npos) << name;
        }
        for (const auto& menu : kMenus) {
            std::set<char32_t> keys;
            for (int k : menu) {
                const std::string text = p.numbered.at("I" + std::to_string(k));
                const char32_t key = accelerator(text);
                EXPECT_NE(key, 0u) << "I" << k << " has no accelerator: " << text;
                EXPECT_TRUE(keys.insert(key).second) << "I" << k << " repeats an accelerator: " << text;
            }
        }
    }
    EXPECT_GE(packs.size(), 5u);
}

}  // namespace
}  // namespace vexilo
