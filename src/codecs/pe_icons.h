#pragma once
// Icons inside Windows executables, libraries and control panel items (PE32 and PE32+ of any
// machine type, and 16-bit NE files) and inside cursor and icon files. An executable's icons
// are its icon group resources in resource directory order; a cursor or icon file has one.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "base/byte_reader.h"
#include "raster/icon.h"

namespace vexilo {

// One image of an icon group: its size and depth (from the image's own header where it can be
// read, else from the directory) and its bytes (a DIB with mask, or a PNG stream). The bytes
// point into the file's buffer.
struct IconImageRef {
    int width = 0;
    int height = 0;
    int bits = 0;
    std::span<const std::uint8_t> data;
    int hotspotX = 0, hotspotY = 0;  // cursor images only
};

struct IconGroup {
    std::vector<IconImageRef> images;  // entries naming missing resources are left out
    bool isCursor = false;
};

// The icon resources of a PE or NE file, or the single group of a cursor/icon file. Only the
// list of groups is read up front; a group's images are looked up when it is asked for.
class IconResources {
public:
    // Throws DecodeError for a file of none of these kinds or with damaged headers or resource
    // directories. The file's bytes must outlive this object.
    explicit IconResources(std::span<const std::uint8_t> file);

    std::size_t groupCount() const { return m_groups.size(); }
    // The images of group `index` (< groupCount()); entries that are damaged or name missing
    // images are left out, so the list may be empty.
    IconGroup group(std::size_t index) const;

private:
    struct Resource {
        std::uint32_t id = 0;
        std::span<const std::uint8_t> data;
    };
    std::vector<std::span<const std::uint8_t>> m_groups;  // raw group directories
    std::vector<Resource> m_icons;                        // sorted by id, first of a duplicate wins
    std::optional<IconGroup> m_fileGroup;                 // a cursor or icon file's one group
};

// The image a desktop would show at size x size on a 32-bit display: the closest size, then the
// most bits per pixel, then the first. The group must not be empty.
std::size_t chooseGroupImage(const IconGroup& group, int size);

// The group's largest image: the most pixels, then the most bits per pixel, then the first.
// The group must not be empty.
std::size_t largestGroupImage(const IconGroup& group);

// Which image of a group makes the picture: the desktop's choice for the size, scaled to it
// (the default), or the largest image, or with size > 0 the image closest to size x size, each
// of these at its own size.
enum class IconImageChoice : std::uint8_t { ScaledToSize, Largest, ClosestOwnSize };

// The number of icons in the file; 0 when it has none or cannot be read. Never throws.
int countFileIcons(std::span<const std::uint8_t> file);

// Icon `index` of the file scaled to size x size, or none when the index is out of range, the
// group has no image or its image cannot be decoded. Never throws DecodeError.
std::optional<Icon> extractFileIcon(std::span<const std::uint8_t> file, int index, int size,
                                    const DecodeLimits& limits = kDefaultDecodeLimits,
                                    IconImageChoice choice = IconImageChoice::ScaledToSize);

}  // namespace vexilo
