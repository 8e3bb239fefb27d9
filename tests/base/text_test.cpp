#include "base/text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace vexilo {
namespace {

// Code points below U+2000 take at most three bytes.
std::string utf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

TEST(LetterCase, UpperAndLowerAreInversesOnEveryLetterOfTheTable) {
    int letters = 0;
    for (char32_t cp = 0x20; cp < 0x2000; ++cp) {
        if (cp >= 0xD800 && cp <= 0xDFFF) continue;
        const std::string text = utf8(cp), lower = foldCase(text);
        if (lower == text) continue;
        ++letters;
        EXPECT_EQ(upperCase(lower), text) << std::hex << "U+" << static_cast<unsigned>(cp);
        EXPECT_EQ(foldCase(upperCase(lower)), lower);
        EXPECT_TRUE(equalsIgnoreCase(text, lower));
    }
    EXPECT_GT(letters, 400);
    EXPECT_EQ(upperCase("ςσ"), "ΣΣ");  // the final sigma has no capital of its own
}

TEST(LetterCase, TheSameAnswerInEveryLocaleAndStrayBytesStayApart) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(foldCase("ÉTÉ À ŁÓDŹ"), "été à łódź");
    EXPECT_EQ(upperCase("readme.png"), "README.PNG");
    std::setlocale(LC_ALL, saved.c_str());

    // A lone lead byte is kept as itself and never matches a character.
    const std::u32string stray = foldedCodePoints("\xC3"), letter = foldedCodePoints("\xC3\x89");
    ASSERT_EQ(stray.size(), 1u);
    EXPECT_NE(stray, letter);
    EXPECT_EQ(letter, U"\u00E9");
    EXPECT_EQ(foldCase("a\xFF"
                       "B"),
              "a\xFF"
              "b");
}

}  // namespace
}  // namespace vexilo
