#include "control/main_window/image_search.h"

#include <sys/stat.h>

#include <algorithm>

#include "base/text.h"
#include "imageio/file_kind.h"
#include "imageio/loaders.h"
#include "search/placeholder.h"

namespace vexilo::search {

namespace {
// Folders compare as the file system does: letter case matters, a trailing '/' does not.
std::string folderKey(std::string folder) {
    while (folder.size() > 1 && folder.back() == kFolderSeparator) folder.pop_back();
    return folder;
}
}  // namespace

ImageSearch::ImageSearch() : m_placeholder(makePlaceholderImage()) {
    for (auto& item : defaultMaskEntries()) masks.items.push_back(item);
    m_finder.OnFoundFile = [this](TFindInDir&) { FindInDir1FoundFile(); };
    m_finder.OnEndScan = [this](TFindInDir&) { FindInDir1EndScan(); };
    m_addRow = [this](const QueuedFile& file, QueuedRow&& row) { addRow(file, std::move(row)); };
    m_list.remakeThumbnail = [this](const FoundRow& row) { return remakeThumbnail(row); };
}

std::optional<Bitmap> ImageSearch::remakeThumbnail(const FoundRow& row) const {
    const FoundImage& img = row.image;
    if (img.Kind == kKindNotProbed) return std::nullopt;
    const std::string path = img.path();
    Bitmap picture;
    try {
        if (img.IconIndex >= 0) {
            auto index = static_cast<std::uint16_t>(img.IconIndex);
            LoadRequest request = LoadRequest::thumbnail(
                std::max(m_list.largeImages().pixelWidth(), m_list.smallImages().pixelWidth()),
                std::max(m_list.largeImages().pixelHeight(), m_list.smallImages().pixelHeight()));
            request.iconSize = iconSize;
            if (LoadExecutableIcon(path, index, &picture, request)) return picture;
        } else if (img.Kind == kind::AllFiles) {
            if (LoadAssociatedIcon(path, &picture)) return picture;
        } else if (struct stat st{}; ::stat(path.c_str(), &st) == 0) {
            // A cache read when the scan wrote the thumbnail: cheap enough to do while drawing.
            std::optional<ThumbnailCache> cache;
            if (useThumbnailCache && turnByOrientation && !thumbnailNeedsDesktop(path))
                cache.emplace(ThumbnailCache::defaultRoot());
            if (cache && cache->holds(img.Folder)) cache.reset();
            const ThumbnailJob job{
                path,
                st.st_mtime,
                static_cast<std::uint64_t>(st.st_size),
                std::max(m_list.largeImages().pixelWidth(), m_list.smallImages().pixelWidth()),
                std::max(m_list.largeImages().pixelHeight(), m_list.smallImages().pixelHeight()),
                cache ? &*cache : nullptr,
                iconSize,
                turnByOrientation};
            Thumbnail made = MakeThumbnail(job, nullptr);
            if (made.loaded && !made.picture.empty()) return std::move(made.picture);
        }
    } catch (const std::exception&) {
        // Asked for while drawing: a file that went bad since the scan shows the placeholder.
    }
    return m_placeholder;
}

ImageSearch::~ImageSearch() = default;

void ImageSearch::initMaskList(const std::vector<std::string>& userMaskTexts) {
    masks.items = defaultMaskEntries();
    masks.current = -1;
    for (const auto& m : userMaskTexts)
        if (!m.empty() && masks.findIgnoringCase(m) < 0) masks.append(m, false);
}

std::vector<std::string> ImageSearch::userMasks() const {
    std::vector<std::string> out;
    for (std::size_t i = 1; i < masks.items.size(); ++i)
        if (!isBuiltInMask(masks.items[i].text)) out.push_back(masks.items[i].text);
    return out;
}

void ImageSearch::setSearchFolders(const std::vector<std::string>& folders) {
    searchFolders.items.clear();
    searchFolders.current = -1;
    for (const auto& f : folders) searchFolders.append(f, false);
}

bool ImageSearch::hasCheckedFolder() const {
    for (const auto& item : searchFolders.items)
        if (item.checked) return true;
    return false;
}

void ImageSearch::RunScan() {
    if (m_running) {
        // Called from an event pumped by the running scan: end that one first, then start
        // afresh once it has returned, so its remaining rows never reach the new list.
        m_restartPending = true;
        m_finder.StopScan = true;
        return;
    }
    struct Running {
        ImageSearch& s;
        ~Running() {
            // Also after a loader exception: no worker outlives the scan.
            s.m_queue.reset();
            s.m_cache.reset();
            s.m_running = false;
            s.m_restartPending = false;
        }
    } running{*this};
    m_running = true;
    do {
        m_restartPending = false;
        runOnce();
    } while (m_restartPending);
}

void ImageSearch::runOnce() {
    m_list.clear();
    m_finder.Masks.clear();
    m_finder.FileMask.clear();
    m_allFiles = false;
    const std::string allFilesName = fileKindName(kind::AllFiles);
    for (const auto& item : masks.items) {
        if (!item.checked) continue;
        if (item.text == allFilesName) {
            m_finder.FileMask = std::string(kAllNamesMask);
            m_finder.Masks.clear();
            m_allFiles = true;
            break;
        }
        m_finder.Masks.push_back(item.text);
    }
    m_finder.ScanSubfolders = scanSubfolders;
    if (onScanStarted) onScanStarted();

    m_cache.reset();
    m_cacheCheckedFolder.clear();
    if (buildThumbnails && useThumbnailCache && turnByOrientation && !m_allFiles)
        m_cache = std::make_unique<ThumbnailCache>(ThumbnailCache::defaultRoot());
    ThumbnailQueue::Options options;
    options.threads = thumbnailThreads;
    options.thumbnails = buildThumbnails;
    options.associatedIcons = m_allFiles;
    // The picture only fills the thumbnail cells; the larger one bounds what it needs.
    options.cellWidth = std::max(m_list.largeImages().pixelWidth(), m_list.smallImages().pixelWidth());
    options.cellHeight = std::max(m_list.largeImages().pixelHeight(), m_list.smallImages().pixelHeight());
    options.iconSize = iconSize;
    options.cache = m_cache.get();
    options.turnByOrientation = turnByOrientation;
    m_queue = std::make_unique<ThumbnailQueue>(options);

    // A copy: the user may edit the folder list while the scan pumps events.
    const std::vector<std::string> folders = searchFolders.checkedTexts();
    for (const auto& folder : folders) {
        if (m_restartPending) break;
        m_finder.InitialDir = folder;
        if (!folder.empty()) m_finder.Scan();
        if (m_finder.StopScan || m_restartPending) break;
        m_queue->settle(m_addRow, 0);
    }
    // Stopped: the files already found but not yet made are left out at once.
    if (m_finder.StopScan || m_restartPending)
        m_queue->stop(m_addRow);
    else
        m_queue->settle(m_addRow, 0);
    m_queue.reset();
    if (!m_restartPending) m_list.sort(SortKey, naturalOrder);
}

bool ImageSearch::cacheAllowedHere() {
    if (!m_cache) return false;
    if (m_finder.CurrentFolder != m_cacheCheckedFolder) {
        m_cacheCheckedFolder = m_finder.CurrentFolder;
        m_cacheAllowed = !m_cache->holds(m_cacheCheckedFolder);
    }
    return m_cacheAllowed;
}

void ImageSearch::SBStopScanClick() {
    m_finder.StopScan = true;
}

void ImageSearch::addRow(const QueuedFile& file, QueuedRow&& row) {
    const FoundEntry& e = file.entry;
    FoundImage record;
    record.Time = dosTimeToMilliseconds(e.Time);
    record.Date = dosDateToDayNumber(e.Time);
    record.Size = static_cast<std::int64_t>(e.FullSize);
    record.Folder = file.folder;
    record.Name = e.Name;
    record.IconIndex = row.iconIndex;
    record.Kind = row.kind;
    // A loader that answered true with nothing drawn still leaves a visible thumbnail; a row
    // without thumbnails passes no picture at all.
    const Bitmap* picture = row.picture && keepThumbnails ? &*row.picture : nullptr;
    const Bitmap* shown = picture && picture->empty() ? &m_placeholder : picture;
    m_list.addRow(std::move(row.caption), std::move(record), shown);
}

void ImageSearch::FindInDir1FoundFile() {
    if (!m_queue) return;  // only a running scan reports files
    // The thumbnail is made on a worker; the rows come in finding order, a few files behind.
    m_queue->add(m_finder.CurrentFolder, m_finder.FoundEntry, cacheAllowedHere());
    m_queue->settle(m_addRow, m_queue->aheadLimit());
    ShowScanProgress();
}

void ImageSearch::FindInDir1EndScan() {
    // The files still on the workers get their rows first, so that the end counts every row of
    // the folder (a stopped or superseded scan drops them instead).
    if (m_queue && !m_finder.StopScan && !m_restartPending) m_queue->settle(m_addRow, 0);
    if (onEndScan) onEndScan();
}

void ImageSearch::ShowScanProgress() {
    if (!onProgress) return;
    if (!onProgress(ScanProgress{m_list.size(), m_finder.CurrentFolder})) m_finder.StopScan = true;
}

void ImageSearch::SelListViewSort(int button) {
    if (button < 0 || button > 5) return;
    SortKey = static_cast<std::uint8_t>(button + 1);
    m_list.sort(SortKey, naturalOrder);
}

void ImageSearch::ChLBMasksClickCheck() {
    const int a = masks.find(fileKindName(kind::AllFiles));
    if (a < 0) return;
    auto& all = masks.items[static_cast<std::size_t>(a)];
    if (AllFilesExclusive && all.checked) {
        for (std::size_t i = 0; i < masks.items.size(); ++i)
            if (static_cast<int>(i) != a) masks.items[i].checked = false;
        AllFilesExclusive = false;
    } else {
        all.checked = false;
        AllFilesExclusive = true;
    }
}

void ImageSearch::BitBtnAddMaskClick(std::string& maskEdit) {
    if (maskEdit.empty()) return;
    maskEdit = foldCase(maskEdit);
    const int at = masks.findIgnoringCase(maskEdit);
    if (at >= 0)
        masks.items[static_cast<std::size_t>(at)].checked = true;
    else
        masks.append(maskEdit, true);
}

void ImageSearch::EMaskKeyUp(bool enterKey, bool modifierHeld, std::string& maskEdit) {
    if (!enterKey || modifierHeld) return;
    masks.checkAll(false);
    BitBtnAddMaskClick(maskEdit);
}

void ImageSearch::SBAddPathClick(const std::string& folder) {
    const std::string key = folderKey(folder);
    for (auto& item : searchFolders.items) {
        if (folderKey(item.text) == key) {
            item.checked = true;
            return;
        }
    }
    if (!folder.empty()) searchFolders.append(folder, true);
}

void ImageSearch::SBDelPathClick(DeletePaths which) {
    if (which == DeletePaths::All) {
        while (!searchFolders.items.empty()) searchFolders.remove(searchFolders.items.size() - 1);
        searchFolders.current = -1;
        return;
    }
    if (searchFolders.current < 0) return;
    for (std::size_t i = 0; i < searchFolders.items.size(); ++i) {
        if (searchFolders.items[i].selected) {
            searchFolders.remove(i);
            return;
        }
    }
}

}  // namespace vexilo::search
