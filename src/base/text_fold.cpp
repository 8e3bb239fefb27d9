#include "base/text_fold.h"

#include <cwctype>

namespace vexilo::search {

namespace {

// Bytes that do not decode keep their identity in a private range, so that they never
// compare equal to a real character.
constexpr char32_t kRawByteBase = 0x10FF00;

// Decodes one code point at text[i], advancing i; malformed input yields one raw byte.
char32_t decodeAt(std::string_view text, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int extra = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        cp = b0 & 0x07;
    } else {
        ++i;
        return kRawByteBase + b0;
    }
    if (i + static_cast<std::size_t>(extra) >= text.size()) {
        ++i;
        return kRawByteBase + b0;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kRawByteBase + b0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms, surrogates and values past the last code point are not characters.
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kRawByteBase + b0;
    }
    i += static_cast<std::size_t>(extra) + 1;
    return cp;
}

void encode(char32_t cp, std::string& out) {
    if (cp >= kRawByteBase) {
        out.push_back(static_cast<char>(cp - kRawByteBase));
    } else if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char32_t lowerOf(char32_t cp) {
    if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
    if (cp >= kRawByteBase) return cp;
    return static_cast<char32_t>(std::towlower(static_cast<std::wint_t>(cp)));
}

char32_t upperOf(char32_t cp) {
    if (cp < 0x80) return (cp >= 'a' && cp <= 'z') ? cp - 32 : cp;
    if (cp >= kRawByteBase) return cp;
    return static_cast<char32_t>(std::towupper(static_cast<std::wint_t>(cp)));
}

template <typename Map>
std::string mapText(std::string_view text, Map map) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) encode(map(decodeAt(text, i)), out);
    return out;
}

}  // namespace

std::u32string foldedCodePoints(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) out.push_back(lowerOf(decodeAt(text, i)));
    return out;
}

std::string lowerText(std::string_view text) {
    return mapText(text, lowerOf);
}
std::string upperText(std::string_view text) {
    return mapText(text, upperOf);
}

bool sameTextIgnoringCase(std::string_view a, std::string_view b) {
    return foldedCodePoints(a) == foldedCodePoints(b);
}

}  // namespace vexilo::search
