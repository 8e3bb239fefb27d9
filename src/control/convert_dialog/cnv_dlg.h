#pragma once
// The batch conversion dialog without its widgets: the option tree and its pages, the five
// pages' controls and their rules, the summaries in the tree, what is stored under "Convert"
// and "JpegOpt", and the run of the batch job with its replace question, progress and summary.
// The widget shows controls() after every call and forwards every user action here.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "batch/batch_job.h"
#include "codecs/export_options.h"
#include "control/dialogs.h"

namespace vexilo {

class SettingsStore;
class TLang;

enum class CnvPage { None, Convert, Resize, Path, Icon, Jpeg };

// Node codes of the option tree.
namespace cnvnode {
constexpr std::uint8_t Format = 0, FormatSummary = 1, Size = 2, SizeSummary = 3, Path = 5, PathSummary = 6,
                       OverwriteSummary = 7;
}  // namespace cnvnode

struct CnvTreeNode {
    std::uint8_t code = 0;
    int parent = -1;  // index of the parent node, -1 for a root
    std::string text;
    int image = 0;  // 1 format, 2 size, 3 path
};

// The dialog's size, position and tree width: the design values go into FormShow, the stored
// ones come out, and the current ones go into FormClose.
struct CnvGeometry {
    int clientWidth = 0, clientHeight = 0, left = 0, top = 0, treeViewWidth = 0;
};

enum class CnvSpinEdit { Width, Height };

// Everything the widgets show, by control.
struct CnvControls {
    std::string caption;
    std::string labelConvert, labelResize, labelSaving, labelSaving2, labelSaving3, labelIcon, labelJpeg;
    std::string okCaption = "Convert", cancelCaption = "Close", helpCaption = "Help";
    std::string stopCaption = "Stop";  // "Convert" while a run is in progress

    std::vector<std::string> formats;  // CBConvert: the output rows' names (GIF's with "/GIF")
    int formatIndex = 2;

    std::string actualSzCaption = "Actual size for each image";
    std::string proportCaption = "Proportional in percentages from a source";
    std::string shapeCaption = "Button shape";
    bool actualSz = true, proport = true, shape = false;
    bool proportEnabled = false, widthEnabled = false, heightEnabled = false;
    std::string label1 = "Image width:", label2 = "Image height:", label3 = "%", label4 = "%";
    bool label2Visible = true, label4Visible = true, heightVisible = true;
    int width = 0, height = 0;  // SEImWidth, SEImHeight

    std::string path;  // EPath
    std::string overwriteAllCaption = "Overwrite if a file already exists";
    std::string promptCaption = "Prompt on replace file(s)";
    bool overwriteAll = false;

    std::string ico16Caption = "16 colors", ico256Caption = "256 colors",
                ico32Caption = "True colour with transparency, all sizes";
    bool ico16 = false;
    bool ico32 = false;  // the third depth; ico16 is then false
    std::string keepTransparencyCaption = "Keep transparency";
    bool keepTransparency = false;

    std::string colorLabel = "Color:", qualityLabel = "Quality:", progressiveCaption = "Progressive JPEG";
    std::string progressiveHint, colorSpaceHint, pixelFormatHint, qualityHint;
    int quality = 80;
    int pixelFormat = 0;  // index into pixelFormats
    int colorSpace = 0;   // index into colorSpaces; its text also ends the JPEG summary
    std::array<std::string, 2> pixelFormats{"24 bit", "8 bit"};
    std::array<std::string, 2> colorSpaces{"RGB", "Grayscale"};
    bool progressive = true;
    // On the "Jpeg" page, which also serves WebP (its lossy files take the quality).
    std::string losslessCaption = "Lossless WebP", losslessHint;
    bool webpLossless = false;

    std::vector<CnvTreeNode> nodes;
    int selectedNode = 0;
    CnvPage page = CnvPage::Convert;

    bool running = false;  // the options are locked and "Convert" reads "Stop"
    bool progressVisible = false;
    int progressMax = 100, progressPosition = 0;
    std::string progressFile;  // the name of the file being converted
};

// The stored icon colours and WebP choice ("Convert") and JPEG options ("JpegOpt") over options; a missing
// value keeps the current one ("PixelFormat" reads as 0), and so does one stored with another
// type than text, whose message ("Invalid data type for '<name>'") is answered.
std::vector<std::string> ReadExportOptions(const SettingsStore& settings, ExportOptions& options);
// The stored name of an icon depth: "cl16", "cl256" or "cl32".
const char* IconColorsName(IconColors colors);
// Stores "Keep transparency" where the batch options keep it (the advanced options edit it too).
void WriteKeepTransparency(SettingsStore& settings, bool on);

class CnvDlg {
public:
    // request and options are the process-wide ones; options are put back as they were when
    // this object dies, so the dialog's choices reach single saves only through the store.
    CnvDlg(BatchRequest& request, ExportOptions& options, SettingsStore& settings, const TLang& lang,
           Dialogs& dialogs, bool gifEnabled, std::string caption);
    ~CnvDlg();
    CnvDlg(const CnvDlg&) = delete;
    CnvDlg& operator=(const CnvDlg&) = delete;

    const CnvControls& controls() const { return m_c; }
    bool convertPressed() const { return m_convertPressed; }

    // Showing, in its order; answers the geometry to use (stored values, else `design`).
    CnvGeometry FormShow(const CnvGeometry& design);
    // Writes the stored values: geometry always, the batch options once "Convert" was pressed.
    void FormClose(const CnvGeometry& geometry);

    void TreeView1Click(int node);  // index into controls().nodes; a key released acts the same
    void CBConvertChange(int entry);
    void RBIcoClick(bool ico16);
    void RBIco32Click();
    void ChBKeepTransparencyClick(bool checked);
    void ChBJpegClick(int quality, int pixelFormat, int colorSpace, bool progressive);
    void ChBWebpLosslessClick(bool checked);
    void ChBActualSzClick(bool checked);
    void ChBProportClick(bool checked);
    void SEImChange(CnvSpinEdit which, int value);
    void ChBShapeClick(bool checked);
    void EPathChange(const std::string& text);
    void RBOverwriteAllClick(bool overwriteAll);
    void BitBPathClick();
    // "Convert": copies the choices into the request and runs the job; while it runs the same
    // button stops it after the current file.
    void BOkClick();
    // Asks a running job to stop (the window closing, the Stop button).
    void stop() { m_stopRequested = true; }
    // The help context of the page shown.
    int BitBtnHelpClick() const;
    // The dialog's own help context, and those of its panels ("Convert", "Icon" and "Jpeg" share
    // one), which F1 opens on a control there.
    static constexpr int kHelpContext = 651, kFormatPanelHelp = 652, kResizePanelHelp = 653,
                         kPathPanelHelp = 654;

    // Called after each progress step of a run, after controls() changed: the widget repaints
    // and processes pending events (a click on "Stop" arrives here).
    std::function<void()> onProgress;

private:
    const std::string& t(int k) const;
    int node(std::uint8_t code) const;
    void setNodeText(std::uint8_t code, const std::string& text);
    void applyTexts();
    void refreshFormatSummary();
    void refreshResizeSummary();
    void setPathExplanations();
    std::string iconSummary() const;
    std::string jpegSummary() const;
    std::string webpSummary() const;
    // The kind of the chosen format entry.
    FileKind chosenKind() const;
    ReplaceAnswer askReplace(const std::string& path);
    // The counts, a stop, and every file not converted with its reason in the details.
    void showSummary(const BatchResult& result);

    BatchRequest& m_request;
    ExportOptions& m_options;
    const ExportOptions m_savedOptions;
    SettingsStore& m_settings;
    const TLang& m_lang;
    Dialogs& m_dialogs;
    bool m_gif;
    CnvControls m_c;
    std::vector<FileKind> m_formatKinds;  // the kind of each entry of m_c.formats
    bool m_convertPressed = false;
    bool m_stopRequested = false;
};

}  // namespace vexilo
