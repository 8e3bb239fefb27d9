#include "search/find_in_dir.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "base/text.h"

namespace vexilo::search {

namespace {

bool globMatch(const std::u32string& p, const std::u32string& n, std::size_t pEnd) {
    // Iterative matching with one backtrack point: linear in practice, never exponential.
    std::size_t pi = 0, ni = 0, starP = std::u32string::npos, starN = 0;
    while (ni < n.size()) {
        if (pi < pEnd && (p[pi] == U'?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < pEnd && p[pi] == U'*') {
            starP = pi++;
            starN = ni;
        } else if (starP != std::u32string::npos) {
            pi = starP + 1;
            ni = ++starN;
        } else {
            return false;
        }
    }
    while (pi < pEnd && p[pi] == U'*') ++pi;
    return pi == pEnd;
}

// True for "*" followed by plain characters, the shape of every built-in mask.
bool isStarSuffix(const std::u32string& mask) {
    return mask.size() >= 2 && mask[0] == U'*' && mask.find_first_of(U"*?", 1) == std::u32string::npos;
}

bool matchesFolded(const std::u32string& mask, const std::u32string& name) {
    // "*.ext": a suffix test, the common case of every walk.
    if (isStarSuffix(mask) && !(mask.size() >= 2 && mask[mask.size() - 1] == U'.'))
        return name.size() >= mask.size() - 1 &&
               name.compare(name.size() - (mask.size() - 1), mask.size() - 1, mask, 1) == 0;
    if (globMatch(mask, name, mask.size())) return true;
    const std::size_t n = mask.size();
    // "x.*" also matches "x": that is how "*.*" comes to match names without a dot.
    if (n >= 2 && mask[n - 2] == U'.' && mask[n - 1] == U'*' && globMatch(mask, name, n - 2)) return true;
    // "x." matches "x" when the name has no extension at all.
    if (n >= 2 && mask[n - 1] == U'.' && name.find(U'.') == std::u32string::npos &&
        globMatch(mask, name, n - 1))
        return true;
    return false;
}

// A mask of several patterns joined by ";" ("*.jpg;*.jpeg"), folded; empty patterns dropped.
std::vector<std::u32string> foldedPatterns(std::string_view mask) {
    std::vector<std::u32string> parts;
    for (std::size_t at = 0; at <= mask.size();) {
        const std::size_t end = std::min(mask.find(';', at), mask.size());
        if (end > at) parts.push_back(foldedCodePoints(mask.substr(at, end - at)));
        at = end + 1;
    }
    return parts;
}

bool matchesAny(const std::vector<std::u32string>& patterns, const std::u32string& name) {
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const std::u32string& p) { return matchesFolded(p, name); });
}

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// The directory handle of one listing, closed on every way out.
class DirHandle {
public:
    explicit DirHandle(const std::string& path) : m_dir(::opendir(path.c_str())) {}
    ~DirHandle() { close(); }
    DirHandle(const DirHandle&) = delete;
    DirHandle& operator=(const DirHandle&) = delete;
    DIR* get() const { return m_dir; }
    void close() {
        if (m_dir) ::closedir(m_dir);
        m_dir = nullptr;
    }

private:
    DIR* m_dir;
};

// The part of a stat result the walk uses; a third of its size, which counts in huge folders.
struct EntryMeta {
    mode_t st_mode = 0;
    uid_t st_uid = 0;
    gid_t st_gid = 0;
    off_t st_size = 0;
    std::int64_t mtimeSeconds = 0;
    dev_t st_dev = 0;
    ino_t st_ino = 0;
};

struct Listed {
    std::string name;
    std::u32string folded;  // filled when the first mask needs it
    unsigned char type = DT_UNKNOWN;
    int statState = 0;  // 0 not asked, 1 ok, -1 failed (dangling link, removed meanwhile)
    EntryMeta st;
};

bool statEntry(Listed& e, int dirFd, const std::string& folder) {
    if (e.statState == 0) {
        // Follow links: a link to a file or folder is reported as what it leads to.
        struct stat st {};
        const int rc =
            dirFd >= 0 ? ::fstatat(dirFd, e.name.c_str(), &st, 0) : ::stat((folder + e.name).c_str(), &st);
        e.statState = rc == 0 ? 1 : -1;
        e.st = {st.st_mode, st.st_uid, st.st_gid, st.st_size, static_cast<std::int64_t>(st.st_mtim.tv_sec),
                st.st_dev,  st.st_ino};
    }
    return e.statState == 1;
}

}  // namespace

bool MatchesMask(std::string_view mask, std::string_view name) {
    return matchesAny(foldedPatterns(mask), foldedCodePoints(name));
}

std::uint32_t packDosTime(std::time_t seconds) {
    std::tm t{};
    if (!::localtime_r(&seconds, &t)) t = std::tm{};
    int year = t.tm_year + 1900;
    // The packed form holds 1980 to 2107; earlier and later times stick to its ends.
    if (year < 1980) return (1u << 5 | 1u) << 16;
    if (year > 2107) return ((127u << 9 | 12u << 5 | 31u) << 16) | (23u << 11 | 59u << 5 | 29u);
    const auto date = static_cast<std::uint32_t>(((year - 1980) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
    const int sec = std::min(t.tm_sec, 59);  // a leap second packs as 58
    const auto time = static_cast<std::uint32_t>((t.tm_hour << 11) | (t.tm_min << 5) | (sec / 2));
    return date << 16 | time;
}

void TFindInDir::pump() {
    if (const auto hook = PumpEvents) hook();
}

void TFindInDir::waitWhilePaused() {
    // Without an event hook nothing could ever clear Pause: do not wait for ever.
    while (Pause && !halted() && PumpEvents) {
        pump();
        if (Pause && !halted()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void TFindInDir::fillEntry(const std::string& name, const void* statBuffer) {
    const auto& st = *static_cast<const EntryMeta*>(statBuffer);
    const bool dir = S_ISDIR(st.st_mode);
    std::uint32_t a = dir ? attr::Directory : attr::Archive;
    if (!name.empty() && name[0] == '.') a |= attr::Hidden;
    bool writable = true;
    if (m_identity.uid != 0) {
        if (st.st_uid == m_identity.uid)
            writable = st.st_mode & S_IWUSR;
        else if (st.st_gid == m_identity.gid || std::find(m_identity.groups.begin(), m_identity.groups.end(),
                                                          st.st_gid) != m_identity.groups.end())
            writable = st.st_mode & S_IWGRP;
        else
            writable = st.st_mode & S_IWOTH;
    }
    if (!writable) a |= attr::ReadOnly;
    FoundEntry.Attr = a;
    FoundEntry.Name = name;
    FoundEntry.FullSize = dir ? 0 : static_cast<std::uint64_t>(st.st_size);
    FoundEntry.Size =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(FoundEntry.FullSize & 0xFFFFFFFFu));
    FoundEntry.WriteSeconds = st.mtimeSeconds;
    FoundEntry.Time = packDosTime(static_cast<std::time_t>(st.mtimeSeconds));
}

void TFindInDir::Scan() {
    // Restores the walk state of an outer scan when this one was started from its handler.
    struct Restore {
        TFindInDir& self;
        std::uint64_t active;
        std::set<std::pair<std::uint64_t, std::uint64_t>> visited;
        ~Restore() {
            self.m_activeGeneration = active;
            self.m_visited = std::move(visited);
        }
    } restore{*this, m_activeGeneration, std::move(m_visited)};
    m_visited.clear();

    const std::uint64_t generation = ++m_generation;
    m_activeGeneration = generation;
    m_identity.uid = ::geteuid();
    m_identity.gid = ::getegid();
    m_identity.groups.clear();
    if (const int n = ::getgroups(0, nullptr); n > 0) {
        std::vector<gid_t> g(static_cast<std::size_t>(n));
        const int got = ::getgroups(n, g.data());
        for (int i = 0; i < got; ++i) m_identity.groups.push_back(g[static_cast<std::size_t>(i)]);
    }

    Pause = false;
    StopScan = false;
    walk(InitialDir, FileMask);
    if (generation != m_generation) return;
    if (const Notify handler = OnEndScan) handler(*this);
}

void TFindInDir::ScanFolder(std::string folder, const std::string& mask) {
    if (m_depth == 0) m_visited.clear();
    walk(std::move(folder), mask);
}

void TFindInDir::walk(std::string folder, const std::string& mask) {
    if (folder.empty()) return;  // an empty start names no folder (never the root)
    if (folder.back() != kFolderSeparator) folder.push_back(kFolderSeparator);
    if (Masks.empty()) {
        if (mask.empty()) return;
        Masks.push_back(mask);
    }

    struct Depth {
        int& d;
        explicit Depth(int& depth) : d(depth) { ++d; }
        ~Depth() { --d; }
    } depth(m_depth);

    // One listing serves every mask and the subfolder pass; the entries keep the order in
    // which the system enumerates them.
    DirHandle dir(folder);
    std::vector<Listed> entries;
    if (dir.get()) {
        struct stat self {};
        if (::fstat(::dirfd(dir.get()), &self) == 0) {
            const std::pair<std::uint64_t, std::uint64_t> id{self.st_dev, self.st_ino};
            if (!m_visited.insert(id).second) return;
        }
        while (const dirent* d = ::readdir(dir.get())) {
            if (isDotOrDotDot(d->d_name)) continue;
            Listed e;
            e.name = d->d_name;
            e.type = d->d_type;
            entries.push_back(std::move(e));
        }
    }
    const int dirFd = dir.get() ? ::dirfd(dir.get()) : -1;

    for (std::size_t i = 0; i < Masks.size(); ++i) {
        waitWhilePaused();
        if (halted()) return;
        std::string pattern = Masks[i];  // a copy: handlers may edit the list
        if (pattern.empty()) continue;
        const bool foldersWanted = pattern.back() == kFolderSeparator;
        if (foldersWanted) pattern.pop_back();
        // One mask of several patterns reports a file once, however many of them it matches.
        const std::vector<std::u32string> patterns = foldedPatterns(pattern);
        for (auto& e : entries) {
            if (e.folded.empty()) e.folded = foldedCodePoints(e.name);
            if (!matchesAny(patterns, e.folded)) continue;
            if (statEntry(e, dirFd, folder)) {
                const bool isDir = S_ISDIR(e.st.st_mode);
                // Pipes, sockets and devices are no files to show: reading one could block.
                const bool isFile = S_ISREG(e.st.st_mode);
                if ((isDir && foldersWanted) || (isFile && !foldersWanted)) {
                    CurrentFolder = folder;
                    CurrentName = isDir ? e.name + kFolderSeparator : e.name;
                    MaskIndex = static_cast<std::int32_t>(i);
                    fillEntry(e.name, &e.st);
                    // A copy: a handler may replace itself while it runs.
                    const Notify handler = isDir ? OnFoundDir : OnFoundFile;
                    if (handler) handler(*this);
                }
            }
            pump();
            waitWhilePaused();
            if (halted()) break;
        }
        waitWhilePaused();
        if (halted()) break;
    }

    waitWhilePaused();
    if (halted() || !ScanSubfolders) return;
    dir.close();

    for (auto& e : entries) {
        // Hidden folders are never entered, and hidden entries are not listed in this pass.
        if (e.name[0] == '.') continue;
        const bool maybeDir = e.type == DT_DIR || e.type == DT_LNK || e.type == DT_UNKNOWN;
        if (maybeDir && statEntry(e, -1, folder) && S_ISDIR(e.st.st_mode)) {
            const std::pair<std::uint64_t, std::uint64_t> id{e.st.st_dev, e.st.st_ino};
            // A link back to a folder on the current walk would never end, and one to a folder
            // already walked would list it again.
            if (!m_visited.contains(id)) {
                CurrentFolder = folder;
                CurrentName.clear();
                MaskIndex = -1;
                fillEntry(e.name, &e.st);
                if (const Notify handler = OnChangeDir) handler(*this);
                if (!halted()) walk(folder + e.name, mask);
            }
        }
        pump();
        waitWhilePaused();
        if (halted()) break;
    }
}

}  // namespace vexilo::search
