#include "control/main_window/main_form.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "control/convert_dialog/cnv_dlg.h"
#include "control/dialogs.h"
#include "imageio/file_kind.h"
#include "lang/lang.h"
#include "lang/lang_pack.h"
#include "settings/settings_store.h"

namespace vexilo {

namespace {

// Messages texts.
constexpr int kTextNoFolderChecked = 16, kTextDamagedSettings = 23, kTextMissingArguments = 70;

// The largest thumbnail cell the list draws.
constexpr int kMaxThumbnailSize = 256;

namespace sk = search::sortkey;
constexpr DetailColumn kDetailColumns[] = {
    {search::Column::Name, 3, 150, sk::Name}, {search::Column::Size, 4, 60, sk::Size},
    {search::Column::Date, 5, 60, sk::Date},  {search::Column::Time, 6, 60, sk::Time},
    {search::Column::Path, 7, 300, sk::Path},
};

}  // namespace

std::span<const DetailColumn> detailColumns() {
    return kDetailColumns;
}

MainForm::MainForm(SettingsStore& store, const TLang& lang, Dialogs& dialogs, StartOptions options)
    : m_store(store), m_lang(lang), m_dialogs(dialogs), m_options(std::move(options)) {}

void MainForm::inform(const std::string& text) {
    m_dialogs.inform(kCaption, text);
}

void MainForm::warn(const std::string& text) {
    m_dialogs.message({kCaption, text, MessageKind::Warning, {}, 0});
}

void MainForm::error(const std::string& text) {
    m_dialogs.error(kCaption, text);
}

void MainForm::FormCreate(MainSettings current, const std::string& programFolder) {
    m_programFolder = programFolder;
    m_settings = std::move(current);
    for (const std::string& problem : ReadSettings(m_store, m_settings, m_search)) error(problem);
    // The batch dialog's stored choices are the single saves' export options from this start on.
    for (const std::string& problem : ReadExportOptions(m_store, m_exportOptions)) error(problem);
    // A toolbar docked nowhere is docked again.
    settleToolbars(m_settings.toolbars);
    for (const auto& f : m_options.folders) {
        const bool known = m_search.searchFolders.find(f) >= 0;
        m_search.SBAddPathClick(f);
        if (!known) m_runOnlyFolders.push_back(f);
    }
}

void MainForm::sayDamagedSettings() {
    if (m_store.damagedFileBackup().empty()) return;
    warn(formatLangText(m_lang.messageText(kTextDamagedSettings), {m_store.damagedFileBackup()}));
}

void MainForm::sayMissingArguments() {
    if (m_options.missing.empty()) return;
    std::string names;
    for (const auto& m : m_options.missing) names += "\n" + m;
    warn(formatLangText(m_lang.messageText(kTextMissingArguments), {names}));
    m_options.missing.clear();
}

bool MainForm::mayScan() {
    if (m_search.hasCheckedFolder()) return true;
    inform(m_lang.messageText(kTextNoFolderChecked));
    return false;
}

BatchRequest MainForm::batchRequest(const std::vector<std::size_t>& rows, int width, int height,
                                    bool buttonShape, bool actualSize) const {
    BatchRequest request;
    if (rows.empty()) return request;
    const search::FoundImageList& list = m_search.list();
    request.width = width;
    request.height = height;
    request.proportional = false;
    request.buttonShape = buttonShape;
    request.iconSize = m_search.iconSize;
    request.targetKind = list.row(rows.front()).image.Kind;
    request.singleFile = rows.size() == 1;
    request.actualSize = request.singleFile ? actualSize : true;
    request.turnByOrientation = m_search.turnByOrientation;
    if (request.singleFile) request.singleOutputName = list.row(rows.front()).image.Name;
    for (std::size_t r : rows) {
        const search::FoundImage& image = list.row(r).image;
        request.files.push_back(image.path());
        request.iconIndexes.push_back(image.IconIndex);
        request.associatedIcons.push_back(m_search.listedAsIcons() && image.Kind == kind::AllFiles);
    }
    return request;
}

bool MainForm::setThumbnailSize(int width, int height) {
    auto& large = m_search.list().largeImages();
    // A damaged stored size changes nothing.
    if (width <= 0 || height <= 0 || width > kMaxThumbnailSize || height > kMaxThumbnailSize) return false;
    if (width == large.width() && height == large.height()) return false;
    large.setCellSize(width, height);
    return true;
}

bool MainForm::SelListViewType(int style) {
    if (style != clampViewStyle(style)) return false;
    m_settings.viewStyle = style;
    return true;
}

void MainForm::ListView1ColumnClick(int column) {
    if (column < 0 || column >= static_cast<int>(std::size(kDetailColumns))) return;
    m_search.SelListViewSort(kDetailColumns[static_cast<std::size_t>(column)].sortKey - 1);
}

void MainForm::FormClose(bool quiet) {
    // A running scan stops first; it unwinds once the window's close returns.
    m_search.SBStopScanClick();
    m_settings.imageListWidth = m_search.list().largeImages().width();
    m_settings.imageListHeight = m_search.list().largeImages().height();
    // Folders named on the command line were for this run only.
    std::vector<search::CheckItem> all = m_search.searchFolders.items;
    std::erase_if(m_search.searchFolders.items, [this](const search::CheckItem& item) {
        return std::find(m_runOnlyFolders.begin(), m_runOnlyFolders.end(), item.text) !=
               m_runOnlyFolders.end();
    });
    try {
        WriteSettings(m_store, m_settings, m_search, m_programFolder);
        m_store.save();
    } catch (const std::exception& e) {
        // Said once; the old settings file stays as it was. A logout ending the program must not
        // wait for a click: then only standard error hears of it.
        std::fprintf(stderr, "vexilo: the settings were not saved: %s\n", e.what());
        if (!quiet) error(e.what());
    }
    m_search.searchFolders.items = std::move(all);
}

}  // namespace vexilo
