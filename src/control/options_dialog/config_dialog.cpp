#include "control/options_dialog/config_dialog.h"

#include "base/text.h"
#include "base/version.h"
#include "lang/lang.h"

namespace vexilo {

ConfigTexts configTexts(const TLang& lang) {
    auto t = [&](int n) { return lang.interfaceText(n); };
    auto bare = [&](int n) { return stripAmpersands(lang.interfaceText(n)); };
    return {bare(35), t(40),  t(33),    bare(85), t(30),     t(31),     t(42),
            t(28),    t(52),  bare(86), bare(87), bare(102), bare(130), bare(119),
            t(137),   t(151), t(152),   t(153),   t(154),    t(148),    t(165)};
}

ConfigDialog::ConfigDialog(const ConfigValues& current)
    : m_values(current),
      m_default(current.thumbWidth == kDefaultSize && current.thumbHeight == kDefaultSize) {}

void ConfigDialog::ChBDefaultSzClick(bool checked) {
    m_default = checked;
    if (checked) m_values.thumbWidth = m_values.thumbHeight = kDefaultSize;
}

void ConfigDialog::setToolbars(bool showText, bool main, bool view, bool modify) {
    m_values.showButtonText = showText;
    m_values.showMain = main;
    m_values.showView = view;
    m_values.showModify = modify;
}

void ConfigDialog::BitBtnBckgrndColorClick(Dialogs& dialogs) {
    if (const auto chosen = dialogs.chooseColor(m_values.listColor)) m_values.listColor = *chosen;
}

bool ConfigDialog::OKClick(Dialogs& dialogs) {
    // A cell of 0 or fewer pixels shows nothing, and a huge one costs memory on every row.
    auto bad = [](int v) { return v < 1 || v > kMaxThumbnailSize; };
    if (bad(m_values.thumbWidth) || bad(m_values.thumbHeight)) {
        dialogs.error(kProgramName, "The thumbnail width and height must be between 1 and " +
                                        std::to_string(kMaxThumbnailSize) + " pixels.");
        return false;
    }
    m_ok = true;
    return true;
}

ConfigValues ConfigDialog::apply(const ConfigValues& current, Dialogs& dialogs, const TLang& lang,
                                 bool& sizeChanged) const {
    sizeChanged = false;
    if (!m_ok) return current;
    sizeChanged = m_values.thumbWidth != current.thumbWidth || m_values.thumbHeight != current.thumbHeight;
    if (sizeChanged) dialogs.inform(kProgramName, lang.messageText(13));
    return m_values;
}

}  // namespace vexilo
