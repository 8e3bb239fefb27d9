#include "search/thumbnail_queue.h"

#include <algorithm>
#include <thread>

#include "imageio/load_source.h"
#include "imageio/loaders.h"
#include "search/found_image.h"

namespace vexilo::search {

namespace {

int workerCount(int threads) {
    const int wanted = threads > 0 ? threads : static_cast<int>(std::thread::hardware_concurrency());
    // One thread: the scanning thread does every job itself as it takes it.
    return wanted > 1 ? wanted : 0;
}

Thumbnail makeOnWorker(ThumbnailJob& job) {
    // Each thread lends its own buffers from file to file.
    thread_local LoadBuffers buffers;
    return MakeThumbnail(job, &buffers);
}

}  // namespace

ThumbnailQueue::ThumbnailQueue(const Options& options)
    : m_options(options), m_pool(options.thumbnails ? workerCount(options.threads) : 0, makeOnWorker) {}

ThumbnailQueue::~ThumbnailQueue() {
    m_pool.dropPending();
}

std::size_t ThumbnailQueue::aheadLimit() const {
    // Two files a worker keep every worker busy while the oldest is taken; without workers each
    // file is made as it is found, as the scan always did.
    return 2 * m_pool.threadCount();
}

void ThumbnailQueue::add(const std::string& folder, const FoundEntry& entry, bool cached) {
    Flight flight{{folder, entry}, std::nullopt, {}};
    const std::string path = folder + entry.Name;
    if (!m_options.thumbnails || m_options.associatedIcons || thumbnailNeedsDesktop(path)) {
        loadHere(flight);
    } else {
        ThumbnailJob job{path,
                         entry.WriteSeconds,
                         entry.FullSize,
                         m_options.cellWidth,
                         m_options.cellHeight,
                         cached ? m_options.cache : nullptr,
                         m_options.iconSize,
                         m_options.turnByOrientation};
        flight.ticket = m_pool.submit(std::move(job));
    }
    m_inFlight.push_back(std::move(flight));
}

void ThumbnailQueue::loadHere(Flight& flight) const {
    const std::string& name = flight.file.entry.Name;
    const std::string path = flight.file.folder + name;
    auto& rows = flight.rows;
    if (!m_options.thumbnails) {
        rows.push_back({name, std::nullopt, kKindNotProbed, -1});
        return;
    }
    Bitmap picture;
    if (m_options.associatedIcons) {
        if (LoadAssociatedIcon(path, &picture))
            rows.push_back({name, std::move(picture), kind::AllFiles, -1});
        return;
    }
    LoadRequest request = LoadRequest::thumbnail(m_options.cellWidth, m_options.cellHeight);
    request.iconSize = m_options.iconSize;
    request.turnByOrientation = m_options.turnByOrientation;
    const auto icons = ForEachExecutableIcon(
        path,
        [&](std::uint16_t i, const Bitmap* icon) {
            if (icon) rows.push_back({name + " (" + std::to_string(i) + ")", *icon, kind::Exe, i});
            return icon != nullptr;
        },
        request);
    if (icons) return;
    FileKind found = kind::AllFiles;
    if (ProbeImageKind(path, &picture, found, request))
        rows.push_back({name, std::move(picture), found, -1});
    else
        rows.push_back({name, Bitmap(), kind::AllFiles, -1});
}

std::vector<QueuedRow> ThumbnailQueue::rowsOf(const Flight& flight, Thumbnail&& made) const {
    const std::string& name = flight.file.entry.Name;
    std::vector<QueuedRow> rows(1);  // filled in place: a picture is never copied
    QueuedRow& row = rows.front();
    row.caption = name;
    if (made.loaded) {
        row.picture = std::move(made.picture);
        row.kind = made.kind;
        return rows;
    }
    // No decoder reads it: the probe's last resort, the file's associated icon, else the
    // placeholder (an empty picture).
    row.picture.emplace();
    if (!LoadImageAs(kind::AllFiles, flight.file.folder + name, &*row.picture,
                     LoadRequest::thumbnail(m_options.cellWidth, m_options.cellHeight)))
        *row.picture = Bitmap();
    return rows;
}

void ThumbnailQueue::settleOldest(const RowSink& sink) {
    Flight flight = std::move(m_inFlight.front());
    m_inFlight.pop_front();
    std::vector<QueuedRow> rows =
        flight.ticket ? rowsOf(flight, m_pool.take(*flight.ticket)) : std::move(flight.rows);
    for (auto& row : rows) sink(flight.file, std::move(row));
}

void ThumbnailQueue::settle(const RowSink& sink, std::size_t inFlight) {
    while (!m_inFlight.empty() && (!m_inFlight.front().ticket || m_pool.ready(*m_inFlight.front().ticket)))
        settleOldest(sink);
    while (m_inFlight.size() > inFlight) settleOldest(sink);
}

void ThumbnailQueue::stop(const RowSink& sink) {
    const std::vector<std::size_t> dropped = m_pool.dropPending();
    while (!m_inFlight.empty()) {
        const auto& ticket = m_inFlight.front().ticket;
        if (ticket && std::find(dropped.begin(), dropped.end(), *ticket) != dropped.end()) break;
        settleOldest(sink);
    }
    m_inFlight.clear();
}

}  // namespace vexilo::search
