#pragma once
// What a load is for. The found-image list loads every file only to stretch it into its
// thumbnail cells; the target preview and the batch job need the picture exactly. A loader may
// use a thumbnail request to decode less (a JPEG at a reduced DCT scale, a metafile rendered at
// a bounded size) as long as the result still covers the requested size on both sides.
#include <cstdint>
#include <vector>

namespace vexilo {

class LoadBuffers;

enum class LoadPurpose : std::uint8_t { Full, Thumbnail };

// Which image of an icon the picture is made of (the advanced option "Icon size"): the one the
// system shows at its icon size, scaled to it, or the largest at its own size (for a thumbnail
// the one closest to the thumbnail size).
enum class IconSize : std::uint8_t { System, Largest };

struct LoadRequest {
    LoadPurpose purpose = LoadPurpose::Full;
    // For thumbnails: the largest cell the picture is stretched into. A reduced decode keeps at
    // least this many pixels on each side (and never fewer than the picture has).
    int thumbnailWidth = 0, thumbnailHeight = 0;
    // Large buffers that a scan lends from file to file, so that each file does not fault in
    // fresh pages; null lets each load allocate its own. Nothing of one file survives into the
    // next through them: they hold only capacity.
    LoadBuffers* buffers = nullptr;
    // False when the file's own pictures are wanted and nothing else: a file whose only picture
    // would be the icon the desktop shows for it (an unreadable or damaged file, an executable
    // without icons) then does not load.
    bool associatedIcon = true;
    // Pictures that record how the camera was held (EXIF orientation: JPEG, TIFF, WebP, HEIF)
    // are turned to stand upright, as other viewers show them.
    bool turnByOrientation = true;
    IconSize iconSize = IconSize::System;
    // When set, the loaders of pictures that can be transparent (icons, PNG, GIF, TGA) leave
    // the colours plain instead of drawing them over white and put one alpha byte a pixel here
    // (top-down, 255 = opaque). Every loader empties it first; it stays empty for an opaque
    // picture.
    std::vector<std::uint8_t>* alpha = nullptr;

    bool isThumbnail() const { return purpose == LoadPurpose::Thumbnail; }

    static LoadRequest full() { return {}; }
    static LoadRequest thumbnail(int width, int height, LoadBuffers* buffers = nullptr) {
        return {LoadPurpose::Thumbnail, width, height, buffers, true, true};
    }
};

}  // namespace vexilo
