#include "control/main_window/target_save.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/errors.h"
#include "imageio/savers.h"
#include "lang/lang.h"

namespace vexilo {

namespace {
constexpr int kMessageConverted = 14;
constexpr int kMessageFailed = 15;

std::string withoutAccessKey(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != '&') out += c;
    return out;
}

// The savers write beside the target and rename over it, which a read-only file does not
// prevent; a file the user may not write, or one marked read-only for everybody (which binds
// the superuser too), is refused before anything is written.
void refuseReadOnlyTarget(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return;
    if (::access(path.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0)
        throw ImageError("Cannot create file \"" + path + "\": " + std::strerror(EACCES));
}
}  // namespace

SaveFileRequest saveRequestFor(const FileFormat& format, const std::string& targetPath,
                               const std::string& lastSaveFolder) {
    SaveFileRequest request;
    request.caption = withoutAccessKey(format.save.caption);
    request.folder = format.save.startsInLastSaveFolder ? lastSaveFolder : std::string();
    request.proposedName = ProposedSaveName(targetPath, format.extension);
    request.filter = format.save.filter;
    request.defaultExtension.clear();  // a name typed without extension is written as typed
    request.confirmOverwrite = true;
    request.pathMustExist = true;
    return request;
}

TargetSave::TargetSave(const TargetPreview& target, Dialogs& dialogs, const TLang& lang,
                       const ExportOptions& options)
    : m_target(target), m_dialogs(dialogs), m_lang(lang), m_options(options) {}

bool TargetSave::commandsApply() const {
    return rowSelected && rowSelected() && !m_target.TargetPath().empty() && m_target.hasTarget();
}

void TargetSave::saveTarget(const FileFormat& format) {
    if (format.needsGifSwitch && !GifOutputEnabled) return;
    if (!commandsApply()) return;
    const std::optional<std::string> chosen =
        m_dialogs.saveFile(saveRequestFor(format, m_target.TargetPath(), LastSaveFolder));
    if (!chosen) return;
    const std::string& path = *chosen;
    LastSaveFolder = SaveFolderOf(path);
    bool saved = false;
    try {
        refuseReadOnlyTarget(path);
        ExportOptions options = m_options;
        options.alpha = m_target.DisplayAlpha();
        saved = SaveImageAs(format.kind, path, &m_target.DisplayImage(), options);
    } catch (const std::exception& e) {
        if (!format.failureIsQuiet) {
            m_dialogs.error(kSaveMessageCaption, e.what());
            return;
        }
        saved = false;
    }
    m_dialogs.inform(kSaveMessageCaption,
                     m_lang.messageText(saved ? kMessageConverted : kMessageFailed) + " 1");
}

void TargetSave::miCopybitmaptoclipboardClick() {
    if (!rowSelected || !rowSelected() || m_target.DisplayImage().empty() || !copyToClipboard) return;
    static const std::vector<std::uint8_t> opaque;
    copyToClipboard(m_target.DisplayImage(), m_options.keepTransparency ? m_target.DisplayAlpha() : opaque);
}

}  // namespace vexilo
