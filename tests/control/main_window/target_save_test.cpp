#include "control/main_window/target_save.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "codecs/bmp_codec.h"
#include "imageio/loaders.h"
#include "lang/lang.h"
#include "search/found_list.h"
#include "support/scripted_dialogs.h"
#include "support/test_util.h"

namespace vexilo {
namespace {

namespace fs = std::filesystem;

constexpr FileKind kNotReadBack = 0xFF;

class SaveCommands : public ::testing::Test {
protected:
    SaveCommands() {
        lang.ProgramDir = std::string(VEXILO_SOURCE_DIR) + "/lang/";
        lang.load();
        saveBmpFile(test::makeBitmap(12, 8, PixelFormat::Bpp24, test::patternColor), dir.file("photo.bmp"));
        row.image.Folder = dir.path().string() + "/";
        row.image.Name = "photo.bmp";
        target.LoadTarget(row, std::nullopt);
        save.rowSelected = [this] { return selected; };
        save.GifOutputEnabled = true;
    }
    std::string lastMessage() const { return dialogs.messages.empty() ? "" : dialogs.messages.back().text; }

    test::TempDir dir;
    TLang lang;
    search::FoundRow row;
    TargetPreview target{Bitmap(4, 4)};
    test::ScriptedDialogs dialogs;
    ExportOptions options;
    TargetSave save{target, dialogs, lang, options};
    bool selected = true;
};

TEST_F(SaveCommands, EveryFormatWritesDisplayImageAndReportsOneConverted) {
    struct Case {
        FileKind row;  // the save command of this format row
        const char* name;
        FileKind readAs;
        bool opensInOut;  // the dialog opens in the last save folder, else where it was
    };
    const std::string out = dir.path().string() + "/out/";
    fs::create_directory(out);
    const Case cases[] = {
        {kind::Bmp, "a.bmp", kind::Bmp, false},  // the last folder is still empty
        {kind::Jpeg, "a.jpg", kind::Jpeg, true}, {kind::Ico, "a.ico", kind::Ico, true},
        {kind::Gif, "a.gif", kind::Gif, true},   {kind::Tga, "a.tga", kind::Tga, false},
        {kind::Png, "a.png", kind::Png, false},  {kind::Emf, "a.wmf", kind::Wmf, false},
        {kind::Emf, "b", kNotReadBack, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialogs.saveAnswers.push_back(out + c.name);
        save.saveTarget(*fileFormat(c.row));
        const SaveFileRequest& asked = dialogs.saveRequests.back();
        EXPECT_EQ(asked.folder, c.opensInOut ? out : std::string());
        EXPECT_TRUE(asked.confirmOverwrite && asked.pathMustExist && asked.defaultExtension.empty());
        EXPECT_EQ(lastMessage(), "Converted: 1");
        EXPECT_EQ(save.LastSaveFolder, out);
        if (c.readAs == kNotReadBack) continue;
        Bitmap back;
        ASSERT_TRUE(LoadImageAs(c.readAs, out + c.name, &back));
        if (c.readAs != kind::Ico) {
            EXPECT_EQ(back.width(), 12);
        }
    }
    EXPECT_EQ(dialogs.saveRequests[1].proposedName, "photo.jpg");
    EXPECT_EQ(dialogs.saveRequests[1].filter, "JPEG files (*.jpg)|*.jpg");
    EXPECT_EQ(dialogs.saveRequests[6].proposedName, "photo.emf");
    // Which metafile kind a name gives: SaveImageAs.TheNameChoosesTheMetafileKind.
    EXPECT_TRUE(fs::exists(out + "b"));
}

TEST_F(SaveCommands, NothingWithoutRowCancelOrGifSwitch) {
    selected = false;
    save.saveTarget(*fileFormat(kind::Bmp));
    int copies = 0;
    save.copyToClipboard = [&](const Bitmap& b, const std::vector<std::uint8_t>&) {
        ++copies;
        EXPECT_EQ(b.width(), 12);
    };
    save.miCopybitmaptoclipboardClick();
    EXPECT_TRUE(dialogs.saveRequests.empty());
    EXPECT_EQ(copies, 0);
    selected = true;
    save.miCopybitmaptoclipboardClick();
    EXPECT_EQ(copies, 1);

    save.GifOutputEnabled = false;
    save.saveTarget(*fileFormat(kind::Gif));
    EXPECT_TRUE(dialogs.saveRequests.empty());
    save.saveTarget(*fileFormat(kind::Png));  // cancelled
    EXPECT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(save.LastSaveFolder, "");
}

TEST_F(SaveCommands, FailuresReportAndLeaveOldFilesWhole) {
    // Two missing levels: EnsureFolder creates only the last one.
    const std::string deep = dir.path().string() + "/x/y/a.";
    dialogs.saveAnswers = {deep + "bmp", deep + "png"};
    save.saveTarget(*fileFormat(kind::Bmp));
    EXPECT_EQ(lastMessage(), "Failed: 1");
    save.saveTarget(*fileFormat(kind::Png));
    EXPECT_EQ(dialogs.messages.back().kind, MessageKind::Error);
    EXPECT_NE(lastMessage().find("Cannot create folder"), std::string::npos) << lastMessage();

    // A read-only file is not replaced, even though its folder is writable.
    const std::vector<std::uint8_t> old{1, 2, 3};
    for (const char* name : {"ro.png", "ro.bmp"}) {
        test::writeFile(dir.file(name), old);
        ::chmod(dir.file(name).c_str(), 0444);
        dialogs.saveAnswers.push_back(dir.file(name));
    }
    save.saveTarget(*fileFormat(kind::Png));
    EXPECT_EQ(dialogs.messages.back().kind, MessageKind::Error);
    EXPECT_NE(lastMessage().find("Cannot create file"), std::string::npos);
    save.saveTarget(*fileFormat(kind::Bmp));
    EXPECT_EQ(lastMessage(), "Failed: 1");
    EXPECT_EQ(test::readFile(dir.file("ro.png")), old);
    EXPECT_EQ(test::readFile(dir.file("ro.bmp")), old);
}

}  // namespace
}  // namespace vexilo
