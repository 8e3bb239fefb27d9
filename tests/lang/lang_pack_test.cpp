#include "lang/lang_pack.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/text.h"

namespace vexilo {
namespace {

using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

LangPack packOf(const std::string& text) {
    return LangPack::parse(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::size_t charCount(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s) n += (c & 0xC0) != 0x80;
    return n;
}

TEST(LangText, CutsToCharactersNeverInsideALetter) {
    EXPECT_EQ(cutToChars(std::string(300, 'a'), 255), std::string(255, 'a'));
    EXPECT_EQ(cutToChars("short", 255), "short");

    std::string cyrillic;
    for (int i = 0; i < 300; ++i) cyrillic += "Ж";
    const std::string cut = cutToChars(cyrillic, 255);
    EXPECT_EQ(charCount(cut), 255u);
    EXPECT_TRUE(isValidUtf8(cut));

    // 254 letters, then "e" with a combining acute at 255/256: the accented letter goes whole.
    const std::string accented = std::string(254, 'x') + "e\xCC\x81" + "tail";
    EXPECT_EQ(cutToChars(accented, 255), std::string(254, 'x'));
    EXPECT_EQ(cutToChars(accented, 256), std::string(254, 'x') + "e\xCC\x81");

    // Four-byte letters and stray bytes each count as one character.
    EXPECT_EQ(cutToChars("\xF0\x9F\x98\x80\xF0\x9F\x98\x80", 1), "\xF0\x9F\x98\x80");
    EXPECT_EQ(cutToChars("\xff\xfe\xfd", 2), "\xff\xfe");
    EXPECT_EQ(cutToChars("\xE2\x82", 1), "\xE2");  // a truncated sequence is not one letter
}

TEST(LangText, ComparesNamesWithoutRegardToCase) {
    // Every letter's pair is checked in tests/base/text_test.cpp; here the names as packs give them.
    EXPECT_TRUE(equalsIgnoreCase("Русский", "РУССКИЙ"));
    EXPECT_FALSE(equalsIgnoreCase("Deutsch", "Deutsche"));
    EXPECT_FALSE(equalsIgnoreCase("×", "÷"));  // signs, not letters
    EXPECT_TRUE(isValidUtf8("plain Ünïcødé"));
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(isValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
    EXPECT_EQ(stripAmpersands("&Batch convert && go&"), "Batch convert  go");
    EXPECT_TRUE(hasExtensionIgnoreCase("GERMAN.LNG", ".lng"));
    EXPECT_FALSE(hasExtensionIgnoreCase("german.lng.bak", ".lng"));
}

TEST(LangPack, ReadsNameValueLinesAsTheFormatSays) {
    std::string longValue;
    for (int i = 0; i < 400; ++i) longValue += "ä";
    const LangPack pack = packOf(
        "\xEF\xBB\xBF"  // byte-order mark
        "Program=Vexilo\r\n"
        "[Interface]\n"
        "just a line without the sign\n"
        "I1=First\n"
        "i1=Second with the same name\n"
        "I2= padded \r\n"
        " I3=name with a blank before\n"
        "I4=a=b=c\n"
        "I5=\n"
        "I6=" +
        longValue + "\nI7=" + std::string(255, 'z') +
        "\n"
        "[Messages]\n"
        "program=Other\n"
        "M1=last line without newline");
    std::vector<std::optional<std::string>> values;
    for (const char* name :
         {"Program", "PROGRAM", "I1", "I2", "I3", " I3", "I4", "I5", "I7", "M1", "[Interface]"})
        values.push_back(pack.value(name));
    // The first line with a name counts; blanks stay, the CR of CR LF does not.
    EXPECT_EQ(values, (std::vector<std::optional<std::string>>{
                          "Vexilo", "Vexilo", "First", " padded ", std::nullopt, "name with a blank before",
                          "a=b=c", "", std::string(255, 'z'), "last line without newline", std::nullopt}));
    EXPECT_EQ(charCount(*pack.value("I6")), 255u);  // cut to 255 characters
}

TEST(LangPack, NumberedListTakesCountLineAndNumberedEntries) {
    std::string text = "I0=10\n";
    for (int k = 1; k <= 9; ++k) text += "I" + std::to_string(k) + "=text " + std::to_string(k) + "\n";
    text += "I07=not seven\nI12=beyond the count\nM0=0\n";
    const LangPack pack = packOf(text);
    const LangTextList list = pack.numberedList('I', "test.lng");
    EXPECT_EQ(list.last(), 10);
    // Entry 0 is the count line itself; 10 is within the count without a line.
    EXPECT_EQ((std::vector{list.at(0), list.at(7), list.at(10), list.at(11), list.at(12), list.at(-1)}),
              (std::vector<std::string>{"10", "text 7", "", kLangErrorText, kLangErrorText, kLangErrorText}));

    const LangTextList messages = pack.numberedList('M', "test.lng");
    EXPECT_EQ(messages.at(0), "0");
    EXPECT_EQ(messages.at(1), kLangErrorText);
}

TEST(LangPack, CountLineMissingOrNotANumberIsAnError) {
    EXPECT_THAT([] { (void)packOf("I1=x").numberedList('I', "a.lng"); },
                ThrowsMessage<LangError>(HasSubstr("\"I0\"")));
    for (const char* bad : {"I0=", "I0=ten", "I0=0x10", "I0=12a", "I0=99999999999"})
        EXPECT_THAT([&] { (void)packOf(bad).numberedList('I', "b.lng"); },
                    ThrowsMessage<LangError>(HasSubstr("b.lng")))
            << bad;
    EXPECT_EQ(packOf("M0= 3 ").numberedList('M', "c.lng").last(), 3);
    // A negative count leaves the list empty; a huge one costs only the lines present.
    EXPECT_EQ(packOf("I0=-4\nI1=x").numberedList('I', "d.lng").at(0), kLangErrorText);
    const LangTextList huge = packOf("I0=2147483647\nI5=five").numberedList('I', "e.lng");
    EXPECT_EQ(huge.at(5), "five");
    EXPECT_EQ(huge.at(2147483647), "");
    EXPECT_EQ(parseLangNumber("-0"), 0);
    EXPECT_EQ(parseLangNumber("+"), std::nullopt);
}

TEST(LangPack, FormatsPlaceholders) {
    EXPECT_EQ(formatLangText("Set aside as %s, 100%% safe", {"/x.json"}), "Set aside as /x.json, 100% safe");
    EXPECT_EQ(formatLangText("%s and %s", {"one"}), "one and %s");
    EXPECT_EQ(formatLangText("trailing %", {}), "trailing %");
}

}  // namespace
}  // namespace vexilo
