#pragma once
// The target's save commands without a window: one OutputFormat row per command of the target's
// pop-up menu, and the names the save dialog proposes and remembers.
#include <array>
#include <string>

#include "codecs/export_options.h"
#include "imageio/file_kind.h"
#include "raster/bitmap.h"

namespace vexilo {

// One row per save command of the target's pop-up menu.
struct OutputFormat {
    const char* caption;          // menu caption, "&" marking the access key
    const char* handler;          // the command's handler name
    const char* filter;           // save dialog filter: description "|" pattern
    const char* extension;        // proposed extension
    bool startsInLastSaveFolder;  // else the dialog keeps the folder it was last given
    FileKind kind;                // output kind (the metafile row writes 5 or 6 by extension)
    bool (*save)(const Bitmap* bitmap, const std::string& path, const ExportOptions& options);
};

// BMP, JPG, ICO, GIF, TGA, PNG, metafile, in menu order.
const std::array<OutputFormat, 7>& outputFormats();
// The row that writes `kind` (5 and 6 give the metafile row); null for other kinds.
const OutputFormat* outputFormatForKind(FileKind kind);

// The name the save dialog proposes: the target's file name without its folder, its extension
// replaced by `extension` ("photo.bmp" -> "photo.jpg"; a leading dot starts no extension).
std::string ProposedSaveName(const std::string& targetPath, const std::string& extension);
// The folder of a chosen file with its trailing "/" ("" for a bare name): the next last save
// folder.
std::string SaveFolderOf(const std::string& chosenPath);

}  // namespace vexilo
