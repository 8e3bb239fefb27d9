#pragma once
// The scan's thumbnails on every core: found files go in on the scanning thread, are decoded on
// a pool of workers (or read from the thumbnail cache), and come back as rows on the scanning
// thread, in the order the files were found, with the pictures a one-thread scan makes. What
// needs the desktop (executables' icons, metafiles, the associated icon of a file no decoder
// reads) is loaded on the scanning thread.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/worker_pool.h"
#include "imageio/file_kind.h"
#include "raster/bitmap.h"
#include "search/find_in_dir.h"
#include "search/thumbnail_maker.h"

namespace vexilo::search {

// One row of a found file.
struct QueuedRow {
    std::string caption;
    // Null: the row has no thumbnail (a scan without thumbnails). An empty raster: it shows the
    // placeholder.
    std::optional<Bitmap> picture;
    FileKind kind = kind::AllFiles;
    std::int32_t iconIndex = -1;
};

// What a file's rows are made from, settled in finding order.
struct QueuedFile {
    std::string folder;
    FoundEntry entry;
};

class ThumbnailQueue {
public:
    using RowSink = std::function<void(const QueuedFile& file, QueuedRow&& row)>;

    struct Options {
        int threads = 0;  // 0: one per core; 1: everything on the scanning thread
        bool thumbnails = true;
        bool associatedIcons = false;  // "All files as Windows Icons": every file shows its icon
        int cellWidth = 0, cellHeight = 0;
        const ThumbnailCache* cache = nullptr;
        IconSize iconSize = IconSize::System;  // the advanced option "Icon size"
        bool turnByOrientation = true;         // see LoadRequest
    };
    explicit ThumbnailQueue(const Options& options);
    ~ThumbnailQueue();
    ThumbnailQueue(const ThumbnailQueue&) = delete;
    ThumbnailQueue& operator=(const ThumbnailQueue&) = delete;

    // Queues a file. cached says whether its thumbnail may use the cache (a file inside the
    // cache folder may not).
    void add(const std::string& folder, const FoundEntry& entry, bool cached);
    // Hands out the rows of the oldest files whose thumbnails are done; then waits for the
    // oldest until no more than `inFlight` files are left. Loader exceptions reach the caller.
    void settle(const RowSink& sink, std::size_t inFlight);
    // How many files may be ahead of the rows without the window waiting longer than a
    // one-thread scan does.
    std::size_t aheadLimit() const;
    // A stop: jobs no worker started are dropped; the rows of files before the first dropped
    // one are still handed out (waiting at most for the jobs the workers are at).
    void stop(const RowSink& sink);
    std::size_t threadCount() const { return m_pool.threadCount(); }

private:
    struct Flight {
        QueuedFile file;
        std::optional<std::size_t> ticket;  // the pool's, when a worker makes the thumbnail
        std::vector<QueuedRow> rows;        // made on this thread, when there is no ticket
    };
    void loadHere(Flight& flight) const;
    void settleOldest(const RowSink& sink);
    std::vector<QueuedRow> rowsOf(const Flight& flight, Thumbnail&& made) const;

    Options m_options;
    WorkerPool<ThumbnailJob, Thumbnail> m_pool;
    std::deque<Flight> m_inFlight;
};

}  // namespace vexilo::search
