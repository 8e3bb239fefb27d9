#include "lang/lang_pack.h"

#include <sys/stat.h>

#include <algorithm>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/text.h"

namespace vexilo {

const std::string& LangTextList::at(std::int64_t k) const {
    static const std::string fallback = kLangErrorText;
    static const std::string empty;
    if (k < 0 || k > m_last) return fallback;
    const auto index = static_cast<std::size_t>(k);
    return index < m_entries.size() ? m_entries[index] : empty;
}

LangPack LangPack::parse(std::span<const std::uint8_t> bytes) {
    LangPack pack;
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        // emplace keeps the first line with a name.
        pack.m_values.emplace(foldCase(line.substr(0, eq)), cutToChars(line.substr(eq + 1), kMaxValueChars));
    }
    return pack;
}

std::optional<LangPack> LangPack::readFile(const std::string& path) {
    struct stat st {};
    // Only regular files: a FIFO or device named *.lng must not block or feed us forever.
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    try {
        const std::vector<std::uint8_t> bytes = readFileBytes(path, kMaxFileBytes);
        return parse(bytes);
    } catch (const ImageError&) {
        return std::nullopt;
    }
}

std::optional<std::string> LangPack::value(std::string_view name) const {
    auto it = m_values.find(foldCase(name));
    if (it == m_values.end()) return std::nullopt;
    return it->second;
}

LangTextList LangPack::numberedList(char prefix, const std::string& source) const {
    const std::string countName = std::string(1, prefix) + "0";
    const auto countText = value(countName);
    if (!countText) throw LangError("Language pack \"" + source + "\" has no \"" + countName + "\" line");
    const auto count = parseLangNumber(*countText);
    if (!count)
        throw LangError("Language pack \"" + source + "\": \"" + countName + "=" + *countText +
                        "\" is not a valid integer value");
    const std::int64_t last = *count;
    if (last < 0) return LangTextList(-1, {});
    // Only numbers that have a line are stored, so a huge count costs nothing; the rest of the
    // range answers empty texts.
    const std::string lowerPrefix = foldCase(std::string(1, prefix));
    std::vector<std::pair<std::int64_t, const std::string*>> found;
    std::int64_t highest = -1;
    for (const auto& [name, text] : m_values) {
        if (name.size() < 2 || name.size() > 11 || name.compare(0, 1, lowerPrefix) != 0) continue;
        const std::string_view digits = std::string_view(name).substr(1);
        // "I" followed by k in decimal: "I07" is another name.
        if (digits.size() > 1 && digits[0] == '0') continue;
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
        const std::int64_t k = std::stoll(std::string(digits));
        if (k > last) continue;
        found.emplace_back(k, &text);
        highest = std::max(highest, k);
    }
    std::vector<std::string> entries(static_cast<std::size_t>(highest + 1));
    for (const auto& [k, text] : found) entries[static_cast<std::size_t>(k)] = *text;
    return LangTextList(last, std::move(entries));
}

std::optional<std::int32_t> parseLangNumber(std::string_view text) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > (std::int64_t{1} << 31)) return std::nullopt;
    }
    if (negative) value = -value;
    if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::string formatLangText(std::string_view text, const std::vector<std::string>& args) {
    std::string out;
    std::size_t next = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size()) {
            if (text[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
            if (text[i + 1] == 's' && next < args.size()) {
                out += args[next++];
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

}  // namespace vexilo
