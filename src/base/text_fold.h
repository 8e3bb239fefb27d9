#pragma once
// Letter case for file names and masks. Names are bytes, usually UTF-8: they are decoded into
// code points (a byte that is not valid UTF-8 stands for itself, kept apart from real
// characters) and folded with the current C locale's rules, so non-ASCII letters fold wherever
// the program runs with a UTF-8 locale.
#include <string>
#include <string_view>

namespace vexilo::search {

// Code points of the text, lower-cased; the form masks and names are matched in.
std::u32string foldedCodePoints(std::string_view text);

// The text lower-cased or upper-cased with the locale's rules; bytes that are not valid UTF-8
// are kept unchanged.
std::string lowerText(std::string_view text);
std::string upperText(std::string_view text);

// True when both texts are the same apart from letter case.
bool sameTextIgnoringCase(std::string_view a, std::string_view b);

}  // namespace vexilo::search
