#pragma once
// The one-byte kind of a file and the one table of formats: every list, menu, dialog and loop
// over kinds reads its rows, so a new format is one row plus its codec. A kind's number is only
// its stored name; nothing may count on the order of the numbers. The display names are fixed
// texts, never translated.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vexilo {

class Bitmap;
class LoadSource;
struct ExportOptions;
struct LoadRequest;

using FileKind = std::uint8_t;

namespace kind {
constexpr FileKind AllFiles = 0, Exe = 1, Dll = 2, Cpl = 3, Cur = 4, Wmf = 5, Emf = 6, Bmp = 7, Ico = 8,
                   Jpeg = 9, Tga = 10, Png = 11, Gif = 12;
// The kinds read through the libraries made for them, and the small text formats; they come
// after the first twelve so that every stored kind number keeps its meaning.
constexpr FileKind Webp = 13, Tiff = 14, Svg = 15, Avif = 16, Heif = 17, Xpm = 18, Pnm = 19;
}  // namespace kind

// The save command of a format in the target's pop-up menu.
struct SaveCommand {
    int place = 0;                        // 1 for the first menu entry; 0 for a format without a command
    int textNumber = 0;                   // interface text of the menu caption
    const char* caption = "";             // design-time caption, "&" marking the access key
    const char* filter = "";              // save dialog filter: description "|" pattern
    bool startsInLastSaveFolder = false;  // else the dialog keeps the folder it was last given
};

struct FileFormat {
    FileKind kind;
    const char* name;       // display name (view-as list, batch list, scan output)
    const char* extension;  // ".jpg"; the "all files" row's is its name again
    // The built-in search mask; several patterns are joined by ";" ("*.jpg;*.jpeg;*.jfif"). The
    // "all files" row's is its name.
    const char* mask;
    bool output;          // written by the batch job and the save commands
    bool needsGifSwitch;  // offered only when the program was started with "/GIF"
    bool failureIsQuiet;  // saving reports every failure, its folder's too, as a failed save
    // Draws the file into a fresh raster; kinds 1 to 4 use icon index 0. Null for a row whose
    // probe loader reads a file on its own (see LoadWithFormat).
    bool (*load)(const std::string& path, Bitmap* bitmap, const LoadRequest& request);
    // The probe's refusal test and loader on the file read once (imageio/format_loaders.h); null
    // for the rows the probe does not ask: kind 0 comes last on its own, and kinds 2 and 3 would
    // give kind 1's answer again (kind 4 is asked for animated cursors only).
    bool (*mayAccept)(LoadSource& source, std::span<const std::uint8_t> head);
    bool (*probe)(LoadSource& source, Bitmap& bitmap, const LoadRequest& request);
    // The file's bytes for an output row (see EncodeImageAs); null for the others.
    std::vector<std::uint8_t> (*encode)(const Bitmap& bitmap, const std::string& path,
                                        const ExportOptions& options);
    SaveCommand save;
    const char* alias = "";  // another name the command line takes for an output row ("jpeg")
    // Interface text of the display name the windows show (view-as list, masks, batch list);
    // 0 for the first twelve kinds, whose names are fixed texts. The command line keeps `name`.
    int nameText = 0;
};

// Every kind in probing order, which is also the order of the view-as and batch lists.
std::span<const FileFormat> fileFormats();
// The row of kind k; null for a number that is no kind.
const FileFormat* fileFormat(FileKind k);
// The place of kind k's row in fileFormats(), as the view-as list shows it; -1 for none.
int fileFormatPosition(int k);
// The rows with a save command, in menu order.
const std::vector<const FileFormat*>& saveMenuFormats();
// The row whose save command has interface text textNumber; null when none has.
const FileFormat* saveMenuFormatWithText(int textNumber);

// Display name and extension ("*.EXE", ".exe"); an unknown kind gives an empty text.
const char* fileKindName(FileKind k);
const char* fileKindExtension(FileKind k);
bool isOutputKind(FileKind k);

}  // namespace vexilo
