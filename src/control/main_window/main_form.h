#pragma once
// The main window's state and rules without its widgets, as the other windows have theirs: the
// start (stored settings, the command line's folders for this run), the scan's precondition, the
// batch request of the selected rows, the large thumbnails' bound, the view style, the details
// view's columns and the close (the settings stored without this run's folders). TFormMain owns
// one, forwards its handlers here and shows what comes back. Messages go out under one caption.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "batch/batch_request.h"
#include "codecs/export_options.h"
#include "control/main_window/image_search.h"
#include "control/main_window/main_settings.h"

namespace vexilo {

class Dialogs;
class SettingsStore;
class TLang;

// A column of the details view, in the view's order: its text in a row, its header's interface
// text, its width at the start and the sort key a click on its header picks. Every place that
// counts, titles, sizes or sorts the columns reads this table.
struct DetailColumn {
    search::Column column;
    int textNumber;
    int width;
    std::uint8_t sortKey;  // search::sortkey
};
std::span<const DetailColumn> detailColumns();

class MainForm {
public:
    // store, lang and dialogs must outlive the form. options: the command line.
    MainForm(SettingsStore& store, const TLang& lang, Dialogs& dialogs, StartOptions options);
    MainForm(const MainForm&) = delete;
    MainForm& operator=(const MainForm&) = delete;

    // The caption of every message the main window shows.
    static constexpr const char* kCaption = kProgramCaption;
    void inform(const std::string& text);
    void warn(const std::string& text);
    void error(const std::string& text);

    search::ImageSearch& search() { return m_search; }
    const search::ImageSearch& search() const { return m_search; }
    const StartOptions& options() const { return m_options; }
    // The icon colours and JPEG options of the window's saves and of its batch dialog.
    ExportOptions& exportOptions() { return m_exportOptions; }
    // The window's stored state, its one holder: the window reads its widgets into it before
    // the close and applies it after the start.
    MainSettings& settings() { return m_settings; }
    const MainSettings& settings() const { return m_settings; }
    const std::string& programFolder() const { return m_programFolder; }

    // FormCreate: `current` holds the window's values before the stored ones (LastDir starts at
    // the program folder). Reads the stored settings and export options, saying each damaged
    // value; settles the toolbars; the command line's folders join the list checked, for this
    // run only. The window then applies settings().
    void FormCreate(MainSettings current, const std::string& programFolder);
    // The notices of the start: a damaged settings file set aside, names on the command line
    // that are not on disk (each said once, when the window is up).
    void sayDamagedSettings();
    void sayMissingArguments();

    // SBScanClick's precondition: true when a search folder is checked; else message 16 is said.
    bool mayScan();
    // The batch dialog's request for the selected rows (in list order), with the size, shape and
    // "Actual size" of the Modify toolbar (a multi-row request always keeps sizes).
    BatchRequest batchRequest(const std::vector<std::size_t>& rows, int width, int height, bool buttonShape,
                              bool actualSize) const;
    // The large thumbnails' cell size; false (nothing changes) for a size outside 1..256 or the
    // current one. Rows show no large thumbnail until the next scan.
    bool setThumbnailSize(int width, int height);
    // SelListViewType: false for a style that is none of the four.
    bool SelListViewType(int style);
    int viewStyle() const { return m_settings.viewStyle; }
    // ListView1ColumnClick: sorts by the column at that place of detailColumns().
    void ListView1ColumnClick(int column);

    // FormClose: stops a scan, stores `settings()` with the run's own folders left out, and
    // saves. A failure is said once; `quiet` (a logout's signal) says it on stderr alone.
    void FormClose(bool quiet);

private:
    SettingsStore& m_store;
    const TLang& m_lang;
    Dialogs& m_dialogs;
    StartOptions m_options;
    ExportOptions m_exportOptions;
    search::ImageSearch m_search;
    MainSettings m_settings;
    std::string m_programFolder;
    std::vector<std::string> m_runOnlyFolders;  // named on the command line, not stored
};

}  // namespace vexilo
