#pragma once
// The batch job: every file of a BatchRequest loaded, sized, framed and written in one output
// format, one output per file, with the replace question for outputs that exist, progress per
// file and three counters. The job never shows anything itself; the caller answers the
// question, shows progress and may stop the run.
//
// Nothing is lost: before anything is written the job knows every output of the run, and a row
// whose output is another row's output or another row's source is not written (a clash,
// reported); only a row's own source may be converted in place. A file that no decoder reads is
// not loaded, never replaced by its associated icon, unless the row asked for that icon. Each
// output is written under a short hidden temporary name beside its target, synced, and renamed
// over it only when complete, so a failure or a kill leaves every earlier output whole; the next
// run removes the leftovers of a killed one. A file the user may not write is never replaced.
// A file that fails is counted with its reason and the run goes on.
#include <functional>
#include <string>
#include <vector>

#include "batch/batch_request.h"
#include "codecs/export_options.h"

namespace vexilo {

// The four answers of the replace question, in the order of its buttons.
enum class ReplaceAnswer { Overwrite, OverwriteAll, Skip, SkipAll };

struct BatchProgress {
    int position = 0;  // 1 for the first file
    int count = 0;     // number of files in the request
    std::string source;
    std::string output;
};

struct BatchCallbacks {
    // Asked for an existing output while prompt on replace is set; unset means Skip.
    std::function<ReplaceAnswer(const std::string& outputPath)> askReplace;
    // Called before each file is converted (files skipped at an existing output get none);
    // false stops the run before that file. Unset means go on.
    std::function<bool(const BatchProgress&)> onProgress;
};

// A file that was not converted, with what happened to it.
enum class BatchIssueKind {
    NotLoaded,   // no decoder read it
    Failed,      // it could not be written; reason says why
    Skipped,     // its output exists and was kept, as asked
    SameOutput,  // an earlier row of the run writes the same output (other: that row's source)
    OverSource,  // its output is the source of another row (other: that row's source)
};

struct BatchIssue {
    BatchIssueKind kind = BatchIssueKind::Failed;
    std::string source;
    int iconIndex = -1;
    std::string output;
    std::string reason;  // the system's words, for Failed
    std::string other;
};

struct BatchResult {
    int converted = 0;
    int notLoaded = 0;
    int failed = 0;                  // also counts the clashes
    int clashed = 0;                 // rows not written because of a clash
    bool stopped = false;            // onProgress answered false
    int left = 0;                    // rows not done because the run was stopped
    std::vector<BatchIssue> issues;  // in file order
};

// The words of the report; the defaults are the command line's, the window takes the
// language pack's.
struct BatchReportTexts {
    std::string converted = "Converted:", notLoaded = "Not loaded:", failed = "Failed:";
    std::string skipped = "Skipped, the file exists:";
    std::string sameOutput = "Not written, another file of this run has the same output:";
    std::string overSource = "Not written, it would replace another file of this run:";
    std::string stopped = "Stopped. Files not converted:";
};

// Runs the job on the calling thread, or with workers > 1 on that many threads, with the same
// outputs, names, questions, progress reports and counts as the one-by-one run; the callbacks
// are always called on the calling thread, in file order. Changes the request as a run does:
// a pair of quotes around the whole output folder goes, prompt on replace clears on "overwrite
// all", and with proportional sizing width and height keep the last file's computed size.
BatchResult RunBatchJob(BatchRequest& request, const ExportOptions& options, const BatchCallbacks& callbacks,
                        int workers = 1);

// The output file name of a source: its extension replaced by the target kind's (kind 0 keeps
// the name), prefixed with the icon number and "_" for one icon of a file when several files
// are converted.
std::string BatchOutputName(const std::string& sourcePath, FileKind targetKind, int iconIndex,
                            bool singleFile);
// The output path: beside the source for an empty folder, inside an absolute folder, else inside
// the folder relative to the source's; a "/" is added after a folder that lacks it.
std::string BatchOutputPath(const std::string& sourcePath, const std::string& outputFolder,
                            const std::string& name);
// The output size of a source of sw x sh: its own with actual size, the percentage (rounded to
// nearest, halves to even) when percent is not -1, else the request's width and height, or with
// fit the largest size inside them with the source's aspect.
void BatchOutputSize(const BatchRequest& request, int sw, int sh, int& width, int& height);

// The three-line summary: "<converted> N;", "<not loaded> N;", "<failed> N." separated by a
// line feed and a carriage return; the labels are the language pack's messages 14, 5 and 15.
std::string BatchSummary(const BatchResult& result, const std::string& convertedLabel,
                         const std::string& notLoadedLabel, const std::string& failedLabel);
// The summary, then for a stopped run a line with the stop text and the number of rows left.
std::string BatchSummary(const BatchResult& result, const BatchReportTexts& texts);
// One line per issue, in file order: the label, the source (with "#N" for an icon), and the
// output or the reason.
std::vector<std::string> BatchIssueLines(const BatchResult& result, const BatchReportTexts& texts);

}  // namespace vexilo
