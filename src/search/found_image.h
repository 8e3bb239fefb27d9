#pragma once
// The record behind one found-image row, and the texts its columns show.
#include <cstdint>
#include <string>

#include "imageio/file_kind.h"

namespace vexilo::search {

// Kind of a row whose file was never loaded (a scan without thumbnails).
constexpr FileKind kKindNotProbed = 0xFF;

struct FoundImage {
    std::int32_t Time = 0;         // local time of day of the last write, ms since midnight (even seconds)
    std::int32_t Date = 0;         // day number of the last write: 1 January of year 1 is day 1
    std::int64_t Size = 0;         // file size in bytes (whole, also past 2 GiB)
    std::string Folder;            // ends with '/'
    std::string Name;              // the file name
    std::int32_t ImageIndex = -1;  // thumbnail position in both image lists; finding order
    std::int32_t IconIndex = -1;   // icon number inside an executable or library, else -1
    FileKind Kind = 0;

    std::string path() const { return Folder + Name; }
};

// The date and time parts of a DOS-packed local time (see FoundEntry::Time).
std::int32_t dosDateToDayNumber(std::uint32_t dosTime);
std::int32_t dosTimeToMilliseconds(std::uint32_t dosTime);

// Column texts: the size in plain decimal, the date in the locale's short date form, the time
// in the locale's long time form (the current C locale: "%x" and "%X").
std::string formatSize(std::int64_t size);
std::string formatDate(std::int32_t dayNumber);
std::string formatTime(std::int32_t milliseconds);
// The same as YYYY-MM-DD and HH:MM:SS, whatever the locale (for scripts).
std::string formatIsoDate(std::int32_t dayNumber);
std::string formatIsoTime(std::int32_t milliseconds);

}  // namespace vexilo::search
