#include "codecs/ani_cursor.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "base/errors.h"
#include "codecs/pe_icons.h"

namespace vexilo {

namespace {

// Real cursors have a few dozen frames; these bounds keep a hostile header from asking for
// memory before the chunks that would back it are read.
constexpr std::uint32_t kMaxFrames = 4096;
constexpr std::uint32_t kMaxSteps = 65536;
constexpr std::uint32_t kAfIcon = 1, kAfSequence = 2;

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

bool isId(std::span<const std::uint8_t> b, std::size_t at, const char* id) {
    return std::memcmp(b.data() + at, id, 4) == 0;
}

[[noreturn]] void fail(const std::string& what) {
    throw DecodeError("ANI: " + what);
}

struct Chunk {
    std::span<const std::uint8_t> id;  // 4 bytes
    std::span<const std::uint8_t> data;
};

// The chunks of a RIFF body in order, each size checked against the bytes left. A missing pad
// byte after the last chunk is tolerated.
std::vector<Chunk> chunksOf(std::span<const std::uint8_t> body) {
    std::vector<Chunk> out;
    std::size_t at = 0;
    while (body.size() - at >= 8) {
        const std::uint32_t size = le32(body, at + 4);
        if (size > body.size() - at - 8)
            fail("a chunk of " + std::to_string(size) + " bytes runs past the end of the file");
        out.push_back({body.subspan(at, 4), body.subspan(at + 8, size)});
        at += 8 + std::size_t{size};
        at += std::min<std::size_t>(size & 1u, body.size() - at);
    }
    return out;
}

bool named(const Chunk& c, const char* id) {
    return std::memcmp(c.id.data(), id, 4) == 0;
}

struct Parsed {
    std::optional<std::span<const std::uint8_t>> header;
    std::optional<std::span<const std::uint8_t>> rates, sequence;
    std::vector<std::span<const std::uint8_t>> icons;
};

Parsed parse(std::span<const std::uint8_t> file) {
    if (!looksLikeAni(file)) fail("not a RIFF ACON file");
    // The RIFF size is often wrong in the wild; the file's own length bounds the body.
    const std::size_t bodySize = std::min<std::size_t>(le32(file, 4), file.size() - 8);
    if (bodySize < 4) fail("an empty RIFF body");
    Parsed p;
    for (const Chunk& c : chunksOf(file.subspan(12, bodySize - 4))) {
        if (named(c, "anih")) {
            p.header = c.data;
        } else if (named(c, "rate")) {
            p.rates = c.data;
        } else if (named(c, "seq ")) {
            p.sequence = c.data;
        } else if (named(c, "LIST") && c.data.size() >= 4 && isId(c.data, 0, "fram")) {
            for (const Chunk& f : chunksOf(c.data.subspan(4))) {
                if (!named(f, "icon")) continue;
                if (p.icons.size() >= kMaxFrames) fail("more than " + std::to_string(kMaxFrames) + " frames");
                p.icons.push_back(f.data);
            }
        }
    }
    if (!p.header || p.header->size() < 36) fail("no animation header");
    if (p.icons.empty()) fail("no frames");
    return p;
}

}  // namespace

bool looksLikeAni(std::span<const std::uint8_t> file) {
    return file.size() >= 12 && isId(file, 0, "RIFF") && isId(file, 8, "ACON");
}

std::span<const std::uint8_t> aniFirstIconChunk(std::span<const std::uint8_t> file) {
    return parse(file).icons.front();
}

AniCursor decodeAniCursor(std::span<const std::uint8_t> file, const DecodeLimits& limits) {
    const Parsed p = parse(file);
    const auto header = *p.header;
    const std::uint32_t frames = le32(header, 4), flags = le32(header, 32);
    std::uint32_t steps = le32(header, 8);
    const std::uint32_t defaultJiffies = le32(header, 28);
    if ((flags & kAfIcon) == 0) fail("frames that are raw bitmaps are not supported");
    if (frames == 0 || frames > kMaxFrames) fail("a frame count of " + std::to_string(frames));
    if (frames > p.icons.size())
        fail(std::to_string(frames) + " frames announced, " + std::to_string(p.icons.size()) + " present");
    const bool sequenced = (flags & kAfSequence) != 0 && p.sequence;
    if (!sequenced) steps = frames;
    if (steps == 0 || steps > kMaxSteps) fail("a step count of " + std::to_string(steps));
    if (sequenced && p.sequence->size() / 4 < steps) fail("the sequence is shorter than the step count");

    AniCursor out;
    out.sequence.reserve(steps);
    out.delaysMs.reserve(steps);
    const bool rated = p.rates && p.rates->size() / 4 >= steps;
    for (std::uint32_t i = 0; i < steps; ++i) {
        const std::uint32_t frame = sequenced ? le32(*p.sequence, 4 * std::size_t{i}) : i;
        if (frame >= frames) fail("step " + std::to_string(i) + " names frame " + std::to_string(frame));
        // A rate of 0 would spin; one jiffy is the shortest a cursor shows.
        const std::uint32_t jiffies = std::clamp<std::uint32_t>(
            rated ? le32(*p.rates, 4 * std::size_t{i}) : defaultJiffies, 1, 60 * 60);
        out.sequence.push_back(static_cast<int>(frame));
        out.delaysMs.push_back(static_cast<int>((jiffies * 1000 + 30) / 60));
    }

    std::uint64_t pixels = 0;
    out.frames.reserve(frames);
    for (std::uint32_t i = 0; i < frames; ++i) {
        auto icon = extractFileIcon(p.icons[i], 0, 0, limits, IconImageChoice::Largest);
        if (!icon) fail("frame " + std::to_string(i) + " cannot be decoded");
        pixels += static_cast<std::uint64_t>(icon->width()) * static_cast<std::uint64_t>(icon->height());
        if (pixels > limits.maxPixels) throw LimitError("ANI: the frames together exceed the pixel limit");
        out.frames.push_back(std::move(*icon));
    }
    return out;
}

}  // namespace vexilo
