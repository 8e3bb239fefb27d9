#include "batch/batch_job.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <random>
#include <thread>

#include "base/byte_reader.h"
#include "base/errors.h"
#include "base/file_io.h"
#include "base/paths.h"
#include "imageio/loaders.h"
#include "imageio/savers.h"
#include "raster/raster_ops.h"

namespace vexilo {

namespace {

std::size_t nameStart(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

// One file of the run as the job decided it, in file order.
struct Row {
    std::size_t index = 0;
    std::string source;
    std::string output;
    int iconIndex = -1;
};

enum class Outcome { Converted, NotLoaded, Failed, Error, NeedsDesktop };

struct Converted {
    Outcome outcome = Outcome::Failed;
    std::string staged;  // the complete output under a temporary name, for Converted
    std::string error;   // for Error
    bool sized = false;  // the source loaded and an output size was computed
    int width = 0, height = 0;
};

// The temporary name an output is written under, in the output's own folder (so the final
// rename stays on one file system) and with its extension (the metafile writer picks its
// format by it).
std::string stagingPath(const std::string& output) {
    static std::mutex m;
    static std::mt19937 random{std::random_device{}()};
    std::uint32_t number;
    {
        const std::lock_guard<std::mutex> lock(m);
        number = static_cast<std::uint32_t>(random() % 100000000u);
    }
    const std::size_t start = nameStart(output);
    return output.substr(0, start) + "." + output.substr(start) + ".vxpart" + std::to_string(number) +
           lowerExtension(output);
}

void removeQuietly(const std::string& path) {
    if (!path.empty()) ::unlink(path.c_str());
}

// Two workers may both find an output folder missing; one creates it at a time, so the
// second sees it made instead of failing on its own creation call.
std::mutex& folderMutex() {
    static std::mutex m;
    return m;
}

bool fitsLimits(int width, int height) {
    const DecodeLimits& limits = kDefaultDecodeLimits;
    return width >= 1 && height >= 1 && static_cast<std::uint32_t>(width) <= limits.maxWidth &&
           static_cast<std::uint32_t>(height) <= limits.maxHeight &&
           static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= limits.maxPixels;
}

// Loads, sizes, frames and writes one file under its staging name. On a worker (only for rows
// that needsDesktop() leaves to it) a file that no decoder reads comes back as NeedsDesktop.
Converted convertRow(const Row& row, const BatchRequest& request, const ExportOptions& options,
                     bool onWorker) {
    Converted result;
    Bitmap source;
    bool loaded = false;
    try {
        if (row.iconIndex == -1 && onWorker) {
            // ProbeImageKind's order without its last step, the associated icon, which only the
            // calling thread may ask for.
            for (FileKind k = 1; k <= 12 && !loaded; ++k) {
                try {
                    loaded = LoadImageAs(k, row.source, &source);
                } catch (...) {
                }
            }
            if (!loaded) {
                result.outcome = Outcome::NeedsDesktop;
                return result;
            }
        } else if (row.iconIndex == -1) {
            FileKind kind = 0;
            loaded = ProbeImageKind(row.source, &source, kind);
        } else {
            auto index = static_cast<std::uint16_t>(row.iconIndex);
            loaded = LoadExecutableIcon(row.source, index, &source);
        }
    } catch (const std::exception&) {
        loaded = false;  // a file that no loader accepts, whatever the reason
    }
    if (!loaded) {
        result.outcome = Outcome::NotLoaded;
        return result;
    }
    BatchOutputSize(request, source.width(), source.height(), result.width, result.height);
    result.sized = true;
    // An output of no pixels, or one too large to hold, is a failed save, not the end of the
    // run: the other files still convert.
    if (!fitsLimits(result.width, result.height)) {
        result.outcome = Outcome::Failed;
        return result;
    }
    try {
        Bitmap output;
        StretchInto(source, output, result.width, result.height);
        source = Bitmap();
        if (request.buttonShape) DrawButtonFrame(output);
        const std::string staged = stagingPath(row.output);
        {
            const std::lock_guard<std::mutex> lock(folderMutex());
            EnsureFolder(staged);
        }
        bool saved = false;
        try {
            saved = SaveImageAs(request.targetKind, staged, &output, options);
        } catch (...) {
            removeQuietly(staged);
            throw;
        }
        if (saved) {
            result.outcome = Outcome::Converted;
            result.staged = staged;
        } else {
            removeQuietly(staged);
            result.outcome = Outcome::Failed;
        }
    } catch (const std::bad_alloc&) {
        result.outcome = Outcome::Failed;
    } catch (const std::exception& e) {
        result.outcome = Outcome::Error;
        result.error = e.what();
    }
    return result;
}

// Puts a staged output in its place. A file being replaced keeps its permissions.
void commitStaged(const std::string& staged, const std::string& output) {
    struct stat st {};
    if (::stat(output.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::chmod(staged.c_str(), st.st_mode & 07777);
    if (::rename(staged.c_str(), output.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        removeQuietly(staged);
        throw ImageError("Cannot replace file \"" + output + "\": " + reason);
    }
}

// Rows whose loading may call the desktop services (metafile playback, the icon extraction's
// associated icons) belong to the calling thread; so does any file that no decoder reads,
// since probing ends with its associated icon.
bool needsDesktop(const Row& row) {
    if (row.iconIndex != -1) return true;
    const std::string ext = lowerExtension(row.source);
    if (ext == ".wmf" || ext == ".emf") return true;
    std::string upper = ext;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return !upper.empty() && std::string_view(".EXE.DLL.CPL.CUR").find(upper) != std::string_view::npos;
}

// A path spelled another way (./a.png, a symbolic link) is the same file for the ordering
// rules below.
std::string samePathKey(const std::string& path) {
    std::error_code ec;
    const auto canonical = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    return ec ? path : canonical.string();
}

// The work shared with the workers: rows to convert, and their results by file order.
class WorkQueue {
public:
    void push(Row row) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_pending.push_back(std::move(row));
        }
        m_wake.notify_one();
    }
    void close() {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_closed = true;
        }
        m_wake.notify_all();
    }
    // For a worker: the next row, or none once closed and empty.
    std::optional<Row> take() {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, [&] { return m_closed || !m_pending.empty(); });
        if (m_pending.empty()) return std::nullopt;
        Row row = std::move(m_pending.front());
        m_pending.pop_front();
        return row;
    }
    void finish(std::size_t index, Converted result) {
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_done.emplace_back(index, std::move(result));
        }
        m_doneSignal.notify_all();
    }
    Converted waitFor(std::size_t index) {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            auto it =
                std::find_if(m_done.begin(), m_done.end(), [&](const auto& d) { return d.first == index; });
            if (it != m_done.end()) {
                Converted result = std::move(it->second);
                m_done.erase(it);
                return result;
            }
            m_doneSignal.wait(lock);
        }
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake, m_doneSignal;
    std::deque<Row> m_pending;
    std::vector<std::pair<std::size_t, Converted>> m_done;
    bool m_closed = false;
};

class Run {
public:
    Run(BatchRequest& request, const ExportOptions& options, const BatchCallbacks& callbacks, int workers)
        : m_request(request), m_options(options), m_callbacks(callbacks) {
        // With one worker the calling thread does everything itself.
        if (workers > 1)
            for (int i = 0; i < workers; ++i) m_threads.emplace_back([this] { work(); });
    }
    ~Run() {
        m_queue.close();
        for (auto& t : m_threads) t.join();
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    BatchResult go() {
        m_request.outputFolder.erase(
            std::remove(m_request.outputFolder.begin(), m_request.outputFolder.end(), '"'),
            m_request.outputFolder.end());
        // The workers see this copy; the request itself changes only on this thread.
        m_snapshot = m_request;
        m_snapshot.files.clear();
        m_snapshot.iconIndexes.clear();
        bool skipAllExisting = false;
        const std::size_t count = m_request.files.size();
        for (std::size_t i = 0; i < count && !ended(); ++i) {
            Row row;
            row.index = i;
            row.source = m_request.files[i];
            row.iconIndex = i < m_request.iconIndexes.size() ? m_request.iconIndexes[i] : -1;
            row.output = BatchOutputPath(
                row.source, m_request.outputFolder,
                BatchOutputName(row.source, m_request.targetKind, row.iconIndex, m_request.singleFile));
            // Whether the output exists, and what this row reads, may depend on an earlier row
            // still in work: that one is finished first, as in a one-by-one run.
            const std::string outKey = samePathKey(row.output), sourceKey = samePathKey(row.source);
            while (!m_inFlight.empty() &&
                   std::any_of(m_inFlight.begin(), m_inFlight.end(), [&](const Flight& f) {
                       return f.outputKey == outKey || f.outputKey == sourceKey;
                   }))
                settleOldest();
            if (ended()) break;
            if (fileExists(row.output)) {
                if (skipAllExisting) continue;
                if (m_request.promptOnReplace) {
                    // A one-by-one run asks only once every earlier row is done (and none of
                    // them ended the run).
                    while (!m_inFlight.empty()) settleOldest();
                    if (ended()) break;
                    const ReplaceAnswer answer =
                        m_callbacks.askReplace ? m_callbacks.askReplace(row.output) : ReplaceAnswer::Skip;
                    if (answer == ReplaceAnswer::OverwriteAll) m_request.promptOnReplace = false;
                    if (answer == ReplaceAnswer::Skip) continue;
                    if (answer == ReplaceAnswer::SkipAll) {
                        skipAllExisting = true;
                        continue;
                    }
                }
            }
            // At most one row per worker ahead of the one being finished, so progress stays
            // close to the work.
            while (m_inFlight.size() >= std::max<std::size_t>(1, m_threads.size())) settleOldest();
            if (ended()) break;
            BatchProgress progress{static_cast<int>(i + 1), static_cast<int>(count), row.source, row.output};
            if (m_callbacks.onProgress && !m_callbacks.onProgress(progress)) {
                m_result.stopped = true;
                break;
            }
            m_inFlight.push_back({i, outKey, row, std::nullopt});
            if (m_threads.empty() || needsDesktop(row))
                m_inFlight.back().result = convertRow(row, m_snapshot, m_options, false);
            else
                m_queue.push(std::move(row));
            if (m_threads.empty()) settleOldest();
        }
        while (!m_inFlight.empty()) settleOldest();
        return m_result;
    }

private:
    struct Flight {
        std::size_t index;
        std::string outputKey;
        Row row;
        std::optional<Converted> result;  // set when this thread converted it
    };

    bool ended() const { return m_result.stopped || !m_result.error.empty(); }

    void work() {
        while (auto row = m_queue.take()) {
            const std::size_t index = row->index;
            m_queue.finish(index, convertRow(*row, m_snapshot, m_options, true));
        }
    }

    // Takes the oldest row's result and counts it; after an error later results are dropped,
    // staged outputs and all, as a one-by-one run would never have made them.
    void settleOldest() {
        Flight flight = std::move(m_inFlight.front());
        m_inFlight.pop_front();
        Converted c = flight.result ? std::move(*flight.result) : m_queue.waitFor(flight.index);
        if (!m_result.error.empty()) {
            removeQuietly(c.staged);
            return;
        }
        if (c.outcome == Outcome::NeedsDesktop) c = convertRow(flight.row, m_snapshot, m_options, false);
        if (c.sized && m_request.percent != -1 && !m_request.actualSize) {
            m_request.width = c.width;
            m_request.height = c.height;
        }
        switch (c.outcome) {
            case Outcome::NotLoaded:
                ++m_result.notLoaded;
                break;
            case Outcome::Failed:
                ++m_result.failed;
                break;
            case Outcome::Error:
            case Outcome::NeedsDesktop:
                m_result.error = c.error;
                break;
            case Outcome::Converted:
                try {
                    commitStaged(c.staged, flight.row.output);
                    ++m_result.converted;
                } catch (const std::exception& e) {
                    m_result.error = e.what();
                }
                break;
        }
    }

    BatchRequest& m_request;
    BatchRequest m_snapshot;
    const ExportOptions& m_options;
    const BatchCallbacks& m_callbacks;
    BatchResult m_result;
    WorkQueue m_queue;
    std::deque<Flight> m_inFlight;
    std::vector<std::thread> m_threads;
};

}  // namespace

std::string BatchOutputName(const std::string& sourcePath, FileKind targetKind, int iconIndex,
                            bool singleFile) {
    std::string name = sourcePath.substr(nameStart(sourcePath));
    if (targetKind != kind::AllFiles) {
        const std::size_t dot = name.find_last_of('.');
        if (dot != std::string::npos) name.erase(dot);
        name += fileKindExtension(targetKind);
    }
    if (!singleFile && iconIndex != -1) name = std::to_string(iconIndex) + "_" + name;
    return name;
}

std::string BatchOutputPath(const std::string& sourcePath, const std::string& outputFolder,
                            const std::string& name) {
    if (!outputFolder.empty() && outputFolder.front() == '/') return outputFolder + name;
    return sourcePath.substr(0, nameStart(sourcePath)) + outputFolder + name;
}

void BatchOutputSize(const BatchRequest& request, int sw, int sh, int& width, int& height) {
    if (request.actualSize) {
        width = sw;
        height = sh;
    } else if (request.percent != -1) {
        // nearbyint rounds halves to even under the default rounding mode.
        const auto scaled = [&](int side) {
            const double v = std::nearbyint(static_cast<double>(side) * request.percent * 0.01);
            return v > 1e9 ? 1000000000 : static_cast<int>(v);
        };
        width = scaled(sw);
        height = scaled(sh);
    } else {
        width = request.width;
        height = request.height;
    }
}

std::string BatchSummary(const BatchResult& result, const std::string& convertedLabel,
                         const std::string& notLoadedLabel, const std::string& failedLabel) {
    return convertedLabel + " " + std::to_string(result.converted) + ";\n\r" + notLoadedLabel + " " +
           std::to_string(result.notLoaded) + ";\n\r" + failedLabel + " " + std::to_string(result.failed) +
           ".";
}

BatchResult RunBatchJob(BatchRequest& request, const ExportOptions& options, const BatchCallbacks& callbacks,
                        int workers) {
    Run run(request, options, callbacks, std::clamp(workers, 1, 64));
    return run.go();
}

}  // namespace vexilo
