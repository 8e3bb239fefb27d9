#pragma once
// The record of batch options and selected files that the main window fills, the batch dialog
// edits and the batch job reads.
#include <cstdint>
#include <string>
#include <vector>

#include "imageio/file_kind.h"
#include "imageio/load_request.h"

namespace vexilo {

struct BatchRequest {
    FileKind targetKind = kind::Bmp;
    bool actualSize = true;     // every output keeps its source size
    bool proportional = false;  // "Proportional in percentages from a source"
    std::int32_t width = 0;     // pixels
    std::int32_t height = 0;
    std::int32_t percent = -1;  // the scale when proportional, -1 otherwise
    // With width and height: each output as large as fits inside them with its source's aspect
    // (the command line's --fit), instead of stretched to them. The window never sets it.
    bool fit = false;
    bool buttonShape = false;
    // Empty (beside each source), absolute (starts with "/"), or relative to each source's
    // folder; always a folder, with or without its final "/".
    std::string outputFolder;
    std::vector<std::string> files;  // full path of each selected file
    std::vector<int> iconIndexes;    // parallel to files: icon number in the file, -1 for a whole image
    // Parallel to files: true for a row listed with the file's associated icon ("All files as
    // Windows Icons"), which may then be converted into that icon. A missing entry is false: a
    // file whose only picture is its associated icon is then not loaded.
    std::vector<bool> associatedIcons;
    bool singleFile = false;       // exactly one row was selected
    std::string singleOutputName;  // in single-file mode the name written, when not empty
    bool promptOnReplace = true;
    // The advanced option "Icon size": which image of an icon is converted.
    IconSize iconSize = IconSize::System;
    bool turnByOrientation = true;  // sources turned by their EXIF orientation (see LoadRequest)
};

}  // namespace vexilo
