#pragma once
// Small text helpers for language packs and stored settings: UTF-8 checks, cutting a value to a
// number of characters without splitting a letter, case-insensitive comparison of display names
// and the removal of menu accelerators.
#include <cstddef>
#include <string>
#include <string_view>

namespace vexilo {

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, nothing past U+10FFFF).
bool isValidUtf8(std::string_view text);

// The first maxChars characters of text. A character is one UTF-8 sequence (a stray byte counts
// as one). When the cut would separate a letter from the combining marks that follow it, the
// letter goes too, so no letter is ever shown without its accent.
std::string cutToChars(std::string_view text, std::size_t maxChars);

// Letter case. There is one rule for settings keys, language pack names, file masks, file names
// and sort keys: a fixed table of the ASCII, Latin-1, Latin Extended-A, Latin Extended Additional,
// Greek, Cyrillic and Armenian letters. It does not follow the C locale, so a stored key, a mask
// and a sort order give the same answer on every machine, whatever language the program runs in.
// Bytes that are not valid UTF-8 pass through unchanged.
std::string foldCase(std::string_view text);   // lower case
std::string upperCase(std::string_view text);  // upper case, the inverse on the same letters
bool equalsIgnoreCase(std::string_view a, std::string_view b);

// The code points of the text in lower case, the form masks and names are matched in. A byte that
// is not valid UTF-8 stands for itself, kept apart from every real character.
std::u32string foldedCodePoints(std::string_view text);

// Removes every "&" (the accelerator marker) from a caption, as toolbar hints, dialog buttons and
// some tabs need.
std::string stripAmpersands(std::string_view text);

// True when name ends with ext, compared without regard to ASCII letter case ("GERMAN.LNG").
bool hasExtensionIgnoreCase(std::string_view name, std::string_view ext);

}  // namespace vexilo
