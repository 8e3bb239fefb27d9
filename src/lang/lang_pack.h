#pragma once
// Language pack files: UTF-8 text, one "name=value" entry per line. Lines without "=" (section
// headers such as "[Interface]") are ignored and so are sections: a name is found anywhere in the
// file, the first line with it counting, names compared without regard to letter case. Blanks
// around names and values are kept; only the line ending (LF or CR LF) and a leading byte-order
// mark are dropped. Values are cut to 255 characters, never inside a letter.
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vexilo {

// Raised while loading a pack whose "I0" or "M0" line is missing or not a number.
class LangError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What every lookup beyond the end of a list answers.
inline constexpr const char* kLangErrorText = "Error in language pak";

// One numbered list of a pack: entries 0 (the count line itself) to last. Entries past the
// stored ones but not past last are empty texts.
class LangTextList {
public:
    LangTextList() = default;
    LangTextList(std::int64_t last, std::vector<std::string> entries)
        : m_last(last), m_entries(std::move(entries)) {}
    // Entry k; kLangErrorText when k is below 0 or beyond the last entry.
    const std::string& at(std::int64_t k) const;
    // The number of the last entry; -1 when the list is empty.
    std::int64_t last() const { return m_last; }

private:
    std::int64_t m_last = -1;
    std::vector<std::string> m_entries;
};

class LangPack {
public:
    static constexpr std::size_t kMaxValueChars = 255;
    // No real pack comes near this; larger files are not read at all.
    static constexpr std::uint64_t kMaxFileBytes = std::uint64_t{4} << 20;

    // Never throws; any bytes make some pack (possibly without entries).
    static LangPack parse(std::span<const std::uint8_t> bytes);
    // The pack in the file; nullopt when it is not a regular file that can be read or is larger
    // than kMaxFileBytes.
    static std::optional<LangPack> readFile(const std::string& path);

    // The value of the first line with this name, compared without regard to letter case.
    std::optional<std::string> value(std::string_view name) const;

    // The list named by prefix ('I' interface texts, 'M' messages): the count line prefix + "0"
    // gives the last number n, then entry k is the line prefix + k in decimal. Throws LangError
    // (naming the pack `source`) when the count line is missing or not a decimal number.
    LangTextList numberedList(char prefix, const std::string& source) const;

private:
    std::unordered_map<std::string, std::string> m_values;  // case-folded name -> value
};

// Parses the count of a list: optional blanks, optional sign, decimal digits, optional blanks,
// within 32 bits. nullopt otherwise.
std::optional<std::int32_t> parseLangNumber(std::string_view text);

// Replaces each "%s" of text by the next argument in turn and "%%" by "%"; a "%s" without an
// argument left stays as it is. For the message texts that carry a placeholder.
std::string formatLangText(std::string_view text, const std::vector<std::string>& args);

}  // namespace vexilo
