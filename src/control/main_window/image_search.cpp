#include "control/main_window/image_search.h"

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
}

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

    // A copy: the user may edit the folder list while the scan pumps events.
    const std::vector<std::string> folders = searchFolders.checkedTexts();
    for (const auto& folder : folders) {
        if (m_restartPending) break;
        m_finder.InitialDir = folder;
        if (!folder.empty()) m_finder.Scan();
        if (m_finder.StopScan) break;
    }
    if (!m_restartPending) m_list.sort(SortKey);
}

void ImageSearch::SBStopScanClick() {
    m_finder.StopScan = true;
}

void ImageSearch::addRow(const std::string& caption, const Bitmap* picture, FileKind kind,
                         std::int32_t iconIndex) {
    const FoundEntry& e = m_finder.FoundEntry;
    FoundImage record;
    record.Time = dosTimeToMilliseconds(e.Time);
    record.Date = dosDateToDayNumber(e.Time);
    record.Size = static_cast<std::int64_t>(e.FullSize);
    record.Folder = m_finder.CurrentFolder;
    record.Name = e.Name;
    record.IconIndex = iconIndex;
    record.Kind = kind;
    // A loader that answered true with nothing drawn still leaves a visible thumbnail; a row
    // without thumbnails passes no picture at all.
    const Bitmap* shown = picture && picture->empty() ? &m_placeholder : picture;
    m_list.addRow(caption, std::move(record), shown);
}

void ImageSearch::FindInDir1FoundFile() {
    const std::string name = m_finder.FoundEntry.Name;
    const std::string path = m_finder.CurrentFolder + name;

    if (!buildThumbnails) {
        addRow(name, nullptr, kKindNotProbed, -1);
    } else if (m_allFiles) {
        Bitmap icon;
        if (LoadAssociatedIcon(path, &icon)) addRow(name, &icon, kind::AllFiles, -1);
    } else {
        Bitmap picture;
        const auto icons = ForEachExecutableIcon(path, [&](std::uint16_t i, const Bitmap* icon) {
            if (icon) addRow(name + " (" + std::to_string(i) + ")", icon, kind::Exe, i);
            return icon != nullptr;
        });
        if (!icons) {
            FileKind found = kind::AllFiles;
            // The picture only fills the thumbnail cells; the larger one bounds what it needs.
            const ImageList& large = m_list.largeImages();
            const ImageList& small = m_list.smallImages();
            const LoadRequest request =
                LoadRequest::thumbnail(std::max(large.width(), small.width()),
                                       std::max(large.height(), small.height()), &m_loadBuffers);
            if (ProbeImageKind(path, &picture, found, request)) {
                addRow(name, &picture, found, -1);
            } else {
                addRow(name, &m_placeholder, kind::AllFiles, -1);
            }
        }
    }
    ShowScanProgress();
}

void ImageSearch::FindInDir1EndScan() {
    if (onEndScan) onEndScan();
}

void ImageSearch::ShowScanProgress() {
    if (!onProgress) return;
    if (!onProgress(ScanProgress{m_list.size(), m_finder.CurrentFolder})) m_finder.StopScan = true;
}

void ImageSearch::SelListViewSort(int button) {
    if (button < 0 || button > 5) return;
    SortKey = static_cast<std::uint8_t>(button + 1);
    m_list.sort(SortKey);
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
