#include "control/convert_dialog/cnv_dlg.h"

#include <algorithm>

#include "base/paths.h"
#include "base/text.h"
#include "control/kind_names.h"
#include "imageio/file_kind.h"
#include "lang/lang.h"
#include "settings/settings_store.h"

namespace vexilo {

namespace {

const std::string kConvertKey = std::string(kSettingsRootKey) + "\\Convert";
const std::string kJpegKey = std::string(kSettingsRootKey) + "\\JpegOpt";

const char* const kPixelFormats[] = {"24Bit", "8Bit"};

}  // namespace

std::vector<std::string> ReadExportOptions(const SettingsStore& settings, ExportOptions& options) {
    TolerantReader read(settings);
    const std::string colors = read.text(kConvertKey, "IconColors", "cl256");
    if (colors == "cl16") options.iconColors = IconColors::Colors16;
    if (colors == "cl256") options.iconColors = IconColors::Colors256;
    if (colors == "cl32") options.iconColors = IconColors::AllSizes32;
    options.keepTransparency = read.boolean(kConvertKey, "KeepTransparency", options.keepTransparency);
    JpegOptions& jpeg = options.jpeg;
    const auto integer = [&](const char* name, int def) { return read.integer(kJpegKey, name, def); };
    const auto boolean = [&](const char* name, bool def) { return read.boolean(kJpegKey, name, def); };
    // Values outside what the controls offer (a hand-edited file) are brought inside.
    jpeg.CompressionQuality =
        static_cast<std::uint8_t>(std::clamp(integer("CompressionQuality", jpeg.CompressionQuality), 1, 100));
    jpeg.PixelFormat = integer("PixelFormat", 0) == 1 ? 1 : 0;
    jpeg.Grayscale = boolean("Grayscale", jpeg.Grayscale);
    jpeg.ProgressiveEncoding = boolean("ProgressiveEncoding", jpeg.ProgressiveEncoding);
    options.webpLossless = read.boolean(kConvertKey, "WebpLossless", options.webpLossless);
    return read.problems;
}

const char* IconColorsName(IconColors colors) {
    return colors == IconColors::Colors16 ? "cl16" : colors == IconColors::AllSizes32 ? "cl32" : "cl256";
}

void WriteKeepTransparency(SettingsStore& settings, bool on) {
    settings.writeBool(kConvertKey, "KeepTransparency", on);
}

CnvDlg::CnvDlg(BatchRequest& request, ExportOptions& options, SettingsStore& settings, const TLang& lang,
               Dialogs& dialogs, bool gifEnabled, std::string caption)
    : m_request(request),
      m_options(options),
      m_savedOptions(options),
      m_settings(settings),
      m_lang(lang),
      m_dialogs(dialogs),
      m_gif(gifEnabled) {
    m_c.caption = std::move(caption);
}

CnvDlg::~CnvDlg() {
    m_options = m_savedOptions;
}

const std::string& CnvDlg::t(int k) const {
    return m_lang.interfaceText(k);
}

int CnvDlg::node(std::uint8_t code) const {
    for (std::size_t i = 0; i < m_c.nodes.size(); ++i)
        if (m_c.nodes[i].code == code) return static_cast<int>(i);
    return -1;
}

void CnvDlg::setNodeText(std::uint8_t code, const std::string& text) {
    const int i = node(code);
    if (i >= 0) m_c.nodes[static_cast<std::size_t>(i)].text = text;
}

void CnvDlg::applyTexts() {
    m_c.labelJpeg = t(53);
    m_c.labelConvert = t(74);
    m_c.labelResize = t(77);
    m_c.labelSaving = t(60);
    m_c.labelIcon = t(62);
    m_c.okCaption = stripAmpersands(t(103));
    m_c.cancelCaption = stripAmpersands(t(104));
    m_c.helpCaption = stripAmpersands(t(49));
    m_c.stopCaption = stripAmpersands(t(118));
    m_c.label1 = t(29) + ":";
    m_c.label2 = t(26) + ":";
    m_c.proportCaption = t(108);
    m_c.actualSzCaption = t(109);
    m_c.shapeCaption = t(38);
    m_c.ico16Caption = t(63);
    m_c.ico256Caption = t(64);
    m_c.ico32Caption = t(150);
    m_c.keepTransparencyCaption = t(154);
    m_c.progressiveCaption = t(55);
    m_c.progressiveHint = t(56);
    m_c.colorSpaceHint = t(59);
    m_c.pixelFormatHint = t(58);
    m_c.qualityHint = t(57);
    m_c.qualityLabel = t(54);
    m_c.colorLabel = t(105);
    m_c.overwriteAllCaption = t(106);
    m_c.promptCaption = t(107);
    m_c.pixelFormats = {t(131), t(132)};
    m_c.colorSpaces = {t(133), t(134)};
    m_c.losslessCaption = t(147);
    m_c.losslessHint = t(149);
}

CnvGeometry CnvDlg::FormShow(const CnvGeometry& design) {
    // 1. The overwrite choice is not remembered: every showing starts at "Prompt on replace".
    m_request.promptOnReplace = true;
    m_c.progressVisible = false;
    m_convertPressed = false;

    // 2. Stored values (a missing one keeps the current value), texts, first page, empty tree.
    TolerantReader read(m_settings);
    const auto integer = [&](const char* name, int def) { return read.integer(kConvertKey, name, def); };
    CnvGeometry g;
    g.clientWidth = integer("ClientWidth", design.clientWidth);
    g.clientHeight = integer("ClientHeight", design.clientHeight);
    g.left = integer("Left", design.left);
    g.top = integer("Top", design.top);
    g.treeViewWidth = integer("TreeViewWidth", design.treeViewWidth);
    m_request.outputFolder = read.text(kConvertKey, "BatchPathToSave", m_request.outputFolder);
    for (std::string& p : ReadExportOptions(m_settings, m_options)) read.problems.push_back(std::move(p));
    for (const std::string& p : read.problems) m_dialogs.error(m_c.caption, p);
    const JpegOptions& jpeg = m_options.jpeg;
    applyTexts();
    m_c.page = CnvPage::Convert;
    m_c.nodes.clear();

    // 3. The root nodes.
    m_c.nodes.push_back({cnvnode::Format, -1, t(80), 1});
    m_c.nodes.push_back({cnvnode::Size, -1, t(81), 2});
    m_c.nodes.push_back({cnvnode::Path, -1, t(23), 3});

    // 4. The output formats.
    m_c.formats.clear();
    m_formatKinds.clear();
    for (const FileFormat& format : fileFormats()) {
        if (!format.output || (format.needsGifSwitch && !m_gif)) continue;
        m_c.formats.push_back(kindDisplayName(format, m_lang));
        m_formatKinds.push_back(format.kind);
    }

    // 5. Rows that are no output kind (icons, associated icons), and GIF rows while GIF output
    // is off, preselect "Bitmap".
    auto entry = std::find(m_formatKinds.begin(), m_formatKinds.end(), m_request.targetKind);
    if (entry == m_formatKinds.end()) {
        m_request.targetKind = kind::Bmp;
        entry = std::find(m_formatKinds.begin(), m_formatKinds.end(), m_request.targetKind);
    }

    // 6. The single output name gets the format's extension.
    if (m_request.singleFile && m_request.targetKind != kind::AllFiles)
        m_request.singleOutputName =
            replaceExtension(m_request.singleOutputName, fileKindExtension(m_request.targetKind));

    // 7. The format entry and its summary node under node 0.
    m_c.formatIndex = static_cast<int>(entry - m_formatKinds.begin());
    m_c.nodes.insert(m_c.nodes.begin() + 1,
                     {cnvnode::FormatSummary, 0, m_c.formats[static_cast<std::size_t>(m_c.formatIndex)], 1});

    // 8. The size summary node under node 2.
    m_c.nodes.insert(m_c.nodes.begin() + 3,
                     {cnvnode::SizeSummary, node(cnvnode::Size), m_c.actualSzCaption, 2});

    // 9. The size controls from the record, then the icon and JPEG controls.
    m_c.actualSz = m_request.actualSize;
    m_c.shape = m_request.buttonShape;
    m_c.width = std::max(0, m_request.width);
    m_c.height = std::max(0, m_request.height);
    ChBProportClick(m_request.proportional);
    m_c.ico16 = m_options.iconColors == IconColors::Colors16;
    m_c.ico32 = m_options.iconColors == IconColors::AllSizes32;
    m_c.keepTransparency = m_options.keepTransparency;
    ChBActualSzClick(m_request.actualSize);
    m_c.quality = jpeg.CompressionQuality;
    m_c.pixelFormat = jpeg.PixelFormat;
    m_c.colorSpace = jpeg.Grayscale ? 1 : 0;
    m_c.progressive = jpeg.ProgressiveEncoding;
    m_c.webpLossless = m_options.webpLossless;
    refreshFormatSummary();

    // 10. The path edit: the folder, and in single-file mode the output name after it.
    m_c.path = m_request.outputFolder + (m_request.singleFile ? m_request.singleOutputName : std::string());

    // 11, 12. The path and overwrite summaries under node 5.
    m_c.nodes.push_back(
        {cnvnode::PathSummary, node(cnvnode::Path), m_c.path.empty() ? t(83) : t(115) + " " + m_c.path, 3});
    m_c.overwriteAll = !m_request.promptOnReplace;
    m_c.nodes.push_back({cnvnode::OverwriteSummary, node(cnvnode::Path),
                         m_c.overwriteAll ? m_c.overwriteAllCaption : m_c.promptCaption, 3});

    // 13. Node 0 selected and shown.
    m_c.selectedNode = node(cnvnode::Format);
    TreeView1Click(m_c.selectedNode);
    EPathChange(m_c.path);
    setPathExplanations();
    return g;
}

void CnvDlg::FormClose(const CnvGeometry& g) {
    m_settings.writeInteger(kConvertKey, "ClientWidth", g.clientWidth);
    m_settings.writeInteger(kConvertKey, "ClientHeight", g.clientHeight);
    m_settings.writeInteger(kConvertKey, "Left", g.left);
    m_settings.writeInteger(kConvertKey, "Top", g.top);
    m_settings.writeInteger(kConvertKey, "TreeViewWidth", g.treeViewWidth);
    if (m_convertPressed) {
        m_settings.writeString(kConvertKey, "BatchPathToSave", m_request.outputFolder);
        m_settings.writeString(kConvertKey, "IconColors", IconColorsName(m_options.iconColors));
        m_settings.writeBool(kConvertKey, "KeepTransparency", m_options.keepTransparency);
        m_settings.writeInteger(kJpegKey, "CompressionQuality", m_options.jpeg.CompressionQuality);
        m_settings.writeInteger(kJpegKey, "PixelFormat", m_options.jpeg.PixelFormat);
        m_settings.writeBool(kJpegKey, "Grayscale", m_options.jpeg.Grayscale);
        m_settings.writeBool(kJpegKey, "ProgressiveEncoding", m_options.jpeg.ProgressiveEncoding);
        m_settings.writeBool(kConvertKey, "WebpLossless", m_options.webpLossless);
    }
    try {
        m_settings.save();
    } catch (const SettingsError& e) {
        m_dialogs.error(m_c.caption, e.what());
    }
}

void CnvDlg::TreeView1Click(int index) {
    if (index < 0 || index >= static_cast<int>(m_c.nodes.size())) return;
    m_c.selectedNode = index;
    const CnvTreeNode& n = m_c.nodes[static_cast<std::size_t>(index)];
    switch (n.code) {
        case cnvnode::Format:
            m_c.page = CnvPage::Convert;
            break;
        case cnvnode::FormatSummary: {
            // The summary shows the chosen format, so its page follows that format.
            const FileKind k = chosenKind();
            m_c.page = k == kind::Ico                       ? CnvPage::Icon
                       : k == kind::Jpeg || k == kind::Webp ? CnvPage::Jpeg
                                                            : CnvPage::None;
            break;
        }
        case cnvnode::Size:
        case cnvnode::SizeSummary:
            m_c.page = CnvPage::Resize;
            break;
        case cnvnode::Path:
        case cnvnode::PathSummary:
        case cnvnode::OverwriteSummary:
            m_c.page = CnvPage::Path;
            setPathExplanations();
            break;
        default:
            break;
    }
}

void CnvDlg::setPathExplanations() {
    if (m_request.singleFile) {
        m_c.labelSaving = t(84);
        m_c.labelSaving2.clear();
        m_c.labelSaving3.clear();
    } else {
        m_c.labelSaving = t(60);
        m_c.labelSaving2 = t(110) + " " + t(111);
        m_c.labelSaving3 = t(112);
    }
}

FileKind CnvDlg::chosenKind() const {
    const auto entry = static_cast<std::size_t>(m_c.formatIndex);
    return entry < m_formatKinds.size() ? m_formatKinds[entry] : kind::AllFiles;
}

std::string CnvDlg::iconSummary() const {
    return std::string(fileKindName(kind::Ico)) + " (" +
           (m_c.ico32   ? t(150)
            : m_c.ico16 ? t(63)
                        : t(64)) +
           ")";
}

std::string CnvDlg::jpegSummary() const {
    std::string s = std::string(fileKindName(kind::Jpeg)) + " (" + t(54) + " " + std::to_string(m_c.quality) +
                    "%, " + kPixelFormats[m_c.pixelFormat == 1 ? 1 : 0] + ", " +
                    m_c.colorSpaces[m_c.colorSpace == 1 ? 1 : 0];
    if (m_c.progressive) s += ", Progressive";
    return s + ")";
}

std::string CnvDlg::webpSummary() const {
    const std::string& name = m_c.formats[static_cast<std::size_t>(m_c.formatIndex)];
    if (m_c.webpLossless) return name + " (" + m_c.losslessCaption + ")";
    return name + " (" + t(54) + " " + std::to_string(m_c.quality) + "%)";
}

void CnvDlg::refreshFormatSummary() {
    const auto entry = static_cast<std::size_t>(m_c.formatIndex);
    if (entry >= m_c.formats.size()) return;
    if (chosenKind() == kind::Ico)
        setNodeText(cnvnode::FormatSummary, iconSummary());
    else if (chosenKind() == kind::Jpeg)
        setNodeText(cnvnode::FormatSummary, jpegSummary());
    else if (chosenKind() == kind::Webp)
        setNodeText(cnvnode::FormatSummary, webpSummary());
    else
        setNodeText(cnvnode::FormatSummary, m_c.formats[entry]);
}

void CnvDlg::CBConvertChange(int entry) {
    if (entry < 0 || entry >= static_cast<int>(m_c.formats.size())) return;
    m_c.formatIndex = entry;
    refreshFormatSummary();
    if (m_request.singleFile && !m_c.path.empty())
        EPathChange(replaceExtension(m_c.path, fileKindExtension(chosenKind())));
}

void CnvDlg::RBIcoClick(bool ico16) {
    m_c.ico16 = ico16;
    m_c.ico32 = false;
    if (chosenKind() == kind::Ico) refreshFormatSummary();
}

void CnvDlg::RBIco32Click() {
    m_c.ico16 = false;
    m_c.ico32 = true;
    if (chosenKind() == kind::Ico) refreshFormatSummary();
}

void CnvDlg::ChBKeepTransparencyClick(bool checked) {
    m_c.keepTransparency = checked;
}

void CnvDlg::ChBJpegClick(int quality, int pixelFormat, int colorSpace, bool progressive) {
    m_c.quality = std::clamp(quality, 1, 100);
    m_c.pixelFormat = pixelFormat == 1 ? 1 : 0;
    m_c.colorSpace = colorSpace == 1 ? 1 : 0;
    m_c.progressive = progressive;
    if (chosenKind() == kind::Jpeg || chosenKind() == kind::Webp) refreshFormatSummary();
}

void CnvDlg::ChBWebpLosslessClick(bool checked) {
    m_c.webpLossless = checked;
    if (chosenKind() == kind::Webp) refreshFormatSummary();
}

void CnvDlg::refreshResizeSummary() {
    std::string s;
    if (m_c.actualSz)
        s = m_c.actualSzCaption;
    else if (m_c.proport)
        s = std::to_string(m_c.width) + "%";
    else
        s = std::to_string(m_c.width) + "x" + std::to_string(m_c.height) + " " + t(78);
    if (m_c.shape) s += " (" + m_c.shapeCaption + ")";
    setNodeText(cnvnode::SizeSummary, s);
}

void CnvDlg::ChBActualSzClick(bool checked) {
    m_c.actualSz = checked;
    m_request.actualSize = checked;
    m_c.proportEnabled = m_c.widthEnabled = m_c.heightEnabled = !checked;
    refreshResizeSummary();
}

void CnvDlg::ChBProportClick(bool checked) {
    m_c.proport = checked;
    m_request.proportional = checked;
    if (checked) {
        m_c.label1 = t(79) + ":";
        m_c.label3 = "%";
        m_c.label4Visible = m_c.label2Visible = m_c.heightVisible = false;
        m_request.width = m_request.height = -1;
        m_request.percent = m_c.width;
    } else {
        m_c.label1 = t(29) + ":";
        m_c.label3 = m_c.label4 = t(78);
        m_c.label4Visible = m_c.label2Visible = m_c.heightVisible = true;
        m_request.percent = -1;
        m_request.width = m_c.width;
        m_request.height = m_c.height;
    }
    refreshResizeSummary();
}

void CnvDlg::SEImChange(CnvSpinEdit which, int value) {
    value = std::max(value, 0);
    if (which == CnvSpinEdit::Width) {
        m_c.width = value;
        (m_c.proport ? m_request.percent : m_request.width) = value;
    } else {
        m_c.height = value;
        m_request.height = value;
    }
    refreshResizeSummary();
}

void CnvDlg::ChBShapeClick(bool checked) {
    m_c.shape = checked;
    m_request.buttonShape = checked;
    refreshResizeSummary();
}

void CnvDlg::EPathChange(const std::string& text) {
    m_c.path = text;
    if (m_request.singleFile) {
        if (m_c.path.empty()) m_c.path = m_request.outputFolder + m_request.singleOutputName;
        // The edit holds the whole output path: a typed folder or name is the one written.
        const std::string folder = folderOf(m_c.path);
        const std::string name = m_c.path.substr(folder.size());
        m_request.outputFolder = folder;
        if (!name.empty()) m_request.singleOutputName = name;
        setNodeText(cnvnode::PathSummary, t(115) + " " + m_c.path);
        return;
    }
    if (m_c.path.empty())
        setNodeText(cnvnode::PathSummary, t(83));
    else
        setNodeText(cnvnode::PathSummary,
                    (m_c.path.find('/') != std::string::npos ? t(115) : t(117)) + " " + m_c.path);
    m_request.outputFolder = m_c.path;
}

void CnvDlg::RBOverwriteAllClick(bool overwriteAll) {
    m_c.overwriteAll = overwriteAll;
    setNodeText(cnvnode::OverwriteSummary, overwriteAll ? m_c.overwriteAllCaption : m_c.promptCaption);
}

void CnvDlg::BitBPathClick() {
    const std::string firstSource = m_request.files.empty() ? std::string() : m_request.files.front();
    // Where the outputs would go, so that a relative folder opens where it really is.
    const std::string where = BatchOutputPath(firstSource, m_request.outputFolder, "");
    if (m_request.singleFile) {
        const FileKind k = chosenKind();
        SaveFileRequest r;
        r.caption = m_c.caption;
        r.folder = where;
        r.proposedName = m_request.singleOutputName;
        r.filter = kindDisplayName(k, m_lang) + " (*" + fileKindExtension(k) + ")|*" + fileKindExtension(k) +
                   "|Any files (*.*)|*.*";
        r.confirmOverwrite = true;
        r.pathMustExist = true;
        const auto chosen = m_dialogs.saveFile(r);
        if (!chosen) return;
        m_request.outputFolder = folderOf(*chosen);
        EPathChange(*chosen);
        return;
    }
    std::string start = where;
    while (start.size() > 1 && start.back() == '/') start.pop_back();
    const auto chosen = m_dialogs.chooseFolder(t(93), start);
    if (!chosen) return;  // cancelled: the folder stays exactly as it was
    std::string folder = *chosen;
    if (folder.empty() || folder.back() != '/') folder += '/';
    m_request.outputFolder = folder;
    EPathChange(folder);
}

ReplaceAnswer CnvDlg::askReplace(const std::string& path) {
    MessageRequest q;
    q.caption = m_c.caption;
    q.text = m_lang.messageText(21) + "\n\t         " + path;
    q.kind = MessageKind::Warning;
    q.buttons = {m_lang.messageText(17), m_lang.messageText(18), m_lang.messageText(19),
                 m_lang.messageText(20)};
    q.defaultButton = 2;  // Enter keeps the file
    q.escapeButton = 2;
    switch (m_dialogs.message(q)) {
        case 0:
            return ReplaceAnswer::Overwrite;
        case 1:
            return ReplaceAnswer::OverwriteAll;
        case 3:
            return ReplaceAnswer::SkipAll;
        default:
            return ReplaceAnswer::Skip;
    }
}

void CnvDlg::BOkClick() {
    if (m_c.running) {
        stop();
        return;
    }
    m_convertPressed = true;
    m_request.targetKind = chosenKind();
    m_request.promptOnReplace = !m_c.overwriteAll;
    m_options.iconColors = m_c.ico32   ? IconColors::AllSizes32
                           : m_c.ico16 ? IconColors::Colors16
                                       : IconColors::Colors256;
    m_options.keepTransparency = m_c.keepTransparency;
    m_options.jpeg.CompressionQuality = static_cast<std::uint8_t>(m_c.quality);
    m_options.jpeg.PixelFormat = static_cast<std::uint8_t>(m_c.pixelFormat);
    m_options.jpeg.Grayscale = m_c.colorSpace == 1;
    m_options.jpeg.ProgressiveEncoding = m_c.progressive;
    m_options.webpLossless = m_c.webpLossless;

    m_stopRequested = false;
    m_c.running = true;
    m_c.progressVisible = true;
    m_c.progressPosition = 0;
    m_c.progressFile.clear();
    BatchCallbacks callbacks;
    callbacks.askReplace = [this](const std::string& path) { return askReplace(path); };
    callbacks.onProgress = [this](const BatchProgress& p) {
        m_c.progressMax = p.count;
        m_c.progressPosition = p.position;
        m_c.progressFile = fileNameOf(p.source);
        if (onProgress) onProgress();
        return !m_stopRequested;
    };
    try {
        showSummary(RunBatchJob(m_request, m_options, callbacks));
    } catch (const std::exception& e) {
        m_dialogs.error(m_c.caption, e.what());
    }
    m_c.running = false;
    m_c.progressPosition = 0;
    m_c.progressVisible = false;
    m_c.progressFile.clear();
}

void CnvDlg::showSummary(const BatchResult& result) {
    BatchReportTexts texts;
    texts.converted = m_lang.messageText(14);
    texts.notLoaded = m_lang.messageText(5);
    texts.failed = m_lang.messageText(15);
    texts.skipped = m_lang.messageText(50);
    texts.sameOutput = m_lang.messageText(51);
    texts.overSource = m_lang.messageText(52);
    texts.stopped = m_lang.messageText(53);
    // Every file that was not converted is named, with its reason, in the details.
    MessageRequest summary{m_c.caption, BatchSummary(result, texts), MessageKind::Information, {}, 0, {}};
    for (const std::string& line : BatchIssueLines(result, texts)) summary.details += line + "\n";
    if (result.failed > 0 || result.notLoaded > 0) summary.kind = MessageKind::Warning;
    m_dialogs.message(summary);
}

int CnvDlg::BitBtnHelpClick() const {
    switch (m_c.page) {
        case CnvPage::Resize:
            return 583;
        case CnvPage::Path:
            return 584;
        case CnvPage::None:
            return 651;
        default:
            return 582;
    }
}

}  // namespace vexilo
