#pragma once
// The target's save commands and the clipboard command without their widgets: which folder the
// shared save dialog opens in, what it proposes, the saver call on DisplayImage and the message
// that reports the result.
#include <functional>
#include <string>
#include <vector>

#include "base/version.h"
#include "codecs/export_options.h"
#include "control/dialogs.h"
#include "control/main_window/save_names.h"
#include "control/main_window/target_preview.h"
#include "imageio/file_kind.h"

namespace vexilo {

class TLang;

// The caption of the result and error boxes.
inline constexpr const char* kSaveMessageCaption = kProgramName;

class TargetSave {
public:
    // All references must outlive this object; options (the window's own) are read at each
    // save.
    TargetSave(const TargetPreview& target, Dialogs& dialogs, const TLang& lang,
               const ExportOptions& options);

    // The folder of the last accepted save dialog ("/" at its end); empty at first.
    std::string LastSaveFolder;
    // Whether the program was started with "/GIF": the GIF command does nothing otherwise.
    bool GifOutputEnabled = false;
    // Whether the found-image list has a selected row; commands do nothing without one.
    std::function<bool()> rowSelected;
    // Puts a raster on the desktop's clipboard, replacing what it held; with its alpha (one
    // byte a pixel) when that is not empty.
    std::function<void(const Bitmap&, const std::vector<std::uint8_t>& alpha)> copyToClipboard;

    // The save command of a format row: the shared dialog with the row's filter and proposed
    // name, then the row's saver on DisplayImage, then Messages text 14 or 15 and " 1", or the
    // error's own text. A row that needs "/GIF" does nothing without it.
    void saveTarget(const FileFormat& format);
    void miCopybitmaptoclipboardClick();

private:
    bool commandsApply() const;

    const TargetPreview& m_target;
    Dialogs& m_dialogs;
    const TLang& m_lang;
    const ExportOptions& m_options;
};

// The dialog request of a save command for the target at targetPath.
SaveFileRequest saveRequestFor(const FileFormat& format, const std::string& targetPath,
                               const std::string& lastSaveFolder);

}  // namespace vexilo
