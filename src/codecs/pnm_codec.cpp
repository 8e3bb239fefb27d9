#include "codecs/pnm_codec.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

#include "base/errors.h"

namespace vexilo {

namespace {

constexpr const char* kFormat = "PNM";

[[noreturn]] void refuse(const std::string& why) {
    throw DecodeError(std::string("PNM: ") + why);
}

bool isSpace(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> data) : m_data(data) {}

    std::size_t left() const { return m_data.size() - m_pos; }
    std::span<const std::uint8_t> rest() const { return m_data.subspan(m_pos); }
    void skip(std::size_t n) { m_pos += n; }

    // White space and comments ("#" to the end of the line), as the header allows them.
    void skipSpace() {
        while (m_pos < m_data.size()) {
            if (m_data[m_pos] == '#') {
                while (m_pos < m_data.size() && m_data[m_pos] != '\n') ++m_pos;
            } else if (isSpace(m_data[m_pos])) {
                ++m_pos;
            } else {
                return;
            }
        }
    }
    // A decimal number of at most `max`; plain pixel data has no comments between samples.
    std::uint32_t number(std::uint32_t max, const char* what, bool comments = true) {
        if (comments)
            skipSpace();
        else
            while (m_pos < m_data.size() && isSpace(m_data[m_pos])) ++m_pos;
        if (m_pos >= m_data.size() || !std::isdigit(m_data[m_pos])) refuse(std::string("no ") + what);
        std::uint64_t value = 0;
        while (m_pos < m_data.size() && std::isdigit(m_data[m_pos])) {
            value = value * 10 + (m_data[m_pos++] - '0');
            if (value > max) refuse(std::string(what) + " out of range");
        }
        return static_cast<std::uint32_t>(value);
    }
    // One plain-PBM bit: digits may follow each other without white space.
    int bit() {
        while (m_pos < m_data.size() && (isSpace(m_data[m_pos]) || m_data[m_pos] == '#')) skipSpace();
        if (m_pos >= m_data.size()) refuse("pixels cut short");
        const std::uint8_t c = m_data[m_pos++];
        if (c != '0' && c != '1') refuse("bad bit");
        return c - '0';
    }
    // The rest of the line, for the PAM header.
    std::string_view line() {
        const std::size_t start = m_pos;
        while (m_pos < m_data.size() && m_data[m_pos] != '\n') ++m_pos;
        std::string_view text(reinterpret_cast<const char*>(m_data.data()) + start, m_pos - start);
        if (m_pos < m_data.size()) ++m_pos;
        while (!text.empty() && isSpace(static_cast<std::uint8_t>(text.back()))) text.remove_suffix(1);
        return text;
    }

private:
    std::span<const std::uint8_t> m_data;
    std::size_t m_pos = 0;
};

struct Layout {
    std::uint32_t width = 0, height = 0, depth = 0, maxval = 0;
    bool hasAlpha = false;
};

void readPamHeader(Reader& r, Layout& l) {
    bool seenWidth = false, seenHeight = false, seenDepth = false, seenMaxval = false;
    std::string tupleType;
    for (;;) {
        if (r.left() == 0) refuse("no ENDHDR");
        const std::string_view text = r.line();
        std::size_t at = text.find_first_not_of(" \t");
        if (at == std::string_view::npos || text[at] == '#') continue;
        const std::string_view rest = text.substr(at);
        const std::size_t gap = rest.find_first_of(" \t");
        const std::string_view key = rest.substr(0, gap);
        std::string_view value = gap == std::string_view::npos ? std::string_view() : rest.substr(gap);
        value.remove_prefix(std::min(value.find_first_not_of(" \t"), value.size()));
        if (key == "ENDHDR") break;
        const auto numberOf = [&](std::uint32_t max, const char* what) {
            Reader v(std::span(reinterpret_cast<const std::uint8_t*>(value.data()), value.size()));
            return v.number(max, what, false);
        };
        if (key == "WIDTH") {
            l.width = numberOf(0xFFFFFFFFu, "width"), seenWidth = true;
        } else if (key == "HEIGHT") {
            l.height = numberOf(0xFFFFFFFFu, "height"), seenHeight = true;
        } else if (key == "DEPTH") {
            l.depth = numberOf(4, "depth"), seenDepth = true;
        } else if (key == "MAXVAL") {
            l.maxval = numberOf(65535, "maximum value"), seenMaxval = true;
        } else if (key == "TUPLTYPE") {
            tupleType = std::string(value);
        } else {
            refuse("unknown header line");
        }
    }
    if (!seenWidth || !seenHeight || !seenDepth || !seenMaxval) refuse("header incomplete");
    if (l.depth == 0 || l.maxval == 0) refuse("bad depth or maximum value");
    l.hasAlpha = l.depth == 2 || l.depth == 4;
    if (tupleType.rfind("BLACKANDWHITE", 0) == 0 && l.maxval != 1) refuse("black and white needs maximum 1");
}

// A sample scaled from 0..maxval to 0..255, rounded.
std::uint8_t scale(std::uint32_t value, std::uint32_t maxval) {
    if (value > maxval) value = maxval;
    return static_cast<std::uint8_t>((value * 255u + maxval / 2) / maxval);
}

}  // namespace

bool looksLikePnm(std::span<const std::uint8_t> head) {
    return head.size() >= 3 && head[0] == 'P' && head[1] >= '1' && head[1] <= '7' && isSpace(head[2]);
}

AlphaImage decodePnm(std::span<const std::uint8_t> data, const DecodeLimits& limits) {
    if (!looksLikePnm(data)) refuse("not a portable anymap");
    const char type = static_cast<char>(data[1]);
    Reader r(data);
    r.skip(2);
    Layout l;
    if (type == '7') {
        r.line();
        readPamHeader(r, l);
    } else {
        l.width = r.number(0xFFFFFFFFu, "width");
        l.height = r.number(0xFFFFFFFFu, "height");
        const bool bitmap = type == '1' || type == '4';
        l.maxval = bitmap ? 1 : r.number(65535, "maximum value");
        if (l.maxval == 0) refuse("maximum value 0");
        l.depth = type == '3' || type == '6' ? 3 : 1;
        // Exactly one white-space byte separates a raw header from its pixels.
        if (type >= '4') {
            if (r.left() == 0 || !isSpace(r.rest()[0])) refuse("no pixels");
            r.skip(1);
        }
    }
    checkDimensions(kFormat, l.width, l.height, limits);
    const std::uint64_t pixels = std::uint64_t{l.width} * l.height;
    const std::uint64_t samples = pixels * l.depth;
    const bool plain = type >= '1' && type <= '3';
    const unsigned sampleBytes = l.maxval > 255 ? 2 : 1;
    // Refused before anything is allocated: every plain sample takes at least one byte.
    const std::uint64_t needed = plain         ? samples
                                 : type == '4' ? (std::uint64_t{l.width} + 7) / 8 * l.height
                                               : samples * sampleBytes;
    if (needed > r.left()) refuse("pixels cut short");

    AlphaImage image;
    image.color.resetForOverwrite(static_cast<int>(l.width), static_cast<int>(l.height), PixelFormat::Device);
    if (l.hasAlpha) image.alpha.resize(static_cast<std::size_t>(pixels));
    auto& words = image.color.pixels();
    const std::span<const std::uint8_t> raw = r.rest();
    std::size_t at = 0;
    const auto rawSample = [&]() -> std::uint32_t {
        if (sampleBytes == 1) return raw[at++];
        const std::uint32_t v = (std::uint32_t{raw[at]} << 8) | raw[at + 1];
        at += 2;
        return v;
    };
    const auto sample = [&]() -> std::uint32_t {
        return plain ? r.number(65535, "sample", false) : rawSample();
    };
    for (std::uint32_t y = 0; y < l.height; ++y) {
        const std::size_t rowStart = static_cast<std::size_t>(y) * l.width;
        for (std::uint32_t x = 0; x < l.width; ++x) {
            std::uint8_t c[4] = {0, 0, 0, 255};
            if (type == '1' || type == '4') {
                const int bit = type == '1' ? r.bit() : (raw[at + x / 8] >> (7 - x % 8)) & 1;
                c[0] = c[1] = c[2] = bit ? 0 : 255;
            } else {
                for (std::uint32_t s = 0; s < l.depth; ++s) c[s] = scale(sample(), l.maxval);
                if (l.depth <= 2) {
                    c[3] = l.depth == 2 ? c[1] : 255;
                    c[1] = c[2] = c[0];
                }
            }
            words[rowStart + x] = (std::uint32_t{c[0]} << 16) | (std::uint32_t{c[1]} << 8) | c[2];
            if (l.hasAlpha) image.alpha[rowStart + x] = c[3];
        }
        if (type == '4') at += (l.width + 7) / 8;
    }
    return image;
}

}  // namespace vexilo
