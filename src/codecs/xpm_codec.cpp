#include "codecs/xpm_codec.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "base/errors.h"

namespace vexilo {

namespace {

constexpr const char* kFormat = "XPM";
constexpr std::uint32_t kMaxCharsPerPixel = 8;

[[noreturn]] void refuse(const std::string& why) {
    throw DecodeError(std::string("XPM: ") + why);
}

// The quoted strings of the text in order, comments skipped. Stops after `wanted` strings.
std::vector<std::string_view> quotedStrings(std::string_view text, std::size_t wanted) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < text.size() && out.size() < wanted) {
        if (text.compare(i, 2, "/*") == 0) {
            const std::size_t end = text.find("*/", i + 2);
            if (end == std::string_view::npos) break;
            i = end + 2;
        } else if (text[i] == '"') {
            const std::size_t end = text.find('"', i + 1);
            if (end == std::string_view::npos) refuse("unterminated string");
            out.push_back(text.substr(i + 1, end - i - 1));
            i = end + 1;
        } else {
            ++i;
        }
    }
    return out;
}

std::vector<std::string_view> words(std::string_view s) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
        const std::size_t start = i;
        while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i]))) ++i;
        if (i > start) out.push_back(s.substr(start, i - start));
    }
    return out;
}

std::optional<std::uint32_t> number(std::string_view s) {
    if (s.empty() || s.size() > 9) return std::nullopt;
    std::uint32_t v = 0;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        v = v * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return v;
}

std::string lower(std::string_view s) {
    std::string out;
    for (char c : s)
        if (c != ' ') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The colour names drawings use most; "grayN"/"greyN" are computed.
std::optional<Color> namedColor(const std::string& name) {
    static const std::unordered_map<std::string, Color> names = {
        {"black", {0, 0, 0}},           {"white", {255, 255, 255}},
        {"red", {255, 0, 0}},           {"green", {0, 255, 0}},
        {"blue", {0, 0, 255}},          {"yellow", {255, 255, 0}},
        {"cyan", {0, 255, 255}},        {"magenta", {255, 0, 255}},
        {"gray", {190, 190, 190}},      {"grey", {190, 190, 190}},
        {"darkgray", {169, 169, 169}},  {"darkgrey", {169, 169, 169}},
        {"lightgray", {211, 211, 211}}, {"lightgrey", {211, 211, 211}},
        {"orange", {255, 165, 0}},      {"brown", {165, 42, 42}},
        {"purple", {160, 32, 240}},     {"pink", {255, 192, 203}},
        {"navy", {0, 0, 128}},          {"maroon", {176, 48, 96}},
        {"gold", {255, 215, 0}},        {"darkred", {139, 0, 0}},
        {"darkgreen", {0, 100, 0}},     {"darkblue", {0, 0, 139}},
        {"lightblue", {173, 216, 230}}, {"lightyellow", {255, 255, 224}},
        {"violet", {238, 130, 238}},    {"beige", {245, 245, 220}},
        {"wheat", {245, 222, 179}},     {"tan", {210, 180, 140}},
        {"khaki", {240, 230, 140}},     {"salmon", {250, 128, 114}},
        {"coral", {255, 127, 80}},      {"tomato", {255, 99, 71}},
        {"orchid", {218, 112, 214}},    {"plum", {221, 160, 221}},
        {"turquoise", {64, 224, 208}},  {"skyblue", {135, 206, 235}},
        {"steelblue", {70, 130, 180}},  {"slategray", {112, 128, 144}},
        {"slategrey", {112, 128, 144}}, {"dimgray", {105, 105, 105}},
        {"dimgrey", {105, 105, 105}},   {"silver", {192, 192, 192}},
        {"ivory", {255, 255, 240}},     {"snow", {255, 250, 250}},
        {"gainsboro", {220, 220, 220}}, {"forestgreen", {34, 139, 34}},
    };
    if (const auto it = names.find(name); it != names.end()) return it->second;
    for (const std::string_view prefix : {"gray", "grey"}) {
        if (name.rfind(prefix, 0) != 0) continue;
        const auto percent = number(std::string_view(name).substr(prefix.size()));
        if (percent && *percent <= 100) {
            const auto v = static_cast<std::uint8_t>((*percent * 255 + 50) / 100);
            return Color{v, v, v};
        }
    }
    return std::nullopt;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "#RGB", "#RRGGBB", "#RRRGGGBBB" or "#RRRRGGGGBBBB": the top eight bits of each channel.
std::optional<Color> hexColor(std::string_view s) {
    if (s.empty() || s[0] != '#') return std::nullopt;
    s.remove_prefix(1);
    if (s.empty() || s.size() % 3 != 0 || s.size() > 12) return std::nullopt;
    const std::size_t n = s.size() / 3;
    std::array<std::uint8_t, 3> c{};
    for (std::size_t ch = 0; ch < 3; ++ch) {
        std::uint32_t v = 0;
        for (std::size_t k = 0; k < n; ++k) {
            const int d = hexDigit(s[ch * n + k]);
            if (d < 0) return std::nullopt;
            v = v * 16 + static_cast<std::uint32_t>(d);
        }
        // Scale n hex digits to 8 bits.
        c[ch] = n == 1 ? static_cast<std::uint8_t>(v * 17) : static_cast<std::uint8_t>(v >> (4 * (n - 2)));
    }
    return Color{c[0], c[1], c[2]};
}

// A pixel's word and alpha; alpha 0 marks "None".
struct Entry {
    std::uint32_t word = 0;
    std::uint8_t alpha = 255;
};

// The colour of a colour line's keys: c before g, g4 and m; an unknown name is black.
Entry colorOfLine(std::string_view keys) {
    const std::vector<std::string_view> w = words(keys);
    static constexpr std::array<std::string_view, 4> preference{"c", "g", "g4", "m"};
    static constexpr std::array<std::string_view, 5> allKeys{"c", "g", "g4", "m", "s"};
    for (const std::string_view wanted : preference) {
        for (std::size_t i = 0; i < w.size(); ++i) {
            if (w[i] != wanted) continue;
            // The value runs to the next key: names may hold spaces ("dark slate grey").
            std::string value;
            for (std::size_t j = i + 1; j < w.size(); ++j) {
                if (std::find(allKeys.begin(), allKeys.end(), w[j]) != allKeys.end()) break;
                value += w[j];
            }
            const std::string name = lower(value);
            if (name == "none") return {0, 0};
            const std::optional<Color> c = hexColor(value) ? hexColor(value) : namedColor(name);
            const Color col = c.value_or(kBlack);
            return {(std::uint32_t{col.r} << 16) | (std::uint32_t{col.g} << 8) | col.b, 255};
        }
    }
    return {};
}

}  // namespace

bool looksLikeXpm(std::span<const std::uint8_t> head) {
    const std::string_view text(reinterpret_cast<const char*>(head.data()), head.size());
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    return start != std::string_view::npos && text.compare(start, 9, "/* XPM */") == 0;
}

AlphaImage decodeXpm(std::span<const std::uint8_t> data, const DecodeLimits& limits) {
    if (!looksLikeXpm(data)) refuse("not an XPM picture");
    const std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    const std::vector<std::string_view> header = quotedStrings(text, 1);
    if (header.empty()) refuse("no values line");
    const std::vector<std::string_view> values = words(header[0]);
    if (values.size() < 4) refuse("values line too short");
    const auto width = number(values[0]), height = number(values[1]);
    const auto colors = number(values[2]), cpp = number(values[3]);
    if (!width || !height || !colors || !cpp) refuse("bad values line");
    if (*cpp == 0 || *cpp > kMaxCharsPerPixel) refuse("bad characters per pixel");
    checkDimensions(kFormat, *width, *height, limits);
    // Refused before anything is allocated: every colour and every pixel needs its characters.
    const std::uint64_t rowBytes = std::uint64_t{*width} * *cpp;
    if (std::uint64_t{*colors} * *cpp + rowBytes * *height > data.size()) refuse("text cut short");
    if (*colors == 0) refuse("no colours");

    const std::vector<std::string_view> lines = quotedStrings(text, 1 + std::size_t{*colors} + *height);
    if (lines.size() < 1 + std::size_t{*colors} + *height) refuse("text cut short");
    std::unordered_map<std::string_view, Entry> table;
    table.reserve(*colors);
    bool anyTransparent = false;
    for (std::uint32_t i = 0; i < *colors; ++i) {
        const std::string_view line = lines[1 + i];
        if (line.size() < *cpp) refuse("colour line too short");
        const Entry e = colorOfLine(line.substr(*cpp));
        anyTransparent = anyTransparent || e.alpha == 0;
        table.emplace(line.substr(0, *cpp), e);
    }

    AlphaImage image;
    image.color.resetForOverwrite(static_cast<int>(*width), static_cast<int>(*height), PixelFormat::Device);
    if (anyTransparent) image.alpha.assign(std::size_t{*width} * *height, 255);
    auto& words = image.color.pixels();
    for (std::uint32_t y = 0; y < *height; ++y) {
        const std::string_view row = lines[1 + *colors + y];
        if (row.size() < rowBytes) refuse("pixel row too short");
        for (std::uint32_t x = 0; x < *width; ++x) {
            const auto it = table.find(row.substr(std::size_t{x} * *cpp, *cpp));
            if (it == table.end()) refuse("pixel of an undefined colour");
            const std::size_t at = std::size_t{y} * *width + x;
            words[at] = it->second.word;
            if (anyTransparent) image.alpha[at] = it->second.alpha;
        }
    }
    return image;
}

}  // namespace vexilo
