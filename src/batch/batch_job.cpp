#include "batch/batch_job.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

#include "base/decode_limits.h"
#include "base/errors.h"
#include "base/file_io.h"
#include "base/paths.h"
#include "base/worker_pool.h"
#include "imageio/loaders.h"
#include "imageio/savers.h"
#include "raster/raster_ops.h"

namespace vexilo {

namespace {

// One file of the run as the job decided it, in file order.
struct Row {
    std::string source;
    std::string output;
    int iconIndex = -1;
    bool associatedIcon = false;
};

enum class Outcome { Converted, NotLoaded, Failed, NeedsDesktop };

struct Converted {
    Outcome outcome = Outcome::Failed;
    std::string staged;  // the complete output under a temporary name, for Converted
    std::string reason;  // for Failed, when there is one to tell
    bool sized = false;  // the source loaded and an output size was computed
    int width = 0, height = 0;
};

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

// Loads, sizes, frames and writes one file under a temporary name. On a worker (only for rows
// that needsDesktop() leaves to it) a file that no decoder reads comes back as NeedsDesktop.
Converted convertRow(const Row& row, const BatchRequest& request, const ExportOptions& options,
                     bool onWorker) {
    Converted result;
    Bitmap source;
    bool loaded = false;
    // Transparency travels with the picture when an output keeps it; an all-sizes icon is made
    // from the icon's largest image.
    const bool allSizes = request.targetKind == kind::Ico && options.iconColors == IconColors::AllSizes32;
    std::vector<std::uint8_t> alpha;
    LoadRequest load;
    load.iconSize = allSizes ? IconSize::Largest : request.iconSize;
    load.turnByOrientation = request.turnByOrientation;
    if (options.keepTransparency || allSizes) load.alpha = &alpha;
    try {
        if (row.iconIndex == -1 && onWorker) {
            // ProbeImageKind's order without its last step, the associated icon, which only the
            // calling thread may ask for.
            for (const FileFormat& format : fileFormats()) {
                if (loaded || format.kind == kind::AllFiles) continue;
                try {
                    loaded = LoadWithFormat(format, row.source, &source, load);
                } catch (...) {
                }
            }
            if (!loaded) {
                result.outcome = Outcome::NeedsDesktop;
                return result;
            }
        } else if (row.iconIndex == -1) {
            FileKind kind = 0;
            load.associatedIcon = row.associatedIcon;
            load.turnByOrientation = request.turnByOrientation;
            loaded = ProbeImageKind(row.source, &source, kind, load);
        } else {
            auto index = static_cast<std::uint16_t>(row.iconIndex);
            loaded = row.associatedIcon ? LoadExecutableIcon(row.source, index, &source, load)
                                        : LoadExecutableOwnIcon(row.source, index, &source, load);
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
        result.reason = "no output of " + std::to_string(result.width) + " x " +
                        std::to_string(result.height) + " pixels can be made";
        return result;
    }
    try {
        Bitmap output;
        StretchInto(source, output, result.width, result.height);
        ExportOptions withAlpha = options;
        withAlpha.alpha = StretchAlpha(alpha, source.width(), source.height(), result.width, result.height);
        source = Bitmap();
        if (request.buttonShape) {
            DrawButtonFrame(output);
            OpaqueButtonFrame(withAlpha.alpha, output.width(), output.height());
        }
        const std::vector<std::uint8_t> bytes =
            EncodeImageAs(request.targetKind, row.output, output, withAlpha);
        output = Bitmap();
        {
            const std::lock_guard<std::mutex> lock(folderMutex());
            EnsureFolder(row.output);
        }
        result.staged = writeTemporaryBeside(row.output, bytes);
        result.outcome = Outcome::Converted;
    } catch (const std::bad_alloc&) {
        result.outcome = Outcome::Failed;
        result.reason = "out of memory";
    } catch (const std::exception& e) {
        result.outcome = Outcome::Failed;
        result.reason = e.what();
    }
    return result;
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

// A path spelled another way (./a.png, a symbolic link) is the same file for the clash rules.
std::string samePathKey(const std::string& path) {
    std::error_code ec;
    const auto canonical = std::filesystem::weakly_canonical(std::filesystem::absolute(path, ec), ec);
    return ec ? path : canonical.string();
}

// A file reached by two names (a hard link) is one file too.
std::string fileIdKey(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return "#" + std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

void stripQuotePair(std::string& folder) {
    // On this platform a quote is a legal character of a name: only a pair around the whole
    // folder, as a shell or a copied path leaves it, is not part of it.
    if (folder.size() >= 2 && folder.front() == '"' && folder.back() == '"')
        folder = folder.substr(1, folder.size() - 2);
}

class Run {
public:
    Run(BatchRequest& request, const ExportOptions& options, const BatchCallbacks& callbacks, int workers)
        : m_request(request),
          m_options(options),
          m_callbacks(callbacks),
          // With one worker the calling thread does everything itself.
          m_pool(workers > 1 ? workers : 0,
                 [this](Row& row) { return convertRow(row, m_snapshot, m_options, true); }) {}
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    BatchResult go() {
        stripQuotePair(m_request.outputFolder);
        // The workers see this copy; the request itself changes only on this thread.
        m_snapshot = m_request;
        m_snapshot.files.clear();
        m_snapshot.iconIndexes.clear();
        m_snapshot.associatedIcons.clear();
        std::vector<Row> rows = planRows();
        bool skipAllExisting = false;
        const std::size_t count = rows.size();
        std::set<std::string> cleanedFolders;
        for (std::size_t i = 0; i < count; ++i) {
            Row& row = rows[i];
            if (const auto clash = m_clashes.find(i); clash != m_clashes.end()) {
                // Settled in file order, so the issues stay in file order.
                while (!m_inFlight.empty()) settleOldest();
                addIssue(clash->second.first, row, {}, clash->second.second);
                ++m_result.failed;
                ++m_result.clashed;
                continue;
            }
            if (fileExists(row.output)) {
                bool skip = skipAllExisting;
                if (!skip && m_request.promptOnReplace) {
                    // A one-by-one run asks only once every earlier row is done.
                    while (!m_inFlight.empty()) settleOldest();
                    const ReplaceAnswer answer =
                        m_callbacks.askReplace ? m_callbacks.askReplace(row.output) : ReplaceAnswer::Skip;
                    if (answer == ReplaceAnswer::OverwriteAll) m_request.promptOnReplace = false;
                    if (answer == ReplaceAnswer::SkipAll) skipAllExisting = true;
                    skip = answer == ReplaceAnswer::Skip || answer == ReplaceAnswer::SkipAll;
                }
                if (skip) {
                    while (!m_inFlight.empty()) settleOldest();
                    addIssue(BatchIssueKind::Skipped, row);
                    continue;
                }
                if (const std::string refusal = replaceRefusal(row.output); !refusal.empty()) {
                    while (!m_inFlight.empty()) settleOldest();
                    addIssue(BatchIssueKind::Failed, row, refusal);
                    ++m_result.failed;
                    continue;
                }
            }
            // At most one row per worker ahead of the one being finished, so progress stays
            // close to the work.
            while (m_inFlight.size() >= std::max<std::size_t>(1, m_pool.threadCount())) settleOldest();
            BatchProgress progress{static_cast<int>(i + 1), static_cast<int>(count), row.source, row.output};
            if (m_callbacks.onProgress && !m_callbacks.onProgress(progress)) {
                m_result.stopped = true;
                m_result.left = static_cast<int>(count - i);
                break;
            }
            // A killed earlier run may have left its temporary files where this one writes.
            if (const std::string folder = folderOf(row.output); cleanedFolders.insert(folder).second)
                removeStaleTemporaries(folder);
            m_inFlight.push_back({0, row, std::nullopt});
            if (m_pool.threadCount() == 0 || needsDesktop(row))
                m_inFlight.back().result = convertRow(row, m_snapshot, m_options, false);
            else
                m_inFlight.back().ticket = m_pool.submit(row);
            if (m_pool.threadCount() == 0) settleOldest();
        }
        while (!m_inFlight.empty()) settleOldest();
        return m_result;
    }

private:
    struct Flight {
        std::size_t ticket;  // the pool's, when a worker converts it
        Row row;
        std::optional<Converted> result;  // set when this thread converted it
    };

    // Every row's output, decided before anything is written, and the rows that may not write
    // it: one whose output is another row's source (only a row's own source may be converted
    // in place), and every later row with an output already taken.
    std::vector<Row> planRows() {
        const std::size_t count = m_request.files.size();
        std::vector<Row> rows(count);
        std::map<std::string, std::size_t> sources;
        std::vector<std::vector<std::string>> sourceKeys(count);
        for (std::size_t i = 0; i < count; ++i) {
            Row& row = rows[i];
            row.source = m_request.files[i];
            row.iconIndex = i < m_request.iconIndexes.size() ? m_request.iconIndexes[i] : -1;
            row.associatedIcon = i < m_request.associatedIcons.size() && m_request.associatedIcons[i];
            const std::string name =
                m_request.singleFile && !m_request.singleOutputName.empty()
                    ? m_request.singleOutputName
                    : BatchOutputName(row.source, m_request.targetKind, row.iconIndex, m_request.singleFile);
            row.output = BatchOutputPath(row.source, m_request.outputFolder, name);
            sourceKeys[i] = {samePathKey(row.source), fileIdKey(row.source)};
            for (const auto& key : sourceKeys[i])
                if (!key.empty()) sources.emplace(key, i);
        }
        std::map<std::string, std::size_t> outputs;
        for (std::size_t i = 0; i < count; ++i) {
            const Row& row = rows[i];
            const std::string outKey = samePathKey(row.output), outId = fileIdKey(row.output);
            const auto own = [&](const std::string& key) {
                return std::find(sourceKeys[i].begin(), sourceKeys[i].end(), key) != sourceKeys[i].end();
            };
            std::optional<std::size_t> overSource;
            for (const std::string& key : {outKey, outId})
                if (!key.empty() && !own(key))
                    if (const auto it = sources.find(key); it != sources.end()) overSource = it->second;
            if (overSource) {
                m_clashes[i] = {BatchIssueKind::OverSource, rows[*overSource].source};
                continue;
            }
            const auto [taken, isNew] = outputs.emplace(outKey, i);
            if (!isNew) m_clashes[i] = {BatchIssueKind::SameOutput, rows[taken->second].source};
        }
        return rows;
    }

    void addIssue(BatchIssueKind kind, const Row& row, std::string reason = {}, std::string other = {}) {
        m_result.issues.push_back(
            {kind, row.source, row.iconIndex, row.output, std::move(reason), std::move(other)});
    }

    // Takes the oldest row's result, puts its output in place and counts it.
    void settleOldest() {
        Flight flight = std::move(m_inFlight.front());
        m_inFlight.pop_front();
        Converted c = flight.result ? std::move(*flight.result) : m_pool.take(flight.ticket);
        if (c.outcome == Outcome::NeedsDesktop) c = convertRow(flight.row, m_snapshot, m_options, false);
        if (c.sized && m_request.percent != -1 && !m_request.actualSize) {
            m_request.width = c.width;
            m_request.height = c.height;
        }
        if (c.outcome == Outcome::Converted) {
            try {
                commitTemporary(c.staged, flight.row.output);
                ++m_result.converted;
                return;
            } catch (const std::exception& e) {
                c.outcome = Outcome::Failed;
                c.reason = e.what();
            }
        }
        if (c.outcome == Outcome::NotLoaded) {
            ++m_result.notLoaded;
            addIssue(BatchIssueKind::NotLoaded, flight.row);
        } else {
            ++m_result.failed;
            addIssue(BatchIssueKind::Failed, flight.row, c.reason);
        }
    }

    std::map<std::size_t, std::pair<BatchIssueKind, std::string>> m_clashes;
    BatchRequest& m_request;
    BatchRequest m_snapshot;
    const ExportOptions& m_options;
    const BatchCallbacks& m_callbacks;
    BatchResult m_result;
    std::deque<Flight> m_inFlight;
    WorkerPool<Row, Converted> m_pool;  // last: its workers stop before the rest goes
};

}  // namespace

std::string BatchOutputName(const std::string& sourcePath, FileKind targetKind, int iconIndex,
                            bool singleFile) {
    std::string name = fileNameOf(sourcePath);
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
    const std::string folder =
        outputFolder.empty() || outputFolder.back() == '/' ? outputFolder : outputFolder + "/";
    if (!folder.empty() && folder.front() == '/') return folder + name;
    return folderOf(sourcePath) + folder + name;
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
    } else if (request.fit && sw > 0 && sh > 0) {
        // The side that limits keeps the box's size; the other is rounded, at least 1 pixel.
        const double scale =
            std::min(static_cast<double>(request.width) / sw, static_cast<double>(request.height) / sh);
        const auto side = [&](int s, int box) {
            return std::clamp(static_cast<int>(std::lround(static_cast<double>(s) * scale)), 1, box);
        };
        width = side(sw, request.width);
        height = side(sh, request.height);
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

std::string BatchSummary(const BatchResult& result, const BatchReportTexts& texts) {
    std::string summary = BatchSummary(result, texts.converted, texts.notLoaded, texts.failed);
    if (result.stopped) summary += "\n\r" + texts.stopped + " " + std::to_string(result.left);
    return summary;
}

std::vector<std::string> BatchIssueLines(const BatchResult& result, const BatchReportTexts& texts) {
    std::vector<std::string> lines;
    for (const BatchIssue& issue : result.issues) {
        const std::string source =
            issue.source + (issue.iconIndex >= 0 ? "#" + std::to_string(issue.iconIndex) : std::string());
        switch (issue.kind) {
            case BatchIssueKind::NotLoaded:
                lines.push_back(texts.notLoaded + " " + source);
                break;
            case BatchIssueKind::Failed:
                lines.push_back(texts.failed + " " + source +
                                (issue.reason.empty() ? "" : ": " + issue.reason));
                break;
            case BatchIssueKind::Skipped:
                lines.push_back(texts.skipped + " " + issue.output);
                break;
            case BatchIssueKind::SameOutput:
                lines.push_back(texts.sameOutput + " " + source + " -> " + issue.output + " (" + issue.other +
                                ")");
                break;
            case BatchIssueKind::OverSource:
                lines.push_back(texts.overSource + " " + source + " -> " + issue.output);
                break;
        }
    }
    return lines;
}

BatchResult RunBatchJob(BatchRequest& request, const ExportOptions& options, const BatchCallbacks& callbacks,
                        int workers) {
    Run run(request, options, callbacks, std::clamp(workers, 1, 64));
    return run.go();
}

}  // namespace vexilo
