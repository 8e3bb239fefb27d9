#pragma once
// The batch job: every file of a BatchRequest loaded, sized, framed and written in one output
// format, one output per file, with the replace question for outputs that exist, progress per
// file and three counters. The job never shows anything itself; the caller answers the
// question, shows progress and may stop the run.
//
// Nothing is lost: each output is written to a temporary file beside its target and renamed
// over it only when complete, so converting a file onto itself reads the whole source first, a
// failure leaves every earlier output whole, and "skip" never touches an existing file. Two rows
// that write the same output in one run meet the replace rules like any existing file.
#include <functional>
#include <string>

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

struct BatchResult {
    int converted = 0;
    int notLoaded = 0;
    int failed = 0;
    bool stopped = false;  // onProgress answered false
    // Set when a save raised an error, which ends the run (outputs written so far stay).
    std::string error;
};

// Runs the job on the calling thread, or with workers > 1 on that many threads, with the same
// outputs, names, questions, progress reports and counts as the one-by-one run; the callbacks
// are always called on the calling thread, in file order. Changes the request as a run does:
// quotes leave the output folder, prompt on replace clears on "overwrite all", and with
// proportional sizing width and height keep the last file's computed size.
BatchResult RunBatchJob(BatchRequest& request, const ExportOptions& options, const BatchCallbacks& callbacks,
                        int workers = 1);

// The output file name of a source: its extension replaced by the target kind's (kind 0 keeps
// the name), prefixed with the icon number and "_" for one icon of a file when several files
// are converted.
std::string BatchOutputName(const std::string& sourcePath, FileKind targetKind, int iconIndex,
                            bool singleFile);
// The output path: beside the source for an empty folder, inside an absolute folder, else the
// source's folder, the folder and the name joined without anything added.
std::string BatchOutputPath(const std::string& sourcePath, const std::string& outputFolder,
                            const std::string& name);
// The output size of a source of sw x sh: its own with actual size, the percentage (rounded to
// nearest, halves to even) when percent is not -1, else the request's width and height.
void BatchOutputSize(const BatchRequest& request, int sw, int sh, int& width, int& height);

// The three-line summary: "<converted> N;", "<not loaded> N;", "<failed> N." separated by a
// line feed and a carriage return; the labels are the language pack's messages 14, 5 and 15.
std::string BatchSummary(const BatchResult& result, const std::string& convertedLabel,
                         const std::string& notLoadedLabel, const std::string& failedLabel);

}  // namespace vexilo
