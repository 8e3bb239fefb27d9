#pragma once
// The record of batch options and selected files that the main window fills, the batch dialog
// edits and the batch job reads.
#include <cstdint>
#include <string>
#include <vector>

#include "imageio/file_kind.h"

namespace vexilo {

struct BatchRequest {
    FileKind targetKind = kind::Bmp;
    bool actualSize = true;     // every output keeps its source size
    bool proportional = false;  // "Proportional in percentages from a source"
    std::int32_t width = 0;     // pixels
    std::int32_t height = 0;
    std::int32_t percent = -1;  // the scale when proportional, -1 otherwise
    bool buttonShape = false;
    // Empty (beside each source), absolute (starts with "/"), or relative to each source's
    // folder; joined to the file name without adding a separator.
    std::string outputFolder;
    std::vector<std::string> files;  // full path of each selected file
    std::vector<int> iconIndexes;    // parallel to files: icon number in the file, -1 for a whole image
    bool singleFile = false;         // exactly one row was selected
    std::string singleOutputName;
    bool promptOnReplace = true;
};

}  // namespace vexilo
