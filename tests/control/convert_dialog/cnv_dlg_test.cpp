// The batch dialog's rules without widgets: summaries, enabling, pages, stored values, the run
// with its question and summary, and the export options put back afterwards.
#include "control/convert_dialog/cnv_dlg.h"

#include <gtest/gtest.h>

#include "codecs/png_codec.h"
#include "lang/lang.h"
#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

const std::string kConvert = std::string(kSettingsRootKey) + "\\Convert";
const std::string kJpeg = std::string(kSettingsRootKey) + "\\JpegOpt";

class CnvDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        lang.ProgramDir = std::string(VEXILO_SOURCE_DIR) + "/lang";
        ASSERT_EQ(lang.load(), TLang::kLoaded);
        request.targetKind = kind::Png;
        request.width = request.height = 32;
    }
    const std::string& nodeText(const CnvDlg& d, std::uint8_t code) {
        for (const auto& n : d.controls().nodes)
            if (n.code == code) return n.text;
        static const std::string none = "(no node)";
        return none;
    }
    // The page a click on the node shows.
    CnvPage clickNode(CnvDlg& d, std::uint8_t code) {
        const auto& nodes = d.controls().nodes;
        for (std::size_t i = 0; i < nodes.size(); ++i)
            if (nodes[i].code == code) d.TreeView1Click(static_cast<int>(i));
        return d.controls().page;
    }

    TLang lang;
    SettingsStore settings;
    test::ScriptedDialogs dialogs;
    BatchRequest request;
    ExportOptions options;
};

TEST_F(CnvDlgTest, PreselectsTheFormatAndListsGifOnlyWhenEnabled) {
    const std::pair<FileKind, int> cases[] = {
        {kind::AllFiles, 2}, {kind::Exe, 2}, {kind::Png, 6}, {kind::Gif, 2}};
    for (auto [k, entry] : cases) {
        request.targetKind = k;
        CnvDlg d(request, options, settings, lang, dialogs, false, "Vexilo");
        d.FormShow({});
        EXPECT_EQ(d.controls().formatIndex, entry) << int(k);
        EXPECT_EQ(d.controls().formats.size(), 9u);  // WebP and TIFF after the first seven
    }
    request.targetKind = kind::Gif;
    CnvDlg d(request, options, settings, lang, dialogs, true, "Vexilo");
    d.FormShow({});
    EXPECT_EQ(d.controls().formats.size(), 10u);
    EXPECT_EQ(d.controls().formats[7], "Gif");
    EXPECT_EQ(d.controls().formatIndex, 7);
    EXPECT_EQ(d.controls().page, CnvPage::Convert);
    EXPECT_EQ(d.BitBtnHelpClick(), 582);
}

TEST_F(CnvDlgTest, SummariesPagesAndEnabling) {
    CnvDlg d(request, options, settings, lang, dialogs, false, "Vexilo");
    d.FormShow({});
    const CnvControls& c = d.controls();
    EXPECT_EQ(nodeText(d, cnvnode::SizeSummary), "Actual size for each image");
    EXPECT_FALSE(c.proportEnabled || c.widthEnabled || c.heightEnabled);

    d.ChBActualSzClick(false);
    d.ChBShapeClick(true);
    EXPECT_TRUE(c.proportEnabled && c.heightVisible);
    EXPECT_EQ(nodeText(d, cnvnode::SizeSummary), "32x32 pixels (Button shape)");
    d.ChBProportClick(true);
    d.SEImChange(CnvSpinEdit::Width, 50);
    EXPECT_EQ(request.percent, 50);
    EXPECT_EQ(request.width, -1);
    EXPECT_FALSE(c.heightVisible);
    EXPECT_EQ(c.label1, "Scale:");
    EXPECT_EQ(nodeText(d, cnvnode::SizeSummary), "50% (Button shape)");
    d.SEImChange(CnvSpinEdit::Height, -4);
    EXPECT_EQ(request.height, 0);

    d.CBConvertChange(3);
    d.RBIcoClick(true);
    EXPECT_EQ(nodeText(d, cnvnode::FormatSummary), "Icon (16 colors)");
    EXPECT_EQ(clickNode(d, cnvnode::FormatSummary), CnvPage::Icon);
    d.CBConvertChange(4);
    d.ChBJpegClick(75, 1, 1, false);
    EXPECT_EQ(nodeText(d, cnvnode::FormatSummary), "Jpeg (Quality: 75%, 8Bit, Grayscale)");
    EXPECT_EQ(clickNode(d, cnvnode::FormatSummary), CnvPage::Jpeg);
    d.CBConvertChange(0);  // no options for metafiles: the page area hides
    EXPECT_EQ(clickNode(d, cnvnode::FormatSummary), CnvPage::None);
    EXPECT_EQ(d.BitBtnHelpClick(), 651);

    d.EPathChange("out");
    EXPECT_EQ(nodeText(d, cnvnode::PathSummary), "Save to subfolder: out");
    d.EPathChange("/tmp/out/");
    EXPECT_EQ(nodeText(d, cnvnode::PathSummary), "Save to: /tmp/out/");
    EXPECT_EQ(request.outputFolder, "/tmp/out/");
    d.EPathChange("");
    EXPECT_EQ(nodeText(d, cnvnode::PathSummary), "Beside the source files");
    d.RBOverwriteAllClick(true);
    EXPECT_EQ(nodeText(d, cnvnode::OverwriteSummary), "Overwrite if a file already exists");
    EXPECT_EQ(clickNode(d, cnvnode::OverwriteSummary), CnvPage::Path);
    EXPECT_EQ(d.BitBtnHelpClick(), 584);
    EXPECT_FALSE(c.labelSaving3.empty());

    // The folder dialog opens on the folder; a cancel keeps it.
    d.EPathChange("/x/out/");
    d.BitBPathClick();
    EXPECT_EQ(dialogs.folderStarts.at(0), "/x/out");
    EXPECT_EQ(request.outputFolder, "/x/out/");
    dialogs.folderAnswers = {"/y/z"};
    d.BitBPathClick();
    EXPECT_EQ(request.outputFolder, "/y/z/");
    EXPECT_EQ(c.path, "/y/z/");
}

TEST_F(CnvDlgTest, SingleFileModeKeepsTheWholeOutputPathAndSplitsTheTypedOne) {
    // The job writes the name so split: BatchRun.FoldersQuotesSizesAndTheTypedSingleName.
    request.files = {"/pictures/a.png"};
    request.iconIndexes = {-1};
    request.singleFile = true;
    request.singleOutputName = "photo.png";
    request.targetKind = kind::Bmp;
    settings.writeString(kConvert, "BatchPathToSave", "/conv/");
    CnvDlg d(request, options, settings, lang, dialogs, false, "Vexilo");
    d.FormShow({});
    EXPECT_EQ(d.controls().path, "/conv/photo.bmp");
    d.CBConvertChange(6);
    EXPECT_EQ(d.controls().path, "/conv/photo.png");
    d.EPathChange("/elsewhere/picture.png");
    EXPECT_EQ(request.outputFolder, "/elsewhere/");
    EXPECT_EQ(request.singleOutputName, "picture.png");
    d.EPathChange("");  // refilled
    EXPECT_EQ(d.controls().path, "/elsewhere/picture.png");
    dialogs.saveAnswers = {"/chosen/x.png"};
    d.BitBPathClick();
    EXPECT_EQ(dialogs.saveRequests.at(0).filter, "Png (*.png)|*.png|Any files (*.*)|*.*");
    EXPECT_EQ(dialogs.saveRequests.at(0).folder, "/elsewhere/");
    EXPECT_EQ(request.outputFolder, "/chosen/");
    EXPECT_EQ(d.controls().labelSaving, lang.interfaceText(84));
}

TEST_F(CnvDlgTest, StoresGeometryAlwaysAndOptionsOnlyAfterConvertThenPutsOptionsBackWebpsToo) {
    options.jpeg.CompressionQuality = 90;
    request.promptOnReplace = false;
    settings.writeString(kConvert, "IconColors", "cl999");  // unknown: keeps the current depth
    {
        CnvDlg d(request, options, settings, lang, dialogs, false, "Vexilo");
        const CnvGeometry g = d.FormShow({500, 300, 10, 20, 150});
        EXPECT_EQ(g.clientWidth, 500);
        EXPECT_TRUE(request.promptOnReplace);  // every showing starts at "Prompt on replace"
        EXPECT_FALSE(d.controls().overwriteAll);
        EXPECT_EQ(d.controls().ico16, false);
        EXPECT_EQ(d.controls().quality, 90);
        d.ChBJpegClick(30, 0, 0, true);
        d.FormClose({600, 400, 1, 2, 100});
    }
    EXPECT_EQ(settings.readInteger(kConvert, "ClientWidth", 0), 600);
    EXPECT_EQ(settings.readInteger(kConvert, "TreeViewWidth", 0), 100);
    EXPECT_FALSE(settings.valueExists(kJpeg, "CompressionQuality"));
    EXPECT_FALSE(settings.valueExists(kConvert, "BatchPathToSave"));

    {
        CnvDlg d(request, options, settings, lang, dialogs, false, "Vexilo");
        EXPECT_EQ(d.FormShow({}).clientWidth, 600);
        d.RBIcoClick(true);
        d.ChBJpegClick(30, 1, 1, false);
        d.EPathChange("/out/");
        d.BOkClick();  // no files: converts nothing, shows the summary
        EXPECT_EQ(options.jpeg.CompressionQuality, 30);
        d.FormClose({600, 400, 1, 2, 100});
    }
    EXPECT_EQ(options.jpeg.CompressionQuality, 90);  // put back for single saves
    EXPECT_EQ(options.iconColors, IconColors::Colors256);
    EXPECT_EQ(settings.readString(kConvert, "BatchPathToSave", ""), "/out/");
    EXPECT_EQ(settings.readString(kConvert, "IconColors", ""), "cl16");
    EXPECT_EQ(settings.readInteger(kJpeg, "CompressionQuality", 0), 30);
    EXPECT_EQ(settings.readInteger(kJpeg, "PixelFormat", 0), 1);
    EXPECT_TRUE(settings.readBool(kJpeg, "Grayscale", false));
    EXPECT_FALSE(settings.readBool(kJpeg, "ProgressiveEncoding", true));

    // The third depth and "Keep transparency" are stored and read back the same way.
    {
        CnvDlg d(request, options, settings, lang, dialogs, false, "Vexilo");
        d.FormShow({});
        d.RBIco32Click();
        d.ChBKeepTransparencyClick(true);
        d.BOkClick();
        d.FormClose({600, 400, 1, 2, 100});
    }
    EXPECT_EQ(settings.readString(kConvert, "IconColors", ""), "cl32");
    ExportOptions read;
    ReadExportOptions(settings, read);
    EXPECT_EQ(read.iconColors, IconColors::AllSizes32);
    EXPECT_TRUE(read.keepTransparency);

    // WebP shares the JPEG page and stores its lossless choice.
    request.targetKind = kind::Webp;
    {
        CnvDlg d(request, options, settings, lang, dialogs, false, "Vexilo");
        d.FormShow({});
        EXPECT_EQ(nodeText(d, cnvnode::FormatSummary), "WebP image (Quality: 30%)");  // the stored JPEG one
        EXPECT_EQ(clickNode(d, cnvnode::FormatSummary), CnvPage::Jpeg);
        d.ChBWebpLosslessClick(true);
        EXPECT_EQ(nodeText(d, cnvnode::FormatSummary), "WebP image (Lossless WebP)");
        d.BOkClick();
        EXPECT_TRUE(options.webpLossless);
        d.FormClose({});
    }
    EXPECT_FALSE(options.webpLossless);  // put back for single saves, which read the store
    EXPECT_TRUE(ReadExportOptions(settings, options).empty());
    EXPECT_TRUE(options.webpLossless);
}

TEST_F(CnvDlgTest, RunAsksShowsProgressStopsAndSummarises) {
    test::TempDir dir;
    for (const char* name : {"a.png", "b.png", "c.png"})
        test::writeFile(dir.path() / name,
                        encodePng(test::makeBitmap(4, 4, PixelFormat::Bpp24, test::patternColor)));
    test::writeFile(dir.path() / "a.bmp", std::vector<std::uint8_t>{1});
    request.files = {dir.file("a.png"), dir.file("b.png"), dir.file("c.png")};
    request.iconIndexes = {-1, -1, -1};
    CnvDlg d(request, options, settings, lang, dialogs, false, "Vexilo");
    d.FormShow({});
    d.CBConvertChange(2);
    std::vector<std::string> shown;
    d.onProgress = [&] {
        const CnvControls& c = d.controls();
        EXPECT_TRUE(c.running && c.progressVisible);
        shown.push_back(std::to_string(c.progressPosition) + "/" + std::to_string(c.progressMax) + " " +
                        c.progressFile);
        if (c.progressPosition == 2) d.BOkClick();  // "Stop", pressed while events are pumped
    };
    dialogs.messageAnswers = {2};  // skip a.bmp
    d.BOkClick();
    ASSERT_EQ(dialogs.messages.size(), 2u);
    const MessageRequest& question = dialogs.messages[0];
    EXPECT_EQ(question.kind, MessageKind::Warning);
    EXPECT_EQ(question.buttons, (std::vector<std::string>{"Overwrite", "Overwrite all", "Skip", "Skip all"}));
    EXPECT_EQ(question.text, "This file already exists:\n\t         " + dir.file("a.bmp"));
    EXPECT_EQ(shown, (std::vector<std::string>{"2/3 b.png"}));
    // The summary says the run was stopped; its details name the file skipped.
    EXPECT_EQ(dialogs.messages[1].text,
              "Converted: 0;\n\rNot loaded: 0;\n\rFailed: 0.\n\rStopped. Files not converted: 2");
    EXPECT_EQ(dialogs.messages[1].details, "Skipped, the file exists: " + dir.file("a.bmp") + "\n");
    EXPECT_FALSE(d.controls().running || d.controls().progressVisible);
}

TEST(ReadExportOptions, TakesTheStoredChoicesAndReportsAValueOfAnotherType) {
    const std::string json =
        R"({"keys": {"Software\\Tamber Works\\Vexilo\\3.0.2\\Convert": {"IconColors": "cl16"},)"
        R"("Software\\Tamber Works\\Vexilo\\3.0.2\\JpegOpt": {"CompressionQuality": 55,)"
        R"("Grayscale": "1"}}})";
    const SettingsStore store =
        SettingsStore::fromBytes(std::span(reinterpret_cast<const std::uint8_t*>(json.data()), json.size()));
    ExportOptions options;
    const std::vector<std::string> problems = ReadExportOptions(store, options);
    EXPECT_EQ(options.iconColors, IconColors::Colors16);
    EXPECT_EQ(options.jpeg.CompressionQuality, 80);  // the number keeps the current quality
    EXPECT_TRUE(options.jpeg.Grayscale);
    EXPECT_EQ(problems, std::vector<std::string>{"Invalid data type for 'CompressionQuality'"});
}

}  // namespace
}  // namespace vexilo
