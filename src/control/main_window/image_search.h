#pragma once
// The search of the main window without its widgets: the mask list and the search folders, the
// scan that turns every reported file into rows with thumbnails, and the sorting of the rows.
// A window mirrors these lists, forwards its commands here and shows what the callbacks report.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "control/main_window/check_list.h"
#include "imageio/load_request.h"
#include "imageio/load_source.h"
#include "raster/bitmap.h"
#include "search/find_in_dir.h"
#include "search/found_list.h"
#include "search/thumbnail_cache.h"
#include "search/thumbnail_queue.h"

namespace vexilo::search {

// What the status bar shows while a scan runs: panel 0 the row count, panel 1 the folder.
struct ScanProgress {
    std::size_t rows = 0;
    std::string folder;
};

class ImageSearch {
public:
    ImageSearch();
    ~ImageSearch();
    ImageSearch(const ImageSearch&) = delete;
    ImageSearch& operator=(const ImageSearch&) = delete;

    // The "Search" tab's lists and the "Scan subfolders" box (checked when the window opens).
    CheckList masks;
    CheckList searchFolders;
    bool scanSubfolders = true;
    // The comparison in use (see sortkey) and the "All files" toggle state of the mask list.
    std::uint8_t SortKey = sortkey::Finding;
    bool AllFilesExclusive = true;
    // False: rows are made from the directory entries alone, without loading any file; they get
    // no thumbnails, IconIndex -1 and Kind kKindNotProbed.
    bool buildThumbnails = true;
    // Thumbnails come from and go to the desktop's shared thumbnail cache (the advanced option).
    bool useThumbnailCache = true;
    // The advanced option "Icon size": which image of an icon the thumbnails show.
    IconSize iconSize = IconSize::System;
    // Pictures turned by their EXIF orientation (the advanced option). The shared cache holds
    // turned thumbnails, so a scan without the turn neither reads nor writes it.
    bool turnByOrientation = true;
    // Names and folders sort with digit runs as numbers (img2 before img10; an advanced option).
    bool naturalOrder = false;
    // False: every thumbnail is made (the rows' kinds and icon numbers come from it) but not
    // kept, so a scan of many files costs only its rows (the command line prints no picture).
    bool keepThumbnails = true;
    // Threads that make thumbnails: 0 one per core, 1 the scanning thread alone.
    int thumbnailThreads = 0;

    FoundImageList& list() { return m_list; }
    const FoundImageList& list() const { return m_list; }
    TFindInDir& FindInDir1() { return m_finder; }
    const Bitmap& PlaceholderImage() const { return m_placeholder; }

    // Refills the mask list with the format table's start entries and then the user's own masks, unchecked
    // (a mask the list already holds, apart from letter case, is not added twice).
    void initMaskList(const std::vector<std::string>& userMasks);
    // The masks the user added: every entry after the first that is not a built-in mask.
    std::vector<std::string> userMasks() const;
    // Replaces the search folders by these, unchecked.
    void setSearchFolders(const std::vector<std::string>& folders);
    bool hasCheckedFolder() const;

    // Clears the rows, walks every checked search folder with the checked masks, and sorts the
    // rows by SortKey (also after a stop). Started while a scan runs (from a pumped event), it
    // stops that scan and runs once the older one has unwound, so two scans never share the
    // list. Loader exceptions end the scan and reach the caller.
    void RunScan();
    bool scanning() const { return m_running; }
    // The rows come from a scan with "All files as Windows Icons" checked: a row of kind 0 is
    // then the file's associated icon by the user's choice, not a file no decoder read.
    bool listedAsIcons() const { return m_allFiles; }
    // Asks a running scan to stop after the current entry; rows found so far are kept.
    void SBStopScanClick();

    // Sort button k (0 "Name" to 5 "Path"): SortKey = k + 1, then sort.
    void SelListViewSort(int button);

    // Mask list rules. Call ChLBMasksClickCheck after the user toggled any box.
    void ChLBMasksClickCheck();
    // Lower-cases the edit's text in place; checks the entry holding it or appends it checked.
    void BitBtnAddMaskClick(std::string& maskEdit);
    // Enter released without modifiers: the typed mask becomes the only checked one.
    void EMaskKeyUp(bool enterKey, bool modifierHeld, std::string& maskEdit);

    // Search folder rules: add (or check) the folder the user picked; delete the first selected
    // entry or every entry.
    void SBAddPathClick(const std::string& folder);
    void SBDelPathClick(DeletePaths which);
    // A folder dropped from the folder tree is added as by SBAddPathClick.
    void CheckListBox1DragDrop(const std::string& folder) { SBAddPathClick(folder); }

    // The scanner's handlers.
    void FindInDir1FoundFile();
    void FindInDir1EndScan();
    void ShowScanProgress();

    // Told when a scan starts (rows cleared: update command states, status panels), after every
    // reported file (returning false stops the scan), and when each folder's walk ends.
    std::function<void()> onScanStarted;
    std::function<bool(const ScanProgress&)> onProgress;
    std::function<void()> onEndScan;

private:
    void runOnce();
    void addRow(const QueuedFile& file, QueuedRow&& row);
    // A row's thumbnail made again after the list let it go, by the scan's rules.
    std::optional<Bitmap> remakeThumbnail(const FoundRow& row) const;
    // Whether files of the current folder may use the cache: not those inside it.
    bool cacheAllowedHere();

    TFindInDir m_finder;
    FoundImageList m_list;
    Bitmap m_placeholder;
    bool m_running = false;
    bool m_restartPending = false;
    bool m_allFiles = false;                  // "All files as Windows Icons" was checked when the scan began
    std::unique_ptr<ThumbnailCache> m_cache;  // during a scan that uses it
    std::unique_ptr<ThumbnailQueue> m_queue;  // during a scan
    ThumbnailQueue::RowSink m_addRow;
    std::string m_cacheCheckedFolder;
    bool m_cacheAllowed = false;
};

}  // namespace vexilo::search
