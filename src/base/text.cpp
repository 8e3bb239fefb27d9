#include "base/text.h"

#include <cstdint>
#include <vector>

namespace vexilo {

namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes the sequence at text[pos]; answers the code point (kInvalid for a malformed sequence)
// and its length in bytes (1 for a malformed one, so a stray byte is one character).
char32_t decodeAt(std::string_view text, std::size_t pos, std::size_t& length) {
    const auto b0 = static_cast<unsigned char>(text[pos]);
    length = 1;
    if (b0 < 0x80) return b0;
    std::size_t need = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        need = 1;
        cp = b0 & 0x1Fu;
        minimum = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        need = 2;
        cp = b0 & 0x0Fu;
        minimum = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        need = 3;
        cp = b0 & 0x07u;
        minimum = 0x10000;
    } else {
        return kInvalid;
    }
    if (need > text.size() - pos - 1) return kInvalid;
    for (std::size_t i = 1; i <= need; ++i) {
        const auto b = static_cast<unsigned char>(text[pos + i]);
        if ((b & 0xC0) != 0x80) return kInvalid;
        cp = (cp << 6) | (b & 0x3Fu);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kInvalid;
    length = need + 1;
    return cp;
}

void encode(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool isCombiningMark(char32_t cp) {
    return (cp >= 0x0300 && cp <= 0x036F) || (cp >= 0x0483 && cp <= 0x0489) ||
           (cp >= 0x1AB0 && cp <= 0x1AFF) || (cp >= 0x1DC0 && cp <= 0x1DFF) ||
           (cp >= 0x20D0 && cp <= 0x20FF) || (cp >= 0xFE20 && cp <= 0xFE2F);
}

// Upper-case letters whose lower-case partner is the next code point.
bool isEvenOddPair(char32_t cp) {
    return (cp >= 0x0100 && cp <= 0x0137) || (cp >= 0x014A && cp <= 0x0177) ||
           (cp >= 0x0460 && cp <= 0x0481) || (cp >= 0x048A && cp <= 0x04BF) ||
           (cp >= 0x04D0 && cp <= 0x052F) || (cp >= 0x1E00 && cp <= 0x1E95) || (cp >= 0x1EA0 && cp <= 0x1EFF);
}

// Upper-case letters on odd code points whose lower-case partner is the next one.
bool isOddEvenPair(char32_t cp) {
    return (cp >= 0x0139 && cp <= 0x0148) || (cp >= 0x0179 && cp <= 0x017E) || (cp >= 0x04C1 && cp <= 0x04CE);
}

char32_t lowerCase(char32_t cp) {
    if (cp >= 'A' && cp <= 'Z') return cp + 0x20;
    if (cp < 0xC0) return cp;
    if (cp <= 0xDE) return cp == 0xD7 ? cp : cp + 0x20;
    if (isEvenOddPair(cp)) return (cp % 2 == 0) ? cp + 1 : cp;
    if (isOddEvenPair(cp)) return (cp % 2 == 1) ? cp + 1 : cp;
    if (cp == 0x0178) return 0xFF;
    if (cp >= 0x0391 && cp <= 0x03AB && cp != 0x03A2) return cp + 0x20;
    if (cp == 0x0386) return 0x03AC;
    if (cp >= 0x0388 && cp <= 0x038A) return cp + 37;
    if (cp == 0x038C) return 0x03CC;
    if (cp == 0x038E || cp == 0x038F) return cp + 63;
    if (cp >= 0x0410 && cp <= 0x042F) return cp + 0x20;
    if (cp >= 0x0400 && cp <= 0x040F) return cp + 0x50;
    if (cp == 0x04C0) return 0x04CF;
    if (cp >= 0x0531 && cp <= 0x0556) return cp + 0x30;
    return cp;
}

// The inverse of lowerCase on the same letters.
char32_t upperCase(char32_t cp) {
    if (cp >= 'a' && cp <= 'z') return cp - 0x20;
    if (cp < 0xE0) return cp;
    if (cp <= 0xFE) return cp == 0xF7 ? cp : cp - 0x20;
    if (cp == 0xFF) return 0x0178;
    if (cp % 2 == 1 && isEvenOddPair(cp - 1)) return cp - 1;
    if (cp % 2 == 0 && isOddEvenPair(cp - 1)) return cp - 1;
    if (cp >= 0x03B1 && cp <= 0x03CB) return cp == 0x03C2 ? 0x03A3 : cp - 0x20;
    if (cp == 0x03AC) return 0x0386;
    if (cp >= 0x03AD && cp <= 0x03AF) return cp - 37;
    if (cp == 0x03CC) return 0x038C;
    if (cp == 0x03CD || cp == 0x03CE) return cp - 63;
    if (cp >= 0x0430 && cp <= 0x044F) return cp - 0x20;
    if (cp >= 0x0450 && cp <= 0x045F) return cp - 0x50;
    if (cp == 0x04CF) return 0x04C0;
    if (cp >= 0x0561 && cp <= 0x0586) return cp - 0x30;
    return cp;
}

// Calls visit(code point, first byte) for each character; a malformed byte comes as kInvalid.
template <typename Visit>
void forEachCharacter(std::string_view text, Visit visit) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t length = 0;
        const char32_t cp = decodeAt(text, pos, length);
        visit(cp, text[pos]);
        pos += length;
    }
}

// Writes text with every letter mapped; a malformed byte passes through unchanged.
std::string mapLetters(std::string_view text, char32_t (*map)(char32_t)) {
    std::string out;
    out.reserve(text.size());
    forEachCharacter(text, [&](char32_t cp, char byte) {
        if (cp == kInvalid)
            out += byte;
        else
            encode(map(cp), out);
    });
    return out;
}

// Bytes that do not decode keep their identity in a private range, so that they never compare
// equal to a real character.
constexpr char32_t kRawByteBase = 0x10FF00;

}  // namespace

bool isValidUtf8(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t length = 0;
        if (decodeAt(text, pos, length) == kInvalid) return false;
        pos += length;
    }
    return true;
}

std::string cutToChars(std::string_view text, std::size_t maxChars) {
    // Fast path: byte count bounds the character count.
    if (text.size() <= maxChars) return std::string(text);
    std::vector<std::size_t> starts;
    std::vector<char32_t> points;
    std::size_t pos = 0;
    while (pos < text.size() && starts.size() <= maxChars) {
        std::size_t length = 0;
        const char32_t cp = decodeAt(text, pos, length);
        starts.push_back(pos);
        points.push_back(cp);
        pos += length;
    }
    if (starts.size() <= maxChars) return std::string(text);  // fewer characters than the limit
    // starts[maxChars] is the first character left out; it must not be a mark of a kept letter.
    std::size_t keep = maxChars;
    if (isCombiningMark(points[keep])) {
        while (keep > 0 && isCombiningMark(points[keep])) --keep;
        // points[keep] is the letter that owns the marks being dropped: drop it as well.
    }
    return std::string(text.substr(0, starts[keep]));
}

std::string foldCase(std::string_view text) {
    return mapLetters(text, lowerCase);
}

std::string upperCase(std::string_view text) {
    return mapLetters(text, upperCase);
}

std::u32string foldedCodePoints(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    forEachCharacter(text, [&](char32_t cp, char byte) {
        out.push_back(cp == kInvalid ? kRawByteBase + static_cast<unsigned char>(byte) : lowerCase(cp));
    });
    return out;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    return foldCase(a) == foldCase(b);
}

std::string stripAmpersands(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '&') out += c;
    return out;
}

bool hasExtensionIgnoreCase(std::string_view name, std::string_view ext) {
    if (name.size() < ext.size()) return false;
    const std::string_view tail = name.substr(name.size() - ext.size());
    for (std::size_t i = 0; i < ext.size(); ++i) {
        char a = tail[i], b = ext[i];
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a + 32);
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b + 32);
        if (a != b) return false;
    }
    return true;
}

}  // namespace vexilo
