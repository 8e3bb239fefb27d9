// Kinds 1 to 4: icons by number from executables, libraries, control panel items and cursor
// files, with the icon walk's rules for counts and for files without icons.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <span>

#include "base/errors.h"
#include "base/file_io.h"
#include "base/paths.h"
#include "codecs/pe_icons.h"
#include "imageio/associated_icon.h"
#include "imageio/format_loaders.h"
#include "imageio/loaders.h"

namespace vexilo {

namespace {

// A read-only view of a whole file. Executables can be large and only their headers and
// resources are read, so the file is mapped rather than copied. Empty when it cannot be opened.
class MappedFile {
public:
    explicit MappedFile(const std::string& path) {
        struct stat st {};
        FileDescriptor fd;
        try {
            fd = openRegularFile(path, st);
        } catch (const FileError&) {
            return;
        }
        if (st.st_size > 0) {
            const auto size = static_cast<std::size_t>(st.st_size);
            void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd.get(), 0);
            if (p != MAP_FAILED) {
                m_data = static_cast<const std::uint8_t*>(p);
                m_size = size;
            }
        }
    }
    ~MappedFile() {
        if (m_data) ::munmap(const_cast<std::uint8_t*>(m_data), m_size);
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    std::span<const std::uint8_t> bytes() const { return {m_data, m_size}; }

private:
    const std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
};

// The extension test of the icon loader: the upper-cased extension with its dot must occur in
// this text, so shorter pieces such as ".CU" qualify too. A name without a dot has none.
bool hasIconFileExtension(const std::string& path) {
    std::string ext = fileExtension(path);
    if (ext.empty()) return false;
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return std::string_view(".EXE.DLL.CPL.CUR").find(ext) != std::string_view::npos;
}

}  // namespace

namespace loading {

// The loader decides by the name alone (and then asks whether the file exists).
bool mayBeExecutableIcon(LoadSource& source, std::span<const std::uint8_t>) {
    return hasIconFileExtension(source.path());
}

bool loadExecutableIcon(LoadSource& source, Bitmap& bitmap, const LoadRequest& request) {
    std::uint16_t index = 0;
    return request.associatedIcon ? LoadExecutableIcon(source.path(), index, &bitmap, request)
                                  : LoadExecutableOwnIcon(source.path(), index, &bitmap, request);
}

}  // namespace loading

IconImageChoice iconChoiceFor(const LoadRequest& request, int& side) {
    side = kSystemIconSize;
    if (request.iconSize != IconSize::Largest) return IconImageChoice::ScaledToSize;
    if (!request.isThumbnail()) return IconImageChoice::Largest;
    side = std::max({request.thumbnailWidth, request.thumbnailHeight, 1});
    return IconImageChoice::ClosestOwnSize;
}

std::optional<Icon> ExtractIconAt(const std::string& path, std::uint16_t& index, bool orAssociatedIcon,
                                  const LoadRequest& request) {
    if (!fileExists(path)) return std::nullopt;
    const MappedFile file(path);
    const int count = countFileIcons(file.bytes());
    if (count < index || count <= 0) {
        if (!orAssociatedIcon) return std::nullopt;
        // Files without icons, and numbers past the end, show the file's associated icon.
        auto icon = associatedIcon(path, kSystemIconSize);
        index = 0;
        return icon;
    }
    const int wanted = index;
    index = static_cast<std::uint16_t>(count);
    int side = kSystemIconSize;
    const IconImageChoice choice = iconChoiceFor(request, side);
    return extractFileIcon(file.bytes(), wanted, side, kDefaultDecodeLimits, choice);
}

namespace {
bool loadIconOfFile(const std::string& path, std::uint16_t& index, Bitmap* bitmap, bool orAssociatedIcon,
                    const LoadRequest& request) {
    // The name test first: probing asks every file, and it costs no system call.
    if (!bitmap || path.empty() || !hasIconFileExtension(path) || !fileExists(path)) return false;
    std::uint16_t walk = index;
    if (request.alpha) request.alpha->clear();
    const auto icon = ExtractIconAt(path, walk, orAssociatedIcon, request);
    if (index == 0) index = walk;
    if (!icon) return false;
    showLoaded(*icon, *bitmap, request);
    return true;
}
}  // namespace

bool LoadExecutableIcon(const std::string& path, std::uint16_t& index, Bitmap* bitmap,
                        const LoadRequest& request) {
    return loadIconOfFile(path, index, bitmap, true, request);
}

bool LoadExecutableOwnIcon(const std::string& path, std::uint16_t& index, Bitmap* bitmap,
                           const LoadRequest& request) {
    return loadIconOfFile(path, index, bitmap, false, request);
}

std::optional<std::uint16_t> ForEachExecutableIcon(
    const std::string& path, const std::function<bool(std::uint16_t, const Bitmap*)>& each,
    const LoadRequest& request) {
    std::uint16_t count = 0;
    Bitmap picture;
    if (!LoadExecutableIcon(path, count, &picture, request)) return std::nullopt;
    bool loaded = true;
    for (std::uint16_t i = 0; each(i, loaded ? &picture : nullptr) && ++i < count;) {
        picture = Bitmap();
        std::uint16_t index = i;
        loaded = LoadExecutableIcon(path, index, &picture, request);
    }
    return count;
}

}  // namespace vexilo
