#pragma once
// The folder scanner: walks one folder, and optionally its subfolders depth first, and reports
// every entry whose name matches one of a list of wildcard masks. It runs on the caller's
// thread and calls PumpEvents after every entry, so a window stays responsive and can stop it.
// It knows nothing of images.
#include <cstdint>
#include <ctime>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexilo::search {

// Entry attributes, as the walk reports them in FoundEntry::Attr.
namespace attr {
constexpr std::uint32_t ReadOnly = 1, Hidden = 2, System = 4, VolumeLabel = 8, Directory = 16, Archive = 32;
}  // namespace attr

// The folder separator, appended to a folder that does not end with it.
constexpr char kFolderSeparator = '/';
// A mask that matches every name, also one without a dot.
constexpr std::string_view kAllNamesMask = "*.*";

struct FoundEntry {
    // Last write, local time, DOS-packed: date in the high 16 bits (day 1-31 in bits 0-4, month
    // in bits 5-8, years since 1980 in bits 9-15), time in the low 16 bits (seconds / 2 in bits
    // 0-4, minutes in bits 5-10, hours in bits 11-15). Clamped to 1980-01-01 .. 2107-12-31.
    std::uint32_t Time = 0;
    std::int32_t Size = 0;  // the low 32 bits of the size
    std::uint32_t Attr = 0;
    std::string Name;
    std::uint64_t FullSize = 0;     // the whole size, for files past 2 GiB
    std::int64_t WriteSeconds = 0;  // last write in seconds since 1970 (UTC)
};

// Case-insensitive wildcard match of one mask against one name: "*" any run of characters,
// "?" one character; a mask ending in ".*" also matches without that ending (so "*.*" matches
// every name) and one ending in "." also matches names without a dot. A mask of several
// patterns joined by ";" ("*.jpg;*.jpeg") matches what any of them matches.
bool MatchesMask(std::string_view mask, std::string_view name);

// Packs a time (seconds since 1970) as the local DOS date-time of FoundEntry::Time.
std::uint32_t packDosTime(std::time_t seconds);

class TFindInDir {
public:
    using Notify = std::function<void(TFindInDir& sender)>;

    TFindInDir() = default;
    TFindInDir(const TFindInDir&) = delete;
    TFindInDir& operator=(const TFindInDir&) = delete;

    // Configuration, set before Scan.
    std::string InitialDir;
    std::string FileMask;            // fallback, used only when Masks is empty
    std::vector<std::string> Masks;  // a mask ending in '/' asks for folders instead of files
    bool ScanSubfolders = false;
    bool StopScan = false;  // set by the caller to end a scan; cleared only by Scan
    bool Pause = false;     // while set, the walk waits, pumping events (only with a
                            // PumpEvents hook: nothing else could clear it)

    Notify OnFoundFile;  // a file matched a mask
    Notify OnFoundDir;   // a folder matched a folder mask; CurrentName ends with '/'
    Notify OnChangeDir;  // the walk is about to enter a subfolder
    Notify OnEndScan;    // the scan is over, finished or stopped (not when a handler threw)
    // Processes pending user-interface events; may run any command, including StopScan.
    std::function<void()> PumpEvents;

    // State for the handlers, overwritten by the next event.
    std::string CurrentFolder;  // always ends with '/'
    std::string CurrentName;
    std::int32_t MaskIndex = -1;
    search::FoundEntry FoundEntry;

    // Clears Pause and StopScan, walks InitialDir with FileMask as fallback and raises
    // OnEndScan. Exceptions from handlers leave the walk and reach the caller (no OnEndScan).
    // A Scan started from a handler of a running one supersedes it: the older walk ends
    // quietly, without OnEndScan, once the newer returns.
    void Scan();
    // The recursive walk of one folder; `mask` is the fallback when Masks is empty.
    void ScanFolder(std::string folder, const std::string& mask);

    // True while a Scan or ScanFolder runs (also from inside its handlers).
    bool scanning() const { return m_depth > 0; }

private:
    struct Identity {
        unsigned uid = 0, gid = 0;
        std::vector<unsigned> groups;
    };
    bool halted() const { return StopScan || m_generation != m_activeGeneration; }
    void pump();
    void waitWhilePaused();
    void walk(std::string folder, const std::string& mask);
    void fillEntry(const std::string& name, const void* statBuffer);

    std::uint64_t m_generation = 0;        // of the newest Scan
    std::uint64_t m_activeGeneration = 0;  // of the walk now running on this stack level
    int m_depth = 0;
    Identity m_identity;  // who asks, for the read-only attribute
    // Folders (device, inode) this walk has entered: a folder that several links reach is
    // walked once (links joining many folders would walk them once per path), and a link
    // back to a folder on the walk never leads round in a loop.
    std::set<std::pair<std::uint64_t, std::uint64_t>> m_visited;
};

}  // namespace vexilo::search
