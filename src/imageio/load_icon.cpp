// Kind 8: an .ico file, drawn at the system icon size over the bitmap's white background; and
// the probe's reading of an animated cursor (kind 4).
#include "codecs/ani_cursor.h"
#include "codecs/icon_file.h"
#include "codecs/pe_icons.h"
#include "imageio/format_loaders.h"
#include "imageio/loaders.h"

namespace vexilo {

namespace loading {

// The reader refuses a header type of 2 or more and an empty directory.
bool mayBeIco(LoadSource&, std::span<const std::uint8_t> head) {
    if (head.size() < 6) return false;
    const int type = head[2] | (head[3] << 8), count = head[4] | (head[5] << 8);
    return type < 2 && count > 0;
}

bool loadIco(LoadSource& source, Bitmap& bitmap, const LoadRequest& request) {
    // Only regular files: opening a named pipe would wait for a writer.
    if (!source.readable()) return false;
    Icon icon;
    return loadGuarded(
        Refusal::AnyError, request, bitmap,
        [&] {
            // Icon files are small; a huge one is not an icon worth reading.
            const auto bytes = source.bytes(std::uint64_t{64} << 20);
            int side = kSystemIconSize;
            const IconImageChoice choice = iconChoiceFor(request, side);
            if (choice != IconImageChoice::ScaledToSize) {
                if (auto own = extractFileIcon(bytes, 0, side, kDefaultDecodeLimits, choice)) {
                    icon = std::move(*own);
                    return true;
                }
            }
            icon = ReadIconFile(bytes);
            return true;
        },
        [&] { showLoaded(icon, bitmap, request); });
}

bool mayBeAni(LoadSource&, std::span<const std::uint8_t> head) {
    return looksLikeAni(head);
}

// An animated cursor shows its first frame, chosen as a cursor file's image is.
bool loadAni(LoadSource& source, Bitmap& bitmap, const LoadRequest& request) {
    if (!source.readable()) return false;
    std::optional<Icon> icon;
    return loadGuarded(
        Refusal::AnyError, request, bitmap,
        [&] {
            const auto bytes = source.bytes(std::uint64_t{64} << 20);
            if (!looksLikeAni(bytes)) return false;
            int side = kSystemIconSize;
            const IconImageChoice choice = iconChoiceFor(request, side);
            icon = extractFileIcon(bytes, 0, side, kDefaultDecodeLimits, choice);
            return icon.has_value();
        },
        [&] { showLoaded(*icon, bitmap, request); });
}

}  // namespace loading

bool LoadIconFile(const std::string& path, Bitmap* bitmap, const LoadRequest& request) {
    return loading::loadFileWith(loading::loadIco, path, bitmap, request);
}

bool LoadCursorFile(const std::string& path, Bitmap* bitmap, const LoadRequest& request) {
    return LoadFirstExecutableIcon(path, bitmap, request) ||
           loading::loadFileWith(loading::loadAni, path, bitmap, request);
}

}  // namespace vexilo
