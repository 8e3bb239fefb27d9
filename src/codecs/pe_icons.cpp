// Reads icon resources from PE32/PE32+ files (any machine type, resources in any language) and
// 16-bit NE files, and the images of .cur and .ico files. The resource tree is walked exactly
// three levels deep (type, name, language), so a directory that points back at itself cannot
// loop. Lenient: a group entry or image that is damaged or names a missing resource is skipped,
// and a group directory longer than its resource keeps the entries that fit.
#include "codecs/pe_icons.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>
#include <string>

#include "base/errors.h"
#include "codecs/ani_cursor.h"
#include "codecs/icon_file.h"
#include "codecs/png_codec.h"

namespace vexilo {

namespace {

constexpr std::uint32_t kRtIcon = 3, kRtGroupIcon = 14;
constexpr std::uint16_t kNeRtIcon = 0x8003, kNeRtGroupIcon = 0x800E;
constexpr std::uint32_t kHighBit = 0x80000000u;

[[noreturn]] void fail(const std::string& what) {
    throw DecodeError("PE: " + what);
}

std::uint16_t get16(std::span<const std::uint8_t> d, std::size_t at) {
    return static_cast<std::uint16_t>(d[at] | (d[at + 1] << 8));
}
std::uint32_t get32(std::span<const std::uint8_t> d, std::size_t at) {
    return std::uint32_t{d[at]} | (std::uint32_t{d[at + 1]} << 8) | (std::uint32_t{d[at + 2]} << 16) |
           (std::uint32_t{d[at + 3]} << 24);
}
std::uint32_t get32be(std::span<const std::uint8_t> d, std::size_t at) {
    return (std::uint32_t{d[at]} << 24) | (std::uint32_t{d[at + 1]} << 16) | (std::uint32_t{d[at + 2]} << 8) |
           std::uint32_t{d[at + 3]};
}

// Planes times bits per pixel, or 0 when that is no real depth (the fields come from the file).
int depthOf(int planes, int bits) {
    const std::int64_t d = std::int64_t{std::max(planes, 1)} * bits;
    return d > 0 && d <= 32 ? static_cast<int>(d) : 0;
}

// Size and depth from the image's own header; the directory's values when it cannot be read.
IconImageRef describeImage(std::span<const std::uint8_t> data, int dirWidth, int dirHeight, int dirBits) {
    IconImageRef ref;
    ref.data = data;
    ref.width = dirWidth == 0 ? 256 : dirWidth;
    ref.height = dirHeight == 0 ? 256 : dirHeight;
    ref.bits = dirBits;
    constexpr std::array<std::uint8_t, 8> png{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    auto clampSide = [](std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, 0, 1 << 20)); };
    if (data.size() >= 26 && std::equal(png.begin(), png.end(), data.begin())) {
        ref.width = clampSide(get32be(data, 16));
        ref.height = clampSide(get32be(data, 20));
        const int depth = data[24];
        const int channels = std::max(pngChannelCount(data[25]), 1);
        ref.bits = std::min(depth * channels, 32);
    } else if (data.size() >= 16) {
        const std::uint32_t headerSize = get32(data, 0);
        if (headerSize == 12) {
            ref.width = get16(data, 4);
            ref.height = get16(data, 6) / 2;
            ref.bits = get16(data, 10);
        } else if (headerSize >= 16) {
            ref.width = clampSide(std::llabs(static_cast<std::int32_t>(get32(data, 4))));
            ref.height = clampSide(std::llabs(static_cast<std::int32_t>(get32(data, 8))) / 2);
            ref.bits = depthOf(get16(data, 12), get16(data, 14));
        }
    }
    if (ref.bits <= 0 || ref.bits > 32) ref.bits = dirBits > 0 && dirBits <= 32 ? dirBits : 0;
    return ref;
}

int bitsFromColourCount(int colours, int bitCount, int planes) {
    if (bitCount > 0) return depthOf(planes, bitCount);
    if (colours == 0) return 8;
    int bits = 1;
    while ((1 << bits) < colours && bits < 8) ++bits;
    return bits;
}

// A cursor (type 2) or icon (type 1) file: one group of all its images.
IconGroup readIconOrCursorFile(std::span<const std::uint8_t> file) {
    ByteReader r(file, "ICO");
    r.skip(2, "header");
    const std::uint16_t type = r.u16le("header");
    const std::uint16_t count = r.u16le("header");
    IconGroup group;
    group.isCursor = type == 2;
    for (std::uint16_t i = 0; i < count && r.remaining() >= 16; ++i) {
        const int w = r.u8("directory"), h = r.u8("directory"), colours = r.u8("directory");
        r.skip(1, "directory");
        const std::uint16_t planesOrX = r.u16le("directory"), bitsOrY = r.u16le("directory");
        const std::uint32_t size = r.u32le("directory"), offset = r.u32le("directory");
        const auto image = iconImageBytes(file, offset, size);
        if (!image) continue;
        const int dirBits = group.isCursor ? bitsFromColourCount(colours, 0, 1)
                                           : bitsFromColourCount(colours, bitsOrY, planesOrX);
        IconImageRef ref = describeImage(*image, w, h, dirBits);
        if (group.isCursor) {
            ref.hotspotX = planesOrX;
            ref.hotspotY = bitsOrY;
        }
        group.images.push_back(ref);
    }
    return group;
}

struct Section {
    std::uint32_t va, rawSize, rawOffset;
};

class PeFile {
public:
    PeFile(std::span<const std::uint8_t> file, std::size_t peOffset) : m_file(file) {
        ByteReader r(file, "PE");
        r.seek(peOffset + 4, "COFF header");
        r.skip(2, "COFF header");  // machine: i386, x86-64 and ARM64 keep resources alike
        const std::uint16_t sectionCount = r.u16le("COFF header");
        r.skip(12, "COFF header");
        const std::uint16_t optionalSize = r.u16le("COFF header");
        r.skip(2, "COFF header");
        const std::size_t optionalStart = r.pos();
        const std::uint16_t magic = r.u16le("optional header");
        std::size_t countAt = 0;
        if (magic == 0x10B) {
            countAt = 92;
        } else if (magic == 0x20B) {
            countAt = 108;
        } else {
            fail("unknown optional header magic 0x" + hex(magic));
        }
        const std::size_t resourceEntry = countAt + 4 + 2 * 8;
        if (optionalSize >= resourceEntry + 8) {
            r.seek(optionalStart + countAt, "optional header");
            const std::uint32_t dirCount = r.u32le("optional header");
            if (dirCount > 2) {
                r.seek(optionalStart + resourceEntry, "resource directory entry");
                m_resourceRva = r.u32le("resource directory entry");
            }
        }
        r.seek(optionalStart + optionalSize, "section table");
        for (std::uint16_t i = 0; i < sectionCount; ++i) {
            r.skip(12, "section table");
            Section s{};
            s.va = r.u32le("section table");
            s.rawSize = r.u32le("section table");
            s.rawOffset = r.u32le("section table");
            r.skip(16, "section table");
            m_sections.push_back(s);
        }
    }

    // The bytes at a relative virtual address, up to the end of the section's file data.
    std::optional<std::span<const std::uint8_t>> at(std::uint32_t rva) const {
        for (const Section& s : m_sections) {
            if (rva < s.va || rva - s.va >= s.rawSize) continue;
            const std::uint64_t offset = std::uint64_t{s.rawOffset} + (rva - s.va);
            if (offset >= m_file.size()) return std::nullopt;
            const std::uint64_t avail =
                std::min<std::uint64_t>(s.rawSize - (rva - s.va), m_file.size() - offset);
            return m_file.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(avail));
        }
        return std::nullopt;
    }

    struct Resource {
        std::uint32_t id;
        std::span<const std::uint8_t> data;
    };
    // The raw group directories in directory order, and the icon images by number.
    void iconResources(std::vector<std::span<const std::uint8_t>>& groups,
                       std::vector<Resource>& icons) const {
        if (m_resourceRva == 0) return;
        const auto rsrc = at(m_resourceRva);
        if (!rsrc) fail("resource directory at RVA 0x" + hex(m_resourceRva) + " lies outside every section");
        const auto types = readDirectory(*rsrc, 0);
        const DirEntry* groupType = findId(types, kRtGroupIcon);
        const DirEntry* iconType = findId(types, kRtIcon);
        if (!groupType) return;
        for (const DirEntry& e : readDirectory(*rsrc, groupType->target)) {
            if (!e.isDirectory) continue;
            if (const auto data = firstLanguage(*rsrc, e)) groups.push_back(*data);
        }
        if (groups.empty() || !iconType) return;
        for (const DirEntry& e : readDirectory(*rsrc, iconType->target)) {
            if (e.named || !e.isDirectory) continue;
            if (const auto data = firstLanguage(*rsrc, e)) icons.push_back({e.id, *data});
        }
    }

private:
    struct DirEntry {
        bool named = false;
        std::uint32_t id = 0;
        bool isDirectory = false;
        std::uint32_t target = 0;  // offset from the start of the resource section
    };

    static std::string hex(std::uint32_t v) {
        static const char digits[] = "0123456789ABCDEF";
        std::string s;
        do {
            s.insert(s.begin(), digits[v & 15u]);
            v >>= 4;
        } while (v);
        return s;
    }

    static std::vector<DirEntry> readDirectory(std::span<const std::uint8_t> rsrc, std::uint32_t offset) {
        ByteReader r(rsrc, "PE");
        r.seek(offset, "resource directory");
        r.skip(12, "resource directory");
        const std::size_t named = r.u16le("resource directory"), ids = r.u16le("resource directory");
        // Every entry takes 8 bytes, so the file's size bounds the count.
        if ((named + ids) * 8 > r.remaining())
            fail("resource directory of " + std::to_string(named + ids) + " entries runs past the section");
        std::vector<DirEntry> entries(named + ids);
        for (auto& e : entries) {
            const std::uint32_t name = r.u32le("resource directory entry");
            const std::uint32_t target = r.u32le("resource directory entry");
            e.named = (name & kHighBit) != 0;
            e.id = name & ~kHighBit;
            e.isDirectory = (target & kHighBit) != 0;
            e.target = target & ~kHighBit;
        }
        return entries;
    }

    static const DirEntry* findId(const std::vector<DirEntry>& entries, std::uint32_t id) {
        for (const auto& e : entries)
            if (!e.named && e.id == id && e.isDirectory) return &e;
        return nullptr;
    }

    // The data of the first language below a name entry that has any. Entries are read one by
    // one and only so many: a real resource has a handful of languages.
    std::optional<std::span<const std::uint8_t>> firstLanguage(std::span<const std::uint8_t> rsrc,
                                                               const DirEntry& nameEntry) const {
        constexpr std::size_t kMaxLanguages = 256;
        if (nameEntry.target > rsrc.size() || rsrc.size() - nameEntry.target < 16) return std::nullopt;
        const std::size_t count =
            std::size_t{get16(rsrc, nameEntry.target + 12)} + get16(rsrc, nameEntry.target + 14);
        for (std::size_t i = 0; i < std::min(count, kMaxLanguages); ++i) {
            const std::size_t at8 = nameEntry.target + 16 + i * 8;
            if (at8 > rsrc.size() || rsrc.size() - at8 < 8) break;
            const std::uint32_t target = get32(rsrc, at8 + 4);
            if (target & kHighBit) continue;  // a fourth level is not part of the format
            if (target > rsrc.size() || rsrc.size() - target < 16) continue;
            const std::uint32_t rva = get32(rsrc, target), size = get32(rsrc, target + 4);
            const auto data = at(rva);
            if (!data || data->size() < size) continue;
            return data->first(size);
        }
        return std::nullopt;
    }

    std::span<const std::uint8_t> m_file;
    std::vector<Section> m_sections;
    std::uint32_t m_resourceRva = 0;
};

// 16-bit executables keep a resource table of type blocks with shifted offsets and lengths.
void readNeIconResources(std::span<const std::uint8_t> file, std::size_t neOffset,
                         std::vector<std::span<const std::uint8_t>>& groups,
                         std::vector<PeFile::Resource>& icons) {
    ByteReader r(file, "NE");
    r.seek(neOffset + 0x24, "header");
    const std::uint16_t tableOffset = r.u16le("header");
    r.seek(neOffset + tableOffset, "resource table");
    const std::uint16_t shift = r.u16le("resource table");
    if (shift > 20) throw DecodeError("NE: resource alignment shift " + std::to_string(shift) + " above 20");
    for (;;) {
        const std::uint16_t type = r.u16le("resource type");
        if (type == 0) break;
        const std::uint16_t count = r.u16le("resource type");
        r.skip(4, "resource type");
        for (std::uint16_t i = 0; i < count; ++i) {
            const std::uint64_t offset = std::uint64_t{r.u16le("resource")} << shift;
            const std::uint64_t length = std::uint64_t{r.u16le("resource")} << shift;
            r.skip(2, "resource");
            const std::uint16_t id = r.u16le("resource");
            r.skip(4, "resource");
            if (type != kNeRtIcon && type != kNeRtGroupIcon) continue;
            if (offset >= file.size()) continue;
            const auto avail = std::min<std::uint64_t>(length, file.size() - offset);
            const auto data = file.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(avail));
            if (type == kNeRtGroupIcon) {
                groups.push_back(data);
            } else if (id & 0x8000) {  // icons are numbered; a named one cannot be referenced
                icons.push_back({static_cast<std::uint32_t>(id & 0x7FFF), data});
            }
        }
    }
}

}  // namespace

IconResources::IconResources(std::span<const std::uint8_t> file) {
    // An animated cursor counts as its first frame's cursor file.
    if (looksLikeAni(file)) file = aniFirstIconChunk(file);
    if (file.size() >= 6 && file[0] == 0 && file[1] == 0 && (file[2] == 1 || file[2] == 2) && file[3] == 0) {
        IconGroup group = readIconOrCursorFile(file);
        if (!group.images.empty()) {
            m_fileGroup = std::move(group);
            m_groups.emplace_back();
        }
        return;
    }
    if (file.size() < 0x40 || file[0] != 'M' || file[1] != 'Z')
        throw DecodeError("PE: not an executable, cursor or icon file");
    const std::uint32_t headerOffset = get32(file, 0x3C);
    if (headerOffset > file.size() || file.size() - headerOffset < 4)
        fail("new header offset " + std::to_string(headerOffset) + " beyond the " +
             std::to_string(file.size()) + "-byte file");
    const auto sig = file.subspan(headerOffset, 4);
    std::vector<PeFile::Resource> icons;
    if (sig[0] == 'P' && sig[1] == 'E' && sig[2] == 0 && sig[3] == 0) {
        PeFile(file, headerOffset).iconResources(m_groups, icons);
    } else if (sig[0] == 'N' && sig[1] == 'E') {
        readNeIconResources(file, headerOffset, m_groups, icons);
    } else {
        throw DecodeError("PE: a DOS program without Windows resources");
    }
    m_icons.reserve(icons.size());
    for (const auto& icon : icons) m_icons.push_back({icon.id, icon.data});
    std::stable_sort(m_icons.begin(), m_icons.end(),
                     [](const Resource& a, const Resource& b) { return a.id < b.id; });
}

IconGroup IconResources::group(std::size_t index) const {
    if (m_fileGroup) return *m_fileGroup;
    IconGroup group;
    const auto groupData = m_groups.at(index);
    if (groupData.size() < 6) return group;
    const std::size_t count = std::min<std::size_t>(get16(groupData, 4), (groupData.size() - 6) / 14);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 6 + i * 14;
        const int w = groupData[at], h = groupData[at + 1], colours = groupData[at + 2];
        const int planes = get16(groupData, at + 4), bitCount = get16(groupData, at + 6);
        const std::uint16_t id = get16(groupData, at + 12);
        const auto it = std::lower_bound(m_icons.begin(), m_icons.end(), id,
                                         [](const Resource& r, std::uint32_t v) { return r.id < v; });
        if (it == m_icons.end() || it->id != id || it->data.empty()) continue;
        group.images.push_back(describeImage(it->data, w, h, bitsFromColourCount(colours, bitCount, planes)));
    }
    return group;
}

std::size_t chooseGroupImage(const IconGroup& group, int size) {
    std::size_t best = 0;
    std::int64_t bestDistance = -1;
    int bestBits = -1;
    for (std::size_t i = 0; i < group.images.size(); ++i) {
        const auto& im = group.images[i];
        const std::int64_t d =
            std::llabs(std::int64_t{im.width} - size) + std::llabs(std::int64_t{im.height} - size);
        if (bestDistance < 0 || d < bestDistance || (d == bestDistance && im.bits > bestBits)) {
            best = i;
            bestDistance = d;
            bestBits = im.bits;
        }
    }
    return best;
}

std::size_t largestGroupImage(const IconGroup& group) {
    std::size_t best = 0;
    for (std::size_t i = 1; i < group.images.size(); ++i) {
        const auto& im = group.images[i];
        const auto& b = group.images[best];
        const std::int64_t area = std::int64_t{im.width} * im.height,
                           bestArea = std::int64_t{b.width} * b.height;
        if (area > bestArea || (area == bestArea && im.bits > b.bits)) best = i;
    }
    return best;
}

int countFileIcons(std::span<const std::uint8_t> file) {
    try {
        return static_cast<int>(std::min<std::size_t>(IconResources(file).groupCount(), 0x7FFF));
    } catch (const DecodeError&) {
        return 0;
    }
}

namespace {
std::optional<IconGroup> groupOf(std::span<const std::uint8_t> file, int index) {
    try {
        const IconResources resources(file);
        if (index < 0 || static_cast<std::size_t>(index) >= resources.groupCount()) return std::nullopt;
        return resources.group(static_cast<std::size_t>(index));
    } catch (const DecodeError&) {
        return std::nullopt;
    }
}

Icon decodeRef(const IconGroup& group, const IconImageRef& ref, const DecodeLimits& limits) {
    Icon icon = decodeIconImage(ref.data, limits);
    icon.isCursor = group.isCursor;
    icon.hotspotX = ref.hotspotX;
    icon.hotspotY = ref.hotspotY;
    return icon;
}
}  // namespace

std::optional<Icon> extractFileIcon(std::span<const std::uint8_t> file, int index, int size,
                                    const DecodeLimits& limits, IconImageChoice choice) {
    auto found = groupOf(file, index);
    if (!found) return std::nullopt;
    IconGroup& group = *found;
    // The preferred image first; when it cannot be decoded the next best is shown instead.
    while (!group.images.empty()) {
        const std::size_t pick =
            choice == IconImageChoice::Largest ? largestGroupImage(group) : chooseGroupImage(group, size);
        const IconImageRef ref = group.images[pick];
        try {
            Icon icon = decodeRef(group, ref, limits);
            return choice == IconImageChoice::ScaledToSize ? scaleIcon(icon, size, size) : icon;
        } catch (const ImageError&) {
            group.images.erase(group.images.begin() + static_cast<std::ptrdiff_t>(pick));
        }
    }
    return std::nullopt;
}

}  // namespace vexilo
